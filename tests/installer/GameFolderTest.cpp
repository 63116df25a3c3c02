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
        QDir().mkpath(gameFolder());
        QDir().mkpath(packageFolder());
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
    EXPECT_TRUE(describe(c, 2).contains("Midtown Madness 2 folder (MIDTOWN2.EXE found)"));

    // The same folder for a Midtown Madness 1 package: the other game.
    c = check(1);
    EXPECT_EQ(c.look, FolderLook::OtherGame);
    EXPECT_TRUE(c.needsWarning());
    EXPECT_TRUE(describe(c, 1).contains("made for Midtown Madness 1"));

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
    QDir().mkpath(inGame("sub.ar")); // a folder named like an archive is no archive
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
    EXPECT_TRUE(checkGameFolder("", 2, packageFolder()).error.contains("No game folder"));
    EXPECT_TRUE(checkGameFolder(at("nowhere"), 2, packageFolder()).error.contains("does not exist"));
    writeFile(at("afile"), "x");
    EXPECT_TRUE(checkGameFolder(at("afile"), 2, packageFolder()).error.contains("is not a folder"));
    EXPECT_TRUE(
        checkGameFolder(packageFolder() + "/", 2, packageFolder()).error.contains("package folder itself"));

    // /proc takes no new file even from root; a read-only folder is the same for anyone else.
    EXPECT_TRUE(checkGameFolder("/proc", 2, packageFolder()).error.contains("cannot be written"));
    if (::geteuid() != 0) {
        QFile::setPermissions(gameFolder(), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_TRUE(check(2).error.contains("cannot be written"));
        QFile::setPermissions(gameFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // The writability probe leaves nothing behind.
    EXPECT_TRUE(check(2).usable());
    EXPECT_TRUE(
        QDir(gameFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}
