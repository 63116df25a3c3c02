#include <gtest/gtest.h>

#include <unistd.h>

#include "GameFolder.h"
#include "PackageFixture.h"

using namespace installer;
using namespace installer_test;

namespace {

class GameFolderTest : public PackageFixture
{
protected:
    void SetUp() override
    {
        fs::create_directories(gameFolder());
        fs::create_directories(packageFolder());
    }
    FolderCheck check(int version) { return checkGameFolder(gameFolder(), version, packageFolder()); }
};

} // namespace

TEST_F(GameFolderTest, TheGamesProgramInAnyCaseMarksTheRightFolder)
{
    writeFile(inGame("MIDTOWN2.EXE"), "MZ");
    FolderCheck c = check(2);
    EXPECT_TRUE(c.usable());
    EXPECT_EQ(c.look, FolderLook::RightGame);
    EXPECT_EQ(c.marker, "MIDTOWN2.EXE");
    EXPECT_FALSE(c.needsWarning());
    EXPECT_TRUE(contains(describe(c, 2), "Midtown Madness 2 folder (MIDTOWN2.EXE found)"));

    // The same folder for a Midtown Madness 1 package: the other game.
    c = check(1);
    EXPECT_EQ(c.look, FolderLook::OtherGame);
    EXPECT_TRUE(c.needsWarning());
    EXPECT_TRUE(contains(describe(c, 1), "made for Midtown Madness 1"));

    writeFile(inGame("Midtown.exe"), "MZ");
    c = check(1);
    EXPECT_EQ(c.look, FolderLook::RightGame);
    EXPECT_EQ(c.marker, "Midtown.exe");
}

TEST_F(GameFolderTest, ArchivesAloneAreEnoughAndAnEmptyFolderIsWarnedAbout)
{
    FolderCheck c = check(2);
    EXPECT_TRUE(c.usable());
    EXPECT_EQ(c.look, FolderLook::NoGame);
    EXPECT_TRUE(c.needsWarning());

    writeFile(inGame("readme.txt"), "x");
    fs::create_directories(inGame("sub.ar")); // a folder named like an archive is no archive
    EXPECT_EQ(check(2).look, FolderLook::NoGame);

    writeFile(inGame("Vehicles.AR"), "x");
    c = check(2);
    EXPECT_EQ(c.look, FolderLook::ArchivesOnly);
    EXPECT_FALSE(c.needsWarning());
}

TEST_F(GameFolderTest, UnknownVersionTakesEitherGame)
{
    writeFile(inGame("midtown.exe"), "MZ");
    const FolderCheck c = check(0);
    EXPECT_EQ(c.look, FolderLook::RightGame);
    EXPECT_EQ(c.marker, "midtown.exe");
}

TEST_F(GameFolderTest, FoldersThatCannotTakeTheFilesAreRefused)
{
    struct Case
    {
        std::string folder;
        FolderProblem problem;
        const char *reasonPart;
    };
    writeFile(at("afile"), "x");
    const Case cases[] = {
        {"", FolderProblem::NotGiven, "No game folder"},
        {at("nowhere"), FolderProblem::Missing, "does not exist"},
        {at("afile"), FolderProblem::NotAFolder, "is not a folder"},
        {packageFolder() + "/", FolderProblem::PackageFolder, "package folder itself"},
        // /proc takes no new file even from root.
        {"/proc", FolderProblem::NotWritable, "cannot be written"},
    };
    for (const Case &c : cases) {
        const FolderCheck refused = checkGameFolder(c.folder, 2, packageFolder());
        EXPECT_EQ(refused.problem, c.problem) << c.folder;
        EXPECT_FALSE(refused.usable()) << c.folder;
        EXPECT_TRUE(contains(refused.error, c.reasonPart)) << c.folder << ": " << refused.error;
    }
    // A read-only folder is the same for anyone but root.
    if (::geteuid() != 0) {
        fs::permissions(gameFolder(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_TRUE(contains(check(2).error, "cannot be written"));
        fs::permissions(gameFolder(), fs::perms::owner_all);
    }
    // The writability probe leaves nothing behind.
    EXPECT_TRUE(check(2).usable());
    EXPECT_TRUE(fs::is_empty(gameFolder()));
}

TEST(GameFolderFrom, APastedOrTypedFolderBecomesAbsoluteAndClean)
{
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ(gameFolderFrom("/games/mm2"), "/games/mm2");
    EXPECT_EQ(gameFolderFrom("  /games/mm2/  "), "/games/mm2");
    EXPECT_EQ(gameFolderFrom("\"/games/Midtown Madness 2\""), "/games/Midtown Madness 2");
    EXPECT_EQ(gameFolderFrom(" \" /games/x/../mm2/./ \" "), "/games/mm2");
    EXPECT_EQ(gameFolderFrom("/"), "/");
    EXPECT_EQ(gameFolderFrom("mm2"), cwd + "/mm2");
    EXPECT_EQ(gameFolderFrom(""), "");
    EXPECT_EQ(gameFolderFrom(" \"\" "), "");
}
