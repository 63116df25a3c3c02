#include "BrowseModels.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using form::Volume;
using form::lists::DirModel;
using form::lists::DirRow;
using form::lists::DriveModel;
using form::lists::FileModel;

namespace {

// A scratch folder tree: top/a/b/c with sub-folders Zeta, alpha and .hidden, and files.
class BrowseModelsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_top =
            (fs::temp_directory_path() /
             ("browse-models-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name())))
                .string();
        fs::remove_all(m_top);
        for (const char *folder : {"a/b/c/Zeta", "a/b/c/alpha", "a/b/c/.hidden", "other/deep"})
            fs::create_directories(at(folder));
        for (const char *file : {"a/b/c/readme.TXT", "a/b/c/notes.txt", "a/b/c/notes.txtx", "a/b/c/setup.rtf",
                                 "a/b/c/.secret.txt"})
            std::ofstream(at(file)) << "x";
    }
    void TearDown() override { fs::remove_all(m_top); }

    std::string at(const std::string &relative) const
    {
        return relative.empty() ? m_top : m_top + "/" + relative;
    }

    std::string m_top;
};

TEST_F(BrowseModelsTest, DirRowsAreTheChainFromTheVolumeRootThenTheSubfolders)
{
    struct Case
    {
        std::string volumeUnderTop; // "" for none: the system's "/" holds everything
        std::string folder;         // relative to the scratch tree
    };
    for (const Case &c :
         std::vector<Case>{{"", "a/b/c"}, {"a", "a/b/c"}, {"a/b/c", "a/b/c"}, {"a", "a/b/c/"}}) {
        SCOPED_TRACE(c.volumeUnderTop + " | " + c.folder);
        std::vector<Volume> volumes{{"/", "root"}};
        if (!c.volumeUnderTop.empty())
            volumes.push_back({at(c.volumeUnderTop), "mounted"});
        const DirModel model(volumes, at(c.folder));

        std::vector<DirRow> expected;
        std::string chainFrom = "/";
        if (!c.volumeUnderTop.empty())
            chainFrom = at(c.volumeUnderTop);
        expected.push_back({chainFrom, 0, true});
        const fs::path rest = fs::path(at("a/b/c")).lexically_relative(chainFrom);
        std::string path = chainFrom;
        for (const fs::path &part : rest)
            if (part != ".") {
                path = (path == "/" ? path : path + "/") + part.string();
                expected.push_back({path, int(expected.size()), true});
            }
        const int level = int(expected.size());
        for (const char *sub : {"alpha", "Zeta", ".hidden"})
            expected.push_back({at("a/b/c/") + sub, level, false});

        EXPECT_EQ(model.path(), at("a/b/c"));
        EXPECT_EQ(model.rows(), expected);
        EXPECT_EQ(model.currentRow(), level - 1);
    }
}

TEST_F(BrowseModelsTest, AFolderThatCannotBeReadGivesTheFailureTextAndChangesNothing)
{
    DirModel dirs({{"/", "root"}}, at("a/b"));
    FileModel files("*.txt", at("a/b/c"));
    ASSERT_TRUE(files.setFileName("notes.txt"));
    const std::vector<DirRow> rowsBefore = dirs.rows();
    const std::vector<std::string> filesBefore = files.files();

    struct Case
    {
        std::string folder;
        std::string reason;
    };
    for (const Case &c : std::vector<Case>{{at("missing"), "No such file or directory"},
                                           {at("a/b/c/notes.txt"), "Not a directory"}}) {
        SCOPED_TRACE(c.folder);
        const std::string text = "Cannot open the folder " + c.folder + ":\n" + c.reason + ".";
        const form::lists::Outcome dirMove = dirs.setPath(c.folder);
        EXPECT_FALSE(dirMove.changed);
        EXPECT_EQ(dirMove.failure, text);
        EXPECT_EQ(dirs.path(), at("a/b"));
        EXPECT_EQ(dirs.rows(), rowsBefore);

        const form::lists::Outcome fileMove = files.setPath(c.folder);
        EXPECT_FALSE(fileMove.changed);
        EXPECT_EQ(fileMove.failure, text);
        EXPECT_EQ(files.path(), at("a/b/c"));
        EXPECT_EQ(files.files(), filesBefore);
        EXPECT_EQ(files.fileName(), "notes.txt");
    }

    DriveModel drives({{"/", "root"}, {at("missing"), "gone"}}, at("a"));
    const form::lists::Outcome driveMove = drives.setDrive(at("missing"));
    EXPECT_EQ(driveMove.failure, "Cannot open the volume " + at("missing") + ":\nNo such file or directory.");
    EXPECT_EQ(drives.drive(), "/");

    // The same folder again is no move; a readable one is, and reaches its sub-folder by row.
    EXPECT_EQ(dirs.setPath(at("a/b/")).changed, false);
    EXPECT_TRUE(dirs.setPath(at("a/b/c/../c")).changed);
    EXPECT_EQ(dirs.path(), at("a/b/c"));
    EXPECT_TRUE(dirs.openRow(dirs.currentRow() - 1).changed);
    EXPECT_EQ(dirs.path(), at("a/b"));
    EXPECT_FALSE(dirs.openRow(99).changed);
}

TEST_F(BrowseModelsTest, PatternsFilterTheLongNamesWithoutRegardToCase)
{
    struct Case
    {
        std::string patterns;
        std::vector<std::string> files;
    };
    for (const Case &c : std::vector<Case>{
             {"*.txt", {"notes.txt", "readme.TXT"}},
             {"", {"notes.txt", "notes.txtx", "readme.TXT", "setup.rtf"}},
             {"*.*", {"notes.txt", "notes.txtx", "readme.TXT", "setup.rtf"}},
             {" *.RTF ; notes.* ", {"notes.txt", "notes.txtx", "setup.rtf"}},
             {"*.doc", {}},
         }) {
        SCOPED_TRACE(c.patterns);
        FileModel model(c.patterns, at("a/b/c"));
        EXPECT_EQ(model.files(), c.files);
        EXPECT_EQ(model.pattern(), c.patterns.empty() ? "*.*" : c.patterns);
    }

    FileModel model("*.txt", at("a/b/c"));
    EXPECT_TRUE(model.setFileName("notes.txt"));
    EXPECT_FALSE(model.setFileName("notes.txt"));
    EXPECT_EQ(model.selectedRow(), 0);
    EXPECT_FALSE(model.setFileName("setup.rtf")); // not listed: clears the selection
    EXPECT_EQ(model.fileName(), "");
    model.setFileName("readme.TXT");
    model.setPattern("*.rtf");
    EXPECT_EQ(model.files(), std::vector<std::string>{"setup.rtf"});
    EXPECT_EQ(model.fileName(), "");
    EXPECT_TRUE(model.setPath(at("a/b/c")).changed); // the same folder listed again is a move
}

TEST_F(BrowseModelsTest, TheRememberedFolderPerVolumeFallsBackToItsNearestReadableParent)
{
    const std::vector<Volume> volumes{{"/", "root"}, {at("a"), "games"}, {at("other"), "more"}};
    DriveModel model(volumes, at("a/b"));
    EXPECT_EQ(model.drive(), at("a"));
    EXPECT_EQ(model.currentRow(), 1);

    model.rememberFolder(at("a/b/c/alpha"));
    model.rememberFolder(at("other/deep"));
    EXPECT_EQ(model.drive(), at("other"));
    fs::remove_all(at("a/b/c"));

    struct Case
    {
        std::string root;
        std::string folder;
    };
    for (const Case &c :
         std::vector<Case>{{at("a"), at("a/b")}, {at("other"), at("other/deep")}, {"/", "/"}}) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(model.lastFolderOn(c.root), c.folder);
    }
    fs::remove_all(at("a"));
    EXPECT_EQ(model.lastFolderOn(at("a")), at("a"));

    // Change is due on each success, also for the current volume; offering other volumes keeps
    // the current one when still there.
    EXPECT_TRUE(model.setDrive(at("other/deep")).changed);
    EXPECT_TRUE(model.setDrive(at("other")).changed);
    model.setVolumes({{"/", "root"}, {at("other"), "more"}});
    EXPECT_EQ(model.drive(), at("other"));
    model.setVolumes({{"/", "root"}});
    EXPECT_EQ(model.drive(), "/");
}

} // namespace
