// setup.exe as a player's machine sees it: a copy of the built program in a package folder,
// started as a process of its own.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <regex>

#include "ChildProcess.h"
#include "InstallRecord.h"
#include "PackageFixture.h"

using namespace installer_test;

namespace {

const std::string BuiltSetup = QUERNEL_PROGRAM_DIR "/Redist/setup"; // the Linux installer

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

std::size_t lines(const std::string &text)
{
    return std::size_t(std::count(text.begin(), text.end(), '\n'));
}

class SetupCommandLine : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeTypicalPackage();
        writeGameFolder();
        fs::create_directories(outputFolder());
        fs::copy_file(BuiltSetup, setup());
    }

    std::string setup() const { return inPackage("setup.exe"); }
    // Outside the tree the tests compare, so that captured output is no change.
    std::string outputFolder() const { return root.path() + "-output"; }
    void TearDown() override { fs::remove_all(outputFolder()); }

    Outcome run(const std::vector<std::string> &arguments, const std::string &program = {},
                const std::vector<std::string> &unset = {})
    {
        // Started from elsewhere, as the wizard does: the package is found beside the program.
        ChildProcess p(program.empty() ? setup() : program, arguments, outputFolder(), unset);
        const int status = p.wait();
        return {status, p.out(), p.err()};
    }

    // Refused with a non-zero status, one line on stderr that holds reasonPart, and the whole
    // temporary tree as it was.
    void expectRefused(const std::vector<std::string> &arguments, const std::string &reasonPart,
                       const std::string &program = {})
    {
        const auto before = listing(root.path());
        const Outcome r = run(arguments, program);
        EXPECT_NE(r.status, 0) << reasonPart;
        EXPECT_TRUE(r.err.starts_with("setup.exe: ")) << r.err;
        EXPECT_TRUE(r.err.ends_with('\n'));
        EXPECT_EQ(lines(r.err), 1u) << r.err;
        EXPECT_TRUE(contains(r.err, reasonPart)) << "wanted \"" << reasonPart << "\" in " << r.err;
        EXPECT_EQ(listing(root.path()), before) << reasonPart;
    }

    std::vector<std::string> backupFolders() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(gameFolder() + "/Quernel Backup"))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

} // namespace

TEST_F(SetupCommandLine, InstallsTheTypicalPackageWithABackupAndTouchesNothingElse)
{
    const auto before = listing(root.path());
    const Outcome r = run({"--target", gameFolder(), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_TRUE(contains(r.out, "Installed 2 file(s) of My Pack")) << r.out;

    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    ASSERT_EQ(backupFolders().size(), 1u);
    const std::string backupName = backupFolders().front();
    EXPECT_TRUE(std::regex_match(backupName, std::regex("My Pack \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d")))
        << backupName;
    const std::string backup = "Game/Quernel Backup/" + backupName;
    EXPECT_TRUE(contains(r.out, at(backup))) << r.out;

    // Everything but the game folder is as it was; the game folder gained exactly this.
    auto expected = before;
    expected["Game/city.ar"] = cityBytes;
    expected["Game/cars.ar"] = carsBytes;
    expected["Game/Quernel Backup"] = "<folder>";
    expected[backup] = "<folder>";
    expected[backup + "/city.ar"] = "the original city";
    expected[backup + "/Quernel Installation.ini"] = readFile(at(backup + "/Quernel Installation.ini"));
    expected[backup + "/Quernel Journal.ini"] = readFile(at(backup + "/Quernel Journal.ini"));
    EXPECT_EQ(listing(root.path()), expected);
    std::string error;
    const auto record = installer::readRecord(at(backup), &error);
    ASSERT_TRUE(record) << error;
    EXPECT_TRUE(record->complete);
    ASSERT_EQ(record->files.size(), 2u);
    EXPECT_EQ(record->files[0].name, "city.ar");
    EXPECT_EQ(record->files[1].name, "cars.ar");
}

TEST_F(SetupCommandLine, WithoutYesExistingFilesStayAndOddFoldersAreRefused)
{
    const Outcome r = run({"--target=" + gameFolder()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Left as they were: city.ar"));
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    // The run's folder holds its record (summary and journal) and no original.
    ASSERT_EQ(backupFolders().size(), 1u);
    EXPECT_EQ(listing(gameFolder() + "/Quernel Backup/" + backupFolders().front()).size(), 2u);
    EXPECT_TRUE(fs::exists(gameFolder() + "/Quernel Backup/" + backupFolders().front() +
                           "/Quernel Installation.ini"));

    fs::create_directories(at("Empty"));
    expectRefused({"--target", at("Empty")}, "does not look like a Midtown Madness 2 installation");
    const Outcome yes = run({"--target", at("Empty"), "--yes"});
    EXPECT_EQ(yes.status, 0);
    EXPECT_EQ(readFile(at("Empty/cars.ar")), carsBytes);
}

TEST_F(SetupCommandLine, RefusesABrokenPackageAndChangesNothing)
{
    const std::string typical = readFile(ini());
    const std::vector<std::string> args{"--target", gameFolder(), "--yes"};
    auto withEntry = [&](const char *section, const char *key, const std::string &value) {
        writeFile(ini(), typical);
        setEntry(ini(), section, key, value);
    };

    withEntry("install.ini", "TotalFiles", "many");
    expectRefused(args, "TotalFiles in install.ini is \"many\", not a number");
    withEntry("install.ini", "TotalFiles", "-2");
    expectRefused(args, "negative");
    withEntry("install.ini", "TotalFiles", " 3");
    expectRefused(args, "has no File3");
    withEntry("Files", "File2", "../cars.ar");
    expectRefused(args, "not a plain file name");
    withEntry("Files", "File2", "..\\..\\cars.ar");
    expectRefused(args, "not a plain file name");
    withEntry("Files", "File1", "sub/city.ar");
    expectRefused(args, "not a plain file name");
    // 255 bytes: a read would give the first 254, another name.
    withEntry("Files", "File2", std::string(252, 'c') + ".ar");
    writeFile(inPackage(std::string(252, 'c') + ".ar"), carsBytes);
    expectRefused(args, "File2 in install.ini is longer than 254 bytes");
    fs::remove(inPackage(std::string(252, 'c') + ".ar"));

    std::string noTotal = typical;
    noTotal.erase(noTotal.find("TotalFiles= 2\r\n"), 15);
    writeFile(ini(), noTotal);
    expectRefused(args, "no TotalFiles entry");

    // A listed file missing, or a link to a file outside the package: found before the first copy.
    writeFile(ini(), typical);
    fs::remove(inPackage("cars.ar"));
    expectRefused(args, "cars.ar is listed in install.ini but missing from the package folder");
    fs::create_symlink("/etc/passwd", inPackage("cars.ar"));
    expectRefused(args, "cars.ar in the package folder is a symbolic link");
    fs::remove(inPackage("cars.ar"));
    writeFile(inPackage("cars.ar"), carsBytes);

    fs::remove(ini());
    expectRefused(args, "There is no install.ini beside the installer");
}

TEST_F(SetupCommandLine, RefusesAGameFolderThatCannotTakeTheFiles)
{
    expectRefused({"--target", at("Nowhere"), "--yes"}, "does not exist");
    expectRefused({"--target", inGame("city.ar"), "--yes"}, "is not a folder");
    expectRefused({"--target", packageFolder(), "--yes"}, "package folder itself");
    // Root may write anywhere but into /proc; everyone else is kept out of a read-only folder.
    expectRefused({"--target", "/proc", "--yes"}, "cannot be written");
    if (::geteuid() != 0) {
        fs::permissions(gameFolder(), fs::perms::owner_read | fs::perms::owner_exec);
        expectRefused({"--target", gameFolder(), "--yes"}, "cannot be written");
        fs::permissions(gameFolder(), fs::perms::owner_all);
    }
}

TEST_F(SetupCommandLine, ArgumentsAndHelp)
{
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(contains(help.out, "--target DIR"));
    EXPECT_TRUE(contains(help.out, "--yes"));
    EXPECT_TRUE(contains(help.out, "--package DIR"));

    for (const std::vector<std::string> &bad : {std::vector<std::string>{"--bogus"},
                                                {"--target"},
                                                {"--yes"},
                                                {"--package"},
                                                {"--package", "", "--target", "x"}}) {
        const auto before = listing(root.path());
        const Outcome r = run(bad);
        EXPECT_EQ(r.status, 2) << bad.front();
        EXPECT_EQ(lines(r.err), 1u) << r.err;
        EXPECT_EQ(listing(root.path()), before);
    }
}

TEST_F(SetupCommandLine, PackageInstallsTheNamedPackageFromAnywhere)
{
    // The wizard's Test Package starts the installer of the program folder on a package folder.
    fs::create_directories(at("bin"));
    fs::copy_file(BuiltSetup, at("bin/setup"));
    const Outcome r = run({"--package", packageFolder(), "--target", gameFolder(), "--yes"}, at("bin/setup"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    expectRefused({"--package", at("bin"), "--target", gameFolder(), "--yes"}, "There is no install.ini",
                  at("bin/setup"));
}

TEST_F(SetupCommandLine, WithoutArgumentsOrDisplayItSaysSoInOneLine)
{
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{}, {"--package", packageFolder()}}) {
        const Outcome r = run(args, {}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(lines(r.err), 1u) << r.err;
        EXPECT_TRUE(contains(r.err, "no display")) << r.err;
    }
}
