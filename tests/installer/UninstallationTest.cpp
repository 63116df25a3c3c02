// Removing installed packages from a game folder, on real files: what was installed goes, the
// originals come back, and whatever cannot be undone safely is left and named.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

#include "InstallRecord.h"
#include "Installation.h"
#include "PackageFixture.h"
#include "Sha256.h"
#include "Uninstallation.h"

using namespace installer;
using namespace installer_test;

namespace {

using Names = std::vector<std::string>;
using Files = std::map<std::string, std::string>; // name -> bytes

Names sorted(Names names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class UninstallationTest : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeGameFolder();
        before = listing(gameFolder());
    }

    // A package folder named after the package, holding the files, loaded as the installer loads it.
    Package writePackage(const std::string &name, const Files &files)
    {
        const std::string folder = at("packages/" + name);
        fs::remove_all(folder);
        const std::string iniPath = folder + "/install.ini";
        setEntry(iniPath, "install.ini", "Name", name);
        setEntry(iniPath, "install.ini", "mmType", "2");
        int number = 0;
        for (const auto &[file, bytes] : files) {
            setEntry(iniPath, "Files", "File" + std::to_string(++number), file);
            writeFile(folder + '/' + file, bytes);
        }
        setEntry(iniPath, "install.ini", "TotalFiles", std::to_string(number));
        Package package;
        std::string error;
        EXPECT_TRUE(loadPackage(folder, &package, &error)) << error;
        return package;
    }

    // Installs with every replacement agreed, each run a second later than the one before.
    InstallResult install(const Package &package)
    {
        Installation installation(package, gameFolder());
        const int second = ++m_runs;
        installation.setClock([second] { return Timestamp{2026, 12, 7, 10, 0, second}; });
        InstallResult result = installation.run([](const std::string &) { return ReplaceAnswer::YesToAll; });
        EXPECT_TRUE(result.ok) << result.error;
        EXPECT_FALSE(result.recordFolder.empty());
        return result;
    }

    UninstallResult uninstall(const std::string &name)
    {
        Uninstallation uninstallation(gameFolder(), name);
        return uninstallation.run();
    }

    Package typical() { return writePackage("My Pack", {{"city.ar", cityBytes}, {"cars.ar", carsBytes}}); }

    std::map<std::string, std::string> before; // the game folder before any installation

private:
    int m_runs = 0;
};

TEST_F(UninstallationTest, InstallThenRemoveLeavesTheGameFolderByteForByteAsBefore)
{
    const InstallResult installed = install(typical());
    ASSERT_NE(listing(gameFolder()), before);

    Uninstallation uninstallation(gameFolder(), "my pack"); // any letter case finds it
    ASSERT_EQ(uninstallation.installations().size(), 1u);
    EXPECT_EQ(uninstallation.preflight(), "");
    EXPECT_TRUE(uninstallation.check().empty());
    std::vector<std::tuple<int, int, std::string>> progress;
    uninstallation.setProgress(
        [&](int index, int count, const std::string &name) { progress.emplace_back(index, count, name); });
    const UninstallResult result = uninstallation.run();
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.removed, Names{"cars.ar"});
    EXPECT_EQ(result.restored, Names{"city.ar"});
    EXPECT_TRUE(result.left.empty());
    // Newest file first.
    const std::vector<std::tuple<int, int, std::string>> expected{
        {0, 2, "cars.ar"}, {1, 2, "city.ar"}, {2, 2, ""}};
    EXPECT_EQ(progress, expected);
    EXPECT_EQ(listing(gameFolder()), before);

    const UninstallResult again = uninstall("My Pack");
    EXPECT_FALSE(again.ok);
    EXPECT_EQ(again.error, "My Pack is not installed in " + gameFolder() + ".");
}

TEST_F(UninstallationTest, TwoPackagesOnOneFileCanBeRemovedInEitherOrderWithoutLoss)
{
    const std::string firstCity = archiveBytes("A1", 3000);
    const std::string secondCity = archiveBytes("B1", 4000);
    for (const bool firstRemovedFirst : {true, false}) {
        SCOPED_TRACE(firstRemovedFirst ? "first package removed first" : "second package removed first");
        install(writePackage("First", {{"city.ar", firstCity}, {"first.ar", "first"}}));
        install(writePackage("Second", {{"city.ar", secondCity}, {"second.ar", "second"}}));

        if (firstRemovedFirst) {
            Uninstallation first(gameFolder(), "First");
            const auto left = first.check();
            ASSERT_EQ(left.size(), 1u);
            EXPECT_EQ(left[0].name, "city.ar");
            EXPECT_EQ(left[0].reason, "changed since it was installed");
            const UninstallResult partly = first.run();
            EXPECT_FALSE(partly.ok);
            EXPECT_EQ(partly.removed, Names{"first.ar"});
            ASSERT_EQ(partly.left.size(), 1u);
            EXPECT_EQ(partly.left[0].name, "city.ar");
            EXPECT_EQ(readFile(inGame("city.ar")), secondCity); // the second package's, left alone
            // Its record now lists only what is still to be done.
            const auto records = installationsOf(gameFolder(), "First");
            ASSERT_EQ(records.size(), 1u);
            ASSERT_EQ(records[0].files.size(), 1u);
            EXPECT_EQ(records[0].files[0].name, "city.ar");
        }
        const UninstallResult second = uninstall("Second");
        EXPECT_TRUE(second.ok) << second.error;
        EXPECT_EQ(readFile(inGame("city.ar")), firstCity);
        const UninstallResult first = uninstall("First");
        EXPECT_TRUE(first.ok) << first.error;
        EXPECT_EQ(first.restored, Names{"city.ar"});
        EXPECT_EQ(listing(gameFolder()), before);
    }
}

TEST_F(UninstallationTest, AFileEditedAfterInstallingIsKeptAndNamed)
{
    install(typical());
    writeFile(inGame("city.ar"), "the player's own city");
    writeFile(inGame("cars.ar"), carsBytes + "more");

    const UninstallResult result = uninstall("My Pack");
    EXPECT_FALSE(result.ok);
    ASSERT_EQ(result.left.size(), 2u);
    for (const LeftFile &file : result.left)
        EXPECT_EQ(file.reason, "changed since it was installed") << file.name;
    EXPECT_EQ(sorted({result.left[0].name, result.left[1].name}), (Names{"cars.ar", "city.ar"}));
    EXPECT_EQ(readFile(inGame("city.ar")), "the player's own city");
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes + "more");
    // The original stays in the backup, and the record with it.
    ASSERT_EQ(installationsOf(gameFolder(), "My Pack").size(), 1u);
    const InstallRecord record = installationsOf(gameFolder(), "My Pack").front();
    EXPECT_EQ(record.files.size(), 2u);
    EXPECT_EQ(readFile(record.folder + "/city.ar"), "the original city");
}

TEST_F(UninstallationTest, AMissingOrDamagedBackupIsReportedAndNeverPutBack)
{
    struct Case
    {
        const char *what;
        std::function<void(const std::string &backup, const std::string &outside)> spoil;
        const char *reason;
    };
    const std::vector<Case> cases{
        {"missing", [](const std::string &backup, const std::string &) { fs::remove(backup); },
         "the backup of the original is missing"},
        {"other bytes",
         [](const std::string &backup, const std::string &) { writeFile(backup, "the original citx"); },
         "the backup of the original is damaged"},
        {"cut short",
         [](const std::string &backup, const std::string &) { writeFile(backup, "the original"); },
         "the backup of the original is damaged"},
        // A link is never read, even to a file with the original's very bytes.
        {"a link",
         [](const std::string &backup, const std::string &outside) {
             fs::remove(backup);
             fs::create_symlink(outside, backup);
         },
         "the backup of the original is damaged"},
    };
    const std::string outside = at("outside.ar");
    writeFile(outside, "the original city");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const InstallResult installed = install(typical());
        c.spoil(installed.recordFolder + "/city.ar", outside);
        const auto backupBefore = listing(installed.recordFolder);

        Uninstallation uninstallation(gameFolder(), "My Pack");
        const auto expectedLeft = uninstallation.check();
        ASSERT_EQ(expectedLeft.size(), 1u);
        EXPECT_EQ(expectedLeft[0].reason, c.reason);
        const UninstallResult result = uninstallation.run();
        EXPECT_FALSE(result.ok);
        ASSERT_EQ(result.left.size(), 1u);
        EXPECT_EQ(result.left[0].name, "city.ar");
        EXPECT_EQ(result.left[0].reason, c.reason);
        EXPECT_EQ(result.removed, Names{"cars.ar"});
        EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
        EXPECT_FALSE(fs::exists(inGame("cars.ar")));
        EXPECT_EQ(readFile(outside), "the original city");
        // The record now lists city.ar alone; the spoilt backup is as it was.
        auto backupAfter = listing(installed.recordFolder);
        backupAfter.erase(recordFileName());
        auto expectedBackup = backupBefore;
        expectedBackup.erase(recordFileName());
        EXPECT_EQ(backupAfter, expectedBackup);

        // Done by hand: the original back in place, then the rest goes.
        writeFile(inGame("city.ar"), "the original city");
        const UninstallResult rest = uninstall("My Pack");
        EXPECT_TRUE(rest.ok) << rest.error;
        EXPECT_EQ(listing(gameFolder()), before);
    }
}

TEST_F(UninstallationTest, APackageInstalledTwiceIsUndoneNewestFirst)
{
    install(typical());
    // A newer version of the package over the first: its originals are the first version's files.
    const std::string newCity = archiveBytes("N2", 9000);
    install(writePackage("My Pack", {{"city.ar", newCity}, {"cars.ar", carsBytes}}));

    Uninstallation uninstallation(gameFolder(), "My Pack");
    ASSERT_EQ(uninstallation.installations().size(), 2u);
    EXPECT_GT(uninstallation.installations()[0].folder, uninstallation.installations()[1].folder);
    EXPECT_TRUE(uninstallation.check().empty()); // judged as the files will be once the newer run is undone
    const UninstallResult result = uninstallation.run();
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(sorted(result.restored), (Names{"cars.ar", "city.ar", "city.ar"}));
    EXPECT_EQ(result.removed, Names{"cars.ar"});
    EXPECT_EQ(listing(gameFolder()), before);
}

TEST_F(UninstallationTest, HostileRecordsTouchNothingOutsideTheGameFolder)
{
    // Each case records a file that is the package's own in the game folder and an original whose
    // backup lies outside the game folder, reached through a link or a name.
    const std::string victim = at("outside/victim.ar");
    const std::string packageBytes = "the package's bytes";
    const std::string originalBytes = "precious";

    auto recordOf = [&](const std::string &folder, const std::string &name, const std::string &backupName) {
        InstallRecord record;
        record.folder = folder;
        record.packageName = "Evil";
        record.installedAt = "2026-12-07 10:00:00";
        record.complete = true;
        RecordedFile file;
        file.name = name;
        file.size = packageBytes.size();
        file.sha256 = sha256Hex(packageBytes);
        file.replacedOriginal = true;
        file.backupName = backupName;
        file.originalSize = originalBytes.size();
        file.originalSha256 = sha256Hex(originalBytes);
        record.files.push_back(file);
        return record;
    };
    const std::string area = gameFolder() + "/Quernel Backup";
    const std::string run = area + "/Evil 2026-12-07 10-00-00";
    struct Case
    {
        const char *what;
        std::function<void()> make;
    };
    const std::vector<Case> cases{
        {"a name that climbs out",
         [&] {
             fs::create_directories(run);
             writeFile(run + '/' + recordFileName(),
                       recordToBytes(recordOf(run, "../outside/victim.ar", "x.ar")));
         }},
        {"a backup name that climbs out",
         [&] {
             fs::create_directories(run);
             writeFile(run + '/' + recordFileName(),
                       recordToBytes(recordOf(run, "evil.ar", "../../../outside/victim.ar")));
         }},
        {"the run's folder is a link",
         [&] {
             std::string error;
             ASSERT_TRUE(writeRecord(recordOf(at("outside"), "evil.ar", "victim.ar"), &error)) << error;
             fs::create_directories(area);
             fs::create_symlink(at("outside"), run);
         }},
        {"the backup area is a link",
         [&] {
             const std::string elsewhere = at("outside/Evil 2026-12-07 10-00-00");
             std::string error;
             writeFile(elsewhere + "/evil.ar", originalBytes);
             ASSERT_TRUE(writeRecord(recordOf(elsewhere, "evil.ar", "evil.ar"), &error)) << error;
             fs::create_symlink(at("outside"), area);
         }},
        {"the backup is a link",
         [&] {
             fs::create_directories(run);
             std::string error;
             ASSERT_TRUE(writeRecord(recordOf(run, "evil.ar", "evil.ar"), &error)) << error;
             fs::create_symlink(victim, run + "/evil.ar");
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(area);
        fs::remove_all(at("outside"));
        writeFile(victim, originalBytes);
        writeFile(inGame("evil.ar"), packageBytes);
        c.make();
        const auto everything = listing(root.path());

        Uninstallation uninstallation(gameFolder(), "Evil");
        uninstallation.check();
        const UninstallResult result = uninstallation.run();
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.restored.empty());
        EXPECT_EQ(listing(root.path()), everything);
    }
}

TEST_F(UninstallationTest, CancelStopsBeforeTheNextFileAndASecondRunFinishes)
{
    install(typical());
    Uninstallation uninstallation(gameFolder(), "My Pack");
    uninstallation.setProgress([&](int index, int, const std::string &) {
        if (index == 1)
            uninstallation.cancel();
    });
    const UninstallResult stopped = uninstallation.run();
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.error, "The removal was cancelled.");
    EXPECT_EQ(stopped.removed, Names{"cars.ar"});
    EXPECT_TRUE(stopped.restored.empty());
    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    const auto records = installationsOf(gameFolder(), "My Pack");
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].files.size(), 1u);
    EXPECT_EQ(records[0].files[0].name, "city.ar");

    const UninstallResult rest = uninstall("My Pack");
    EXPECT_TRUE(rest.ok) << rest.error;
    EXPECT_EQ(listing(gameFolder()), before);
}

} // namespace
