// A whole run through the real pages, from the package name to Finish, and the
// package it leaves installed into a game folder by the Linux installer. The package's own
// setup.exe (the Windows program) installs the same package under Wine in tests/windows.
#include <QDir>
#include <QFile>
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
using EndToEnd = WizardFixture;
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
    EXPECT_TRUE(endsProgram([] { frmARDone().window().cmdNext->click(); }));
    EXPECT_TRUE(fake->messageBoxes.isEmpty());

    const QString package = inProgram("My Pack");
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
}
