#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Files.h"
#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "WizardFixture.h"

namespace fs = std::filesystem;

namespace {

class NamePage : public WizardFixture
{
protected:
    FrmARNew0 &start()
    {
        Vemko::ShowFirstPage();
        return frmARNew0();
    }
    // The names in the program folder, hidden ones included.
    std::vector<std::string> programFolderEntries() const
    {
        std::vector<std::string> names;
        for (const fs::directory_entry &e : fs::directory_iterator(base::files::toPath(programFolder())))
            names.push_back(base::files::fromPath(e.path().filename()));
        return names;
    }
    static bool isFolder(const std::string &path) { return fs::is_directory(base::files::toPath(path)); }
    static void setPermissions(const std::string &path, fs::perms perms)
    {
        fs::permissions(base::files::toPath(path), perms, fs::perm_options::replace);
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
    EXPECT_EQ(fake->visibleTitles(), std::vector<std::string>{"Create Package Folder"});
}

TEST_F(NamePage, FolderFollowsEveryKeystroke)
{
    FrmARNew0 &page = start();
    std::string typed;
    for (char c : std::string("My Pack")) {
        FakePlatform::type(*page.txtPackage(), std::string(1, c));
        typed += c;
        EXPECT_EQ(page.txtProject()->text(), programFolder() + "/" + typed);
        EXPECT_EQ(Vemko::PackageFolder, programFolder() + "/" + typed);
    }
}

TEST_F(NamePage, AnEarlierPackageInTheDefaultFolderIsPickedUp)
{
    fs::create_directories(base::files::toPath(inProgram("New Project Folder")));
    WriteINI(inProgram("New Project Folder/install.ini"), "install.ini", "Name", "X");
    FrmARNew0 &page = start();
    EXPECT_EQ(page.txtPackage()->text(), "X");
    EXPECT_EQ(page.txtProject()->text(), programFolder() + "/X");
    EXPECT_EQ(Vemko::PackageFolder, programFolder() + "/X");
}

TEST_F(NamePage, NextCreatesTheFolderRecordsTheNameAndMovesOn)
{
    FrmARNew0 &page = start();
    FakePlatform::type(*page.txtPackage(), "My Pack");
    page.cmdNext()->click();
    flushDeletes();
    EXPECT_TRUE(isFolder(inProgram("My Pack")));
    EXPECT_EQ(readFile(inProgram("My Pack/install.ini")), "[install.ini]\r\nName=My Pack\r\n");
    EXPECT_FALSE(page.isLoaded());
    EXPECT_TRUE(frmARNew1().isVisible());
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(NamePage, EmptyNameWritesIntoTheProgramFolderItself)
{
    FrmARNew0 &page = start();
    page.txtPackage()->setText("a");
    page.txtPackage()->setText("");
    EXPECT_EQ(page.txtProject()->text(), programFolder() + "/");
    page.cmdNext()->click();
    EXPECT_EQ(readFile(programFolder() + "/install.ini"), "[install.ini]\r\nName=\r\n");
    EXPECT_TRUE(frmARNew1().isVisible());
}

TEST_F(NamePage, AnExistingPackageFolderIsReusedAndItsNameReplaced)
{
    fs::create_directories(base::files::toPath(inProgram("Old")));
    writeFile(inProgram("Old/install.ini"), "[install.ini]\r\nName=Older\r\nAuthor=Jo\r\n");
    FrmARNew0 &page = start();
    FakePlatform::type(*page.txtPackage(), "Old");
    page.cmdNext()->click();
    EXPECT_EQ(readFile(inProgram("Old/install.ini")), "[install.ini]\r\nName=Old\r\nAuthor=Jo\r\n");
    EXPECT_EQ(frmARNew1().txtAName()->text(), "Jo");
}

TEST_F(NamePage, AHandEditedFolderIsCreatedButFilesFollowTheName)
{
    FrmARNew0 &page = start();
    FakePlatform::type(*page.txtPackage(), "Named");
    page.txtProject()->setText(inProgram("Edited"));
    EXPECT_EQ(Vemko::PackageFolder, inProgram("Named")); // no handler on the folder box
    page.cmdNext()->click();
    EXPECT_TRUE(isFolder(inProgram("Edited")));
    EXPECT_FALSE(isFolder(inProgram("Named")));
    EXPECT_FALSE(exists(inProgram("Edited/install.ini")));
    EXPECT_FALSE(exists(inProgram("Named/install.ini"))); // its folder was never made
    EXPECT_TRUE(frmARNew1().isVisible());
}

TEST_F(NamePage, NamesThatLeaveTheProgramFolderAreRefused)
{
    FrmARNew0 &page = start();
    for (const std::string bad : {"..", ".", "../escape", "a/b", "a\\b", "/tmp/x"}) {
        fake->messageBoxes.clear();
        page.txtPackage()->setText(bad);
        page.cmdNext()->click();
        ASSERT_EQ(fake->messageBoxes.size(), 1u) << bad;
        EXPECT_EQ(fake->messageBoxes[0].flags, form::MB_ICONWARNING);
        EXPECT_NE(fake->messageBoxes[0].text.find("package name"), std::string::npos) << bad;
        EXPECT_TRUE(page.isVisible());
        EXPECT_FALSE(frmARNew1().isLoaded());
    }
    EXPECT_EQ(programFolderEntries(), std::vector<std::string>{});
    EXPECT_FALSE(exists(programFolder() + "/../install.ini"));
}

TEST_F(NamePage, NamesWindowsCannotHoldAreRefusedBeforeAnythingIsWritten)
{
    const std::string characters =
        "The package name cannot contain < > : \" | ? * or control characters.\r\nThe package folder is made "
        "under the package name, and Windows allows none of them in a folder name; please choose another "
        "name.";
    const std::string ending =
        "The package name cannot end in a dot or a blank.\r\nThe package folder is made under the package "
        "name, and Windows drops them from the end of a folder name; please choose another name.";
    const std::string device =
        "The package name cannot be CON, PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9, with or without an "
        "extension.\r\nThe package folder is made under the package name, and Windows keeps these names for "
        "its devices; please choose another name.";
    struct Row
    {
        std::string name;
        const std::string &message;
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
        {std::string("nul\0", 4), characters},
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
        {"LPT\u00B9", device},
    };
    FrmARNew0 &page = start();
    for (const Row &row : rows) {
        fake->messageBoxes.clear();
        page.txtPackage()->setText(row.name);
        ASSERT_EQ(page.txtPackage()->text(), row.name);
        page.cmdNext()->click();
        ASSERT_EQ(fake->messageBoxes.size(), 1u) << row.name;
        EXPECT_EQ(fake->messageBoxes[0].text, row.message) << row.name;
        EXPECT_EQ(fake->messageBoxes[0].flags, form::MB_ICONWARNING);
        EXPECT_TRUE(page.isVisible());
        EXPECT_FALSE(frmARNew1().isLoaded());
    }
    EXPECT_EQ(programFolderEntries(), std::vector<std::string>{});
}

TEST_F(NamePage, NamesWithDotsBlanksAndAnyScriptInsideAreAccepted)
{
    for (const std::string good : {"v1.2 final", ".pack", "Caf\u00E9 \u00C9t\u00E9", "\u65E5\u672C",
                                   "CONSOLE", "COM10", "LPT", "Aux Pack.v2", "a-b_c (1)"}) {
        FrmARNew0 &page = start();
        page.txtPackage()->setText(good);
        page.cmdNext()->click();
        flushDeletes();
        EXPECT_TRUE(fake->messageBoxes.empty()) << good;
        EXPECT_EQ(readFile(inProgram(good + "/install.ini")), "[install.ini]\r\nName=" + good + "\r\n");
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
        std::string name;
        std::string reason;
        bool lockProgramFolder;
    };
    const Row rows[] = {{std::string(300, 'n'), "File name too long", false},
                        {"Taken", "A file of that name is in the way", false},
                        {"Locked Out", "Permission denied", true}};
    FrmARNew0 &page = start();
    for (const Row &row : rows) {
        if (row.lockProgramFolder) {
            setPermissions(programFolder(), fs::perms::owner_read | fs::perms::owner_exec);
            if (::access(programFolder().c_str(), W_OK) == 0) {
                setPermissions(programFolder(), fs::perms::owner_all);
                continue; // running with rights that ignore folder permissions
            }
        }
        fake->messageBoxes.clear();
        page.txtPackage()->setText(row.name);
        page.cmdNext()->click();
        setPermissions(programFolder(), fs::perms::owner_all);
        ASSERT_EQ(fake->messageBoxes.size(), 1u) << row.reason;
        EXPECT_EQ(fake->messageBoxes[0].flags, form::MB_ICONWARNING);
        const std::string advice =
            row.lockProgramFolder
                ? "Package folders are made inside the program folder, and " + programFolder() +
                      " cannot be written to. Please move the wizard's folder to a folder you can write to, "
                      "such as one in your Documents, and start it from there."
                : "Please choose another package name, or check that the program folder can be written to.";
        EXPECT_EQ(fake->messageBoxes[0].text, "The package folder could not be created:\r\n" + programFolder() +
                                                  "/" + row.name + ": " + row.reason + "\r\n" + advice);
        EXPECT_TRUE(page.isVisible());
        EXPECT_FALSE(frmARNew1().isLoaded());
        EXPECT_EQ(Vemko::PackageFolder, programFolder() + "/" + row.name);
    }
    // Unpacked where nothing can be made (Program Files), whatever rights this test has: the
    // author learns that the wizard has to move.
    fake->lockedFolders = {programFolder()};
    fake->messageBoxes.clear();
    page.txtPackage()->setText("My Pack");
    page.cmdNext()->click();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text,
              "The package folder could not be created:\r\n" + programFolder() +
                  "/My Pack: Permission denied\r\nPackage folders are made inside the program folder, and " +
                  programFolder() +
                  " cannot be written to. Please move the wizard's folder to a folder you can write to, such as "
                  "one in your Documents, and start it from there.");
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(programFolderEntries(), std::vector<std::string>{"Taken"});
}
