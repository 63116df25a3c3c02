// ReadINI and WriteINI on real files: the values and bytes they give, what they leave alone, and
// the cache of parsed files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "IniFileStore.h"
#include "IniFuncs.h"
#include "IniTestFiles.h"

using namespace IniTestFiles;

namespace {

using Names = std::vector<std::string>;

int lineEnds(const std::string &bytes)
{
    int count = 0;
    for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2))
        ++count;
    return count;
}

struct stat lstatOf(const std::string &path)
{
    struct stat st
    {
    };
    ::lstat(path.c_str(), &st);
    return st;
}

class IniFuncsTest : public testing::Test
{
protected:
    std::string path(const std::string &name = "install.ini") const { return m_dir.path() + '/' + name; }
    std::string bytes(const std::string &name = "install.ini") const { return readBytes(path(name)); }
    std::string read(const std::string &key, const std::string &defaultValue = {}) const
    {
        return ReadINI(path(), "install.ini", key, defaultValue);
    }
    void write(const std::string &key, const std::string &value) const
    {
        WriteINI(path(), "install.ini", key, value);
    }

    TempDir m_dir;
};

TEST_F(IniFuncsTest, NeverWrittenKeyGivesTheDefault)
{
    EXPECT_EQ(read("Name"), "");
    EXPECT_EQ(read("Name", "none"), "none");
    write("Author", "Jo");
    EXPECT_EQ(read("Name"), "");
    EXPECT_EQ(ReadINI(path(), "Files", "Author", "none"), "none");
}

TEST_F(IniFuncsTest, ValueIsStoredAsGivenAndReadWithoutSurroundingBlanks)
{
    write("TotalFiles", " 3");
    EXPECT_EQ(bytes(), "[install.ini]\r\nTotalFiles= 3\r\n");
    EXPECT_EQ(read("TotalFiles"), "3");
}

TEST_F(IniFuncsTest, LineBreaksInAValueBecomeBlanks)
{
    write("Copyright", "(c) Jo\r\nAll rights");
    write("Lone", "a\rb\nc");
    EXPECT_EQ(bytes(), "[install.ini]\r\nCopyright=(c) Jo  All rights\r\nLone=a b c\r\n");
    EXPECT_EQ(read("Copyright"), "(c) Jo  All rights");
}

TEST_F(IniFuncsTest, EnclosingQuotesAreDroppedOnRead)
{
    write("Name", "'My Pack'");
    write("Other", "\"x\"");
    EXPECT_EQ(bytes(), "[install.ini]\r\nName='My Pack'\r\nOther=\"x\"\r\n");
    EXPECT_EQ(read("Name"), "My Pack");
    EXPECT_EQ(read("Other"), "x");
    EXPECT_EQ(read("Missing", "'quoted' "), "quoted");
}

TEST_F(IniFuncsTest, ReadsAreCutTo254Bytes)
{
    std::string value;
    for (int i = 0; value.size() < 300; ++i)
        value += std::to_string(i % 10);
    write("Long", value);
    EXPECT_EQ(bytes(), "[install.ini]\r\nLong=" + value + "\r\n");
    EXPECT_EQ(read("Long"), value.substr(0, 254));
    EXPECT_EQ(read("Missing", value), value.substr(0, 254));
    EXPECT_EQ(read("Missing", value.substr(0, 254)), value.substr(0, 254));
}

// A cut at 254 bytes that would split a UTF-8 character backs off to the character's start.
class IniUtf8CutTest : public IniFuncsTest,
                       public testing::WithParamInterface<std::tuple<int, const char *, int>>
{
};

TEST_P(IniUtf8CutTest, NeverSplitsACharacter)
{
    const auto [lead, character, expectedBytes] = GetParam();
    const std::string value = std::string(std::size_t(lead), 'a') + character + "tail";
    write("Name", value);
    const std::string expected = value.substr(0, std::size_t(expectedBytes));
    EXPECT_EQ(read("Name"), expected);
    EXPECT_EQ(read("Missing", value), expected);
}

std::string utf8RowName(const testing::TestParamInfo<IniUtf8CutTest::ParamType> &info)
{
    return "Lead" + std::to_string(std::get<0>(info.param)) + "Width" +
           std::to_string(std::strlen(std::get<1>(info.param))) + "Gives" +
           std::to_string(std::get<2>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Rows, IniUtf8CutTest,
                         testing::Values(std::tuple{252, "\xC3\xA9", 254},          // é ends at byte 254
                                         std::tuple{253, "\xC3\xA9", 253},          // é would be split
                                         std::tuple{251, "\xE2\x82\xAC", 254},      // € ends at byte 254
                                         std::tuple{252, "\xE2\x82\xAC", 252},      // € split after 2 bytes
                                         std::tuple{253, "\xE2\x82\xAC", 253},      // € split after 1 byte
                                         std::tuple{250, "\xF0\x9F\x98\x80", 254},  // 4-byte character fits
                                         std::tuple{251, "\xF0\x9F\x98\x80", 251},  // split after 3 bytes
                                         std::tuple{254, "\xF0\x9F\x98\x80", 254}), // starts after the cut
                         utf8RowName);

TEST_F(IniFuncsTest, RewritingAKeyKeepsOneLine)
{
    write("Name", "My Pack");
    write("Author", "Jo");
    write("NAME", "Other");
    EXPECT_EQ(bytes(), "[install.ini]\r\nName=Other\r\nAuthor=Jo\r\n");
    EXPECT_EQ(read("name"), "Other");
}

TEST_F(IniFuncsTest, EmptyValueIsAValue)
{
    write("Copyright", "");
    write("Name", "x");
    write("Name", "");
    EXPECT_EQ(bytes(), "[install.ini]\r\nCopyright=\r\nName=\r\n");
    EXPECT_EQ(read("Copyright", "dflt"), "");
    EXPECT_EQ(read("Name", "dflt"), "");
}

TEST_F(IniFuncsTest, WriteIntoMissingFolderCreatesNothing)
{
    const std::string file = path("nodir/install.ini");
    WriteINI(file, "install.ini", "Name", "My Pack");
    WriteINI(file, "install.ini", "Name", "My Pack");
    EXPECT_EQ(ReadINI(file, "install.ini", "Name", ""), "");
    EXPECT_TRUE(entries(m_dir.path()).empty());
}

TEST_F(IniFuncsTest, ReadOnlyFileStaysAsItIs)
{
    write("Name", "My Pack");
    ASSERT_EQ(::chmod(path().c_str(), 0444), 0);
    const struct stat before = statOf(path());
    write("Name", "Other");
    write("Author", "Jo");
    WriteINI(path(), "Files", "File1", "a.ar");
    const struct stat after = statOf(path());
    EXPECT_EQ(bytes(), "[install.ini]\r\nName=My Pack\r\n");
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    EXPECT_EQ(read("Name"), "My Pack");
    EXPECT_EQ(read("Author", "none"), "none");
    EXPECT_EQ(entries(m_dir.path()), Names{"install.ini"});
}

TEST_F(IniFuncsTest, TypicalRunGivesItsFifteenLines)
{
    const std::string install = path();
    WriteINI(install, "install.ini", "Name", "My Pack");
    for (const auto &[key, value] : {std::pair{"Copyright", "(c) 2003 Jo"},
                                     {"Author", "Jo Blogs"},
                                     {"WWW", "www.example.com"},
                                     {"AuthEmail", "jo@example.com"},
                                     {"Readme", "readme.txt"}})
        WriteINI(install, "install.ini", key, value);
    WriteINI(install, "install.ini", "mmType", "2");
    WriteINI(install, "Progress Bar", "Smooth", "True");
    WriteINI(install, "install.ini", "Timer", "30");
    WriteINI(install, "Files", "File1", "city.ar");
    WriteINI(install, "Files", "File2", "cars.ar");
    WriteINI(install, "install.ini", "TotalFiles", " 2");

    const std::string expected = "[install.ini]\r\n"
                                 "Name=My Pack\r\n"
                                 "Copyright=(c) 2003 Jo\r\n"
                                 "Author=Jo Blogs\r\n"
                                 "WWW=www.example.com\r\n"
                                 "AuthEmail=jo@example.com\r\n"
                                 "Readme=readme.txt\r\n"
                                 "mmType=2\r\n"
                                 "Timer=30\r\n"
                                 "TotalFiles= 2\r\n"
                                 "[Progress Bar]\r\n"
                                 "Smooth=True\r\n"
                                 "[Files]\r\n"
                                 "File1=city.ar\r\n"
                                 "File2=cars.ar\r\n";
    EXPECT_EQ(bytes(), expected);
    EXPECT_EQ(lineEnds(bytes()), 15);
}

TEST_F(IniFuncsTest, SameValueLeavesTheFileUntouched)
{
    write("Name", "A");
    const struct stat before = statOf(path());
    write("Name", "A");
    write("name", "A");
    const struct stat after = statOf(path());
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
}

TEST_F(IniFuncsTest, EveryOtherByteStays)
{
    // BOM, comment, blank lines, spacing, LF-only line ends, no line end at the end.
    ASSERT_TRUE(writeBytes(path(), "\xEF\xBB\xBF; made by hand\n[install.ini]\n  Name = Old  \n\n"
                                   "[Files]\r\nFile1=a.ar"));
    write("Name", "New");
    write("Author", "Jo");
    WriteINI(path(), "Files", "File2", "b.ar");
    WriteINI(path(), "Progress Bar", "Smooth", "True");
    EXPECT_EQ(bytes(), "\xEF\xBB\xBF; made by hand\n[install.ini]\n  Name =New\nAuthor=Jo\r\n\n"
                       "[Files]\r\nFile1=a.ar\r\nFile2=b.ar\r\n[Progress Bar]\r\nSmooth=True\r\n");
    EXPECT_EQ(read("Name"), "New");
}

TEST_F(IniFuncsTest, PermissionsAreKept)
{
    write("Name", "A");
    EXPECT_EQ(
        statOf(path()).st_mode & 07777, 0666 & ~[] {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            return mask;
        }());
    ASSERT_EQ(::chmod(path().c_str(), 0640), 0);
    write("Name", "B");
    EXPECT_EQ(statOf(path()).st_mode & 07777, 0640u);
    EXPECT_EQ(read("Name"), "B");
}

// Chosen behaviour: values of 32,767 characters or more are written whole.
TEST_F(IniFuncsTest, VeryLongValuesAreWrittenWhole)
{
    const std::string value = std::string(40000, 'v') + "end";
    write("Huge", value);
    write("After", "x");
    EXPECT_EQ(bytes(), "[install.ini]\r\nHuge=" + value + "\r\nAfter=x\r\n");
    EXPECT_EQ(read("Huge"), value.substr(0, 254));
}

TEST_F(IniFuncsTest, LinkedFileIsWrittenThroughTheLink)
{
    ASSERT_TRUE(writeBytes(path("real.ini"), "[install.ini]\r\nName=A\r\n"));
    ASSERT_EQ(::symlink(path("real.ini").c_str(), path().c_str()), 0);
    write("Name", "B");
    EXPECT_TRUE(S_ISLNK(lstatOf(path()).st_mode));
    EXPECT_EQ(bytes("real.ini"), "[install.ini]\r\nName=B\r\n");
    EXPECT_EQ(read("Name"), "B");
}

TEST_F(IniFuncsTest, FolderInPlaceOfTheFileIsLeftAlone)
{
    ASSERT_EQ(::mkdir(path().c_str(), 0755), 0);
    write("Name", "A");
    EXPECT_EQ(read("Name", "none"), "none");
    EXPECT_TRUE(S_ISDIR(statOf(path()).st_mode));
    EXPECT_EQ(entries(m_dir.path()), Names{"install.ini"});
}

// The cache of parsed files.

std::uint64_t parses()
{
    return Ini::FileStore::instance().parseCount();
}

void setModified(const std::string &path, const timespec &time)
{
    const timespec times[2] = {time, time};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Writes one byte at the offset of the file, in place.
void overwriteByte(const std::string &path, off_t offset, char byte)
{
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, &byte, 1, offset), 1);
    ::close(fd);
}

TEST_F(IniFuncsTest, UnchangedFileIsNotParsedAgain)
{
    ASSERT_TRUE(writeBytes(path(), "[install.ini]\r\nName=A\r\n"));
    EXPECT_EQ(read("Name"), "A");
    const std::uint64_t before = parses();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(read("Name"), "A");
    write("Author", "Jo"); // an own write updates the cache
    EXPECT_EQ(read("Author"), "Jo");
    EXPECT_EQ(parses(), before);
}

TEST_F(IniFuncsTest, ChangeInPlaceWithSameSizeAndTimeIsSeen)
{
    write("Name", "A");
    EXPECT_EQ(read("Name"), "A");
    const struct stat before = statOf(path());
    overwriteByte(path(), 20, 'B');
    setModified(path(), before.st_mtim); // only the change time tells
    ASSERT_EQ(statOf(path()).st_size, before.st_size);
    EXPECT_EQ(read("Name"), "B");
}

// With a clock an hour ahead every change time lies in the past, so the entry is trusted on its
// stat alone: the stat must tell the change.
class IniSettledCacheTest : public IniFuncsTest
{
protected:
    void SetUp() override
    {
        Ini::FileStore::instance().setClock([] {
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            now.tv_sec += 3600;
            return now;
        });
    }
    void TearDown() override { Ini::FileStore::instance().setClock(nullptr); }
};

TEST_F(IniSettledCacheTest, ChangeInPlaceWithSameSizeAndTimeIsSeen)
{
    write("Name", "A");
    const std::uint64_t before = parses();
    EXPECT_EQ(read("Name"), "A");
    EXPECT_EQ(parses(), before) << "an own write needs no parse";
    const struct stat written = statOf(path());
    overwriteByte(path(), 20, 'B');
    setModified(path(), written.st_mtim);
    EXPECT_EQ(read("Name"), "B");
    EXPECT_EQ(parses(), before + 1);
}

TEST_F(IniSettledCacheTest, ReplacementByRenameIsSeen)
{
    write("Name", "A");
    EXPECT_EQ(read("Name"), "A");
    const struct stat written = statOf(path());
    ASSERT_TRUE(writeBytes(path("new.ini"), "[install.ini]\r\nName=C\r\n"));
    setModified(path("new.ini"), written.st_mtim);
    ASSERT_EQ(::rename(path("new.ini").c_str(), path().c_str()), 0);
    EXPECT_EQ(read("Name"), "C");
}

TEST_F(IniFuncsTest, ReplacementByRenameIsSeen)
{
    write("Name", "A");
    EXPECT_EQ(read("Name"), "A");
    const struct stat before = statOf(path());
    ASSERT_TRUE(writeBytes(path("new.ini"), "[install.ini]\r\nName=C\r\n"));
    setModified(path("new.ini"), before.st_mtim);
    ASSERT_EQ(::rename(path("new.ini").c_str(), path().c_str()), 0);
    EXPECT_EQ(read("Name"), "C");
    write("Name", "D");
    EXPECT_EQ(bytes(), "[install.ini]\r\nName=D\r\n");
}

TEST_F(IniFuncsTest, RemovedFileGivesTheDefault)
{
    write("Name", "A");
    EXPECT_EQ(read("Name"), "A");
    ASSERT_EQ(::unlink(path().c_str()), 0);
    EXPECT_EQ(read("Name", "gone"), "gone");
    write("Author", "Jo");
    EXPECT_EQ(bytes(), "[install.ini]\r\nAuthor=Jo\r\n");
}

} // namespace
