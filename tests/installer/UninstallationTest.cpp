// Removing installed packages from a game folder, on real files: what was installed goes, the
// originals come back, and whatever cannot be undone safely is left and named.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "FolderDigests.h"
#include "InstallRecord.h"
#include "Installation.h"
#include "PackageFixture.h"
#include "Sha256.h"
#include "Uninstallation.h"

using namespace installer;
using namespace installer_test;

namespace {

using Names = std::vector<std::string>;

// "name: reason; ..." in the order given.
std::string described(const std::vector<LeftFile> &left)
{
    std::string text;
    for (const LeftFile &file : left)
        text += (text.empty() ? "" : "; ") + file.name + ": " + file.reason;
    return text;
}

const std::string Changed = "changed since it was installed";

class UninstallationTest : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeGameFolder();
        before = digests(gameFolder());
    }

    // A package named name with these files (name -> bytes), loaded as the installer loads it.
    Package writePackage(const std::string &name, const std::map<std::string, std::string> &files)
    {
        const std::string folder = at("packages/" + name);
        fs::remove_all(folder);
        setEntry(folder + "/install.ini", "install.ini", "Name", name);
        int number = 0;
        for (const auto &[file, bytes] : files) {
            setEntry(folder + "/install.ini", "Files", "File" + std::to_string(++number), file);
            writeFile(folder + '/' + file, bytes);
        }
        setEntry(folder + "/install.ini", "install.ini", "TotalFiles", std::to_string(number));
        Package package;
        std::string error;
        EXPECT_TRUE(loadPackage(folder, &package, &error)) << error;
        return package;
    }
    Package typical() { return writePackage("My Pack", {{"city.ar", cityBytes}, {"cars.ar", carsBytes}}); }

    // Every replacement agreed, each run a second after the one before.
    InstallResult install(const Package &package)
    {
        Installation installation(package, gameFolder());
        const int second = ++m_runs;
        installation.setClock([second] { return Timestamp{2026, 12, 7, 10, 0, second}; });
        InstallResult result = installation.run([](const std::string &) { return ReplaceAnswer::YesToAll; });
        EXPECT_TRUE(result.ok && !result.recordFolder.empty()) << result.error;
        return result;
    }

    UninstallResult uninstall(const std::string &name) { return Uninstallation(gameFolder(), name).run(); }

    std::map<std::string, std::string> before; // the game folder before any installation

private:
    int m_runs = 0;
};

TEST_F(UninstallationTest, InstallThenRemoveLeavesTheGameFolderByteForByteAsBefore)
{
    install(typical());
    Uninstallation uninstallation(gameFolder(), "my pack"); // any letter case finds it
    EXPECT_EQ(uninstallation.preflight(), "");
    EXPECT_EQ(described(uninstallation.check()), "");
    std::vector<std::tuple<int, int, std::string>> progress;
    uninstallation.setProgress(
        [&](int index, int count, const std::string &name) { progress.emplace_back(index, count, name); });
    const UninstallResult result = uninstallation.run();
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.removed, Names{"cars.ar"});
    EXPECT_EQ(result.restored, Names{"city.ar"});
    // The last file installed comes first.
    EXPECT_EQ(progress, (std::vector<std::tuple<int, int, std::string>>{
                            {0, 2, "city.ar"}, {1, 2, "cars.ar"}, {2, 2, ""}}));
    EXPECT_EQ(digests(gameFolder()), before);
    EXPECT_EQ(uninstall("My Pack").error, "My Pack is not installed in " + gameFolder() + ".");
}

TEST_F(UninstallationTest, TwoPackagesOnOneFileCanBeRemovedInEitherOrderWithoutLoss)
{
    const std::string firstCity = archiveBytes("A1", 3000);
    for (const bool firstRemovedFirst : {true, false}) {
        SCOPED_TRACE(firstRemovedFirst);
        install(writePackage("First", {{"city.ar", firstCity}, {"first.ar", "first"}}));
        install(writePackage("Second", {{"city.ar", "second city"}, {"second.ar", "second"}}));
        if (firstRemovedFirst) {
            // city.ar is the second package's now: left, its original kept for later.
            EXPECT_EQ(described(Uninstallation(gameFolder(), "First").check()), "city.ar: " + Changed);
            const UninstallResult partly = uninstall("First");
            EXPECT_EQ(described(partly.left), "city.ar: " + Changed);
            EXPECT_EQ(partly.removed, Names{"first.ar"});
            EXPECT_TRUE(holds(inGame("city.ar"), "second city"));
            const auto records = installationsOf(gameFolder(), "First");
            ASSERT_EQ(records.size(), 1u);
            EXPECT_EQ(records[0].files.size(), 1u); // what is still to be done
        }
        EXPECT_TRUE(uninstall("Second").ok);
        EXPECT_TRUE(holds(inGame("city.ar"), firstCity));
        const UninstallResult first = uninstall("First");
        EXPECT_TRUE(first.ok) << first.error;
        EXPECT_EQ(first.restored, Names{"city.ar"});
        EXPECT_EQ(digests(gameFolder()), before);
    }
}

TEST_F(UninstallationTest, AFileEditedAfterInstallingIsKeptAndNamed)
{
    const InstallResult installed = install(typical());
    writeFile(inGame("city.ar"), "the player's own city");
    writeFile(inGame("cars.ar"), carsBytes + "more");
    const auto edited = digests(gameFolder());
    const UninstallResult result = uninstall("My Pack");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(described(result.left), "city.ar: " + Changed + "; cars.ar: " + Changed);
    EXPECT_EQ(digests(gameFolder()), edited); // the record and the original's backup stay too

    // Installed again over the edits, then edited again: both installations leave cars.ar, the
    // player hears of it once; city.ar comes back as the player's, which the first one leaves.
    install(typical());
    writeFile(inGame("cars.ar"), "edited again");
    const std::string once = "cars.ar: " + Changed + "; city.ar: " + Changed;
    EXPECT_EQ(described(Uninstallation(gameFolder(), "My Pack").check()), once);
    EXPECT_EQ(described(uninstall("My Pack").left), once);
}

TEST_F(UninstallationTest, AMissingOrDamagedBackupIsReportedAndNeverPutBack)
{
    const std::string outside = at("outside.ar");
    writeFile(outside, "the original city");
    const std::vector<std::tuple<const char *, std::function<void(const std::string &)>, std::string>> cases{
        {"missing", [](const std::string &backup) { fs::remove(backup); }, "missing"},
        {"other bytes", [](const std::string &backup) { writeFile(backup, "the original citx"); }, "damaged"},
        {"cut short", [](const std::string &backup) { writeFile(backup, "the original"); }, "damaged"},
        // A link is never read, even to a file with the original's very bytes.
        {"a link",
         [&](const std::string &backup) {
             fs::remove(backup);
             fs::create_symlink(outside, backup);
         },
         "damaged"},
    };
    for (const auto &[what, spoil, state] : cases) {
        SCOPED_TRACE(what);
        const InstallResult installed = install(typical());
        spoil(installed.recordFolder + "/city.ar");
        const std::string record =
            fs::relative(installed.recordFolder, gameFolder()).string() + '/' + recordFileName();
        auto expected = digests(gameFolder()); // to lose cars.ar and have its record rewritten
        const std::string reason = "city.ar: the backup of the original is " + state;
        Uninstallation uninstallation(gameFolder(), "My Pack");
        EXPECT_EQ(described(uninstallation.check()), reason);
        const UninstallResult result = uninstallation.run();
        EXPECT_EQ(described(result.left), reason);
        EXPECT_EQ(result.removed, Names{"cars.ar"});
        EXPECT_TRUE(holds(inGame("city.ar"), cityBytes));
        EXPECT_TRUE(holds(outside, "the original city"));
        auto now = digests(gameFolder());
        expected.erase("cars.ar");
        EXPECT_NE(now[record], expected[record]);
        now.erase(record);
        expected.erase(record);
        // The summary alone lists what is left; the journal it was made from is gone.
        const std::string journal =
            fs::relative(installed.recordFolder, gameFolder()).string() + '/' + journalFileName();
        EXPECT_EQ(expected.erase(journal), 1u);
        EXPECT_EQ(now, expected);

        // The original put back by hand: the rest goes.
        writeFile(inGame("city.ar"), "the original city");
        EXPECT_TRUE(uninstall("My Pack").ok);
        EXPECT_EQ(digests(gameFolder()), before);
    }
}

TEST_F(UninstallationTest, APackageInstalledTwiceIsUndoneNewestFirst)
{
    install(typical());
    // A newer version over the first: its originals are the first version's files.
    install(writePackage("My Pack", {{"city.ar", archiveBytes("N2", 9000)}, {"cars.ar", carsBytes}}));
    Uninstallation uninstallation(gameFolder(), "My Pack");
    ASSERT_EQ(uninstallation.installations().size(), 2u);
    EXPECT_EQ(described(uninstallation.check()), ""); // judged as the files are once the newer run is undone
    const UninstallResult result = uninstallation.run();
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.restored, Names{"city.ar"}); // each name once, for what became of it in the end
    EXPECT_EQ(result.removed, Names{"cars.ar"});
    EXPECT_EQ(digests(gameFolder()), before);
}

TEST_F(UninstallationTest, HostileRecordsTouchNothingOutsideTheGameFolder)
{
    // The package's own evil.ar is in the game folder; the record would have an original put back
    // from, and its backup removed, outside the game folder: through a name or a link.
    const std::string packageBytes = "the package's bytes";
    const std::string area = gameFolder() + "/Quernel Backup";
    const std::string run = area + "/Evil 2026-12-07 10-00-00";
    auto recordInGame = [&](const std::string &name, const std::string &backupName) {
        InstallRecord record{run, "Evil", "2026-12-07 10:00:00", true, {}};
        record.files.push_back(
            {name, packageBytes.size(), sha256Hex(packageBytes), true, backupName, 8, sha256Hex("precious")});
        fs::create_directories(run);
        writeFile(run + "/evil.ar", "precious");
        writeFile(record.path(), recordToBytes(record));
    };
    auto moveOut = [&](const std::string &folder) {
        fs::rename(folder, at("outside/elsewhere"));
        fs::create_symlink(at("outside/elsewhere"), folder);
    };
    const std::string badFolder = "evil.ar: the backup folder of its installation is a link or not a folder";
    const std::vector<std::tuple<const char *, std::function<void()>, std::function<void()>, std::string>>
        cases{
            // what, before reading, after reading, what is left ("": the record is not taken at all)
            {"name", [&] { recordInGame("../outside/victim.ar", "evil.ar"); }, {}, ""},
            {"backup name", [&] { recordInGame("evil.ar", "../../../outside/victim.ar"); }, {}, ""},
            {"run's folder a link",
             [&] {
                 recordInGame("evil.ar", "evil.ar");
                 moveOut(run);
             },
             {},
             ""},
            {"backup area a link",
             [&] {
                 recordInGame("evil.ar", "evil.ar");
                 moveOut(area);
             },
             {},
             ""},
            {"run's folder turned into a link", [&] { recordInGame("evil.ar", "evil.ar"); },
             [&] { moveOut(run); }, badFolder},
            {"backup area turned into a link", [&] { recordInGame("evil.ar", "evil.ar"); },
             [&] { moveOut(area); }, badFolder},
            {"backup a link",
             [&] {
                 recordInGame("evil.ar", "evil.ar");
                 fs::remove(run + "/evil.ar");
                 fs::create_symlink(at("outside/victim.ar"), run + "/evil.ar");
             },
             {},
             "evil.ar: the backup of the original is damaged"},
        };
    for (const auto &[what, make, afterReading, left] : cases) {
        SCOPED_TRACE(what);
        fs::remove_all(area);
        fs::remove_all(at("outside"));
        writeFile(at("outside/victim.ar"), "precious");
        writeFile(inGame("evil.ar"), packageBytes);
        make();
        Uninstallation uninstallation(gameFolder(), "Evil");
        EXPECT_EQ(uninstallation.installations().size(), left.empty() ? 0u : 1u);
        if (std::string_view(what).ends_with("name"))
            EXPECT_TRUE(contains(uninstallation.preflight(), "Evil is not installed in " + gameFolder() +
                                                                 ". A record that cannot be used: " + run))
                << uninstallation.preflight();
        if (afterReading)
            afterReading();
        const auto everything = digests(root.path());
        EXPECT_EQ(described(uninstallation.check()), left);
        const UninstallResult result = uninstallation.run();
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(described(result.left), left);
        EXPECT_EQ(digests(root.path()), everything);
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
    EXPECT_TRUE(stopped.cancelled && !stopped.ok);
    EXPECT_EQ(stopped.error, "The removal was cancelled.");
    EXPECT_EQ(stopped.restored, Names{"city.ar"});
    EXPECT_TRUE(holds(inGame("cars.ar"), carsBytes));
    const auto records = installationsOf(gameFolder(), "My Pack");
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].files.size(), 1u);
    EXPECT_EQ(records[0].files[0].name, "cars.ar");

    EXPECT_TRUE(uninstall("My Pack").ok);
    EXPECT_EQ(digests(gameFolder()), before);
}

} // namespace
