#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Files.h"
#include "FrmARNew1.h"
#include "FrmARReadmeLocation.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "WizardFixture.h"

namespace fs = std::filesystem;

namespace {

const std::string Instruction =
    "Please locate your AR Package Readme file.  It must be in the .RTF or .TXT formats.  "
    "Information will appear here.";

using Files = std::vector<std::string>;

std::string makeFolder(const std::string &path)
{
    fs::create_directories(base::files::toPath(path));
    return base::files::fromPath(fs::canonical(base::files::toPath(path)));
}

class ReadmePicker : public WizardFixture
{
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        Vemko::PackageFolder = inProgram("My Pack");
        makeFolder(Vemko::PackageFolder);
        WriteINI(packageFile("install.ini"), "install.ini", "Name", "My Pack");
        work = makeFolder(inProgram("../Work"));
        writeFile(work + "/readme.txt", "plain readme\r\n");
        writeFile(work + "/readme.rtf", "{\\rtf1 rich}");
        frmARNew1().show();
    }
    std::string packageFile(const std::string &name) const { return Vemko::PackageFolder + "/" + name; }

    static void clickBrowse() { frmARNew1().window().control<form::Button>("cmdBrowse").click(); }

    // Opens the picker from the details page and walks it to folder.
    FrmARReadmeLocation &openAt(const std::string &folder)
    {
        clickBrowse();
        FrmARReadmeLocation &picker = frmARReadmeLocation();
        picker.Dir1()->setPath(folder);
        return picker;
    }

    std::string work;
};

} // namespace

TEST_F(ReadmePicker, ListsOnlyRtfAndTxtWhateverTheCase)
{
    const std::string dir = inProgram("../Mixed");
    for (const char *name : {"README.TXT", "notes.Rtf", "readme.doc", "readme.txt.bak", "a.txt"})
        writeFile(dir + "/" + name, "x");
    const std::string folder = makeFolder(dir);
    FrmARReadmeLocation &picker = openAt(folder);
    EXPECT_EQ(picker.File1()->path(), folder); // the folder change moved the file list
    EXPECT_EQ(picker.File1()->files(), (Files{"a.txt", "notes.Rtf", "README.TXT"}));
}

TEST_F(ReadmePicker, StartsFreshAtTheCurrentFolderWithTheInstruction)
{
    FrmARReadmeLocation &picker = openAt(work);
    EXPECT_EQ(picker.lblPath()->text(), Instruction);
    EXPECT_EQ(picker.cmdNext()->text(), "&Open");
    EXPECT_FALSE(picker.cmdBack()->isEnabled());
    picker.File1()->setFileName("readme.txt");
    picker.cmdCancel()->click();
    flushDeletes();
    EXPECT_FALSE(picker.isLoaded());

    clickBrowse();
    EXPECT_EQ(picker.lblPath()->text(), Instruction);
    EXPECT_EQ(picker.Dir1()->path(), fake->currentFolder());
    EXPECT_EQ(picker.File1()->path(), fake->currentFolder());
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
    const std::string other = makeFolder(inProgram("../Other"));
    FrmARReadmeLocation &picker = openAt(work);
    picker.File1()->setFileName("readme.txt");

    picker.Dir1()->setPath(other);
    EXPECT_EQ(picker.File1()->fileName(), "");
    EXPECT_EQ(picker.lblPath()->text(), "Absolute Path: " + other + "/\r\nFile Name: ");

    const std::vector<form::Volume> volumes{{"/", "root"}, {work, "Work"}};
    picker.Drive1()->setVolumes(volumes);
    picker.Dir1()->setVolumes(volumes);
    picker.Drive1()->setDrive(work);
    EXPECT_EQ(picker.lblPath()->text(), "Absolute Path: " + work + "/\r\nFile Name: ");
}

TEST_F(ReadmePicker, AtTheRootTheSeparatorIsDoubled)
{
    const std::string name = "quernel-root-test-" + std::to_string(::getpid()) + ".txt";
    const std::string rootFile = "/" + name;
    {
        FILE *f = std::fopen(rootFile.c_str(), "wb");
        if (!f)
            GTEST_SKIP() << "the root folder is not writable here";
        std::fputs("root readme", f);
        std::fclose(f);
    }
    struct Cleanup
    {
        std::string path;
        ~Cleanup() { std::remove(path.c_str()); }
    } cleanup{rootFile};

    FrmARReadmeLocation &picker = openAt("/");
    picker.File1()->setFileName(name);
    EXPECT_EQ(picker.lblPath()->text(), "Absolute Path: //" + name + "\r\nFile Name: " + name);
    picker.cmdNext()->click();
    EXPECT_EQ(readFile(packageFile(name)), "root readme");
}

TEST_F(ReadmePicker, OpenRecordsCopiesFillsTheFieldAndCloses)
{
    writeFile(packageFile("readme.txt"), "an older readme");
    const std::string installBefore = readFile(packageFile("install.ini"));
    FrmARReadmeLocation &picker = openAt(work);
    picker.File1()->setFileName("readme.txt");
    picker.cmdNext()->click();
    flushDeletes();

    EXPECT_EQ(readFile(packageFile("temp.ini")), "[install.ini]\r\nReadme=readme.txt\r\n");
    EXPECT_EQ(readFile(packageFile("readme.txt")), "plain readme\r\n");
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "readme.txt");
    EXPECT_FALSE(picker.isLoaded());
    EXPECT_EQ(readFile(packageFile("install.ini")), installBefore);

    frmARNew1().cmdNext()->click();
    EXPECT_EQ(ReadINI(packageFile("install.ini"), "install.ini", "Readme", ""), "readme.txt");
}

TEST_F(ReadmePicker, ASecondReadmeReplacesTheNameButKeepsTheFirstCopy)
{
    openAt(work).File1()->setFileName("readme.txt");
    frmARReadmeLocation().cmdNext()->click();
    openAt(work).File1()->setFileName("readme.rtf");
    frmARReadmeLocation().cmdNext()->click();
    EXPECT_TRUE(exists(packageFile("readme.txt")));
    EXPECT_EQ(readFile(packageFile("readme.rtf")), "{\\rtf1 rich}");
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "readme.rtf");
    EXPECT_EQ(ReadINI(packageFile("temp.ini"), "install.ini", "Readme", ""), "readme.rtf");
}

TEST_F(ReadmePicker, OpenAfterTheDetailsPageMovedOnChangesOnlyTheHiddenField)
{
    FrmARReadmeLocation &picker = openAt(work);
    frmARNew1().cmdNext()->click(); // writes Readme= and hides the details page
    EXPECT_FALSE(frmARNew1().isVisible());
    picker.File1()->setFileName("readme.txt");
    picker.cmdNext()->click();
    EXPECT_TRUE(exists(packageFile("readme.txt")));
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "readme.txt");
    EXPECT_EQ(ReadINI(packageFile("install.ini"), "install.ini", "Readme", "<none>"), "");
}

TEST_F(ReadmePicker, CancelEscAndTheFrameCloseChangeNothing)
{
    for (int way = 0; way < 3; ++way) {
        FrmARReadmeLocation &picker = openAt(work);
        picker.File1()->setFileName("readme.txt");
        if (way == 0)
            picker.cmdCancel()->click();
        else if (way == 1)
            pressKey(picker.window(), Key::Escape);
        else
            picker.window().CloseRequest(); // the window frame's close, as the window system raises it
        flushDeletes();
        EXPECT_FALSE(picker.isLoaded()) << way;
        EXPECT_FALSE(exists(packageFile("temp.ini"))) << way;
        EXPECT_FALSE(exists(packageFile("readme.txt"))) << way;
        EXPECT_EQ(frmARNew1().txtReadme()->text(), "") << way;
    }
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(ReadmePicker, OpenWithoutASelectionAsksForOneAndStays)
{
    FrmARReadmeLocation &picker = openAt(work);
    picker.cmdNext()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_NE(fake->messageBoxes[0].text.find("select"), std::string::npos);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_FALSE(exists(packageFile("temp.ini")));
}

TEST_F(ReadmePicker, AFailedCopyNamesTheFileAndKeepsThePickerOpen)
{
    FrmARReadmeLocation &picker = openAt(work);
    picker.File1()->setFileName("readme.txt");
    fs::remove(base::files::toPath(work + "/readme.txt")); // gone since it was listed
    picker.cmdNext()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_NE(fake->messageBoxes[0].text.find(work + "/readme.txt"), std::string::npos);
    EXPECT_EQ(fake->messageBoxes[0].flags, form::MB_ICONWARNING);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "");
    // The record is written before the copy is tried, and stays.
    EXPECT_EQ(ReadINI(packageFile("temp.ini"), "install.ini", "Readme", ""), "readme.txt");
    EXPECT_FALSE(exists(packageFile("readme.txt")));
}

TEST_F(ReadmePicker, AReadmeFromThePackageFolderItselfStaysWhole)
{
    writeFile(packageFile("inplace.txt"), "already here");
    FrmARReadmeLocation &picker = openAt(Vemko::PackageFolder);
    picker.File1()->setFileName("inplace.txt");
    picker.cmdNext()->click();
    EXPECT_EQ(readFile(packageFile("inplace.txt")), "already here");
    EXPECT_EQ(frmARNew1().txtReadme()->text(), "inplace.txt");
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(ReadmePicker, PickingAVolumeMovesTheFolderAndFileLists)
{
    FrmARReadmeLocation &picker = openAt(work);
    const std::string elsewhere = makeFolder(programFolder());
    const std::vector<form::Volume> volumes{{"/", "root"}, {work, "Work"}};
    picker.Drive1()->setVolumes(volumes);
    picker.Dir1()->setVolumes(volumes);
    picker.Dir1()->setPath(elsewhere);

    picker.Drive1()->setDrive(work);
    EXPECT_EQ(picker.Dir1()->entries().front(), work); // the folder list's chain starts at the volume's root
    EXPECT_EQ(picker.Dir1()->path(), work);
    EXPECT_EQ(picker.File1()->path(), work);
    EXPECT_EQ(picker.File1()->files(), (Files{"readme.rtf", "readme.txt"}));

    // Back on the first volume, the lists return to the folder last visited there.
    picker.Drive1()->setDrive("/");
    EXPECT_EQ(picker.Dir1()->path(), elsewhere);
    EXPECT_EQ(picker.File1()->path(), elsewhere);
}
