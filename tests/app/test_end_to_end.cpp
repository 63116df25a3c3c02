// A whole run through the real pages, from the package name to Finish, and the
// package it leaves installed into a game folder by the Linux installer. The package's own
// setup.exe (the Windows program) installs the same package under Wine in tests/windows.
#include <functional>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>

#include "DirList.h"
#include "FileList.h"
#include "FrmARAddARFiles.h"
#include "FrmARDone.h"
#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARNew3.h"
#include "FrmARReadmeLocation.h"
#include "Pages.h"
#include "Vemko.h"
#include "WizardFixture.h"

namespace {

class EndToEnd : public WizardFixture
{
protected:
    // On the completion page: Save as Zip cancelled half-way, failing on a listed file gone, then
    // writing the archive beside the package folder.
    void packAsZip(const QString &package, const QString &zip)
    {
        FrmARDone &done = frmARDone();
        const auto leftovers = [&] {
            return QDir(inProgram(".")).entryList({"*.zip*", ".*.partial*"}, QDir::Files | QDir::Hidden);
        };
        fake->onDoEvents = [&] {
            if (done.window().cmdCancel->isEnabled())
                done.window().cmdCancel->click();
        };
        done.cmdZip()->click();
        fake->onDoEvents = nullptr;
        EXPECT_EQ(done.lblZip()->text(), "Packing cancelled: no archive was written.");
        EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();
        EXPECT_FALSE(done.window().cmdCancel->isEnabled());

        // A listed file or the readme install.ini names gone, a link in the package folder.
        const QString linkReason =
            ": a symbolic link, not packed: the archive takes only the package's own files";
        const struct
        {
            std::function<bool()> make, undo;
            QString error;
        } refusals[] = {
            {[&] { return QFile::rename(package + "/cars.ar", inProgram("cars.away")); },
             [&] { return QFile::rename(inProgram("cars.away"), package + "/cars.ar"); },
             package + "/cars.ar: No such file or directory"},
            {[&] { return QFile::rename(package + "/readme.txt", inProgram("readme.away")); },
             [&] { return QFile::rename(inProgram("readme.away"), package + "/readme.txt"); },
             package + "/readme.txt: No such file or directory"},
            {[&] { return QFile::link(inProgram("Redist/setup.exe"), package + "/extra.ar"); },
             [&] { return QFile::remove(package + "/extra.ar"); }, package + "/extra.ar" + linkReason},
        };
        for (const auto &refusal : refusals) {
            SCOPED_TRACE(refusal.error.toStdString());
            ASSERT_TRUE(refusal.make());
            done.cmdZip()->click();
            ASSERT_EQ(fake->messageBoxes.size(), 1);
            EXPECT_EQ(fake->messageBoxes[0].text,
                      "The zip archive could not be written:\r\n" + refusal.error);
            EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(", ").toStdString();
            ASSERT_TRUE(refusal.undo());
            fake->messageBoxes.clear();
        }

        done.cmdZip()->click();
        EXPECT_TRUE(fake->messageBoxes.isEmpty());
        EXPECT_EQ(done.cmdZip()->text(), "Save as &Zip...");
        EXPECT_EQ(done.txtZip()->text(), zip);
        EXPECT_TRUE(done.txtZip()->isVisible() && done.txtZip()->isReadOnly());
        EXPECT_EQ(leftovers(), QStringList{"My Pack.zip"});
        EXPECT_TRUE(done.window().cmdNext->isEnabled());
    }
};

} // namespace

TEST_F(EndToEnd, ATypicalRunBuildsAPackageThatInstalls)
{
    const QString mods = QDir(inProgram("..")).canonicalPath() + "/Mods";
    writeFile(mods + "/readme.txt", "Read me first.\r\n");
    writeFile(mods + "/city.ar", QByteArray(5000, 'c'));
    writeFile(mods + "/cars.ar", QByteArray(3000, 'a'));
    const QString builtInstaller = QStringLiteral(QUERNEL_PROGRAM_DIR "/Redist/setup.exe");
    ASSERT_TRUE(QFile::exists(builtInstaller));
    QDir().mkpath(inProgram("Redist"));
    ASSERT_TRUE(QFile::copy(builtInstaller, inProgram("Redist/setup.exe")));

    Vemko::ShowFirstPage();
    frmARNew0().txtPackage()->setText("My Pack");
    frmARNew0().window().cmdNext->click();

    FrmARNew1 &details = frmARNew1();
    details.txtAName()->setText("Jo");
    details.txtAEmail()->setText("jo@example.org");
    details.txtAWWW()->setText("www.example.org");
    details.txtCopyright()->setText("(c) Jo");
    details.window().findChild<QPushButton *>("cmdBrowse")->click();
    frmARReadmeLocation().Dir1()->setPath(mods);
    frmARReadmeLocation().File1()->setFileName("readme.txt");
    frmARReadmeLocation().window().cmdNext->click();
    details.window().cmdNext->click();

    FrmARNew2 &appearance = frmARNew2();
    appearance.optMMV(1)->click();
    appearance.optPGBDisplay(0)->click();
    appearance.window().cmdNext->click();

    frmARNew3().cmdAddAR()->click();
    FrmARAddARFiles &picker = frmARAddARFiles();
    picker.Dir1()->setPath(mods);
    for (const char *name : {"city.ar", "cars.ar"}) {
        picker.File1()->setFileName(name);
        emit picker.File1()->dblClick();
    }
    picker.window().cmdNext->click();
    frmARNew3().window().cmdNext->click();
    ASSERT_TRUE(frmARDone().isVisible());
    const QString package = inProgram("My Pack");
    const QString zip = inProgram("My Pack.zip");
    packAsZip(package, zip);
    EXPECT_TRUE(endsProgram([] { frmARDone().window().cmdNext->click(); }));
    EXPECT_TRUE(fake->messageBoxes.isEmpty());

    EXPECT_EQ(readFile(package + "/install.ini"), "[install.ini]\r\n"
                                                  "Name=My Pack\r\n"
                                                  "Copyright=(c) Jo\r\n"
                                                  "Author=Jo\r\n"
                                                  "WWW=www.example.org\r\n"
                                                  "AuthEmail=jo@example.org\r\n"
                                                  "Readme=readme.txt\r\n"
                                                  "mmType=2\r\n"
                                                  "Timer=30\r\n"
                                                  "TotalFiles= 2\r\n"
                                                  "[Progress Bar]\r\n"
                                                  "Smooth=True\r\n"
                                                  "[Files]\r\n"
                                                  "File1=city.ar\r\n"
                                                  "File2=cars.ar\r\n");
    EXPECT_EQ(QDir(package).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"cars.ar", "city.ar", "install.ini", "readme.txt", "setup.exe"}));

    EXPECT_EQ(readFile(package + "/setup.exe"), readFile(builtInstaller));

    // The player's side: the installer puts the package's files into the game.
    const QString game = inProgram("../Game");
    QDir().mkpath(game);
    writeFile(game + "/midtown2.exe", "game");
    QProcess setup;
    setup.setWorkingDirectory(QDir::rootPath());
    setup.start(QStringLiteral(QUERNEL_PROGRAM_DIR "/Redist/setup"),
                {"--package", package, "--target", game, "--yes"});
    ASSERT_TRUE(setup.waitForFinished(30000));
    EXPECT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
    EXPECT_EQ(readFile(game + "/city.ar"), QByteArray(5000, 'c'));
    EXPECT_EQ(readFile(game + "/cars.ar"), QByteArray(3000, 'a'));

    // The archive, read by tools no one here wrote; unzipped, its installer installs the package.
    const auto run = [](const QString &program, const QStringList &arguments) {
        QProcess process;
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0)
            << program.toStdString() << ": " << process.readAllStandardOutput().toStdString()
            << process.readAllStandardError().toStdString();
    };
    run("unzip", {"-tq", zip});
    run("python3",
        {QStringLiteral(QUERNEL_SOURCE_DIR "/tests/package/check_package_zip.py"), zip, package, "My Pack"});
    const QString unpacked = inProgram("../Download");
    run("unzip", {"-q", zip, "-d", unpacked});
    const QString game2 = inProgram("../Game2");
    QDir().mkpath(game2);
    writeFile(game2 + "/midtown2.exe", "game");
    run(QStringLiteral(QUERNEL_PROGRAM_DIR "/Redist/setup"),
        {"--package", unpacked + "/My Pack", "--target", game2, "--yes"});
    EXPECT_EQ(readFile(game2 + "/city.ar"), QByteArray(5000, 'c'));
    EXPECT_EQ(readFile(game2 + "/cars.ar"), QByteArray(3000, 'a'));
}
