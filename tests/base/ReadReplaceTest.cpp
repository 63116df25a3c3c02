#include <chrono>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Files.h"
#include "FilesTestSupport.h"

namespace files = base::files;

namespace {

using base_test::TempFolder;

class ReadRegularFileTest : public TempFolder
{
};

TEST_F(ReadRegularFileTest, ReadsARegularFileWholeUpToTheCap)
{
    write(at("readme.txt"), std::string("line\r\n\0tail", 11));
    std::string error;
    EXPECT_EQ(files::readRegularFile(at("readme.txt"), 11, &error), std::string("line\r\n\0tail", 11))
        << error;
    EXPECT_EQ(files::readRegularFile(at("readme.txt"), 10, &error), std::nullopt);
    EXPECT_EQ(error, at("readme.txt") + ": File too large");
    write(at("empty.txt"), "");
    EXPECT_EQ(files::readRegularFile(at("empty.txt"), 0, &error), std::string());
}

TEST_F(ReadRegularFileTest, RefusesAtOnceWhatIsNotARegularFile)
{
    ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/zero", at("zero-link").c_str()), 0);
    ASSERT_EQ(::symlink(at("fifo").c_str(), at("fifo-link").c_str()), 0);
    struct Case
    {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {at("fifo"), "Not a regular file"},  {at("fifo-link"), "Not a regular file"},
        {"/dev/zero", "Not a regular file"}, {at("zero-link"), "Not a regular file"},
        {m_root, "Is a directory"},          {at("none"), "No such file or directory"},
    };
    for (const Case &c : cases) {
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        EXPECT_EQ(files::readRegularFile(c.path, 1 << 20, &error), std::nullopt) << c.path;
        EXPECT_EQ(error, c.path + ": " + c.reason);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.path;
    }
}

// Each case runs with unnamed temporaries and with the hidden named ones of file systems that
// have no unnamed files.
class ReplaceTest : public TempFolder, public ::testing::WithParamInterface<bool>
{
protected:
    ReplaceTest() { files::testing::forceNamedTemporaries(GetParam()); }
};

TEST_P(ReplaceTest, ReplacesTheBytesKeepsThePermissionsAndLeavesNothingElse)
{
    std::string error;
    ASSERT_TRUE(files::replaceFileContent(at("install.ini"), "[a]\r\nb=1\r\n", &error)) << error;
    struct stat st;
    ASSERT_EQ(::stat(at("install.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~0022u); // a new file gets the usual permissions (umask 022)

    ASSERT_EQ(::chmod(at("install.ini").c_str(), 0640), 0);
    ASSERT_TRUE(files::replaceFileContent(at("install.ini"), "[a]\r\nb=2\r\n", &error)) << error;
    EXPECT_EQ(read(at("install.ini")), "[a]\r\nb=2\r\n");
    ASSERT_EQ(::stat(at("install.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(), std::set<std::string>{"install.ini"});
}

TEST_P(ReplaceTest, ALinkStaysALinkAndItsTargetIsReplaced)
{
    ::mkdir(at("real").c_str(), 0755);
    write(at("real/temp.ini"), "old");
    ASSERT_EQ(::symlink("real/temp.ini", at("temp.ini").c_str()), 0);
    std::string error;
    ASSERT_TRUE(files::replaceFileContent(at("temp.ini"), "new", &error)) << error;
    struct stat st;
    ASSERT_EQ(::lstat(at("temp.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(read(at("real/temp.ini")), "new");
    EXPECT_EQ(entries(at("real")), std::set<std::string>{"temp.ini"});
}

TEST_P(ReplaceTest, RefusesWhatItMustNotWriteAndChangesNothing)
{
    write(at("locked.ini"), "locked");
    ASSERT_EQ(::chmod(at("locked.ini").c_str(), 0444), 0);
    ASSERT_EQ(::mkfifo(at("fifo.ini").c_str(), 0644), 0);
    ::mkdir(at("folder.ini").c_str(), 0755);
    const std::pair<std::string, std::string> cases[] = {
        {at("locked.ini"), "Permission denied"},
        {at("fifo.ini"), "Invalid argument"},
        {at("folder.ini"), "Is a directory"},
        {at("missing/x.ini"), "No such file or directory"},
    };
    for (const auto &[path, reason] : cases) {
        std::string error;
        EXPECT_FALSE(files::replaceFileContent(path, "new", &error)) << path;
        EXPECT_EQ(error, path + ": " + reason);
    }
    EXPECT_EQ(read(at("locked.ini")), "locked");
    EXPECT_EQ(entries(), (std::set<std::string>{"fifo.ini", "folder.ini", "locked.ini"}));
}

TEST_P(ReplaceTest, AStrayTemporaryOfAKilledWriteIsGoneAfterTheNextWrite)
{
    write(at("install.ini"), "whole");
    write(at(".install.ini.writing"), "half of a killed wri");
    std::string error;
    ASSERT_TRUE(files::replaceFileContent(at("install.ini"), "next", &error)) << error;
    EXPECT_EQ(read(at("install.ini")), "next");
    EXPECT_EQ(entries(), std::set<std::string>{"install.ini"});
}

TEST_P(ReplaceTest, AFolderThatTakesNoNewFileIsWrittenInPlace)
{
    ::mkdir(at("pkg").c_str(), 0755);
    write(at("pkg/install.ini"), "a long old content that is longer");
    write(at("pkg/new-locked.ini"), "x");
    ASSERT_EQ(::chmod(at("pkg/install.ini").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(at("pkg").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(m_root.c_str(), 0755), 0);
    const std::string target = at("pkg/install.ini");
    const std::string fresh = at("pkg/fresh.ini");
    const int status = asUnprivilegedUser([&] {
        std::string error;
        if (!files::replaceFileContent(target, "short", &error))
            return 1;
        if (files::replaceFileContent(fresh, "new", &error)) // no file to write in place
            return 2;
        return error == fresh + ": Permission denied" ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read(target), "short");
    EXPECT_EQ(entries(at("pkg")), (std::set<std::string>{"install.ini", "new-locked.ini"}));
}

INSTANTIATE_TEST_SUITE_P(Temporaries, ReplaceTest, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Named" : "Unnamed"; });

} // namespace
