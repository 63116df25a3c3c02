#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "WizardFixture.h"

namespace {

class NamePage : public WizardFixture
{
protected:
    FrmARNew0 &start()
    {
        Vemko::ShowFirstPage();
        return frmARNew0();
    }
    QString name(const QString &folder)
    {
        return ReadINI(folder + "/install.ini", "install.ini", "Name", "<none>");
    }
};

} // namespace

TEST_F(NamePage, StartShowsOnlyTheNamePageWithTheDefaultFolder)
{
    FrmARNew0 &page = start();
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(page.txtPackage()->text(), "");
    EXPECT_EQ(page.txtProject()->text(), programFolder() + "/New Project Folder");
    EXPECT_EQ(Vemko::PackageFolder, page.txtProject()->text());
    EXPECT_GE(fake->doEventsCount, 1); // the load lets pending events run first
    int visible = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        visible += w->isVisible() ? 1 : 0;
    EXPECT_EQ(visible, 1);
}

TEST_F(NamePage, FolderFollowsEveryKeystroke)
{
    FrmARNew0 &page = start();
    QString typed;
    for (QChar c : QStringLiteral("My Pack")) {
        QTest::keyClick(page.txtPackage(), c.toLatin1());
        typed += c;
        EXPECT_EQ(page.txtProject()->text(), programFolder() + "/" + typed);
        EXPECT_EQ(Vemko::PackageFolder, programFolder() + "/" + typed);
    }
}

TEST_F(NamePage, AnEarlierPackageInTheDefaultFolderIsPickedUp)
{
    QDir().mkpath(inProgram("New Project Folder"));
    WriteINI(inProgram("New Project Folder/install.ini"), "install.ini", "Name", "X");
    FrmARNew0 &page = start();
    EXPECT_EQ(page.txtPackage()->text(), "X");
    EXPECT_EQ(page.txtProject()->text(), programFolder() + "/X");
    EXPECT_EQ(Vemko::PackageFolder, programFolder() + "/X");
}

TEST_F(NamePage, NextCreatesTheFolderRecordsTheNameAndMovesOn)
{
    FrmARNew0 &page = start();
    QTest::keyClicks(page.txtPackage(), "My Pack");
    page.window().cmdNext->click();
    flushDeletes();
    EXPECT_TRUE(QDir(inProgram("My Pack")).exists());
    EXPECT_EQ(readFile(inProgram("My Pack/install.ini")), "[install.ini]\r\nName=My Pack\r\n");
    EXPECT_FALSE(page.isLoaded());
    EXPECT_TRUE(frmARNew1().isVisible());
    EXPECT_TRUE(fake->messageBoxes.isEmpty());
}

TEST_F(NamePage, EmptyNameWritesIntoTheProgramFolderItself)
{
    FrmARNew0 &page = start();
    page.txtPackage()->setText("a");
    page.txtPackage()->clear();
    EXPECT_EQ(page.txtProject()->text(), programFolder() + "/");
    page.window().cmdNext->click();
    EXPECT_EQ(readFile(programFolder() + "/install.ini"), "[install.ini]\r\nName=\r\n");
    EXPECT_TRUE(frmARNew1().isVisible());
}

TEST_F(NamePage, AnExistingPackageFolderIsReusedAndItsNameReplaced)
{
    QDir().mkpath(inProgram("Old"));
    writeFile(inProgram("Old/install.ini"), "[install.ini]\r\nName=Older\r\nAuthor=Jo\r\n");
    FrmARNew0 &page = start();
    QTest::keyClicks(page.txtPackage(), "Old");
    page.window().cmdNext->click();
    EXPECT_EQ(readFile(inProgram("Old/install.ini")), "[install.ini]\r\nName=Old\r\nAuthor=Jo\r\n");
    EXPECT_EQ(frmARNew1().txtAName()->text(), "Jo");
}

TEST_F(NamePage, AHandEditedFolderIsCreatedButFilesFollowTheName)
{
    FrmARNew0 &page = start();
    QTest::keyClicks(page.txtPackage(), "Named");
    page.txtProject()->setText(inProgram("Edited"));
    EXPECT_EQ(Vemko::PackageFolder, inProgram("Named")); // no handler on the folder box
    page.window().cmdNext->click();
    EXPECT_TRUE(QDir(inProgram("Edited")).exists());
    EXPECT_FALSE(QDir(inProgram("Named")).exists());
    EXPECT_FALSE(QFile::exists(inProgram("Edited/install.ini")));
    EXPECT_FALSE(QFile::exists(inProgram("Named/install.ini"))); // its folder was never made
    EXPECT_TRUE(frmARNew1().isVisible());
}

TEST_F(NamePage, NamesThatLeaveTheProgramFolderAreRefused)
{
    FrmARNew0 &page = start();
    for (const QString &bad : {QStringLiteral(".."), QStringLiteral("."), QStringLiteral("../escape"),
                               QStringLiteral("a/b"), QStringLiteral("a\\b"), QStringLiteral("/tmp/x")}) {
        fake->messageBoxes.clear();
        page.txtPackage()->setText(bad);
        page.window().cmdNext->click();
        ASSERT_EQ(fake->messageBoxes.size(), 1) << bad.toStdString();
        EXPECT_EQ(fake->messageBoxes[0].flags, platform::MB_ICONWARNING);
        EXPECT_TRUE(fake->messageBoxes[0].text.contains("package name")) << bad.toStdString();
        EXPECT_TRUE(page.isVisible());
        EXPECT_FALSE(frmARNew1().isLoaded());
    }
    EXPECT_EQ(QDir(programFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
    EXPECT_FALSE(QFile::exists(programFolder() + "/../install.ini"));
}

TEST_F(NamePage, NamesWindowsCannotHoldAreRefusedBeforeAnythingIsWritten)
{
    const QString characters =
        "The package name cannot contain < > : \" | ? * or control characters.\r\nThe package folder is made "
        "under the package name, and Windows allows none of them in a folder name; please choose another "
        "name.";
    const QString ending =
        "The package name cannot end in a dot or a blank.\r\nThe package folder is made under the package "
        "name, and Windows drops them from the end of a folder name; please choose another name.";
    const QString device =
        "The package name cannot be CON, PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9, with or without an "
        "extension.\r\nThe package folder is made under the package name, and Windows keeps these names for "
        "its devices; please choose another name.";
    struct Row
    {
        QString name;
        const QString &message;
    };
    const Row rows[] = {
        {"a<b", characters},
        {"a>b", characters},
        {"C:drive", characters},
        {"say \"hi\"", characters},
        {"a|b", characters},
        {"why?", characters},
        {"star*", characters},
        {"tab\there", characters},
        {QString("nul") + QChar(0), characters},
        {"bell\x07", characters},
        {"dot.", ending},
        {"blank ", ending},
        {"...", ending},
        {" ", ending},
        {"CON", device},
        {"con", device},
        {"Prn", device},
        {"aux.txt", device},
        {"NUL.tar.gz", device},
        {"nul .txt", device},
        {"com1", device},
        {"COM9.ar", device},
        {"lPt5", device},
        {QString("LPT") + QChar(0xB9), device},
    };
    FrmARNew0 &page = start();
    for (const Row &row : rows) {
        fake->messageBoxes.clear();
        page.txtPackage()->setText(row.name);
        ASSERT_EQ(page.txtPackage()->text(), row.name);
        page.window().cmdNext->click();
        ASSERT_EQ(fake->messageBoxes.size(), 1) << row.name.toStdString();
        EXPECT_EQ(fake->messageBoxes[0].text, row.message) << row.name.toStdString();
        EXPECT_EQ(fake->messageBoxes[0].flags, platform::MB_ICONWARNING);
        EXPECT_TRUE(page.isVisible());
        EXPECT_FALSE(frmARNew1().isLoaded());
    }
    EXPECT_EQ(QDir(programFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{});
}

TEST_F(NamePage, NamesWithDotsBlanksAndAnyScriptInsideAreAccepted)
{
    for (const QString &good :
         {QStringLiteral("v1.2 final"), QStringLiteral(".pack"), QStringLiteral("Caf\u00E9 \u00C9t\u00E9"),
          QStringLiteral("\u65E5\u672C"), QStringLiteral("CONSOLE"), QStringLiteral("COM10"),
          QStringLiteral("LPT"), QStringLiteral("Aux Pack.v2"), QStringLiteral("a-b_c (1)")}) {
        FrmARNew0 &page = start();
        page.txtPackage()->setText(good);
        page.window().cmdNext->click();
        flushDeletes();
        EXPECT_TRUE(fake->messageBoxes.isEmpty()) << good.toStdString();
        EXPECT_EQ(readFile(inProgram(good + "/install.ini")),
                  "[install.ini]\r\nName=" + good.toUtf8() + "\r\n");
        EXPECT_TRUE(frmARNew1().isVisible());
        frmARNew1().unload();
        flushDeletes();
    }
}

TEST_F(NamePage, AFolderThatCannotBeMadeIsReportedAndNextStays)
{
    writeFile(inProgram("Taken"), "a file, not a folder");
    struct Row
    {
        QString name;
        QString reason;
        bool lockProgramFolder;
    };
    const Row rows[] = {{QString(300, 'n'), "File name too long", false},
                        {"Taken", "A file of that name is in the way", false},
                        {"Locked Out", "Permission denied", true}};
    FrmARNew0 &page = start();
    for (const Row &row : rows) {
        if (row.lockProgramFolder) {
            QFile::setPermissions(programFolder(), QFile::ReadOwner | QFile::ExeOwner);
            if (::access(programFolder().toLocal8Bit(), W_OK) == 0) {
                QFile::setPermissions(programFolder(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                continue; // running with rights that ignore folder permissions
            }
        }
        fake->messageBoxes.clear();
        page.txtPackage()->setText(row.name);
        page.window().cmdNext->click();
        QFile::setPermissions(programFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_EQ(fake->messageBoxes.size(), 1) << row.reason.toStdString();
        EXPECT_EQ(fake->messageBoxes[0].flags, platform::MB_ICONWARNING);
        EXPECT_EQ(fake->messageBoxes[0].text,
                  "The package folder could not be created:\r\n" + programFolder() + "/" + row.name + ": " +
                      row.reason +
                      "\r\nPlease choose another package name, or check that the program folder can be "
                      "written to.");
        EXPECT_TRUE(page.isVisible());
        EXPECT_FALSE(frmARNew1().isLoaded());
        EXPECT_EQ(Vemko::PackageFolder, programFolder() + "/" + row.name);
    }
    EXPECT_EQ(QDir(programFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Taken"});
}
