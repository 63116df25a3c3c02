// ReadINI and WriteINI against what a package folder may hold: files of old editors and of
// Windows, things that are no regular file, two writers at once, a folder that takes no new file.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <set>

#include <gtest/gtest.h>

#include "IniDocument.h"
#include "IniFuncs.h"
#include "IniTestFiles.h"

using namespace IniTestFiles;

namespace {

using Names = std::vector<std::string>;

std::string repeated(const std::string &text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

class IniHardeningTest : public testing::Test
{
protected:
    std::string path(const std::string &name = "install.ini") const { return m_dir.path() + '/' + name; }

    TempDir m_dir;
};

// Reads as the profile functions read.
struct ReadRow
{
    const char *name;
    std::string file;
    const char *section;
    const char *key;
    std::string expected;
};

class IniReadAsReferenceTest : public IniHardeningTest, public testing::WithParamInterface<ReadRow>
{
};

TEST_P(IniReadAsReferenceTest, GivesTheValue)
{
    const ReadRow &row = GetParam();
    ASSERT_TRUE(writeBytes(path(), row.file));
    EXPECT_EQ(ReadINI(path(), row.section, row.key, "<none>"), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IniReadAsReferenceTest,
    testing::Values(
        ReadRow{"LoneCrEndsALine", "[install.ini]\rName=A\rAuthor=B\r", "install.ini", "Author", "B"},
        ReadRow{"LoneCrFirstEntry", "[install.ini]\rName=A\rAuthor=B", "install.ini", "Name", "A"},
        ReadRow{"EntryBeforeAnyHeader", "Name=Top\r\n[install.ini]\r\nName=A\r\n", "", "Name", "Top"},
        ReadRow{"CtrlZAroundAValue", "[install.ini]\r\nName=\x1A My Pack \x1A\r\n\x1A", "install.ini", "Name",
                "My Pack"},
        ReadRow{"CtrlZThenQuotes", "[install.ini]\r\nName=\x1A'q'\x1A\r\n", "install.ini", "Name", "q"},
        ReadRow{"Windows1252Value", "[install.ini]\r\nName=Caf\xE9 \x80\r\n", "install.ini", "Name",
                "Café €"},
        ReadRow{"Windows1252KeysDoNotCollide", "[install.ini]\r\nK\xE9y=1\r\nK\xE8y=2\r\n", "install.ini",
                "K\xC3\xA8Y", "2"},
        ReadRow{"Windows1252CutAt254Bytes", "[s]\r\nk=" + std::string(260, '\xE9') + "\r\n", "s", "k",
                repeated("\xC3\xA9", 254)}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(IniHardeningTest, WriteIntoALoneCrFileKeepsItsLines)
{
    ASSERT_TRUE(writeBytes(path(), "Top=1\r[install.ini]\rName=A\r[Files]\rFile1=a.ar"));
    WriteINI(path(), "install.ini", "Author", "B");
    WriteINI(path(), "", "Top", "2");
    WriteINI(path(), "Files", "File2", "b.ar");
    EXPECT_EQ(readBytes(path()),
              "Top=2\r[install.ini]\rName=A\rAuthor=B\r\n[Files]\rFile1=a.ar\r\nFile2=b.ar\r\n");
}

// A read of something that is no regular file would wait on it: it is never opened.
TEST_F(IniHardeningTest, NoRegularFileIsNeverOpenedAndNeverWritten)
{
    const std::string fifo = path("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    ASSERT_EQ(::symlink(fifo.c_str(), path("fifo-link.ini").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/zero", path("zero-link.ini").c_str()), 0);
    ASSERT_EQ(::mkdir(path("folder.ini").c_str(), 0755), 0);
    std::vector<std::string> targets = {fifo, path("fifo-link.ini"), path("zero-link.ini"),
                                        path("folder.ini")};
    // A device node of our own (like /dev/zero) where the system lets us make one.
    if (::mknod(path("zero.ini").c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0)
        targets.push_back(path("zero.ini"));
    const std::vector<std::string> before = entries(m_dir.path());

    for (const std::string &target : targets) {
        SCOPED_TRACE(target);
        auto read =
            std::async(std::launch::async, [&] { return ReadINI(target, "install.ini", "Name", "dflt"); });
        if (read.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            // Free the blocked reader (a writer appears and goes), then fail.
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
            FAIL() << "the read waited on the file";
        }
        EXPECT_EQ(read.get(), "dflt");
        auto write = std::async(std::launch::async, [&] { WriteINI(target, "install.ini", "Name", "x"); });
        if (write.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
            FAIL() << "the write waited on the file";
        }
    }
    EXPECT_EQ(entries(m_dir.path()), before);
    EXPECT_TRUE(entries(path("folder.ini")).empty());
    EXPECT_TRUE(S_ISFIFO(statOf(fifo).st_mode));
}

// Each write holds a lock from the read of the file to its replacement.
TEST_F(IniHardeningTest, TwoWritingProcessesLoseNothing)
{
    constexpr int KeysEach = 300;
    Child writers[2];
    const std::string prefixes[2] = {"A", "B"};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(writers[i].start(INI_KEY_WRITER_PATH, {path(), prefixes[i], std::to_string(KeysEach)}));
        ASSERT_TRUE(writers[i].waitForOutput(10000));
    }
    for (Child &writer : writers)
        ASSERT_TRUE(writer.write("go\n"));
    for (Child &writer : writers) {
        const std::optional<int> status = writer.waitForFinished(120000);
        ASSERT_TRUE(status);
        ASSERT_TRUE(WIFEXITED(*status));
        ASSERT_EQ(WEXITSTATUS(*status), 0);
    }

    const base::ini::Document written(readBytes(path()));
    int present = 0;
    for (const std::string &prefix : prefixes) {
        for (int key = 1; key <= KeysEach; ++key) {
            const std::string name = prefix + std::to_string(key);
            present += written.value("Files", name) == "value of " + name;
        }
    }
    EXPECT_EQ(present, 2 * KeysEach);
    EXPECT_EQ(entries(m_dir.path()), Names{"install.ini"}) << "no lock file, no temporary";
}

// Runs body in a child process as the unprivileged user "nobody" (tests run as root, who may
// create files in any folder); the child's exit code, or -1.
template <typename Body> int asNobody(Body body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// The file may be written but its folder takes no new file (no temporary beside it): the file is
// written in place, as the profile functions do, rather than the write being lost. Root passes
// every permission check, so the write runs as "nobody" in a folder without write permission.
TEST_F(IniHardeningTest, FolderThatTakesNoNewFileGetsTheFileWrittenInPlace)
{
    const std::string folder = path("pkg");
    const std::string file = folder + "/install.ini";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    WriteINI(file, "install.ini", "Name", "A long old name");
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(m_dir.path().c_str(), 0755), 0);
    const ino_t inode = statOf(file).st_ino;

    const int status = asNobody([&] {
        WriteINI(file, "install.ini", "Name", "B");
        WriteINI(file, "Files", "File1", "a.ar");
        WriteINI(folder + "/temp.ini", "Files", "File1", "/x/a.ar"); // no file to write in place
        return 0;
    });
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(readBytes(file), "[install.ini]\r\nName=B\r\n[Files]\r\nFile1=a.ar\r\n");
    EXPECT_EQ(statOf(file).st_ino, inode);
    EXPECT_EQ(ReadINI(file, "Files", "File1", ""), "a.ar");
    EXPECT_EQ(entries(folder), Names{"install.ini"});
}

} // namespace
