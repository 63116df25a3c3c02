#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "DirList.h"
#include "DriveList.h"
#include "FileList.h"
#include "FrmARNew1.h"
#include "FrmARReadmeLocation.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "WizardFixture.h"

namespace {

const QString Instruction =
    "Please locate your AR Package Readme file.  It must be in the .RTF or .TXT formats.  "
    "Information will appear here.";

class ReadmePicker : public WizardFixture
{
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        Vemko::PackageFolder = inProgram("My Pack");
        QDir().mkpath(Vemko::PackageFolder);
        WriteINI(packageFile("install.ini"), "install.ini", "Name", "My Pack");
        work = inProgram("../Work");
        QDir().mkpath(work);
        work = QDir(work).canonicalPath();
        writeFile(work + "/readme.txt", "plain readme\r\n");
        writeFile(work + "/readme.rtf", "{\\rtf1 rich}");
        frmARNew1().show();
    }
    QString packageFile(const QString &name) const { return Vemko::PackageFolder + "/" + name; }

    // Opens the picker from the details page and walks it to folder.
    FrmARReadmeLocation &openAt(const QString &folder)
    {
        frmARNew1().window().findChild<QPushButton *>("cmdBrowse")->click();
        FrmARReadmeLocation &picker = frmARReadmeLocation();
        picker.Dir1()->setPath(folder);
        return picker;
    }

    QString work;
};

} // namespace

TEST_F(ReadmePicker, ListsOnlyRtfAndTxtWhateverTheCase)
{
    const QString dir = inProgram("../Mixed");
    for (const char *name : {"README.TXT", "notes.Rtf", "readme.doc", "readme.txt.bak", "a.txt"})
        writeFile(dir + "/" + name, "x");
    FrmARReadmeLocation &picker = openAt(QDir(dir).canonicalPath());
    EXPECT_EQ(picker.File1()->path(), QDir(dir).canonicalPath()); // the folder change moved the file list
    EXPECT_EQ(picker.File1()->files(), (QStringList{"a.txt", "notes.Rtf", "README.TXT"}));
}

TEST_F(ReadmePicker, StartsFreshAtTheCurrentFolderWithTheInstruction)
{
    FrmARReadmeLocation &picker = openAt(work);
    EXPECT_EQ(picker.lblPath()->text(), Instruction);
    EXPECT_EQ(picker.window().cmdNext->text(), "&Open");
    EXPECT_FALSE(picker.window().cmdBack->isEnabled());
    picker.File1()->setFileName("readme.txt");
    picker.window().cmdCancel->click();
    flushDeletes();
    EXPECT_FALSE(picker.isLoaded());

    frmARNew1().window().findChild<QPushButton *>("cmdBrowse")->click();
    EXPECT_EQ(picker.lblPath()->text(), Instruction);
    EXPECT_EQ(picker.Dir1()->path(), QDir::currentPath());
    EXPECT_EQ(picker.File1()->path(), QDir::currentPath());
    EXPECT_EQ(picker.File1()->fileName(), "");
}

TEST_F(ReadmePicker, ClickingAFileShowsItsAbsolutePathAndName)
{
    FrmARReadmeLocation &picker = openAt(work);
    picker.File1()->setFileName("readme.rtf");
    EXPECT_EQ(picker.lblPath()->text(), "Absolute Path: " + work + "/readme.rtf\r\nFile Name: readme.rtf");
}

TEST_F(ReadmePicker, AnotherFolderOrVolumeShowsItsPathNotTheFileClickedBefore)
{
    QDir().mkpath(inProgram("../Other"));
    const QString other = QDir(inProgram("../Other")).canonicalPath();
    FrmARReadmeLocation &picker = openAt(work);
    picker.File1()->setFileName("readme.txt");

    picker.Dir1()->setPath(other);
    EXPECT_EQ(picker.File1()->fileName(), "");
    EXPECT_EQ(picker.lblPath()->text(), "Absolute Path: " + other + "/\r\nFile Name: ");

    const QList<platform::Volume> volumes{{"/", "root", "ext4", "/dev/sda1"},
                                          {work, "Work", "ext4", "/dev/sdb1"}};
    picker.Drive1()->setVolumes(volumes);
    picker.Dir1()->setVolumes(volumes);
    picker.Drive1()->setDrive(work);
    EXPECT_EQ(picker.lblPath()->text(), "Absolute Path: " + work + "/\r\nFile Name: ");
}

TEST_F(ReadmePicker, AtTheRootTheSeparatorIsDoubled)
{
    const QString name = QStringLiteral("quernel-root-test-%1.txt").arg(::getpid());
    QFile rootFile("/" + name);
    if (!rootFile.open(QIODevice::WriteOnly))
        GTEST_SKIP() << "the root folder is not writable here";
    rootFile.write("root readme");
    rootFile.close();
    struct Cleanup
    {
        QString path;
        ~Cleanup() { QFile::remove(path); }
    } cleanup{"/" + name};

    FrmARReadmeLocation &picker = openAt("/");
    picker.File1()->setFileName(name);
    EXPECT_EQ(picker.lblPath()->text(), "Absolute Path: //" + name + "\r\nFile Name: " + name);
    picker.window().cmdNext->click();
    EXPECT_EQ(readFile(packageFile(name)), "root readme");
}

TEST_F(ReadmePicker, OpenRecordsCopiesFillsTheFieldAndCloses)
{
    writeFile(packageFile("readme.txt"), "an older readme");
    const QByteArray installBefore = readFile(packageFile("install.ini"));
    FrmARReadmeLocation &picker = openAt(work);
    picker.File1()->setFileName("readme.txt");
    picker.window().cmdNext->click();
    flushDeletes();

    EXPECT_EQ(readFile(packageFile("temp.ini")), "[install.ini]\r\nReadme=readme.txt\r\n");
    EXPECT_EQ(readFile(packageFile("readme.txt")), "plain readme\r\n");
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "readme.txt");
    EXPECT_FALSE(picker.isLoaded());
    EXPECT_EQ(readFile(packageFile("install.ini")), installBefore);

    frmARNew1().window().cmdNext->click();
    EXPECT_EQ(ReadINI(packageFile("install.ini"), "install.ini", "Readme", ""), "readme.txt");
}

TEST_F(ReadmePicker, ASecondReadmeReplacesTheNameButKeepsTheFirstCopy)
{
    openAt(work).File1()->setFileName("readme.txt");
    frmARReadmeLocation().window().cmdNext->click();
    openAt(work).File1()->setFileName("readme.rtf");
    frmARReadmeLocation().window().cmdNext->click();
    EXPECT_TRUE(QFile::exists(packageFile("readme.txt")));
    EXPECT_EQ(readFile(packageFile("readme.rtf")), "{\\rtf1 rich}");
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "readme.rtf");
    EXPECT_EQ(ReadINI(packageFile("temp.ini"), "install.ini", "Readme", ""), "readme.rtf");
}

TEST_F(ReadmePicker, OpenAfterTheDetailsPageMovedOnChangesOnlyTheHiddenField)
{
    FrmARReadmeLocation &picker = openAt(work);
    frmARNew1().window().cmdNext->click(); // writes Readme= and hides the details page
    EXPECT_FALSE(frmARNew1().isVisible());
    picker.File1()->setFileName("readme.txt");
    picker.window().cmdNext->click();
    EXPECT_TRUE(QFile::exists(packageFile("readme.txt")));
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "readme.txt");
    EXPECT_EQ(ReadINI(packageFile("install.ini"), "install.ini", "Readme", "<none>"), "");
}

TEST_F(ReadmePicker, CancelEscAndTheFrameCloseChangeNothing)
{
    for (int way = 0; way < 3; ++way) {
        FrmARReadmeLocation &picker = openAt(work);
        picker.File1()->setFileName("readme.txt");
        if (way == 0)
            picker.window().cmdCancel->click();
        else if (way == 1)
            pressKey(&picker.window(), Qt::Key_Escape);
        else
            picker.window().close();
        flushDeletes();
        EXPECT_FALSE(picker.isLoaded()) << way;
        EXPECT_FALSE(QFile::exists(packageFile("temp.ini"))) << way;
        EXPECT_FALSE(QFile::exists(packageFile("readme.txt"))) << way;
        EXPECT_EQ(frmARNew1().txtReadme()->text(), "") << way;
    }
    EXPECT_TRUE(fake->messageBoxes.isEmpty());
}

TEST_F(ReadmePicker, OpenWithoutASelectionAsksForOneAndStays)
{
    FrmARReadmeLocation &picker = openAt(work);
    picker.window().cmdNext->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains("select"));
    EXPECT_TRUE(picker.isVisible());
    EXPECT_FALSE(QFile::exists(packageFile("temp.ini")));
}

TEST_F(ReadmePicker, AFailedCopyNamesTheFileAndKeepsThePickerOpen)
{
    FrmARReadmeLocation &picker = openAt(work);
    picker.File1()->setFileName("readme.txt");
    QFile::remove(work + "/readme.txt"); // gone since it was listed
    picker.window().cmdNext->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains(work + "/readme.txt"));
    EXPECT_EQ(fake->messageBoxes[0].flags, platform::MB_ICONWARNING);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "");
    // The record is written before the copy is tried, and stays.
    EXPECT_EQ(ReadINI(packageFile("temp.ini"), "install.ini", "Readme", ""), "readme.txt");
    EXPECT_FALSE(QFile::exists(packageFile("readme.txt")));
}

TEST_F(ReadmePicker, AReadmeFromThePackageFolderItselfStaysWhole)
{
    writeFile(packageFile("inplace.txt"), "already here");
    FrmARReadmeLocation &picker = openAt(Vemko::PackageFolder);
    picker.File1()->setFileName("inplace.txt");
    picker.window().cmdNext->click();
    EXPECT_EQ(readFile(packageFile("inplace.txt")), "already here");
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "inplace.txt");
    EXPECT_TRUE(fake->messageBoxes.isEmpty());
}

TEST_F(ReadmePicker, PickingAVolumeMovesTheFolderAndFileLists)
{
    FrmARReadmeLocation &picker = openAt(work);
    const QString elsewhere = QDir(programFolder()).canonicalPath();
    const QList<platform::Volume> volumes{{"/", "root", "ext4", "/dev/sda1"},
                                          {work, "Work", "ext4", "/dev/sdb1"}};
    picker.Drive1()->setVolumes(volumes);
    picker.Dir1()->setVolumes(volumes);
    picker.Dir1()->setPath(elsewhere);

    picker.Drive1()->setDrive(work);
    EXPECT_EQ(picker.Dir1()->volumeRoot(), work);
    EXPECT_EQ(picker.Dir1()->path(), work);
    EXPECT_EQ(picker.File1()->path(), work);
    EXPECT_EQ(picker.File1()->files(), (QStringList{"readme.rtf", "readme.txt"}));

    // Back on the first volume, the lists return to the folder last visited there.
    picker.Drive1()->setDrive("/");
    EXPECT_EQ(picker.Dir1()->path(), elsewhere);
    EXPECT_EQ(picker.File1()->path(), elsewhere);
}
