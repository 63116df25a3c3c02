// setup.exe for Windows as a player's machine runs it: a copy of the built program in a package
// folder written the way the wizard writes it, started under Wine. Where it refuses, the Linux
// installer gets the same package and must give the same exit status.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "FolderDigests.h"
#include "InstallRecord.h"
#include "PackageFixture.h"
#include "PackageZip.h"
#include "ProgramsList.h"
#include "Sha256.h"
#include "WineProcess.h"

using namespace installer_test;
using namespace wine_test;

namespace {

const std::string BuiltWindowsSetup = QUERNEL_PROGRAM_DIR "/Redist/setup.exe";
const std::string BuiltWindowsWizard = QUERNEL_WINDOWS_PROGRAM_DIR "/arVemko.exe";
const std::string BuiltLinuxSetup = QUERNEL_PROGRAM_DIR "/Redist/setup";

enum class PathForm
{
    Windows, // "Z:\tmp\...\Game", as a player types or picks it
    Unix,    // "/tmp/.../Game", as a player of Wine or Proton may paste it
};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

int lineCount(const std::string &text)
{
    return int(std::count(text.begin(), text.end(), '\n'));
}

class WindowsSetup : public PackageFixture
{
protected:
    void SetUp() override
    {
        useTestPrefix();
        writeTypicalPackage();
        writeGameFolder();
        fs::copy_file(BuiltWindowsSetup, inPackage("setup.exe"));
    }
    void TearDown() override { fs::remove_all(outputFolder()); }

    // Outside the tree the tests compare, so that captured output is no change.
    std::string outputFolder() const { return root.path() + "-output"; }

    std::string windows(const std::string &path) const { return windowsPath(path, outputFolder()); }
    std::string inForm(const std::string &path, PathForm form) const
    {
        return form == PathForm::Windows ? windows(path) : path;
    }

    // The package's setup.exe, started from elsewhere as Explorer or a script would.
    Outcome runSetup(const std::vector<std::string> &arguments)
    {
        return runWine(std::vector<std::string>{inPackage("setup.exe")} + arguments, outputFolder(), "/tmp");
    }

    Outcome runLinuxSetup(const std::vector<std::string> &arguments)
    {
        return run(BuiltLinuxSetup, std::vector<std::string>{"--package", packageFolder()} + arguments,
                   outputFolder(), "/tmp");
    }

    // Both installers refuse with the same status and one line on stderr, and the whole
    // temporary tree stays as it was. The target is given to each in its own form.
    void expectRefusedLikeLinux(const std::string &what, const std::vector<std::string> &arguments,
                                int status, const std::string &target = {}, bool yes = true)
    {
        std::vector<std::string> windowsArguments = arguments;
        std::vector<std::string> linuxArguments = arguments;
        if (!target.empty()) {
            windowsArguments = windowsArguments + std::vector<std::string>{"--target", windows(target)};
            linuxArguments = linuxArguments + std::vector<std::string>{"--target", target};
        }
        if (yes) {
            windowsArguments.push_back("--yes");
            linuxArguments.push_back("--yes");
        }
        const auto before = listing(root.path());
        const Outcome onWindows = runSetup(windowsArguments);
        EXPECT_EQ(listing(root.path()), before) << what << ": changed by setup.exe";
        const Outcome onLinux = runLinuxSetup(linuxArguments);
        EXPECT_EQ(listing(root.path()), before) << what << ": changed by the Linux installer";

        EXPECT_EQ(onWindows.status, status) << what << ": " << onWindows.err;
        EXPECT_EQ(onLinux.status, status) << what << ": " << onLinux.err;
        EXPECT_EQ(onWindows.err.rfind("setup.exe: ", 0), 0u) << what << ": " << onWindows.err;
        EXPECT_EQ(lineCount(onWindows.err), 1) << what << ": " << onWindows.err;
        EXPECT_TRUE(onWindows.err.ends_with('\n')) << what;
    }

    void withEntry(const std::string &typicalIni, const std::string &section, const std::string &key,
                   const std::string &value)
    {
        writeFile(ini(), typicalIni);
        setEntry(ini(), section, key, value);
    }

    std::vector<std::string> backupFolders(const std::string &game) const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto &entry : fs::directory_iterator(game + "/Quernel Backup", ec))
            names.push_back(entry.path().filename().string());
        return names;
    }
};

class WindowsSetupPaths : public WindowsSetup, public ::testing::WithParamInterface<PathForm>
{
};

} // namespace

TEST_P(WindowsSetupPaths, InstallsTheTypicalPackageByteForByteWithABackup)
{
    const auto before = listing(root.path());
    const Outcome r = runSetup({"--target", inForm(gameFolder(), GetParam()), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(contains(r.out, "Installed 2 file(s) of My Pack")) << r.out;

    ASSERT_EQ(backupFolders(gameFolder()).size(), 1u);
    const std::string backupName = backupFolders(gameFolder()).front();
    EXPECT_TRUE(std::regex_match(backupName, std::regex("My Pack \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d")))
        << backupName;
    // Either form is read as the same Windows path.
    EXPECT_TRUE(contains(r.out, "Replaced files are kept in: " + windows(gameFolder()))) << r.out;

    // Everything but the game folder is as it was; the game folder gained exactly this.
    const std::string backup = "Game/Quernel Backup/" + backupName;
    auto expected = before;
    expected["Game/city.ar"] = cityBytes;
    expected["Game/cars.ar"] = carsBytes;
    expected["Game/Quernel Backup"] = "<folder>";
    expected[backup] = "<folder>";
    expected[backup + "/city.ar"] = "the original city";
    expected[backup + "/Quernel Installation.ini"] = readFile(at(backup + "/Quernel Installation.ini"));
    expected[backup + "/Quernel Journal.ini"] = readFile(at(backup + "/Quernel Journal.ini"));
    // The installer itself, for the removal that Windows' list of installed programs starts.
    expected[backup + "/Quernel Uninstall.exe"] = readFile(inPackage("setup.exe"));
    EXPECT_EQ(listing(root.path()), expected);

    // The record holds the digests of what the Windows program wrote and kept.
    std::string error;
    const auto record = installer::readRecord(at(backup), &error);
    ASSERT_TRUE(record) << error;
    EXPECT_TRUE(record->complete);
    ASSERT_EQ(record->files.size(), 2u);
    EXPECT_EQ(record->files[0].sha256, installer::sha256Hex(cityBytes));
    EXPECT_EQ(record->files[0].originalSha256, installer::sha256Hex("the original city"));
    EXPECT_EQ(record->files[1].sha256, installer::sha256Hex(carsBytes));
    EXPECT_FALSE(record->files[1].replacedOriginal);
}

INSTANTIATE_TEST_SUITE_P(GameFolderAs, WindowsSetupPaths,
                         ::testing::Values(PathForm::Windows, PathForm::Unix),
                         [](const ::testing::TestParamInfo<PathForm> &info) {
                             return info.param == PathForm::Windows ? "WindowsPath" : "UnixPath";
                         });

TEST_F(WindowsSetup, WithoutYesExistingFilesStay)
{
    const Outcome r = runSetup({"--target", windows(gameFolder())});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Left as they were: city.ar")) << r.out;
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    // The run's folder holds its record (the summary and the journal of files) and no original.
    ASSERT_EQ(backupFolders(gameFolder()).size(), 1u);
    const std::string backup = gameFolder() + "/Quernel Backup/" + backupFolders(gameFolder()).front();
    std::set<std::string> kept;
    for (const auto &[name, bytes] : listing(backup))
        kept.insert(name);
    EXPECT_EQ(kept, (std::set<std::string>{"Quernel Installation.ini", "Quernel Journal.ini",
                                           "Quernel Uninstall.exe"}));
}

namespace {

const std::string UninstallKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The values of one key as "wine reg query" prints them: name -> "REG_SZ value"; nothing when
// the key does not exist.
std::optional<std::map<std::string, std::string>> registryValues(const std::string &key,
                                                                 const std::string &outputFolder)
{
    const Outcome r = runWine({"reg", "query", key}, outputFolder, "/tmp");
    if (r.status != 0)
        return std::nullopt;
    std::map<std::string, std::string> values;
    const std::regex line("^    (\\S+)    (REG_\\w+)    (.*)$");
    std::istringstream lines(r.out);
    for (std::string text; std::getline(lines, text);) {
        std::smatch match;
        if (std::regex_match(text, match, line))
            values[match[1]] = match[2].str() + " " + match[3].str();
    }
    return values;
}

} // namespace

// An installation is listed where Windows lists programs to remove, for the current user; its
// uninstall command, run as Windows runs it (a command line of its own, here through a batch
// file), removes the package with the copy of the installer kept beside the record, and the entry
// goes with the last file. A removal that leaves a file keeps the entry.
TEST_F(WindowsSetup, AnInstallationIsListedForRemovalUntilItIsRemovedCompletely)
{
    const auto before = digests(gameFolder());
    const std::string game = windows(gameFolder());
    const std::string key = UninstallKey + installer::programsListKey("My Pack", game);
    ASSERT_EQ(runSetup({"--target", game, "--yes"}).status, 0);

    const auto values = registryValues(key, outputFolder());
    ASSERT_TRUE(values) << "no entry " << key;
    const std::string backup = gameFolder() + "/Quernel Backup/" + backupFolders(gameFolder()).front();
    const std::string kept = windows(backup + "/Quernel Uninstall.exe");
    const std::string uninstall = "\"" + kept + "\" --uninstall \"My Pack\" --target \"" + game + "\"";
    EXPECT_EQ(*values, (std::map<std::string, std::string>{
                           {"DisplayName", "REG_SZ My Pack (Midtown Madness 2 add-on)"},
                           {"Publisher", "REG_SZ Jo Author"},
                           {"InstallLocation", "REG_SZ " + game},
                           {"DisplayIcon", "REG_SZ " + kept},
                           {"UninstallString", "REG_SZ " + uninstall},
                           {"EstimatedSize", "REG_DWORD 0x46"}, // 70000 + 1234 bytes: 70 KiB, rounded up
                           {"NoModify", "REG_DWORD 0x1"},
                           {"NoRepair", "REG_DWORD 0x1"},
                       }));
    EXPECT_EQ(readFile(backup + "/Quernel Uninstall.exe"), readFile(inPackage("setup.exe")));

    // A removal that leaves the file the player changed keeps the entry.
    writeFile(inGame("cars.ar"), "changed by the player");
    ASSERT_EQ(runSetup({"--uninstall", "--target", game, "--yes"}).status, 1);
    EXPECT_TRUE(registryValues(key, outputFolder()));
    writeFile(inGame("cars.ar"), carsBytes);
    ASSERT_EQ(runSetup({"--target", game, "--yes"}).status, 0);

    // The uninstall command as written. The kept copy hands the removal to a copy of itself in
    // the temporary folder and ends at once, so the test waits for the outcome.
    const std::string batch = outputFolder() + "/remove.bat";
    writeFile(batch, registryValues(key, outputFolder())->at("UninstallString").substr(7) + "\r\n");
    ASSERT_EQ(runWine({"cmd", "/c", windows(batch)}, outputFolder(), "/tmp").status, 0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end && registryValues(key, outputFolder()))
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(registryValues(key, outputFolder())) << "the entry stayed";
    EXPECT_EQ(digests(gameFolder()), before);
}

TEST_F(WindowsSetup, RefusesWhatTheLinuxInstallerRefusesWithTheSameStatusAndNothingChanged)
{
    const std::string typical = readFile(ini());

    expectRefusedLikeLinux("unknown argument", {"--bogus"}, 2, {}, false);
    expectRefusedLikeLinux("--target without a folder", {"--target"}, 2, {}, false);
    expectRefusedLikeLinux("--yes without --target", {"--yes"}, 2, {}, false);

    expectRefusedLikeLinux("a game folder that does not exist", {}, 1, at("Nowhere"));
    expectRefusedLikeLinux("a file as the game folder", {}, 1, inGame("city.ar"));
    expectRefusedLikeLinux("the package folder as the game folder", {}, 1, packageFolder());
    fs::create_directories(at("Empty"));
    expectRefusedLikeLinux("no game in the folder, without --yes", {}, 1, at("Empty"), false);

    withEntry(typical, "install.ini", "TotalFiles", "many");
    expectRefusedLikeLinux("TotalFiles not a number", {}, 1, gameFolder());
    withEntry(typical, "install.ini", "TotalFiles", " 3");
    expectRefusedLikeLinux("a File entry missing", {}, 1, gameFolder());
    for (const char *name : {"../cars.ar", "..\\cars.ar", "sub/city.ar", "C:cars.ar", "C:\\windows\\win.ini",
                             "Z:\\etc\\passwd", "/etc/passwd", "\\\\server\\share\\cars.ar", ".."}) {
        withEntry(typical, "Files", "File2", name);
        expectRefusedLikeLinux(name, {}, 1, gameFolder());
    }
    const std::string longName = std::string(252, 'n') + ".ar";
    writeFile(inPackage(longName), carsBytes);
    withEntry(typical, "Files", "File2", longName);
    expectRefusedLikeLinux("a 255-byte name that a read of install.ini cuts", {}, 1, gameFolder());
    fs::remove(inPackage(longName));

    writeFile(ini(), typical);
    writeFile(at("outside.ar"), "not part of the package");
    fs::remove(inPackage("cars.ar"));
    fs::create_symlink(at("outside.ar"), inPackage("cars.ar"));
    expectRefusedLikeLinux("a package file that is a link out of the package", {}, 1, gameFolder());
    fs::remove(inPackage("cars.ar"));
    expectRefusedLikeLinux("a listed file missing", {}, 1, gameFolder());
    writeFile(inPackage("cars.ar"), carsBytes);

    fs::remove(ini());
    expectRefusedLikeLinux("no install.ini", {}, 1, gameFolder());
}

TEST_F(WindowsSetup, BackupsNeverLeaveTheGameFolder)
{
    // "Quernel Backup" a link to a folder outside the game folder: Wine follows it silently.
    fs::create_directories(at("Elsewhere"));
    fs::create_directory_symlink(at("Elsewhere"), gameFolder() + "/Quernel Backup");
    const Outcome r = runSetup({"--target", windows(gameFolder()), "--yes"});
    EXPECT_TRUE(fs::is_empty(at("Elsewhere"))) << r.out << r.err;
    ASSERT_EQ(r.status, 0) << r.err;
    // The original is kept in a backup folder of another name inside the game folder.
    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    bool kept = false;
    for (const auto &[path, bytes] : listing(gameFolder()))
        kept = kept || (path != "city.ar" && bytes == "the original city");
    EXPECT_TRUE(kept) << r.out;
}

TEST_F(WindowsSetup, NamesInSeveralScriptsInstall)
{
    const std::string package = at("Paquet é ß 日本");
    const std::string game = at("Jeu é ß 日本");
    const std::vector<std::string> names{"é.ar", "straße.ar", "日本語.ar"};
    const std::string packageIni = package + "/install.ini";
    fs::create_directories(package);
    setEntry(packageIni, "install.ini", "Name", "Paquet é ß 日本");
    setEntry(packageIni, "install.ini", "mmType", "2");
    setEntry(packageIni, "install.ini", "Timer", "0");
    for (std::size_t i = 0; i < names.size(); ++i) {
        setEntry(packageIni, "Files", "File" + std::to_string(i + 1), names[i]);
        writeFile(package + "/" + names[i], archiveBytes(names[i].c_str(), 3000 + int(i)));
    }
    setEntry(packageIni, "install.ini", "TotalFiles", " 3");
    writeFile(game + "/midtown2.exe", "MZ game");
    fs::copy_file(BuiltWindowsSetup, package + "/setup.exe");

    const Outcome r =
        runWine({package + "/setup.exe", "--target", windows(game), "--yes"}, outputFolder(), "/tmp");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Installed 3 file(s) of Paquet é ß 日本")) << r.out;
    std::set<std::string> installed;
    for (const auto &entry : fs::directory_iterator(game))
        installed.insert(entry.path().filename().string());
    EXPECT_EQ(installed,
              (std::set<std::string>{"Quernel Backup", "midtown2.exe", "é.ar", "straße.ar", "日本語.ar"}));
    const auto records = installer::recordedInstallations(game);
    ASSERT_EQ(records.size(), 1u);
    std::vector<std::string> recorded;
    for (const installer::RecordedFile &file : records.front().files)
        recorded.push_back(file.name);
    EXPECT_EQ(recorded, names);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(readFile(game + "/" + names[i]), archiveBytes(names[i].c_str(), 3000 + int(i))) << names[i];
}

TEST_F(WindowsSetup, LinesReachAConsoleInUtf8)
{
    // On a terminal Wine gives the program a console: the text goes through WriteConsoleW. A wide
    // terminal, so that the console does not wrap the line.
    writeFile(ini(),
              std::regex_replace(readFile(ini()), std::regex("Name=My Pack"), "Name=Mon paquet é ß 日本"));
    const std::string command =
        "stty cols 1000; wine '" + inPackage("setup.exe") + "' --target '" + gameFolder() + "' --yes";
    const Outcome r = run("script", {"-qec", command, "/dev/null"}, outputFolder(), "/tmp");
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string text = std::regex_replace(r.out, std::regex("\x1b\\[[0-9;?]*[A-Za-z]"), "");
    EXPECT_TRUE(contains(text, "Installed 2 file(s) of Mon paquet é ß 日本 into ")) << text;
}

TEST_F(WindowsSetup, TheExitStatusReachesABatchFile)
{
    writeFile(inPackage("install.bat"), "@echo off\r\n"
                                        "\"%~dp0setup.exe\" %*\r\n"
                                        "echo setup.exe returned %ERRORLEVEL%\r\n"
                                        "exit /b %ERRORLEVEL%\r\n");
    const std::string batch = windows(inPackage("install.bat"));
    const Outcome bad = runWine({"cmd", "/c", batch, "--bogus"}, outputFolder(), "/tmp");
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(contains(bad.out, "setup.exe returned 2")) << bad.out << bad.err;

    const Outcome good =
        runWine({"cmd", "/c", batch, "--target", windows(gameFolder()), "--yes"}, outputFolder(), "/tmp");
    EXPECT_EQ(good.status, 0);
    EXPECT_TRUE(contains(good.out, "setup.exe returned 0")) << good.out << good.err;
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
}

TEST_F(WindowsSetup, HelpIsTheLinuxInstallersHelp)
{
    const Outcome onWindows = runSetup({"--help"});
    const Outcome onLinux = runLinuxSetup({"--help"});
    EXPECT_EQ(onWindows.status, 0);
    EXPECT_TRUE(contains(onWindows.out, "--target DIR")) << onWindows.out;
    EXPECT_EQ(onWindows.out, onLinux.out);
}

// Both Windows programs: a window program that imports only what every Windows has, carries its
// manifest (own rights, common controls 6, sharp on every monitor) and stays small.
TEST_F(WindowsSetup, ProgramsImportOnlySystemLibrariesAndCarryTheirManifest)
{
    struct Program
    {
        std::string path;
        std::string required; // a system library it must use rather than code of its own
    };
    // The digests of the install record come from the system's CNG; the wizard's windows from
    // the common controls.
    const Program programs[] = {{BuiltWindowsSetup, "bcrypt.dll"}, {BuiltWindowsWizard, "comctl32.dll"}};
    const std::set<std::string> system{"kernel32.dll", "user32.dll",   "gdi32.dll",   "comctl32.dll",
                                       "comdlg32.dll", "shell32.dll",  "shlwapi.dll", "ole32.dll",
                                       "oleaut32.dll", "advapi32.dll", "uxtheme.dll", "msvcrt.dll",
                                       "version.dll",  "bcrypt.dll"}; // CNG: in every Windows since Vista
    for (const Program &p : programs) {
        SCOPED_TRACE(p.path);
        const Outcome dump = run("x86_64-w64-mingw32-objdump", {"-p", p.path}, outputFolder(), "/tmp");
        ASSERT_EQ(dump.status, 0) << dump.err;
        EXPECT_TRUE(contains(dump.out, "Subsystem\t\t00000002\t(Windows GUI)")) << "a window program";

        std::vector<std::string> imported;
        const std::regex dllName("DLL Name: (\\S+)");
        for (auto it = std::sregex_iterator(dump.out.begin(), dump.out.end(), dllName);
             it != std::sregex_iterator(); ++it) {
            std::string name = (*it)[1];
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            imported.push_back(name);
        }
        ASSERT_FALSE(imported.empty()) << dump.out;
        for (const std::string &dll : imported)
            EXPECT_TRUE(system.count(dll) || dll.rfind("api-ms-win-crt-", 0) == 0) << dll;
        EXPECT_NE(std::find(imported.begin(), imported.end(), p.required), imported.end());

        const std::string program = readFile(p.path);
        EXPECT_TRUE(contains(program, "<requestedExecutionLevel level=\"asInvoker\""));
        EXPECT_TRUE(contains(program, "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
        EXPECT_TRUE(contains(program, ">PerMonitorV2, PerMonitor</dpiAwareness>"));
        EXPECT_LT(program.size(), 3u << 20) << "under 3 MB";
    }
    // The version information names the product as its windows do.
    const std::string wizard = readFile(BuiltWindowsWizard);
    std::string product;
    for (const char c : std::string("Quernel 2.0"))
        product += {c, '\0'}; // UTF-16 in the resource
    EXPECT_TRUE(contains(wizard, product)) << "ProductName \"Quernel 2.0\" in the version resource";
}

// Installed, listed and removed again, the game folder is byte for byte as it was, with the game
// folder given in either path form.
TEST_F(WindowsSetup, InstallThenRemoveLeavesTheGameFolderAsItWas)
{
    const auto before = digests(gameFolder());
    const std::string windowsGame = windows(gameFolder());

    // By the package beside setup.exe, the game folder as a Windows path.
    Outcome r = runSetup({"--target", windowsGame, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Outcome list = runSetup({"--list", "--target", windowsGame});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(
        std::regex_match(list.out, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  My Pack  \(2 files\)\n)")))
        << list.out;
    r = runSetup({"--uninstall", "--target", windowsGame});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(contains(r.out, "Removed 2 file(s) of My Pack from ")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nPut back: city.ar\n")) << r.out;
    EXPECT_EQ(digests(gameFolder()), before);

    // By name, the game folder as the Unix path a player of Wine may paste.
    r = runSetup({"--target", gameFolder(), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    writeFile(inGame("cars.ar"), "edited");
    r = runSetup({"--uninstall=My Pack", "--target", gameFolder()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "setup.exe: 1 file(s) would be left as they are (cars.ar: changed since it was installed); "
              "use --yes to remove the rest.\n");
    writeFile(inGame("cars.ar"), carsBytes);
    r = runSetup({"--uninstall=My Pack", "--target", gameFolder(), "--yes"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(digests(gameFolder()), before);
}

TEST_F(WindowsSetup, RemovesByNameWithoutThePackage)
{
    const auto before = listing(gameFolder());
    ASSERT_EQ(runSetup({"--target", windows(gameFolder()), "--yes"}).status, 0);
    // The player kept only the program; its folder has no install.ini.
    const std::string lone = at("Kept") + "/setup.exe";
    fs::create_directories(at("Kept"));
    fs::copy_file(BuiltWindowsSetup, lone);
    const auto run = [&](const std::vector<std::string> &arguments) {
        return runWine(std::vector<std::string>{lone} + arguments, outputFolder(), "/tmp");
    };

    const Outcome removed = run({"--uninstall=my pack", "--target", windows(gameFolder()), "--yes"});
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_EQ(listing(gameFolder()), before);

    const Outcome none = run({"--list", "--target", windows(gameFolder())});
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "No package is recorded as installed in " + windows(gameFolder()) + ".\n");
    const Outcome again = run({"--uninstall", "My Pack", "--target", windows(gameFolder())});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(contains(again.err, "is not installed in")) << again.err;
    EXPECT_EQ(lineCount(again.err), 1) << again.err;
    EXPECT_EQ(listing(gameFolder()), before);
}

// A game folder deeper than Windows' classic path limit: installed, listed and removed again, it
// is byte for byte as it was.
TEST_F(WindowsSetup, AGameFolderOfAnyLengthInstallsListsAndIsRemoved)
{
    std::string deep = at("Deep");
    while (deep.size() < 320)
        deep += "/" + std::string(60, 'f');
    fs::create_directories(deep);
    const std::string game = deep + "/Game";
    fs::rename(gameFolder(), game);
    // winepath cuts a path at 260 characters: the drive Wine maps to / is prefixed by hand.
    std::string windowsGame = "Z:" + game;
    std::replace(windowsGame.begin(), windowsGame.end(), '/', '\\');
    ASSERT_EQ(windowsGame.rfind(windows(root.path()), 0), 0u) << "Wine maps / to Z:";
    ASSERT_GE(windowsGame.size(), 300u);
    const auto before = digests(game);

    const Outcome installed = runSetup({"--target", windowsGame, "--yes"});
    ASSERT_EQ(installed.status, 0) << installed.err;
    EXPECT_EQ(readFile(game + "/city.ar"), cityBytes);
    const Outcome list = runSetup({"--list", "--target", windowsGame});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(contains(list.out, "  My Pack  (2 files)\n")) << list.out;
    const Outcome removed = runSetup({"--uninstall", "--target", windowsGame, "--yes"});
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_EQ(removed.err, "");
    EXPECT_EQ(digests(game), before);
}

// A record whose backup name leads out of the game folder is refused at once, never followed.
TEST_F(WindowsSetup, ARecordNamingABackupOutsideIsRefusedInBoundedTime)
{
    const std::string windowsGame = windows(gameFolder());
    ASSERT_EQ(runSetup({"--target", windowsGame, "--yes"}).status, 0);
    ASSERT_EQ(backupFolders(gameFolder()).size(), 1u);
    // The files and their backups are named in the journal of the run.
    const std::string record =
        gameFolder() + "/Quernel Backup/" + backupFolders(gameFolder()).front() + "/Quernel Journal.ini";
    const std::string bytes = readFile(record);
    const std::string hostile =
        std::regex_replace(bytes, std::regex("Backup=[^\r\n]*"), "Backup=../../outside/victim.ar");
    ASSERT_NE(hostile, bytes) << "the record names a backup";
    writeFile(record, hostile);
    writeFile(at("outside/victim.ar"), "not the game's");
    const auto before = listing(root.path());

    for (const std::vector<std::string> &arguments :
         {std::vector<std::string>{"--list", "--target", windowsGame},
          std::vector<std::string>{"--uninstall", "--target", windowsGame, "--yes"}}) {
        const std::optional<Outcome> r =
            runWineWithin(std::vector<std::string>{inPackage("setup.exe")} + arguments, outputFolder(),
                          "/tmp", std::chrono::seconds(60));
        ASSERT_TRUE(r.has_value()) << arguments.front() << " did not end within a minute";
        EXPECT_TRUE(contains(r->out + r->err, "Backup \"../../outside/victim.ar\" is not a plain file name"))
            << arguments.front() << ": " << r->out << r->err;
        EXPECT_EQ(listing(root.path()), before) << arguments.front();
    }
}

TEST_F(WindowsSetup, RefusesANameWindowsReservesForADeviceLikeLinux)
{
    const std::string typical = readFile(ini());
    for (const char *name : {"CON.ar", "nul", "Lpt1.ar."}) {
        writeFile(inPackage(name), carsBytes);
        withEntry(typical, "Files", "File2", name);
        expectRefusedLikeLinux(name, {}, 1, gameFolder());
        const Outcome r = runSetup({"--target", windows(gameFolder()), "--yes"});
        EXPECT_EQ(r.err, std::string("setup.exe: ") + name + ": Windows reserves this name for a device.\n");
        fs::remove(inPackage(name));
    }
}

namespace {

// A package of many small files, every third replacing an original of the game folder: a run
// long enough under Wine for a kill or a second setup to land in the middle of it.
class WindowsSetupManyFiles : public WindowsSetup
{
protected:
    static constexpr int FileCount = 120;

    void SetUp() override
    {
        WindowsSetup::SetUp();
        fs::remove(ini());
        setEntry(ini(), "install.ini", "Name", "Many Files");
        setEntry(ini(), "install.ini", "mmType", "2");
        for (int i = 1; i <= FileCount; ++i) {
            const std::string name = "part" + std::to_string(i) + ".ar";
            const std::string tag{char('A' + i % 26), char('a' + i / 26)};
            setEntry(ini(), "Files", "File" + std::to_string(i), name);
            writeFile(inPackage(name), archiveBytes(tag.c_str(), 3000 + 37 * i));
            packageBytes[name] = readFile(inPackage(name));
            if (i % 3 == 0) {
                writeFile(inGame(name), archiveBytes(tag.c_str(), 2000 + 11 * i));
                originals[name] = readFile(inGame(name));
            }
        }
        setEntry(ini(), "install.ini", "TotalFiles", std::to_string(FileCount));
        game = windows(gameFolder());
        install = {inPackage("setup.exe"), "--target", game, "--yes"};
        uninstall = {inPackage("setup.exe"), "--uninstall", "--target", game, "--yes"};
    }

    // The game folder without the installer's backup area.
    std::map<std::string, std::string> gameFiles() const
    {
        auto files = digests(gameFolder());
        std::erase_if(files, [](const auto &entry) { return entry.first.starts_with("Quernel Backup"); });
        return files;
    }

    // True once a run's folder is in the backup area and at least `newFiles` of the package's files
    // that the game folder did not have are in place; false when the process ended first. Waiting
    // on progress rather than on a time keeps the kills spread over the run on a slow machine too.
    bool waitForProgress(ChildProcess &process, int newFiles) const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < end && !process.waitFor(std::chrono::milliseconds(0))) {
            const std::vector<std::string> folders = backupFolders(gameFolder());
            if (std::any_of(folders.begin(), folders.end(),
                            [](const std::string &name) { return name.starts_with("Many Files "); }) &&
                std::count_if(packageBytes.begin(), packageBytes.end(), [&](const auto &entry) {
                    return !originals.contains(entry.first) && fs::exists(inGame(entry.first));
                }) >= newFiles)
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return false;
    }

    std::string game;
    std::vector<std::string> install;
    std::vector<std::string> uninstall;
    std::map<std::string, std::string> packageBytes;
    std::map<std::string, std::string> originals;
};

} // namespace

// setup.exe killed with SIGKILL at moments spread over an installation, as a power cut or the task
// manager ends it: nothing of the program runs after the signal, no handler and no cleanup. The
// signal goes to the process that runs setup.exe alone (not "wineserver -k", which would end the
// prefix's server and services too, nor the process group, which is the test's own). Each kill is
// followed by a removal that leaves the game folder byte for byte as it was.
TEST_F(WindowsSetupManyFiles, AnInstallationKilledAtAnyMomentIsUndoneByteForByte)
{
    const auto before = digests(gameFolder());
    ASSERT_EQ(runWine(install, outputFolder(), "/tmp").status, 0);
    ASSERT_EQ(runWine(uninstall, outputFolder(), "/tmp").status, 0);
    ASSERT_EQ(digests(gameFolder()), before);

    constexpr int Rounds = 10;
    const int newFileCount = int(packageBytes.size() - originals.size());
    std::vector<std::size_t> journalledAtKill;
    for (int round = 0; round < Rounds; ++round) {
        // From the moment the run's folder appears to the last file in place.
        const int newFiles = newFileCount * round / (Rounds - 1);
        SCOPED_TRACE("killed with " + std::to_string(newFiles) + " new files in place");
        int status = 0;
        {
            auto setup = startWine(install, outputFolder(), "/tmp");
            waitForProgress(*setup, newFiles);
            setup->signal(SIGKILL);
            status = setup->wait();
        }
        // The signal reached the program itself: nothing changes afterwards.
        const auto atKill = digests(gameFolder());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_EQ(digests(gameFolder()), atKill) << "setup.exe went on after its process was killed";
        // Every file is whole: the original or the package's, or not there when it had none.
        for (const auto &[name, bytes] : packageBytes) {
            const auto original = originals.find(name);
            const std::string now = fs::exists(inGame(name)) ? readFile(inGame(name)) : std::string();
            if (original != originals.end())
                EXPECT_TRUE(now == original->second || now == bytes) << name << " is cut or missing";
            else
                EXPECT_TRUE(now.empty() || now == bytes) << name << " is cut";
        }
        std::size_t journalled = 0;
        for (const installer::InstallRecord &record : installer::recordedInstallations(gameFolder()))
            journalled += record.files.size();
        journalledAtKill.push_back(status == -SIGKILL ? journalled : std::size_t(FileCount) + 1);

        const Outcome removed = runWine(uninstall, outputFolder(), "/tmp");
        if (journalled > 0 || removed.status != 1)
            EXPECT_EQ(removed.status, 0) << removed.err;
        else
            EXPECT_TRUE(contains(removed.err, "is not installed in")) << removed.err;
        EXPECT_EQ(digests(gameFolder()), before);
    }
    // Spread over the run: some kills landed between the first file and the last.
    const auto halfWay = std::count_if(journalledAtKill.begin(), journalledAtKill.end(),
                                       [](std::size_t n) { return n > 0 && n < FileCount; });
    EXPECT_GE(halfWay, 3);
    std::string spread;
    for (const std::size_t n : journalledAtKill)
        spread += n > std::size_t(FileCount) ? " ended" : " " + std::to_string(n);
    std::cout << "Files recorded when killed:" << spread << " (of " << FileCount << ")\n";
}

// A removal and an installation started together, again and again: one waits for the other or
// refuses at once with the busy line; the game folder ends installed or removed, never a mix, and
// no original is lost.
TEST_F(WindowsSetupManyFiles, AnInstallationAndARemovalAtTheSameTimeLeaveOneWholeState)
{
    const auto first = digests(gameFolder());
    ASSERT_EQ(runWine(install, outputFolder(), "/tmp").status, 0);
    const auto installedFiles = gameFiles();
    const std::string busyLine = "setup.exe: Another setup is working on the game folder " + game +
                                 "; try again when it has finished.\n";

    std::map<std::string, int> outcomes;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        int removal = -1;
        int installation = -1;
        {
            auto removing = startWine(uninstall, outputFolder(), "/tmp");
            auto installing = startWine(install, outputFolder(), "/tmp");
            removal = removing->wait();
            installation = installing->wait();
            EXPECT_TRUE(removal == 0 || (removal == 2 && removing->err() == busyLine)) << removing->err();
            EXPECT_TRUE(installation == 0 || (installation == 2 && installing->err() == busyLine))
                << installing->err();
        }
        const bool removed = digests(gameFolder()) == first;
        const bool installed =
            gameFiles() == installedFiles && !installer::recordedInstallations(gameFolder()).empty();
        EXPECT_TRUE(removed || installed) << "a mix of installed and removed";
        // Each original is in its place or in a backup.
        std::set<std::string> present;
        for (const auto &[path, content] : digests(gameFolder()))
            present.insert(content);
        for (const auto &[name, bytes] : originals)
            EXPECT_TRUE(
                present.count(std::to_string(bytes.size()) + " bytes, " + installer::sha256Hex(bytes)))
                << name << ": the original is lost";
        outcomes["removal " + std::to_string(removal) + ", installation " + std::to_string(installation) +
                 (removed ? ": removed" : ": installed")]++;
        if (removed)
            ASSERT_EQ(runWine(install, outputFolder(), "/tmp").status, 0);
    }
    for (const auto &[outcome, count] : outcomes)
        std::cout << outcome << ": " << count << " round(s)\n";

    const Outcome last = runWine(uninstall, outputFolder(), "/tmp");
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(digests(gameFolder()), first);
}

// Removal goes by the order in which installations were made, not by their dates: version 2 of a
// package installed over version 1 and then dated a year before it (a clock set back, a record
// copied from elsewhere) is still undone first.
TEST_F(WindowsSetup, RemovalUndoesTheNewestInstallationFirstWhateverItsDate)
{
    const std::string game = windows(gameFolder());
    const auto first = digests(gameFolder());
    const Outcome versionOne = runSetup({"--target", game, "--yes"});
    ASSERT_EQ(versionOne.status, 0) << versionOne.err;
    writeFile(inPackage("city.ar"), archiveBytes("v2", 71000));
    writeFile(inPackage("cars.ar"), archiveBytes("w2", 1300));
    const Outcome versionTwo = runSetup({"--target", game, "--yes"});
    ASSERT_EQ(versionTwo.status, 0) << versionTwo.err;

    const auto records = installer::recordedInstallations(gameFolder());
    ASSERT_EQ(records.size(), 2u);
    ASSERT_LT(records[0].sequence, records[1].sequence);
    const std::string firstDate = records[0].installedAt;
    const std::string yearBefore =
        std::to_string(std::stoi(firstDate.substr(0, 4)) - 1) + firstDate.substr(4);
    const std::string summary = readFile(records[1].path());
    const std::string backdated =
        std::regex_replace(summary, std::regex("Installed=[^\r\n]*"), "Installed=" + yearBefore);
    ASSERT_NE(backdated, summary);
    writeFile(records[1].path(), backdated);

    const Outcome r = runSetup({"--uninstall", "--target", game, "--yes"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(digests(gameFolder()), first);
}

namespace {

// The package as one file a player downloads, written as the wizard's Save as Setup writes it:
// setup.exe with the package's zip appended (every file of the package folder under one folder,
// as Save as Zip packs it), its offsets counted from the start of the file.
class WindowsOneFileSetup : public WindowsSetup
{
protected:
    std::string oneFile() const { return at("Downloads/My Pack Setup.exe"); }

    void writeOneFile()
    {
        fs::create_directories(outputFolder());
        fs::create_directories(at("Downloads"));
        std::string error;
        ASSERT_EQ(package::zip::packSetup(packageFolder(), "My Pack", {"city.ar", "cars.ar"},
                                          BuiltWindowsSetup, oneFile(), {}, &error),
                  package::zip::PackOutcome::Packed)
            << error;
    }

    Outcome runOneFile(const std::vector<std::string> &arguments)
    {
        return runWine(std::vector<std::string>{oneFile()} + arguments, outputFolder(), "/tmp");
    }

    // The folders the runs unpacked into, which each must have removed.
    static std::vector<std::string> unpackedLeftovers()
    {
        const std::string users = QUERNEL_WINE_PREFIX "/drive_c/users"; // the temporary folders are there
        if (!fs::is_directory(users))
            return {users + " is missing"};
        std::vector<std::string> left;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(users, ec); it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (it->path().filename().string().starts_with("Quernel Setup "))
                left.push_back(it->path().string());
        }
        return left;
    }

    // The listing with the time in a backup folder's name and the record's summary (which holds
    // the time) left out, so that two installations compare.
    static std::map<std::string, std::string> timeless(const std::map<std::string, std::string> &entries)
    {
        std::map<std::string, std::string> result;
        const std::regex time(R"(My Pack \d{4}-\d\d-\d\d \d\d-\d\d-\d\d)");
        for (const auto &[name, content] : entries) {
            const bool summary = name.ends_with("/Quernel Installation.ini");
            result[std::regex_replace(name, time, "My Pack <time>")] =
                summary ? "<summary>" : std::regex_replace(content, time, "My Pack <time>");
        }
        return result;
    }
};

} // namespace

TEST_F(WindowsOneFileSetup, InstallsListsAndRemovesLikeThePackageFolder)
{
    writeOneFile();
    fs::copy(gameFolder(), at("Game from folder"), fs::copy_options::recursive);
    const auto before = listing(gameFolder());
    const std::string windowsGame = windows(gameFolder());

    Outcome r = runOneFile({"--target", windowsGame, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(contains(r.out, "Installed 2 file(s) of My Pack into " + windowsGame)) << r.out;
    EXPECT_EQ(unpackedLeftovers(), std::vector<std::string>{});
    r = runSetup({"--target", windows(at("Game from folder")), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(timeless(listing(gameFolder())), timeless(listing(at("Game from folder"))));
    // The record names the download by its archive's digest; a package folder's record has none.
    std::string error;
    const auto record = installer::readRecord(
        gameFolder() + "/Quernel Backup/" + backupFolders(gameFolder()).front(), &error);
    ASSERT_TRUE(record) << error;
    EXPECT_EQ(record->archiveSha256,
              installer::sha256Hex(readFile(oneFile()).substr(fs::file_size(BuiltWindowsSetup))));
    const auto fromFolder = installer::readRecord(
        at("Game from folder/Quernel Backup/") + backupFolders(at("Game from folder")).front(), &error);
    ASSERT_TRUE(fromFolder) << error;
    EXPECT_EQ(fromFolder->archiveSha256, "");

    const Outcome list = runOneFile({"--list", "--target", windowsGame});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(
        std::regex_match(list.out, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  My Pack  \(2 files\)\n)")))
        << list.out;

    // Removed by the one file again, its unpacked package long gone: the record in the game folder
    // is all a removal needs.
    r = runOneFile({"--uninstall", "--target", windowsGame});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Removed 2 file(s) of My Pack from ")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nPut back: city.ar\n")) << r.out;
    EXPECT_EQ(listing(gameFolder()), before);
    EXPECT_EQ(unpackedLeftovers(), std::vector<std::string>{});
}

TEST_F(WindowsOneFileSetup, RefusesOneCutShortOrAlteredWithNothingChanged)
{
    writeOneFile();
    const std::string good = readFile(oneFile());
    const std::size_t setupSize = fs::file_size(BuiltWindowsSetup);
    // A byte in the middle of city.ar's packed bytes, after its local header (30 bytes, name, extra).
    const std::size_t header = good.find("PK\3\4", setupSize);
    const std::size_t city = good.find("My Pack/city.ar", setupSize) - 30;
    ASSERT_LT(header, city);
    auto field = [&good](std::size_t at, int width) {
        std::size_t value = 0;
        for (int i = 0; i < width; ++i)
            value |= std::size_t(static_cast<unsigned char>(good[at + std::size_t(i)])) << (8 * i);
        return value;
    };
    const std::size_t flip = city + 30 + field(city + 26, 2) + field(city + 28, 2) + field(city + 18, 4) / 2;
    const struct
    {
        std::string what;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"cut short", good.substr(0, good.size() - 3000), "cut short"},
        {"a byte flipped", good.substr(0, flip) + char(good[flip] ^ 0x10) + good.substr(flip + 1),
         "\"My Pack/city.ar\""},
    };
    for (const auto &c : cases) {
        writeFile(oneFile(), c.bytes);
        const auto before = listing(root.path());
        const Outcome r = runOneFile({"--target", windows(gameFolder()), "--yes"});
        EXPECT_EQ(r.status, 1) << c.what << ": " << r.err;
        EXPECT_TRUE(r.err.starts_with("setup.exe: " + windows(oneFile()) + ": ")) << c.what << ": " << r.err;
        EXPECT_TRUE(contains(r.err, c.reason)) << c.what << ": " << r.err;
        EXPECT_EQ(lineCount(r.err), 1) << c.what << ": " << r.err;
        EXPECT_EQ(listing(root.path()), before) << c.what;
        EXPECT_EQ(unpackedLeftovers(), std::vector<std::string>{}) << c.what;
    }
}
