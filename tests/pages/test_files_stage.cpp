#include <unistd.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "Animation.h"
#include "DirList.h"
#include "FileList.h"
#include "FrmARAddARFiles.h"
#include "FrmARCreate.h"
#include "FrmARDone.h"
#include "FrmARNew3.h"
#include "IniFuncs.h"
#include "MultiLineTextBox.h"
#include "Pages.h"
#include "Platform.h"
#include "ProgressBar.h"
#include "Vemko.h"
#include "WizardFixture.h"

using platform::IDNO;
using platform::IDYES;

namespace {

class FilesStage : public WizardFixture
{
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        Vemko::PackageFolder = inProgram("My Pack");
        QDir().mkpath(Vemko::PackageFolder);
        writeFile(packageFile("install.ini"),
                  "[install.ini]\r\nName=My Pack\r\nCopyright=(c) Jo\r\nAuthor=Jo\r\n"
                  "WWW=www.jo.org\r\nAuthEmail=jo@jo.org\r\nReadme=readme.txt\r\n"
                  "mmType=2\r\nTimer=30\r\n[Progress Bar]\r\nSmooth=True\r\n");
        source = QDir(inProgram("..")).canonicalPath() + "/AR Files";
        writeFile(source + "/city.ar", QByteArray(4096, 'c'));
        writeFile(source + "/cars.ar", QByteArray(1000, 'a'));
        writeFile(source + "/bikes.ar", QByteArray(10, 'b'));
        writeFile(inProgram("Redist/setup.exe"), "installer bytes");
        frmARNew3().show();
    }

    QString packageFile(const QString &name) const { return Vemko::PackageFolder + "/" + name; }
    QString install(const QString &section, const QString &key)
    {
        return ReadINI(packageFile("install.ini"), section, key, "<none>");
    }
    QString temp(const QString &key) { return ReadINI(packageFile("temp.ini"), "Files", key, "<none>"); }

    FrmARAddARFiles &openPicker(const QString &folder = QString())
    {
        frmARNew3().cmdAddAR()->click();
        FrmARAddARFiles &picker = frmARAddARFiles();
        picker.Dir1()->setPath(folder.isEmpty() ? source : folder);
        return picker;
    }
    void add(FrmARAddARFiles &picker, const QString &name)
    {
        picker.File1()->setFileName(name);
        ASSERT_EQ(picker.File1()->fileName(), name);
        emit picker.File1()->dblClick();
    }
    // Add, watching the creation page at every moment the copy lets events run.
    void pressAdd(FrmARAddARFiles &picker)
    {
        fake->onDoEvents = [this] {
            if (!frmARCreate().isLoaded())
                return;
            statuses << frmARCreate().lblStatus()->text();
            barValues << frmARCreate().pgbStatus()->value();
        };
        picker.window().cmdNext->click();
        fake->onDoEvents = nullptr;
        flushDeletes();
    }
    QStringList copiedSources() const
    {
        QStringList sources;
        for (const QString &copy : fake->copies)
            sources << copy.section(" -> ", 0, 0).section('/', -1);
        return sources;
    }

    QString source;
    QStringList statuses;
    QList<int> barValues;
};

} // namespace

TEST_F(FilesStage, TheFileListPageStartsEmptyWithItsButtonsEnabled)
{
    FrmARNew3 &page = frmARNew3();
    EXPECT_EQ(page.window().lblBanner->text(), "Add .AR File(s)");
    EXPECT_EQ(page.txtFiles()->text(), "");
    EXPECT_TRUE(page.txtFiles()->isReadOnly());
    EXPECT_EQ(page.window().findChild<QLabel *>("lblSize")->text(),
              "Package Size in kilobytes (uncompressed):");
    EXPECT_TRUE(page.cmdAddAR()->isEnabled());
    EXPECT_EQ(page.cmdAddAR()->text(), "Add &AR Files...");
    EXPECT_EQ(page.window().cmdNext->text(), "&Create Setup");
    EXPECT_TRUE(page.window().cmdNext->isEnabled());
    EXPECT_TRUE(page.window().cmdCancel->isEnabled());
    EXPECT_FALSE(page.window().cmdBack->isEnabled());
}

TEST_F(FilesStage, EachDoubleClickListsCountsAndRecordsTheFile)
{
    FrmARAddARFiles &picker = openPicker();
    EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 0");
    EXPECT_EQ(picker.File1()->files(), (QStringList{"bikes.ar", "cars.ar", "city.ar"}));
    add(picker, "city.ar");
    EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 1");
    ASSERT_EQ(picker.lstFile()->count(), 1);
    EXPECT_EQ(picker.lstFile()->item(0)->text(), source + "/city.ar");
    EXPECT_EQ(install("Files", "File1"), "city.ar");
    EXPECT_EQ(temp("File1"), source + "/city.ar");
    EXPECT_EQ(picker.window().findChild<QLabel *>("lblAddFile")->text(),
              "Double-click on a file to add it to your package");

    EXPECT_TRUE(fake->messageBoxes.isEmpty());
}

TEST_F(FilesStage, AFileListedInThisOpeningIsNotRecordedAgain)
{
    const QString linked = QDir::cleanPath(inProgram("../linked AR Files"));
    ASSERT_EQ(::symlink(source.toLocal8Bit(), linked.toLocal8Bit()), 0);
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "city.ar");
    picker.Dir1()->setPath(linked);
    add(picker, "city.ar"); // the same file, reached through a linked folder
    ASSERT_EQ(fake->messageBoxes.size(), 2);
    EXPECT_EQ(fake->messageBoxes[0].text, "This file is in the list already:\r\n" + source + "/city.ar");
    EXPECT_EQ(fake->messageBoxes[1].text, "This file is in the list already:\r\n" + linked + "/city.ar");
    EXPECT_EQ(fake->messageBoxes[1].flags, platform::MB_ICONINFORMATION);
    EXPECT_EQ(picker.lstFile()->count(), 1);
    EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 1");
    EXPECT_EQ(install("Files", "File2"), "<none>");
    EXPECT_EQ(temp("File2"), "<none>");

    picker.window().cmdCancel->click(); // a new opening starts a new list
    openPicker();
    add(picker, "city.ar");
    EXPECT_EQ(fake->messageBoxes.size(), 2);
    EXPECT_EQ(picker.lstFile()->count(), 1);
}

TEST_F(FilesStage, ASecondFileOfTheSameNameIsRefusedWithoutARecord)
{
    const QString other = QDir(inProgram("..")).canonicalPath() + "/Other AR";
    const QString sameName =
        "A file of the same name is in the list already:\r\n%1\r\n%2\r\nThe package folder holds its "
        "files side by side, and Windows does not tell names apart by letter case, so one would "
        "overwrite the other. Please rename one of the files and add it again.";
    struct Row
    {
        QString firstFolder, firstName, secondFolder, secondName;
        bool samePath;
    };
    const Row rows[] = {
        {source, "city.ar", other, "city.ar", false},
        {source, "CITY.AR", source, "city.ar", false},
        {source, QStringLiteral("\u00C9.ar"), other, QStringLiteral("\u00E9.ar"), false},
        {source, "city.ar", source, "city.ar", true},
    };
    for (const Row &row : rows) {
        writeFile(row.firstFolder + "/" + row.firstName, "first");
        writeFile(row.secondFolder + "/" + row.secondName, "second");
    }
    for (const Row &row : rows) {
        const QString first = row.firstFolder + "/" + row.firstName;
        const QString second = row.secondFolder + "/" + row.secondName;
        FrmARAddARFiles &picker = openPicker(row.firstFolder);
        add(picker, row.firstName);
        const QByteArray installBytes = readFile(packageFile("install.ini"));
        const QByteArray tempBytes = readFile(packageFile("temp.ini"));
        fake->messageBoxes.clear();
        picker.Dir1()->setPath(row.secondFolder);
        add(picker, row.secondName);

        ASSERT_EQ(fake->messageBoxes.size(), 1) << second.toStdString();
        if (row.samePath) {
            EXPECT_EQ(fake->messageBoxes[0].text, "This file is in the list already:\r\n" + second);
            EXPECT_EQ(fake->messageBoxes[0].flags, platform::MB_ICONINFORMATION);
        } else {
            EXPECT_EQ(fake->messageBoxes[0].text, sameName.arg(second, first));
            EXPECT_EQ(fake->messageBoxes[0].flags, platform::MB_ICONWARNING);
        }
        EXPECT_EQ(readFile(packageFile("install.ini")), installBytes) << second.toStdString();
        EXPECT_EQ(readFile(packageFile("temp.ini")), tempBytes) << second.toStdString();
        ASSERT_EQ(picker.lstFile()->count(), 1);
        EXPECT_EQ(picker.lstFile()->item(0)->text(), first);
        EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 1");
        picker.window().cmdCancel->click();
    }
    EXPECT_TRUE(fake->copies.isEmpty());
}

TEST_F(FilesStage, NamesAndPathsLongerThanARecordReadAreRefused)
{
    // A read of a package record gives 254 bytes: the installer reads the name, Add the path.
    const QString nameMessage =
        "This file's name is longer than 254 bytes:\r\n%1\r\nThe package's installer could "
        "not read it, so the package could not be installed. Please give the file a "
        "shorter name and add it again.";
    const QString pathMessage =
        "This file's full path is longer than 254 bytes:\r\n%1\r\nThe package records "
        "could not hold it. Please move the file to a folder with a shorter path and "
        "add it from there.";
    const QString deep = source + "/" + QString(254 - (source.size() + 1) - 5, 'd'); // + "/x.ar": 254 bytes
    struct Row
    {
        QString folder;
        QString name;
        QString message; // empty: recorded
    };
    const Row rows[] = {
        {source, QString(252, 'n') + ".ar", nameMessage},         // 255 bytes
        {source, QString(126, QChar(0xE9)) + ".ar", nameMessage}, // 129 characters, 255 bytes
        {deep, "x.ar", QString()},                                // a path of 254 bytes
        {deep, "xy.ar", pathMessage},                             // 255 bytes
    };
    for (const Row &row : rows)
        writeFile(row.folder + "/" + row.name, "ar");
    FrmARAddARFiles &picker = openPicker();
    for (const Row &row : rows) {
        picker.Dir1()->setPath(row.folder);
        fake->messageBoxes.clear();
        add(picker, row.name);
        const QString path = row.folder + "/" + row.name;
        if (row.message.isEmpty()) {
            EXPECT_TRUE(fake->messageBoxes.isEmpty());
            EXPECT_EQ(temp("File1"), path);
            continue;
        }
        ASSERT_EQ(fake->messageBoxes.size(), 1) << row.name.toStdString();
        EXPECT_EQ(fake->messageBoxes[0].text, row.message.arg(row.message == nameMessage ? row.name : path));
        EXPECT_EQ(fake->messageBoxes[0].flags, platform::MB_ICONWARNING);
    }
    EXPECT_EQ(picker.lstFile()->count(), 1);
    EXPECT_EQ(install("Files", "File2"), "<none>");

    // The list shows the end of a long path, the file's name, and the whole path as its tip.
    QListWidget *list = picker.lstFile();
    EXPECT_EQ(list->textElideMode(), Qt::ElideLeft);
    EXPECT_LE(list->visualItemRect(list->item(0)).right(), list->viewport()->width());
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(list->item(0)->toolTip(), deep + "/x.ar");
}

TEST_F(FilesStage, TheSizeLabelShowsTheListedFilesInKilobytesAfterEachAdd)
{
    writeFile(packageFile("readme.txt"), QByteArray(2000, 'r'));
    writeFile(packageFile("notes.bin"), QByteArray(100000, 'n')); // not listed in install.ini
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    add(picker, "bikes.ar");
    pressAdd(picker);
    // 4096 + 1000 + 10 + 2000 bytes, rounded up
    EXPECT_EQ(frmARNew3().lblSize()->text(), "Package Size in kilobytes (uncompressed): 7");

    openPicker();
    add(picker, "bikes.ar");
    pressAdd(picker);
    EXPECT_EQ(frmARNew3().lblSize()->text(), "Package Size in kilobytes (uncompressed): 2");
}

TEST_F(FilesStage, ARealDoubleClickOnTheFileListAddsTheFile)
{
    FrmARAddARFiles &picker = openPicker();
    auto *view = picker.File1()->findChild<QListView *>();
    ASSERT_NE(view, nullptr);
    const QModelIndex cars = view->model()->index(1, 0);
    const QPoint at = view->visualRect(cars).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(install("Files", "File1"), "cars.ar");
}

TEST_F(FilesStage, HelpExplainsInTwoLines)
{
    FrmARAddARFiles &picker = openPicker();
    EXPECT_EQ(picker.window().cmdBack->text(), "&Help");
    EXPECT_TRUE(picker.window().cmdBack->isEnabled());
    picker.window().cmdBack->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel Vemko Help");
    EXPECT_EQ(fake->messageBoxes[0].flags, 64u);
    EXPECT_EQ(
        fake->messageBoxes[0].text,
        "*To add an .AR file to your package, double click on the file (the list below the folder list)\r\n"
        "*Clicking Add will add all the files to the package and close the Add AR Files window");
}

TEST_F(FilesStage, OneFileIsMeasuredAndCopiedTwice)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    pressAdd(picker);

    EXPECT_EQ(copiedSources(), (QStringList{"city.ar", "city.ar"}));
    EXPECT_EQ(readFile(packageFile("city.ar")), QByteArray(4096, 'c'));
    EXPECT_TRUE(statuses.contains("Adding File (0 of 1), Size: 4096 bytes"));
    EXPECT_TRUE(statuses.contains("Adding File (1 of 1), Size: 4096 bytes"));
    EXPECT_EQ(barValues.last(), 1);
    EXPECT_TRUE(frmARNew3().txtFiles()->text().endsWith("\r\nFile1: city.ar"));
    EXPECT_FALSE(picker.isLoaded());
    EXPECT_FALSE(frmARCreate().isLoaded());
    EXPECT_TRUE(frmARNew3().isVisible());
    EXPECT_EQ(picker.FileNumber, 2); // the summary's counter, one past the last file line
}

TEST_F(FilesStage, ThreeFilesTakeFourStepsAndTheSummaryHasEverything)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    add(picker, "bikes.ar");
    pressAdd(picker);

    EXPECT_EQ(copiedSources(), (QStringList{"city.ar", "cars.ar", "bikes.ar", "bikes.ar"}));
    const QStringList steps = statuses.filter("Adding File (");
    EXPECT_EQ(steps.first(), "Adding File (0 of 3), Size: 4096 bytes");
    EXPECT_TRUE(steps.contains("Adding File (1 of 3), Size: 1000 bytes"));
    EXPECT_TRUE(steps.contains("Adding File (3 of 3), Size: 10 bytes"));
    QList<int> distinct;
    for (int v : barValues)
        if (distinct.isEmpty() || distinct.last() != v)
            distinct << v;
    EXPECT_EQ(distinct, (QList<int>{0, 1, 2, 3}));
    EXPECT_EQ(install("install.ini", "TotalFiles"), "3");
    EXPECT_TRUE(readFile(packageFile("install.ini")).contains("\r\nTotalFiles= 3\r\n"));
    for (const char *name : {"city.ar", "cars.ar", "bikes.ar"})
        EXPECT_EQ(readFile(packageFile(name)), readFile(source + "/" + name)) << name;

    EXPECT_EQ(frmARNew3().txtFiles()->text(), "Package Name: My Pack\r\n"
                                              "Author's Name: Jo\r\n"
                                              "Author's Email Address: jo@jo.org\r\n"
                                              "Author's Copyright: (c) Jo\r\n"
                                              "Total Number of Files: 3\r\n"
                                              "Readme Delay Timer: 30\r\n"
                                              "Midtown Madness Version Needed: 2\r\n"
                                              "Author's Web Site: www.jo.org\r\n"
                                              "Readme File: readme.txt\r\n"
                                              "Progress Bar Display: Smooth=True\r\n"
                                              "File1: city.ar\r\n"
                                              "File2: cars.ar\r\n"
                                              "File3: bikes.ar");
}

TEST_F(FilesStage, AMissingKeyShowsItsLabelAlone)
{
    writeFile(packageFile("install.ini"), "[install.ini]\r\nName=Bare\r\n");
    FrmARAddARFiles &picker = openPicker();
    add(picker, "bikes.ar");
    pressAdd(picker);
    const QStringList lines = frmARNew3().txtFiles()->text().split("\r\n");
    EXPECT_TRUE(lines.contains("Readme File: "));
    EXPECT_TRUE(lines.contains("Progress Bar Display: Smooth="));
    EXPECT_TRUE(lines.contains("Total Number of Files: 1"));
}

TEST_F(FilesStage, ALaterOpeningNumbersFromOneAndKeepsHigherEntries)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    add(picker, "bikes.ar");
    pressAdd(picker);

    openPicker();
    EXPECT_EQ(picker.lblAmount()->text(), "Amount of files in package: 0");
    EXPECT_EQ(picker.lstFile()->count(), 0);
    add(picker, "cars.ar");
    EXPECT_EQ(install("Files", "File1"), "cars.ar");
    EXPECT_EQ(install("Files", "File3"), "bikes.ar"); // left from the earlier opening
    pressAdd(picker);
    EXPECT_EQ(install("install.ini", "TotalFiles"), "1");
    EXPECT_TRUE(frmARNew3().txtFiles()->text().endsWith("Smooth=True\r\nFile1: cars.ar"));
}

TEST_F(FilesStage, AnOpeningWithoutAddsWorksOnTheEarlierList)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    pressAdd(picker);
    fake->copies.clear();
    QFile::remove(packageFile("city.ar"));

    openPicker();
    pressAdd(picker);
    EXPECT_EQ(copiedSources(), (QStringList{"city.ar", "cars.ar", "cars.ar"}));
    EXPECT_TRUE(QFile::exists(packageFile("city.ar")));
    EXPECT_EQ(install("install.ini", "TotalFiles"), "2");
}

TEST_F(FilesStage, AFileAtTheRootIsRecordedWithADoubledSeparatorAndCopied)
{
    const QString name = QStringLiteral("quernel-root-test-%1.ar").arg(::getpid());
    QFile rootFile("/" + name);
    if (!rootFile.open(QIODevice::WriteOnly))
        GTEST_SKIP() << "the root folder is not writable here";
    rootFile.write("root ar");
    rootFile.close();
    struct Cleanup
    {
        QString path;
        ~Cleanup() { QFile::remove(path); }
    } cleanup{"/" + name};

    FrmARAddARFiles &picker = openPicker("/");
    add(picker, name);
    EXPECT_EQ(temp("File1"), "//" + name);
    pressAdd(picker);
    EXPECT_EQ(readFile(packageFile(name)), "root ar");
    EXPECT_TRUE(statuses.contains("Adding File (0 of 1), Size: 7 bytes"));
}

TEST_F(FilesStage, CreateSetupCopiesTheInstallerAndShowsTheCompletionPage)
{
    frmARNew3().window().cmdNext->click();
    flushDeletes();
    EXPECT_EQ(readFile(packageFile("setup.exe")), "installer bytes");
    EXPECT_TRUE(frmARDone().isVisible());
    EXPECT_FALSE(frmARNew3().isLoaded());
    EXPECT_EQ(install("install.ini", "TotalFiles"), "<none>");
    EXPECT_FALSE(readFile(packageFile("install.ini")).contains("[Files]"));

    FrmARDone &done = frmARDone();
    EXPECT_EQ(done.window().lblBanner->text(), "Creation Complete");
    EXPECT_FALSE(done.window().cmdCancel->isEnabled());
    EXPECT_FALSE(done.window().cmdBack->isEnabled());
    EXPECT_EQ(done.window().cmdNext->text(), "&Finish");
    EXPECT_EQ(
        done.window().findChild<QLabel *>("lblDebug")->text(),
        "Creation of your setup package is now completed.  You should test it to ensure that it's built "
        "correctly.  If there's a problem, modify install.ini (which is the complete driving force for the "
        "Quernel), and add / remove .AR files as needed from the folder.");
}

TEST_F(FilesStage, TheCompletionPageNamesThePackageFolderAndOpensIt)
{
    Vemko::CopySetupAndFinish();
    FrmARDone &done = frmARDone();
    EXPECT_EQ(done.window().findChild<QLabel *>("lblFolder")->text(), "Package Folder:");
    EXPECT_EQ(done.txtFolder()->text(), Vemko::PackageFolder);
    EXPECT_TRUE(done.txtFolder()->isReadOnly());
    EXPECT_EQ(done.cmdOpenFolder()->text(), "&Open Folder");
    done.cmdOpenFolder()->click();
    EXPECT_EQ(fake->openedFolders, QStringList{Vemko::PackageFolder});
    EXPECT_TRUE(fake->messageBoxes.isEmpty());
    EXPECT_TRUE(done.isVisible());

    fake->openFolderSucceeds = false;
    done.cmdOpenFolder()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_EQ(fake->messageBoxes[0].text, "The package folder could not be opened:\r\n" +
                                              Vemko::PackageFolder + ": No file manager to show it");

    // Every mnemonic of the page is its own, and the completion text has room of its own.
    QString keys;
    for (QAbstractButton *b : done.window().findChildren<QAbstractButton *>())
        keys += b->text().section('&', 1).left(1).toLower();
    for (QChar key : keys)
        EXPECT_EQ(keys.count(key), 1) << keys.toStdString();
    auto *text = done.window().findChild<QLabel *>("lblDebug");
    EXPECT_LE(text->heightForWidth(text->width()), text->height());
    for (QWidget *w : {static_cast<QWidget *>(done.txtFolder()), static_cast<QWidget *>(done.cmdTest()),
                       static_cast<QWidget *>(done.cmdOpenFolder())}) {
        EXPECT_FALSE(w->geometry().intersects(text->geometry())) << w->objectName().toStdString();
        EXPECT_LE(w->geometry().bottom(), PageWindow::ContentBottom);
    }
}

TEST_F(FilesStage, AMissingInstallerIsReportedAndTheWizardStays)
{
    QFile::remove(inProgram("Redist/setup.exe"));
    frmARNew3().window().cmdNext->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains(inProgram("Redist/setup.exe")));
    EXPECT_TRUE(frmARNew3().isVisible());
    EXPECT_FALSE(frmARDone().isLoaded());
}

TEST_F(FilesStage, TestPackageStartsTheLinuxInstallerOnThePackageEachTimeWithoutWine)
{
    Vemko::CopySetupAndFinish();
    frmARDone().cmdTest()->click();
    frmARDone().cmdTest()->click();
    EXPECT_EQ(fake->startedPrograms, (QStringList{inProgram("Redist/setup"), inProgram("Redist/setup")}));
    const QStringList onPackage{"--package", inProgram("My Pack")};
    EXPECT_EQ(fake->startedArguments, (QList<QStringList>{onPackage, onPackage}));
    EXPECT_TRUE(frmARDone().window().cmdNext->isEnabled());

    fake->startSucceeds = false;
    frmARDone().cmdTest()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains("could not be started"));
}

TEST_F(FilesStage, TestPackageStartsThePackagesOwnSetupThroughASetUpWine)
{
    fake->wine = "/usr/bin/wine";
    Vemko::CopySetupAndFinish();
    frmARDone().cmdTest()->click();
    EXPECT_EQ(fake->startedPrograms, QStringList{"/usr/bin/wine"});
    EXPECT_EQ(fake->startedArguments, QList<QStringList>{{packageFile("setup.exe")}});
    EXPECT_TRUE(fake->messageBoxes.isEmpty());

    fake->startSucceeds = false;
    frmARDone().cmdTest()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains("/usr/bin/wine: Permission denied"));
}

TEST_F(FilesStage, FinishDeletesTempIniAndEnds)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    pressAdd(picker);
    Vemko::CopySetupAndFinish();
    ASSERT_TRUE(QFile::exists(packageFile("temp.ini")));
    bool after = false;
    EXPECT_TRUE(endsProgram([&] {
        frmARDone().cmdNext_Click();
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_FALSE(QFile::exists(packageFile("temp.ini")));
    for (const char *name : {"install.ini", "setup.exe", "city.ar"})
        EXPECT_TRUE(QFile::exists(packageFile(name))) << name;
}

TEST_F(FilesStage, FinishWithoutTempIniEndsAllTheSame)
{
    Vemko::CopySetupAndFinish();
    EXPECT_TRUE(endsProgram([] { frmARDone().cmdNext_Click(); }));
}

TEST_F(FilesStage, EscDoesNothingOnTheCreationAndCompletionPages)
{
    frmARCreate().show();
    pressKey(&frmARCreate().window(), Qt::Key_Escape);
    frmARCreate().window().close();
    EXPECT_TRUE(frmARCreate().isVisible());
    frmARCreate().unload();

    Vemko::CopySetupAndFinish();
    pressKey(&frmARDone().window(), Qt::Key_Escape);
    EXPECT_TRUE(fake->messageBoxes.isEmpty());
    EXPECT_FALSE(fake->ended);
    EXPECT_TRUE(frmARDone().isVisible());
}

TEST_F(FilesStage, ClosingTheCompletionPageFinishes)
{
    Vemko::CopySetupAndFinish();
    writeFile(packageFile("temp.ini"), "[Files]\r\n");
    EXPECT_TRUE(endsProgram([] { frmARDone().window().close(); }));
    EXPECT_FALSE(QFile::exists(packageFile("temp.ini")));
}

TEST_F(FilesStage, CreateSetupWaitsWhileThePickerIsOpen)
{
    FrmARNew3 &page = frmARNew3();
    openPicker();
    EXPECT_FALSE(page.window().cmdNext->isEnabled());
    frmARAddARFiles().window().cmdCancel->click();
    EXPECT_TRUE(page.window().cmdNext->isEnabled());
    openPicker();
    EXPECT_FALSE(page.window().cmdNext->isEnabled());
    frmARAddARFiles().window().close(); // the frame's close is the picker's Cancel
    EXPECT_TRUE(page.window().cmdNext->isEnabled());
    EXPECT_FALSE(frmARAddARFiles().isLoaded());
}

TEST_F(FilesStage, PickerCancelAndEscKeepTheRecordsWritten)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    pressKey(&picker.window(), Qt::Key_Escape);
    flushDeletes();
    EXPECT_FALSE(picker.isLoaded());
    EXPECT_EQ(install("Files", "File1"), "city.ar");
    EXPECT_EQ(install("install.ini", "TotalFiles"), "<none>");
    EXPECT_FALSE(QFile::exists(packageFile("city.ar")));
}

TEST_F(FilesStage, NothingCanBeOvertakenWhileAddRuns)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    QList<bool> enabled;
    fake->onDoEvents = [&] {
        if (!picker.isLoaded() || !picker.isAdding())
            return;
        PageWindow &w = picker.window();
        enabled << w.cmdNext->isEnabled() << w.cmdBack->isEnabled() << w.cmdCancel->isEnabled()
                << picker.File1()->isEnabled() << frmARNew3().cmdAddAR()->isEnabled()
                << frmARNew3().window().cmdNext->isEnabled();
        EXPECT_TRUE(frmARNew3().window().cmdCancel->isEnabled());
    };
    picker.window().cmdNext->click();
    fake->onDoEvents = nullptr;
    ASSERT_FALSE(enabled.isEmpty());
    EXPECT_FALSE(enabled.contains(true));
    EXPECT_TRUE(frmARNew3().cmdAddAR()->isEnabled());
    EXPECT_TRUE(frmARNew3().window().cmdNext->isEnabled());
}

TEST_F(FilesStage, CancelYesDuringTheCopyEndsAtOnceWithoutAPartialFile)
{
    writeFile(source + "/big.ar", QByteArray(64 * 1024, 'g'));
    fake->copyChunkSize = 4096;
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "big.ar");
    int calls = 0;
    bool cancelled = false;
    fake->onDoEvents = [&] {
        if (++calls == 6 && !cancelled) { // inside the copy of big.ar
            cancelled = true;
            fake->queueAnswer(IDYES);
            frmARNew3().cmdCancel_Click();
        }
    };
    EXPECT_TRUE(endsProgram([&] { picker.cmdNext_Click(); }));
    fake->onDoEvents = nullptr;
    EXPECT_EQ(readFile(packageFile("city.ar")), QByteArray(4096, 'c'));
    EXPECT_FALSE(QFile::exists(packageFile("big.ar")));
    for (const QString &entry : QDir(Vemko::PackageFolder).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(entry.endsWith(".part")) << entry.toStdString();
}

TEST_F(FilesStage, LargeFilesLetEventsRunBetweenChunks)
{
    writeFile(source + "/big.ar", QByteArray(40 * 4096, 'g'));
    fake->copyChunkSize = 4096;
    FrmARAddARFiles &picker = openPicker();
    add(picker, "big.ar");
    pressAdd(picker);
    EXPECT_GE(fake->doEventsCount, 80); // two copies of forty chunks each
    EXPECT_EQ(readFile(packageFile("big.ar")), QByteArray(40 * 4096, 'g'));
}

TEST_F(FilesStage, AddWithoutAnyFileAsksForOne)
{
    FrmARAddARFiles &picker = openPicker();
    const QByteArray before = readFile(packageFile("install.ini"));
    picker.window().cmdNext->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains("No file was added"));
    EXPECT_EQ(readFile(packageFile("install.ini")), before);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_FALSE(frmARCreate().isLoaded());
}

TEST_F(FilesStage, The32768thAddIsRefused)
{
    FrmARAddARFiles &picker = openPicker();
    picker.FileNumber = 32767;
    add(picker, "city.ar");
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_EQ(picker.FileNumber, 32767);
    EXPECT_EQ(picker.lstFile()->count(), 0);
    EXPECT_FALSE(QFile::exists(packageFile("temp.ini")));
}

TEST_F(FilesStage, AFileGoneSinceItWasPickedIsReportedOnceAndTheOthersAreCopied)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    add(picker, "cars.ar");
    QFile::remove(source + "/cars.ar");
    pressAdd(picker);
    ASSERT_EQ(fake->messageBoxes.size(), 1); // the last file is handled twice, reported once
    EXPECT_TRUE(fake->messageBoxes[0].text.contains(source + "/cars.ar"));
    EXPECT_EQ(fake->messageBoxes[0].flags, platform::MB_ICONWARNING);
    EXPECT_EQ(readFile(packageFile("city.ar")), QByteArray(4096, 'c'));
    EXPECT_FALSE(QFile::exists(packageFile("cars.ar")));
    EXPECT_FALSE(statuses.contains("Adding File (1 of 2), Size: 1000 bytes"));
}

TEST_F(FilesStage, AFilePickedFromThePackageFolderIsLeftWhole)
{
    writeFile(packageFile("inside.ar"), "already in place");
    FrmARAddARFiles &picker = openPicker(Vemko::PackageFolder);
    add(picker, "inside.ar");
    pressAdd(picker);
    EXPECT_EQ(readFile(packageFile("inside.ar")), "already in place");
    EXPECT_TRUE(fake->messageBoxes.isEmpty());
}

TEST_F(FilesStage, AnUnwritablePackageFolderIsReportedAndLeftClean)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    QFile::setPermissions(Vemko::PackageFolder, QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(Vemko::PackageFolder).isWritable() ||
        ::access(Vemko::PackageFolder.toLocal8Bit(), W_OK) == 0) {
        QFile::setPermissions(Vemko::PackageFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    pressAdd(picker);
    QFile::setPermissions(Vemko::PackageFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(fake->messageBoxes.isEmpty());
    EXPECT_FALSE(QFile::exists(packageFile("city.ar")));
}

TEST_F(FilesStage, TheFileListPageFrameCloseAsksTheCancelQuestion)
{
    fake->queueAnswer(IDNO);
    frmARNew3().window().close();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_TRUE(fake->messageBoxes[0].text.startsWith("Are you sure"));
    EXPECT_TRUE(frmARNew3().isVisible());
}

TEST_F(FilesStage, AMissingPackageFolderStopsAddWithAMessage)
{
    FrmARAddARFiles &picker = openPicker();
    add(picker, "city.ar");
    QDir(Vemko::PackageFolder).removeRecursively();
    picker.window().cmdNext->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains(packageFile("install.ini")));
    EXPECT_TRUE(picker.isVisible());
    EXPECT_TRUE(picker.window().cmdNext->isEnabled());
    EXPECT_FALSE(frmARCreate().isLoaded());
    EXPECT_FALSE(QDir(Vemko::PackageFolder).exists());
}

TEST_F(FilesStage, AFailureWhileOpeningThePickerGoesToTheErrorReport)
{
    // The picker starts in the current folder; take that folder away.
    const QString home = QDir::currentPath();
    const QString doomed = inProgram("../doomed");
    QDir().mkpath(doomed);
    ASSERT_TRUE(QDir::setCurrent(doomed));
    QDir(doomed).removeRecursively();
    const bool ended = endsProgram([] { frmARNew3().cmdAddAR_Click(); });
    QDir::setCurrent(home);
    EXPECT_TRUE(ended);
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_EQ(fake->messageBoxes[0].title, "Quernel Error 76");
    EXPECT_EQ(fake->messageBoxes[0].flags, 0x1030u);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains("Path not found"));
}

TEST_F(FilesStage, TheCreationPagePlaysTheClipFromTheProgramFolderOrGoesOnWithout)
{
    frmARCreate().show();
    EXPECT_FALSE(frmARCreate().Animation1()->isOpen()); // no clip here: nothing to show
    frmARCreate().unload();
    flushDeletes();

    ASSERT_TRUE(QFile::copy(QStringLiteral(QUERNEL_PROGRAM_DIR "/filecopy.avi"), inProgram("filecopy.avi")));
    frmARCreate().show();
    EXPECT_TRUE(frmARCreate().Animation1()->isOpen());
    EXPECT_TRUE(frmARCreate().Animation1()->isPlaying());
    EXPECT_EQ(frmARCreate().window().lblBanner->text(), "Creating Package");
    EXPECT_EQ(frmARCreate().lblStatus()->text(), "lblStatus");
    for (QPushButton *b :
         {frmARCreate().window().cmdCancel, frmARCreate().window().cmdBack, frmARCreate().window().cmdNext})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
}
