#include <unistd.h>

#include <gtest/gtest.h>

#include "FileOps.h"
#include "TestFolder.h"

using platform::CopyOutcome;
namespace fileops = platform::fileops;

namespace {
using FileOpsTest = TestFolder;
using Names = std::vector<std::string>;
} // namespace

TEST_F(FileOpsTest, CopyReplacesTargetWithSourceBytesAndLeavesNoTemporary)
{
    std::string big(3 * 4096 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    write(at("src.ar"), big);
    ::mkdir(at("pkg").c_str(), 0755);
    write(at("pkg/src.ar"), "old contents");

    int chunks = 0;
    std::string error;
    EXPECT_EQ(fileops::copyFile(
                  at("src.ar"), at("pkg/src.ar"), &error, [&] { ++chunks; }, 4096),
              CopyOutcome::Copied)
        << error;
    EXPECT_EQ(read(at("pkg/src.ar")), big);
    EXPECT_EQ(chunks, 4);
    EXPECT_EQ(entries(at("pkg")), Names{"src.ar"});
}

TEST_F(FileOpsTest, CopyKeepsTheSourcePermissions)
{
    write(at("setup.exe"), "#!/bin/sh\n", 0700);
    ::mkdir(at("pkg").c_str(), 0755);
    ASSERT_EQ(fileops::copyFile(at("setup.exe"), at("pkg/setup.exe"), nullptr), CopyOutcome::Copied);
    EXPECT_EQ(::access(at("pkg/setup.exe").c_str(), X_OK), 0);
}

TEST_F(FileOpsTest, CopyOntoItselfIsRecognisedAndLeavesTheFileWhole)
{
    write(at("readme.txt"), "keep me");
    // A doubled separator names the same file.
    EXPECT_EQ(fileops::copyFile(at("readme.txt"), root() + "//readme.txt", nullptr), CopyOutcome::SameFile);
    EXPECT_EQ(read(at("readme.txt")), "keep me");
}

TEST_F(FileOpsTest, FailedCopiesNameTheFileAndChangeNothing)
{
    std::string error;
    EXPECT_EQ(fileops::copyFile(at("gone.ar"), at("x.ar"), &error), CopyOutcome::Failed);
    EXPECT_NE(error.find(at("gone.ar")), std::string::npos) << error;
    EXPECT_FALSE(exists(at("x.ar")));

    write(at("a.ar"), "data");
    error.clear();
    EXPECT_EQ(fileops::copyFile(at("a.ar"), at("missing/a.ar"), &error), CopyOutcome::Failed);
    EXPECT_NE(error.find(at("missing/a.ar")), std::string::npos) << error;

    write(at("locked.ar"), "locked", 0400);
    if (::access(at("locked.ar").c_str(), W_OK) == 0)
        GTEST_SKIP() << "running with rights that ignore file permissions";
    EXPECT_EQ(fileops::copyFile(at("a.ar"), at("locked.ar"), &error), CopyOutcome::Failed);
    EXPECT_EQ(read(at("locked.ar")), "locked");
}

TEST_F(FileOpsTest, CopyInterruptedBetweenChunksLeavesTheOldTargetAndNoTemporary)
{
    write(at("src.ar"), std::string(10000, 'n'));
    ::mkdir(at("pkg").c_str(), 0755);
    write(at("pkg/src.ar"), "previous");
    struct Stop
    {
    };
    EXPECT_THROW(fileops::copyFile(
                     at("src.ar"), at("pkg/src.ar"), nullptr, [] { throw Stop{}; }, 4096),
                 Stop);
    EXPECT_EQ(read(at("pkg/src.ar")), "previous");
    EXPECT_EQ(entries(at("pkg")), Names{"src.ar"});
}

TEST_F(FileOpsTest, ACopyUnderWayShowsNoFileInTheTargetFolder)
{
    write(at("src.ar"), std::string(10000, 'n'));
    ::mkdir(at("pkg").c_str(), 0755);
    Names during;
    struct Stop
    {
    };
    try {
        fileops::copyFile(
            at("src.ar"), at("pkg/src.ar"), nullptr,
            [&] {
                for (const std::string &name : entries(at("pkg")))
                    during.push_back(name);
                fileops::removePendingFiles(); // what ending the program does
                throw Stop{};
            },
            4096);
    } catch (const Stop &) {
    }
    // Whether the copy is unnamed or hidden under a temporary name, nothing is
    // left once the program ends.
    EXPECT_TRUE(during.empty() || during.front().starts_with(".src.ar.")) << during.front();
    EXPECT_TRUE(entries(at("pkg")).empty());
}

TEST_F(FileOpsTest, FolderLengthAndDelete)
{
    std::string error;
    EXPECT_TRUE(fileops::createFolder(at("New Project Folder"), &error));
    EXPECT_FALSE(fileops::createFolder(at("New Project Folder"), &error)); // exists: a failure
    EXPECT_FALSE(fileops::createFolder(at("a/b"), &error));                // one level only

    write(at("f.ar"), std::string(4096, 'x'));
    EXPECT_EQ(fileops::fileLength(root() + "//f.ar", &error), 4096);
    EXPECT_EQ(fileops::fileLength(at("none.ar"), &error), -1);
    EXPECT_NE(error.find("none.ar"), std::string::npos);

    EXPECT_TRUE(fileops::deleteFile(at("f.ar"), &error));
    EXPECT_FALSE(exists(at("f.ar")));
    EXPECT_FALSE(fileops::deleteFile(at("f.ar"), &error));
}
