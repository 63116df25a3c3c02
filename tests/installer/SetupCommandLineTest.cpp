// The Linux installer as a player's machine sees it: a copy of the built program in a
// package folder, started with QProcess.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QProcess>
#include <QRegularExpression>

#include "PackageFixture.h"

using namespace installer_test;

namespace {

const QString BuiltSetup = QStringLiteral(QUERNEL_PROGRAM_DIR "/Redist/setup");

struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class SetupCommandLine : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeTypicalPackage();
        writeGameFolder();
        ASSERT_TRUE(QFile::copy(BuiltSetup, setup())) << BuiltSetup.toStdString();
    }

    QString setup() const { return inPackage("setup"); }

    Outcome run(const QStringList &arguments, const QString &program = {})
    {
        QProcess p;
        // Started from elsewhere, as the wizard does: the package is found beside the program.
        p.setWorkingDirectory(QDir::tempPath());
        p.start(program.isEmpty() ? setup() : program, arguments);
        EXPECT_TRUE(p.waitForFinished(30000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }

    // Refused with a non-zero status, one line on stderr that holds reasonPart,
    // and the whole temporary tree as it was.
    void expectRefused(const QStringList &arguments, const char *reasonPart, const QString &program = {})
    {
        const auto before = listing(root.path());
        const Outcome r = run(arguments, program);
        EXPECT_NE(r.status, 0) << reasonPart;
        EXPECT_TRUE(r.err.startsWith("setup.exe: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.endsWith('\n'));
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(reasonPart))
            << "wanted \"" << reasonPart << "\" in " << r.err.toStdString();
        EXPECT_EQ(listing(root.path()), before) << reasonPart;
    }

    QStringList backupFolders() const
    {
        return QDir(gameFolder() + "/Quernel Backup").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
};

} // namespace

TEST_F(SetupCommandLine, InstallsTheTypicalPackageWithABackupAndTouchesNothingElse)
{
    const auto before = listing(root.path());
    const Outcome r = run({"--target", gameFolder(), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Installed 2 file(s) of My Pack")) << r.out.toStdString();

    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    ASSERT_EQ(backupFolders().size(), 1);
    const QString backupName = backupFolders().first();
    EXPECT_TRUE(QRegularExpression("^My Pack \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d$")
                    .match(backupName)
                    .hasMatch())
        << backupName.toStdString();
    const QString backup = "Game/Quernel Backup/" + backupName;
    EXPECT_TRUE(r.out.contains(QDir::cleanPath(at(backup)).toUtf8())) << r.out.toStdString();

    // Everything but the game folder is as it was; the game folder gained exactly this.
    auto expected = before;
    expected.insert("Game/city.ar", cityBytes);
    expected.insert("Game/cars.ar", carsBytes);
    expected.insert("Game/Quernel Backup", "<folder>");
    expected.insert(backup, "<folder>");
    expected.insert(backup + "/city.ar", "the original city");
    EXPECT_EQ(listing(root.path()), expected);
}

TEST_F(SetupCommandLine, WithoutYesExistingFilesStayAndOddFoldersAreRefused)
{
    const Outcome r = run({"--target=" + gameFolder()});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Left as they were: city.ar"));
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    EXPECT_FALSE(QFile::exists(gameFolder() + "/Quernel Backup"));

    QDir().mkpath(at("Empty"));
    expectRefused({"--target", at("Empty")}, "does not look like a Midtown Madness 2 installation");
    const Outcome yes = run({"--target", at("Empty"), "--yes"});
    EXPECT_EQ(yes.status, 0);
    EXPECT_EQ(readFile(at("Empty/cars.ar")), carsBytes);
}

TEST_F(SetupCommandLine, RefusesABrokenPackageAndChangesNothing)
{
    const QByteArray typical = readFile(ini());
    const QStringList args{"--target", gameFolder(), "--yes"};
    auto withEntry = [&](const char *section, const char *key, const char *value) {
        writeFile(ini(), typical);
        WriteINI(ini(), section, key, value);
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

    writeFile(ini(), QByteArray(typical).replace("TotalFiles= 2\r\n", ""));
    expectRefused(args, "no TotalFiles entry");

    // A listed file missing: found before the first file is copied.
    writeFile(ini(), typical);
    QFile::remove(inPackage("cars.ar"));
    expectRefused(args, "cars.ar is listed in install.ini but missing from the package folder");
    writeFile(inPackage("cars.ar"), carsBytes);

    QFile::remove(ini());
    expectRefused(args, "There is no install.ini beside the installer");
}

TEST_F(SetupCommandLine, RefusesAGameFolderThatCannotTakeTheFiles)
{
    const QStringList yes{"--yes"};
    expectRefused(QStringList{"--target", at("Nowhere")} + yes, "does not exist");
    expectRefused(QStringList{"--target", inGame("city.ar")} + yes, "is not a folder");
    expectRefused(QStringList{"--target", packageFolder()} + yes, "package folder itself");
    // Root may write anywhere but into /proc; everyone else is kept out of a read-only folder.
    expectRefused(QStringList{"--target", "/proc"} + yes, "cannot be written");
    if (::geteuid() != 0) {
        QFile::setPermissions(gameFolder(), QFile::ReadOwner | QFile::ExeOwner);
        expectRefused(QStringList{"--target", gameFolder()} + yes, "cannot be written");
        QFile::setPermissions(gameFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(SetupCommandLine, ArgumentsAndHelp)
{
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--target DIR"));
    EXPECT_TRUE(help.out.contains("--yes"));

    for (const QStringList &bad : {QStringList{"--bogus"}, QStringList{"--target"}, QStringList{"--yes"}}) {
        const auto before = listing(root.path());
        const Outcome r = run(bad);
        EXPECT_EQ(r.status, 2) << bad.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1);
        EXPECT_EQ(listing(root.path()), before);
    }
}

TEST_F(SetupCommandLine, WithoutArgumentsOrDisplayItSaysSoInOneLine)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    p.setProcessEnvironment(env);
    p.start(setup(), {});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_NE(p.exitCode(), 0);
    const QByteArray err = p.readAllStandardError();
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("no display")) << err.toStdString();
}
