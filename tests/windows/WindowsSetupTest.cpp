// setup.exe for Windows as a player's machine runs it: a copy of the built program in a package
// folder written the way the wizard writes it, started under Wine. Where it refuses, the Linux
// installer gets the same package and must give the same exit status.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "PackageFixture.h"
#include "WineProcess.h"

using namespace installer_test;
using namespace wine_test;

namespace {

const QString BuiltWindowsSetup = QStringLiteral(QUERNEL_PROGRAM_DIR "/Redist/setup.exe");
const QString BuiltLinuxSetup = QStringLiteral(QUERNEL_PROGRAM_DIR "/Redist/setup");

enum class PathForm
{
    Windows, // "Z:\tmp\...\Game", as a player types or picks it
    Unix,    // "/tmp/.../Game", as a player of Wine or Proton may paste it
};

class WindowsSetup : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeTypicalPackage();
        writeGameFolder();
        ASSERT_TRUE(QFile::copy(BuiltWindowsSetup, inPackage("setup.exe")))
            << BuiltWindowsSetup.toStdString();
    }

    // The package's setup.exe, started from elsewhere as Explorer or a script would.
    Outcome runSetup(const QStringList &arguments)
    {
        return runWine(QStringList{inPackage("setup.exe")} + arguments, QDir::tempPath());
    }

    Outcome runLinuxSetup(const QStringList &arguments)
    {
        return runNative(BuiltLinuxSetup, QStringList{"--package", packageFolder()} + arguments,
                         QDir::tempPath());
    }

    static QString inForm(const QString &path, PathForm form)
    {
        return form == PathForm::Windows ? windowsPath(path) : path;
    }

    // Both installers refuse with the same status and one line on stderr, and the whole
    // temporary tree stays as it was. gameFolder is given to each in its own form.
    void expectRefusedLikeLinux(const char *what, const QStringList &arguments, int status,
                                const QString &target = {}, bool yes = true)
    {
        QStringList windowsArguments = arguments;
        QStringList linuxArguments = arguments;
        if (!target.isNull()) {
            windowsArguments << "--target" << windowsPath(target);
            linuxArguments << "--target" << target;
        }
        if (yes) {
            windowsArguments << "--yes";
            linuxArguments << "--yes";
        }
        const auto before = listing(root.path());
        const Outcome windows = runSetup(windowsArguments);
        EXPECT_EQ(listing(root.path()), before) << what << ": changed by setup.exe";
        const Outcome linux = runLinuxSetup(linuxArguments);
        EXPECT_EQ(listing(root.path()), before) << what << ": changed by the Linux installer";

        EXPECT_EQ(windows.status, status) << what << ": " << windows.err.toStdString();
        EXPECT_EQ(linux.status, status) << what << ": " << linux.err.toStdString();
        EXPECT_TRUE(windows.err.startsWith("setup.exe: ")) << what << ": " << windows.err.toStdString();
        EXPECT_EQ(windows.err.count('\n'), 1) << what << ": " << windows.err.toStdString();
        EXPECT_TRUE(windows.err.endsWith('\n')) << what;
    }

    void withEntry(const QByteArray &typicalIni, const char *section, const char *key, const QString &value)
    {
        writeFile(ini(), typicalIni);
        WriteINI(ini(), section, key, value);
    }

    QStringList backupFolders(const QString &game) const
    {
        return QDir(game + "/Quernel Backup").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
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
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(r.out.contains("Installed 2 file(s) of My Pack")) << r.out.toStdString();

    ASSERT_EQ(backupFolders(gameFolder()).size(), 1);
    const QString backupName = backupFolders(gameFolder()).first();
    EXPECT_TRUE(QRegularExpression("^My Pack \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d$")
                    .match(backupName)
                    .hasMatch())
        << backupName.toStdString();
    // Either form is read as the same Windows path.
    EXPECT_TRUE(r.out.contains(("Replaced files are kept in: " + windowsPath(gameFolder())).toUtf8()))
        << r.out.toStdString();

    // Everything but the game folder is as it was; the game folder gained exactly this.
    const QString backup = "Game/Quernel Backup/" + backupName;
    auto expected = before;
    expected.insert("Game/city.ar", cityBytes);
    expected.insert("Game/cars.ar", carsBytes);
    expected.insert("Game/Quernel Backup", "<folder>");
    expected.insert(backup, "<folder>");
    expected.insert(backup + "/city.ar", "the original city");
    EXPECT_EQ(listing(root.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(GameFolderAs, WindowsSetupPaths,
                         ::testing::Values(PathForm::Windows, PathForm::Unix),
                         [](const ::testing::TestParamInfo<PathForm> &info) {
                             return info.param == PathForm::Windows ? "WindowsPath" : "UnixPath";
                         });

TEST_F(WindowsSetup, WithoutYesExistingFilesStay)
{
    const Outcome r = runSetup({"--target", windowsPath(gameFolder())});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Left as they were: city.ar")) << r.out.toStdString();
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    EXPECT_FALSE(QFile::exists(gameFolder() + "/Quernel Backup"));
}

TEST_F(WindowsSetup, RefusesWhatTheLinuxInstallerRefusesWithTheSameStatusAndNothingChanged)
{
    const QByteArray typical = readFile(ini());

    expectRefusedLikeLinux("unknown argument", {"--bogus"}, 2, {}, false);
    expectRefusedLikeLinux("--target without a folder", {"--target"}, 2, {}, false);
    expectRefusedLikeLinux("--yes without --target", {"--yes"}, 2, {}, false);

    expectRefusedLikeLinux("a game folder that does not exist", {}, 1, at("Nowhere"));
    expectRefusedLikeLinux("a file as the game folder", {}, 1, inGame("city.ar"));
    expectRefusedLikeLinux("the package folder as the game folder", {}, 1, packageFolder());
    QDir().mkpath(at("Empty"));
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
    const QString longName = QString(251, 'n') + ".ar";
    writeFile(inPackage(longName), carsBytes);
    withEntry(typical, "Files", "File2", longName);
    expectRefusedLikeLinux("a 255-byte name that a read of install.ini cuts", {}, 1, gameFolder());
    QFile::remove(inPackage(longName));

    writeFile(ini(), typical);
    writeFile(at("outside.ar"), "not part of the package");
    QFile::remove(inPackage("cars.ar"));
    ASSERT_TRUE(QFile::link(at("outside.ar"), inPackage("cars.ar")));
    expectRefusedLikeLinux("a package file that is a link out of the package", {}, 1, gameFolder());
    QFile::remove(inPackage("cars.ar"));
    expectRefusedLikeLinux("a listed file missing", {}, 1, gameFolder());
    writeFile(inPackage("cars.ar"), carsBytes);

    QFile::remove(ini());
    expectRefusedLikeLinux("no install.ini", {}, 1, gameFolder());
}

TEST_F(WindowsSetup, BackupsNeverLeaveTheGameFolder)
{
    // "Quernel Backup" a link to a folder outside the game folder.
    QDir().mkpath(at("Elsewhere"));
    ASSERT_TRUE(QFile::link(at("Elsewhere"), gameFolder() + "/Quernel Backup"));
    const Outcome r = runSetup({"--target", windowsPath(gameFolder()), "--yes"});
    EXPECT_TRUE(QDir(at("Elsewhere")).isEmpty()) << r.out.toStdString() << r.err.toStdString();
    if (r.status == 0) {
        // Installed: the original is kept somewhere inside the game folder.
        EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
        bool kept = false;
        for (auto [path, bytes] : listing(gameFolder()).asKeyValueRange())
            kept = kept || (path != "city.ar" && bytes == "the original city");
        EXPECT_TRUE(kept) << r.out.toStdString();
    } else {
        EXPECT_EQ(readFile(inGame("city.ar")), "the original city") << r.err.toStdString();
    }
}

TEST_F(WindowsSetup, NamesInSeveralScriptsInstall)
{
    const QString package = at("Paquet é ß 日本");
    const QString game = at("Jeu é ß 日本");
    const QStringList names{"é.ar", "straße.ar", "日本語.ar"};
    QDir().mkpath(package);
    const QString packageIni = package + "/install.ini";
    WriteINI(packageIni, "install.ini", "Name", "Paquet é ß 日本");
    WriteINI(packageIni, "install.ini", "mmType", "2");
    WriteINI(packageIni, "install.ini", "Timer", "0");
    for (int i = 0; i < names.size(); ++i) {
        WriteINI(packageIni, "Files", QStringLiteral("File%1").arg(i + 1), names[i]);
        writeFile(package + "/" + names[i], archiveBytes(names[i].toUtf8().constData(), 3000 + i));
    }
    WriteINI(packageIni, "install.ini", "TotalFiles", QStringLiteral(" %1").arg(names.size()));
    writeFile(game + "/midtown2.exe", "MZ game");
    ASSERT_TRUE(QFile::copy(BuiltWindowsSetup, package + "/setup.exe"));

    const Outcome r =
        runWine({package + "/setup.exe", "--target", windowsPath(game), "--yes"}, QDir::tempPath());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Installed 3 file(s) of Paquet é ß 日本")) << r.out.toStdString();
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(readFile(game + "/" + names[i]), archiveBytes(names[i].toUtf8().constData(), 3000 + i))
            << names[i].toStdString();
    EXPECT_EQ(QDir(game).entryList(QDir::Files, QDir::Name),
              (QStringList{"midtown2.exe", "straße.ar", "é.ar", "日本語.ar"}));
}

TEST_F(WindowsSetup, LinesReachAConsoleInUtf8)
{
    // On a terminal Wine gives the program a console: the text goes through WriteConsoleW.
    writeFile(ini(), QByteArray(readFile(ini())).replace("Name=My Pack", "Name=Mon paquet é ß 日本"));
    // A wide terminal, so that the console does not wrap the line.
    const QString command = QStringLiteral("stty cols 1000; wine '%1' --target '%2' --yes")
                                .arg(inPackage("setup.exe"), gameFolder());
    const Outcome r = runNative("script", {"-qec", command, "/dev/null"}, QDir::tempPath());
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    const QByteArray text = QByteArray(r.out).replace(QByteArray("\x1b[?25l"), "").replace("\x1b[?25h", "");
    EXPECT_TRUE(text.contains("Installed 2 file(s) of Mon paquet é ß 日本 into ")) << text.toStdString();
}

TEST_F(WindowsSetup, TheExitStatusReachesABatchFile)
{
    writeFile(inPackage("install.bat"), "@echo off\r\n"
                                        "\"%~dp0setup.exe\" %*\r\n"
                                        "echo setup.exe returned %ERRORLEVEL%\r\n"
                                        "exit /b %ERRORLEVEL%\r\n");
    const Outcome bad =
        runWine({"cmd", "/c", windowsPath(inPackage("install.bat")), "--bogus"}, QDir::tempPath());
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.out.contains("setup.exe returned 2")) << bad.out.toStdString() << bad.err.toStdString();

    const Outcome good = runWine(
        {"cmd", "/c", windowsPath(inPackage("install.bat")), "--target", windowsPath(gameFolder()), "--yes"},
        QDir::tempPath());
    EXPECT_EQ(good.status, 0);
    EXPECT_TRUE(good.out.contains("setup.exe returned 0"))
        << good.out.toStdString() << good.err.toStdString();
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
}

TEST_F(WindowsSetup, HelpIsTheLinuxInstallersHelp)
{
    const Outcome windows = runSetup({"--help"});
    const Outcome linux = runLinuxSetup({"--help"});
    EXPECT_EQ(windows.status, 0);
    EXPECT_TRUE(windows.out.contains("--target DIR")) << windows.out.toStdString();
    EXPECT_EQ(windows.out, linux.out);
}

TEST(WindowsSetupProgram, ImportsOnlySystemLibrariesAndCarriesItsManifest)
{
    const Outcome dump = runNative("x86_64-w64-mingw32-objdump", {"-p", BuiltWindowsSetup}, QDir::tempPath());
    ASSERT_EQ(dump.status, 0) << dump.err.toStdString();
    EXPECT_TRUE(dump.out.contains("Subsystem\t\t00000002\t(Windows GUI)")) << "a window program";

    const QSet<QString> system{"kernel32.dll", "user32.dll",  "gdi32.dll",  "comctl32.dll", "comdlg32.dll",
                               "shell32.dll",  "shlwapi.dll", "ole32.dll",  "oleaut32.dll", "advapi32.dll",
                               "uxtheme.dll",  "msvcrt.dll",  "version.dll"};
    QStringList imported;
    const QRegularExpression dllName("DLL Name: (\\S+)");
    for (auto it = dllName.globalMatch(QString::fromUtf8(dump.out)); it.hasNext();)
        imported << it.next().captured(1).toLower();
    ASSERT_FALSE(imported.isEmpty()) << dump.out.toStdString();
    for (const QString &dll : imported)
        EXPECT_TRUE(system.contains(dll) || dll.startsWith("api-ms-win-crt-")) << dll.toStdString();

    const QByteArray program = readFile(BuiltWindowsSetup);
    EXPECT_TRUE(program.contains("<requestedExecutionLevel level=\"asInvoker\""));
    EXPECT_TRUE(program.contains("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_TRUE(program.contains(">PerMonitorV2, PerMonitor</dpiAwareness>"));
}
