#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include <unistd.h>

#include "FilesTesting.h"
#include "InstallRecord.h"
#include "Installation.h"
#include "PackageFixture.h"
#include "Sha256.h"

using namespace installer;
using namespace installer_test;
using base::files::CopyOptions;
using base::files::CopyOutcome;

namespace {

using Names = std::vector<std::string>;

class InstallationTest : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeTypicalPackage();
        setEntry(ini(), "Files", "File3", "track.ar");
        setEntry(ini(), "install.ini", "TotalFiles", " 3");
        writeFile(inPackage("track.ar"), trackBytes);
        writeGameFolder();
        std::string error;
        ASSERT_TRUE(loadPackage(packageFolder(), &package, &error)) << error;
    }

    Installation installation()
    {
        Installation i(package, gameFolder());
        i.setClock([] { return Timestamp{2024, 5, 17, 9, 5, 3}; });
        return i;
    }
    std::string backupFolder() const { return gameFolder() + "/Quernel Backup/My Pack 2024-05-17 09-05-03"; }

    static InstallRecord recordOf(const InstallResult &r)
    {
        std::string error;
        const std::optional<InstallRecord> record = readRecord(r.recordFolder, &error);
        EXPECT_TRUE(record) << error;
        return record.value_or(InstallRecord{});
    }

    // The recorded files are those named, each with the size and digest of the game's file now,
    // and where it replaced an original, the backup's name and the digest of the backup's bytes.
    void expectRecorded(const InstallRecord &record, const Names &names, const Names &withOriginal)
    {
        Names recorded;
        for (const RecordedFile &file : record.files) {
            recorded.push_back(file.name);
            const std::string bytes = readFile(inGame(file.name));
            EXPECT_EQ(file.size, bytes.size()) << file.name;
            EXPECT_EQ(file.sha256, sha256Hex(bytes)) << file.name;
            const bool original =
                std::find(withOriginal.begin(), withOriginal.end(), file.name) != withOriginal.end();
            EXPECT_EQ(file.replacedOriginal, original) << file.name;
            if (!original)
                continue;
            const std::string backup = readFile(record.folder + '/' + file.backupName);
            EXPECT_EQ(file.originalSize, backup.size()) << file.name;
            EXPECT_EQ(file.originalSha256, sha256Hex(backup)) << file.name;
        }
        EXPECT_EQ(recorded, names);
    }

    // Answers in turn, recording each question.
    Installation::AskReplace answers(std::initializer_list<ReplaceAnswer> list)
    {
        m_answers = list;
        return [this](const std::string &name) {
            asked.push_back(name);
            if (m_answers.empty())
                return ReplaceAnswer::No;
            const ReplaceAnswer answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        };
    }

    // Runs an installation that must be refused before any copy or question; returns the reason.
    std::string refused(Installation &i)
    {
        int copies = 0;
        i.setCopyFunction([&](base::files::StagedCopy &, const std::string &, const std::string &,
                              const CopyOptions &, std::string *) {
            ++copies;
            return CopyOutcome::Copied;
        });
        const InstallResult r = i.run(answers({ReplaceAnswer::YesToAll}));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(copies, 0);
        EXPECT_TRUE(asked.empty());
        EXPECT_EQ(r.notInstalled, package.files);
        return r.error;
    }

    static Installation::CopyFunction realCopy()
    {
        return [](base::files::StagedCopy &copy, const std::string &source, const std::string &target,
                  const CopyOptions &options,
                  std::string *error) { return copy.stage(source, target, options, error); };
    }

    Package package;
    Names asked;
    const std::string trackBytes = archiveBytes("tr", 5000);

private:
    std::deque<ReplaceAnswer> m_answers;
};

} // namespace

TEST_F(InstallationTest, CopiesEveryFileAndKeepsTheReplacedOriginal)
{
    writeFile(inGame("track.ar"), "the original track");
    const auto before = listing(packageFolder());

    Names progress;
    Names done;
    bool durable = true;
    Installation i = installation();
    i.setProgress([&](int index, int count, const std::string &name) {
        progress.push_back(std::to_string(index) + "/" + std::to_string(count) + " " + name);
    });
    i.setFileDone(
        [&](const std::string &name, FileOutcome o) { done.push_back(name + std::to_string(int(o))); });
    i.setCopyFunction([&](base::files::StagedCopy &copy, const std::string &source, const std::string &target,
                          const CopyOptions &options, std::string *error) {
        durable = durable && options.durable;
        return copy.stage(source, target, options, error);
    });
    const InstallResult r = i.run(answers({ReplaceAnswer::Yes, ReplaceAnswer::Yes}));

    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(durable); // every copy, backups included, is flushed before it takes its place
    EXPECT_EQ(asked, (Names{"city.ar", "track.ar"}));
    EXPECT_EQ(r.installed, (Names{"city.ar", "cars.ar", "track.ar"}));
    EXPECT_EQ(r.replaced, (Names{"city.ar", "track.ar"}));
    EXPECT_TRUE(r.skipped.empty());
    EXPECT_EQ(r.backupFolder, backupFolder());
    EXPECT_EQ(progress, (Names{"0/3 city.ar", "1/3 cars.ar", "2/3 track.ar", "3/3 "}));
    EXPECT_EQ(done, (Names{"city.ar1", "cars.ar0", "track.ar1"}));

    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    EXPECT_EQ(readFile(inGame("track.ar")), trackBytes);
    EXPECT_EQ(readFile(backupFolder() + "/city.ar"), "the original city");
    EXPECT_EQ(readFile(backupFolder() + "/track.ar"), "the original track");
    Names game;
    for (const auto &[name, bytes] : listing(gameFolder()))
        game.push_back(name);
    EXPECT_EQ(game, (Names{"Midtown2.exe", "Quernel Backup", "Quernel Backup/My Pack 2024-05-17 09-05-03",
                           "Quernel Backup/My Pack 2024-05-17 09-05-03/Quernel Installation.ini",
                           "Quernel Backup/My Pack 2024-05-17 09-05-03/Quernel Journal.ini",
                           "Quernel Backup/My Pack 2024-05-17 09-05-03/city.ar",
                           "Quernel Backup/My Pack 2024-05-17 09-05-03/track.ar", "assets.ar", "cars.ar",
                           "city.ar", "track.ar"}));
    EXPECT_EQ(listing(packageFolder()), before);
}

TEST_F(InstallationTest, NoKeepsAFileAndYesToAllStopsAsking)
{
    writeFile(inGame("cars.ar"), "the original cars");
    writeFile(inGame("track.ar"), "the original track");
    InstallResult r = installation().run(answers({ReplaceAnswer::No, ReplaceAnswer::YesToAll}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(asked, (Names{"city.ar", "cars.ar"})); // track.ar was not asked about
    EXPECT_EQ(r.skipped, Names{"city.ar"});
    EXPECT_EQ(r.installed, (Names{"cars.ar", "track.ar"}));
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
    EXPECT_FALSE(fs::exists(backupFolder() + "/city.ar"));
    EXPECT_EQ(readFile(backupFolder() + "/cars.ar"), "the original cars");
    EXPECT_EQ(readFile(inGame("track.ar")), trackBytes);
}

TEST_F(InstallationTest, NothingReplacedMeansNoBackupFolder)
{
    const InstallResult r = installation().run(answers({ReplaceAnswer::No}));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.backupFolder.empty());
    // The run's folder holds its record alone.
    EXPECT_EQ(r.recordFolder, backupFolder());
    EXPECT_EQ(listing(gameFolder() + "/Quernel Backup"),
              (std::map<std::string, std::string>{
                  {"My Pack 2024-05-17 09-05-03", "<folder>"},
                  {"My Pack 2024-05-17 09-05-03/Quernel Installation.ini", readFile(recordOf(r).path())},
                  {"My Pack 2024-05-17 09-05-03/Quernel Journal.ini", readFile(recordOf(r).journalPath())}}));
}

TEST_F(InstallationTest, ASecondRunInTheSameSecondGetsItsOwnBackup)
{
    ASSERT_TRUE(installation().run(answers({ReplaceAnswer::YesToAll})).ok);
    const InstallResult again = installation().run(answers({ReplaceAnswer::YesToAll}));
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.backupFolder, backupFolder() + " (2)");
    EXPECT_EQ(again.replaced, (Names{"city.ar", "cars.ar", "track.ar"}));
    EXPECT_EQ(readFile(again.backupFolder + "/cars.ar"), carsBytes);
    EXPECT_EQ(readFile(backupFolder() + "/city.ar"), "the original city"); // the first backup is untouched
}

TEST_F(InstallationTest, AFullDiskStopsWithWholeFilesAndSaysWhatWasNotInstalled)
{
    writeFile(inGame("track.ar"), "the original track");
    int calls = 0;
    Installation i = installation();
    // The copies in order: backup of city.ar, city.ar, cars.ar, backup of track.ar, track.ar.
    i.setCopyFunction([&](base::files::StagedCopy &copy, const std::string &source, const std::string &target,
                          const CopyOptions &options, std::string *error) {
        if (++calls == 5) {
            *error = target + ": No space left on device";
            return CopyOutcome::Failed;
        }
        return copy.stage(source, target, options, error);
    });
    const InstallResult r = i.run(answers({ReplaceAnswer::YesToAll}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.installed, (Names{"city.ar", "cars.ar"}));
    EXPECT_EQ(r.notInstalled, Names{"track.ar"});
    EXPECT_TRUE(contains(r.error, "track.ar could not be copied")) << r.error;
    EXPECT_TRUE(contains(r.error, "No space left on device"));
    EXPECT_TRUE(r.error.ends_with("Not installed: track.ar."));
    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    EXPECT_EQ(readFile(inGame("track.ar")), "the original track");
    // The backup keeps what was replaced, and only that.
    EXPECT_EQ(r.replaced, Names{"city.ar"});
    Names backedUp;
    for (const auto &entry : fs::directory_iterator(r.backupFolder))
        backedUp.push_back(entry.path().filename().string());
    std::sort(backedUp.begin(), backedUp.end());
    EXPECT_EQ(backedUp, (Names{"Quernel Installation.ini", "Quernel Journal.ini", "city.ar"}));
}

TEST_F(InstallationTest, AFailureBeforeAnythingWasReplacedLeavesNoBackupFolder)
{
    Installation i = installation();
    i.setCopyFunction([&](base::files::StagedCopy &, const std::string &, const std::string &target,
                          const CopyOptions &, std::string *error) {
        *error = target + ": No space left on device";
        return CopyOutcome::Failed;
    });
    const InstallResult r = i.run(answers({ReplaceAnswer::Yes}));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.starts_with("city.ar could not be backed up")) << r.error;
    EXPECT_EQ(r.notInstalled, (Names{"city.ar", "cars.ar", "track.ar"}));
    EXPECT_TRUE(r.backupFolder.empty());
    EXPECT_FALSE(fs::exists(gameFolder() + "/Quernel Backup"));
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
}

TEST_F(InstallationTest, PreflightRefusesBeforeAnythingIsCopied)
{
    const auto before = listing(root.path());
    Installation i = installation();

    // The last file vanished after the package was read.
    fs::rename(inPackage("track.ar"), at("track.ar"));
    EXPECT_TRUE(contains(refused(i), "track.ar is missing from the package folder"));
    fs::rename(at("track.ar"), inPackage("track.ar"));

    fs::create_directories(inGame("track.ar"));
    EXPECT_TRUE(contains(refused(i), "track.ar in the game folder is not a plain file"));
    fs::remove(inGame("track.ar"));

    // A link in the game folder is left alone too: replacing it would write through it.
    fs::create_symlink(at("elsewhere.ar"), inGame("track.ar"));
    EXPECT_TRUE(contains(refused(i), "track.ar in the game folder is not a plain file"));
    fs::remove(inGame("track.ar"));

    package.files.push_back("../escape.ar");
    Installation escaping = installation();
    EXPECT_TRUE(contains(refused(escaping), "not a plain file name"));
    package.files.pop_back();

    EXPECT_EQ(listing(root.path()), before);
}

TEST_F(InstallationTest, AFileTurnedIntoALinkAfterReadingIsRefusedAndNothingCopied)
{
    const auto game = listing(gameFolder());
    for (const char *target : {"/etc/passwd", "/proc/self/environ"}) {
        fs::remove(inPackage("cars.ar"));
        fs::create_symlink(target, inPackage("cars.ar"));
        Installation i = installation();
        EXPECT_TRUE(contains(refused(i), "cars.ar in the package folder is a symbolic link")) << target;
        EXPECT_EQ(listing(gameFolder()), game) << target;
    }
}

TEST_F(InstallationTest, NotEnoughFreeSpaceIsFoundBeforeTheFirstCopy)
{
    // A sparse file of 8 TiB, larger than any disk here: its size counts, its blocks do not exist.
    fs::resize_file(inPackage("track.ar"), std::uintmax_t(1) << 43);
    Installation i = installation();
    const std::string error = refused(i);
    EXPECT_TRUE(contains(error, "There is not enough free space in " + gameFolder())) << error;
}

TEST_F(InstallationTest, BackupsNeverLeaveTheGameFolder)
{
    // "Quernel Backup" in the game folder is a link to a folder elsewhere, or a plain file.
    fs::create_directories(at("Elsewhere"));
    fs::create_symlink(at("Elsewhere"), gameFolder() + "/Quernel Backup");
    InstallResult r = installation().run(answers({ReplaceAnswer::YesToAll}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.backupFolder, gameFolder() + "/Quernel Backup (2)/My Pack 2024-05-17 09-05-03");
    EXPECT_EQ(readFile(r.backupFolder + "/city.ar"), "the original city");
    EXPECT_TRUE(fs::is_empty(at("Elsewhere")));

    fs::remove(gameFolder() + "/Quernel Backup");
    writeFile(gameFolder() + "/Quernel Backup", "a file");
    fs::remove_all(gameFolder() + "/Quernel Backup (2)");
    writeFile(inGame("city.ar"), "the original city");
    r = installation().run(answers({ReplaceAnswer::YesToAll}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.backupFolder.rfind(gameFolder() + "/Quernel Backup (2)/", 0), 0u) << r.backupFolder;
    EXPECT_EQ(readFile(gameFolder() + "/Quernel Backup"), "a file");
}

TEST_F(InstallationTest, AVeryLongPackageNameGivesAShortenedBackupFolderAndAWholeInstall)
{
    package.name = std::string(120, 'a') + "é" + std::string(118, 'b'); // 240 bytes
    Installation i = installation();
    i.setCopyFunction(realCopy());
    const InstallResult r = i.run(answers({ReplaceAnswer::YesToAll}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.installed, (Names{"city.ar", "cars.ar", "track.ar"}));
    EXPECT_EQ(fs::path(r.backupFolder).filename().string(), std::string(100, 'a') + " 2024-05-17 09-05-03");
    EXPECT_EQ(readFile(r.backupFolder + "/city.ar"), "the original city");
}

TEST_F(InstallationTest, DotsInsideANameAreAName)
{
    writeFile(inPackage("my..track.ar"), trackBytes);
    setEntry(ini(), "Files", "File3", "my..track.ar");
    std::string error;
    ASSERT_TRUE(loadPackage(packageFolder(), &package, &error)) << error;
    const InstallResult r = installation().run(answers({ReplaceAnswer::No}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(readFile(inGame("my..track.ar")), trackBytes);
}

TEST_F(InstallationTest, CancelStopsAtTheNextChunkAndLeavesTheFileUnderWayAsItWas)
{
    Installation i = installation();
    int copies = 0;
    // The copies in order: backup of city.ar, city.ar, cars.ar; the copy checks in after its
    // first chunk, as the real one does.
    i.setCopyFunction([&](base::files::StagedCopy &copy, const std::string &source, const std::string &target,
                          const CopyOptions &options, std::string *error) {
        if (++copies == 3 && !options.progress(512, 1234))
            return CopyOutcome::Cancelled;
        return copy.stage(source, target, options, error);
    });
    i.setBetweenChunks([&](std::uint64_t copied, std::uint64_t total) {
        if (copied == 512 && total == 1234)
            i.cancel();
    });
    const InstallResult r = i.run(answers({ReplaceAnswer::Yes}));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.error, "The installation was cancelled.");
    EXPECT_EQ(copies, 3);
    EXPECT_EQ(r.installed, Names{"city.ar"});
    EXPECT_EQ(r.notInstalled, (Names{"cars.ar", "track.ar"}));
    EXPECT_FALSE(fs::exists(inGame("cars.ar")));
    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    EXPECT_EQ(readFile(r.backupFolder + "/city.ar"), "the original city");
}

TEST_F(InstallationTest, TheRecordDescribesEveryFileAsItIsOnDisk)
{
    writeFile(inGame("track.ar"), "the original track");
    const InstallResult r = installation().run(answers({ReplaceAnswer::YesToAll}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.recordFolder, backupFolder());
    const InstallRecord record = recordOf(r);
    EXPECT_EQ(record.packageName, "My Pack");
    EXPECT_EQ(record.installedAt, "2024-05-17 09:05:03");
    EXPECT_TRUE(record.complete);
    EXPECT_TRUE(contains(readFile(record.path()), "Complete=Yes\r\n"));
    expectRecorded(record, {"city.ar", "cars.ar", "track.ar"}, {"city.ar", "track.ar"});
    EXPECT_EQ(record.files[0].backupName, "city.ar");
    EXPECT_EQ(record.files[2].backupName, "track.ar");
}

TEST_F(InstallationTest, PackageFilesNamedLikeTheRecordOrTheBackupAreaKeepEverything)
{
    setEntry(ini(), "Files", "File4", "quernel installation.ini");
    setEntry(ini(), "Files", "File5", "Quernel Backup");
    setEntry(ini(), "install.ini", "TotalFiles", "5");
    writeFile(inPackage("quernel installation.ini"), "the package's ini");
    writeFile(inPackage("Quernel Backup"), "the package's file");
    writeFile(inGame("quernel installation.ini"), "the game's ini");
    std::string error;
    ASSERT_TRUE(loadPackage(packageFolder(), &package, &error)) << error;

    const InstallResult r = installation().run(answers({ReplaceAnswer::YesToAll}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.recordFolder, gameFolder() + "/Quernel Backup (2)/My Pack 2024-05-17 09-05-03");
    EXPECT_EQ(readFile(inGame("Quernel Backup")), "the package's file");
    const InstallRecord record = recordOf(r);
    expectRecorded(record, package.files, {"city.ar", "quernel installation.ini"});
    EXPECT_EQ(record.files[3].backupName, "quernel installation.ini (original)");
    EXPECT_EQ(readFile(r.recordFolder + "/quernel installation.ini (original)"), "the game's ini");
}

TEST_F(InstallationTest, AStoppedRunRecordsExactlyWhatItDid)
{
    // Cancelled while cars.ar is copied (the copies: backup of city.ar, city.ar, cars.ar).
    Installation cancelled = installation();
    int copies = 0;
    cancelled.setCopyFunction([&](base::files::StagedCopy &copy, const std::string &source,
                                  const std::string &target, const CopyOptions &options, std::string *error) {
        if (++copies == 3) {
            cancelled.cancel();
            if (!options.progress(512, 1234))
                return CopyOutcome::Cancelled;
        }
        return copy.stage(source, target, options, error);
    });
    InstallResult r = cancelled.run(answers({ReplaceAnswer::Yes}));
    ASSERT_TRUE(r.cancelled);
    EXPECT_EQ(r.recordFolder, backupFolder());
    EXPECT_FALSE(recordOf(r).complete);
    expectRecorded(recordOf(r), {"city.ar"}, {"city.ar"});

    // Failed on the copy of track.ar, in a fresh game folder.
    fs::remove_all(gameFolder());
    writeGameFolder();
    Installation failing = installation();
    copies = 0;
    failing.setCopyFunction([&](base::files::StagedCopy &copy, const std::string &source,
                                const std::string &target, const CopyOptions &options, std::string *error) {
        if (++copies == 4) {
            *error = target + ": Input/output error";
            return CopyOutcome::Failed;
        }
        return copy.stage(source, target, options, error);
    });
    r = failing.run(answers({ReplaceAnswer::Yes}));
    ASSERT_FALSE(r.ok);
    EXPECT_FALSE(recordOf(r).complete);
    expectRecorded(recordOf(r), {"city.ar", "cars.ar"}, {"city.ar"});
    EXPECT_FALSE(fs::exists(inGame("track.ar")));
}

TEST_F(InstallationTest, ARunThatInstalledNothingLeavesNoFolder)
{
    // Another run's folder in the backup area stays as it is.
    writeFile(gameFolder() + "/Quernel Backup/Other 2020-01-01 00-00-00/x.ar", "x");
    writeFile(inGame("cars.ar"), "the original cars");
    writeFile(inGame("track.ar"), "the original track");
    const auto before = listing(gameFolder());

    InstallResult r = installation().run(answers({ReplaceAnswer::No, ReplaceAnswer::No, ReplaceAnswer::No}));
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.skipped, package.files);
    EXPECT_TRUE(r.recordFolder.empty());
    EXPECT_EQ(listing(gameFolder()), before);

    Installation cancelled = installation();
    cancelled.cancel();
    r = cancelled.run(answers({ReplaceAnswer::YesToAll}));
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.recordFolder.empty());
    EXPECT_EQ(listing(gameFolder()), before);

    fs::remove_all(gameFolder() + "/Quernel Backup");
    r = installation().run(answers({ReplaceAnswer::No, ReplaceAnswer::No, ReplaceAnswer::No}));
    EXPECT_FALSE(fs::exists(gameFolder() + "/Quernel Backup")); // the empty backup area goes too
}

TEST_F(InstallationTest, ARecordThatCannotBeWrittenStopsBeforeTheFileItWouldName)
{
    Installation i = installation();
    int copies = 0;
    // While cars.ar is staged (the third copy), a folder takes the journal's place.
    i.setCopyFunction([&](base::files::StagedCopy &copy, const std::string &source, const std::string &target,
                          const CopyOptions &options, std::string *error) {
        if (++copies == 3) {
            fs::remove(backupFolder() + "/Quernel Journal.ini");
            fs::create_directories(backupFolder() + "/Quernel Journal.ini");
        }
        return copy.stage(source, target, options, error);
    });
    const InstallResult r = i.run(answers({ReplaceAnswer::Yes}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.installed, (Names{"city.ar"}));
    EXPECT_EQ(r.notInstalled, (Names{"cars.ar", "track.ar"}));
    EXPECT_TRUE(r.error.starts_with("The record of the installation could not be written (")) << r.error;
    EXPECT_TRUE(contains(r.error, "), so the installation stopped before cars.ar.")) << r.error;
    EXPECT_TRUE(r.error.ends_with(" Not installed: cars.ar, track.ar.")) << r.error;
    EXPECT_FALSE(fs::exists(inGame("cars.ar"))); // a file the record cannot name is never put in place
    EXPECT_FALSE(fs::exists(inGame("track.ar")));
    EXPECT_EQ(readFile(backupFolder() + "/city.ar"), "the original city");
}

TEST(BackupFolderName, IsSafeOnEverySystem)
{
    const Timestamp when{2001, 2, 3, 4, 5, 6};
    EXPECT_EQ(backupFolderName("My Pack", when), "Quernel Backup/My Pack 2001-02-03 04-05-06");
    EXPECT_EQ(backupFolderName("A/B:C*?\"<>|\\", when), "Quernel Backup/A_B_C_______ 2001-02-03 04-05-06");
    EXPECT_EQ(backupFolderName("  ", when), "Quernel Backup/Package 2001-02-03 04-05-06");
    EXPECT_EQ(backupFolderName("..", when), "Quernel Backup/Package 2001-02-03 04-05-06");
    EXPECT_EQ(backupFolderName("Pack.", when), "Quernel Backup/Pack 2001-02-03 04-05-06");
    // Cut at a character boundary: "é" would straddle the 100th byte.
    EXPECT_EQ(backupFolderName(std::string(99, 'x') + "é", when),
              "Quernel Backup/" + std::string(99, 'x') + " 2001-02-03 04-05-06");
}

namespace {

// What the record says of a file is what was written, even when the package's file changed while
// it was copied: a removal must recognise the file it finds.
TEST_F(InstallationTest, AFileThatChangesWhileItIsCopiedIsRecordedAsWritten)
{
    fs::remove(inGame("city.ar"));
    bool changed = false;
    base::files::testing::setSourceReader([&](int fd, void *buffer, std::size_t size) -> long {
        const long got = ::read(fd, buffer, size);
        if (got > 0) {
            static_cast<char *>(buffer)[0] ^= 0x55; // another program writes while we read
            changed = true;
        }
        return got;
    });
    const InstallResult r = installation().run(answers({}));
    base::files::testing::setSourceReader({});
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_TRUE(changed);
    const InstallRecord record = recordOf(r);
    for (const RecordedFile &file : record.files) {
        const std::string written = readFile(inGame(file.name));
        EXPECT_NE(written, readFile(inPackage(file.name))) << file.name;
        EXPECT_EQ(file.sha256, installer::sha256Hex(written)) << file.name;
        EXPECT_EQ(file.size, written.size()) << file.name;
    }
}

} // namespace
