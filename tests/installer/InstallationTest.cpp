#include <gtest/gtest.h>

#include <deque>

#include "Installation.h"
#include "PackageFixture.h"

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
        i.setCopyFunction([&](const std::string &, const std::string &, const CopyOptions &, std::string *) {
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
        return [](const std::string &source, const std::string &target, const CopyOptions &options,
                  std::string *error) { return base::files::copyFile(source, target, options, error); };
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
    i.setCopyFunction([&](const std::string &source, const std::string &target, const CopyOptions &options,
                          std::string *error) {
        durable = durable && options.durable;
        return base::files::copyFile(source, target, options, error);
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
    EXPECT_FALSE(fs::exists(gameFolder() + "/Quernel Backup"));
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
    i.setCopyFunction([&](const std::string &source, const std::string &target, const CopyOptions &options,
                          std::string *error) {
        if (++calls == 5) {
            *error = target + ": No space left on device";
            return CopyOutcome::Failed;
        }
        return base::files::copyFile(source, target, options, error);
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
    EXPECT_EQ(backedUp, Names{"city.ar"});
}

TEST_F(InstallationTest, AFailureBeforeAnythingWasReplacedLeavesNoBackupFolder)
{
    Installation i = installation();
    i.setCopyFunction(
        [&](const std::string &, const std::string &target, const CopyOptions &, std::string *error) {
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
    i.setCopyFunction([&](const std::string &source, const std::string &target, const CopyOptions &options,
                          std::string *error) {
        if (++copies == 3 && !options.progress(512, 1234))
            return CopyOutcome::Cancelled;
        return base::files::copyFile(source, target, options, error);
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
