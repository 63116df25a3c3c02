// ReadINI and WriteINI on file systems of their own: one that is full, so that writes really fail,
// and one that keeps times in whole seconds, as older and FAT-like file systems do. Mounting needs
// root (as in CI); elsewhere the tests are skipped.
#include <sys/mount.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "IniFuncs.h"
#include "IniTestFiles.h"

using namespace IniTestFiles;

namespace {

// A file system mounted on a temporary folder while the object lives.
class ScratchVolume
{
public:
    ~ScratchVolume()
    {
        if (m_mounted && ::umount2(path().c_str(), 0) != 0)
            ::umount2(path().c_str(), MNT_DETACH);
    }

    // Empty when mounted, else why not.
    std::string mount(std::vector<std::string> arguments)
    {
        if (!m_dir.isValid() || ::mkdir(path().c_str(), 0755) != 0)
            return "no temporary folder";
        arguments.push_back(path());
        std::string output;
        if (run("mount", arguments, &output) != 0)
            return "mount refused: " + trimmed(output);
        m_mounted = true;
        return {};
    }
    std::string tmpfs(int kib)
    {
        return mount({"-t", "tmpfs", "-o", "size=" + std::to_string(kib) + "k", "tmpfs"});
    }
    // ext4 with 128-byte inodes has no room for fractions of a second.
    std::string wholeSecondTimes()
    {
        const std::string image = m_dir.path() + "/volume.img";
        std::string output;
        if (run("mke2fs", {"-q", "-F", "-t", "ext4", "-I", "128", image, "4M"}, &output) != 0)
            return "mke2fs failed: " + trimmed(output);
        return mount({"-o", "loop", image});
    }

    std::string path() const { return m_dir.path() + "/volume"; }

private:
    static std::string trimmed(std::string text)
    {
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
            text.pop_back();
        return text;
    }

    TempDir m_dir;
    bool m_mounted = false;
};

// The wizard writes TotalFiles and reads it back to know the write took: a value that never
// reached the file must not come from the cache.
TEST(IniVolumeTest, WriteOnAFullVolumeIsNotReadBack)
{
    ScratchVolume volume;
    if (const std::string refused = volume.tmpfs(64); !refused.empty())
        GTEST_SKIP() << refused;
    const std::string file = volume.path() + "/install.ini";
    WriteINI(file, "install.ini", "TotalFiles", "2");
    ASSERT_EQ(ReadINI(file, "install.ini", "TotalFiles", ""), "2");
    const std::string filler = volume.path() + "/filler";
    const int fillerFd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fillerFd, 0);
    const std::string block(4096, 'f');
    while (::write(fillerFd, block.data(), block.size()) == ssize_t(block.size())) {
    }
    ::close(fillerFd);
    const std::string before = readBytes(file);

    WriteINI(file, "install.ini", "TotalFiles", "3");
    WriteINI(file, "Files", "File3", "c.ar");
    ASSERT_EQ(readBytes(file), before) << "the writes were meant to fail";
    EXPECT_EQ(ReadINI(file, "install.ini", "TotalFiles", ""), "2");
    EXPECT_EQ(ReadINI(file, "Files", "File3", "none"), "none");
    EXPECT_EQ(entries(volume.path()), (std::vector<std::string>{"filler", "install.ini"}));

    ASSERT_EQ(::unlink(filler.c_str()), 0);
    WriteINI(file, "install.ini", "TotalFiles", "3");
    EXPECT_EQ(ReadINI(file, "install.ini", "TotalFiles", ""), "3");
}

// Another writer changes the file in place within the second of the cached read: size, times and
// inode stay as they were, and still the next read gives the new value.
TEST(IniVolumeTest, ChangeWithinOneTimeStepIsSeen)
{
    ScratchVolume volume;
    if (const std::string refused = volume.wholeSecondTimes(); !refused.empty())
        GTEST_SKIP() << refused;
    const std::string file = volume.path() + "/install.ini";
    for (int attempt = 0; attempt < 5; ++attempt) {
        // Early in a second, so that all of it happens before the next.
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::this_thread::sleep_for(std::chrono::seconds(1) - now % std::chrono::seconds(1) +
                                    std::chrono::milliseconds(20));
        WriteINI(file, "install.ini", "Name", "A");
        ASSERT_EQ(ReadINI(file, "install.ini", "Name", ""), "A");
        const struct stat before = statOf(file);
        const std::size_t value = readBytes(file).find("Name=A") + 5;
        const int other = ::open(file.c_str(), O_RDWR);
        ASSERT_GE(other, 0);
        ASSERT_EQ(::pwrite(other, "B", 1, off_t(value)), 1);
        ::close(other);
        const struct stat after = statOf(file);
        if (after.st_ctim.tv_sec != before.st_ctim.tv_sec || after.st_mtim.tv_sec != before.st_mtim.tv_sec)
            continue; // a second boundary fell in between
        ASSERT_EQ(after.st_ino, before.st_ino);
        ASSERT_EQ(after.st_size, before.st_size);
        ASSERT_EQ(after.st_ctim.tv_nsec, 0);
        EXPECT_EQ(ReadINI(file, "install.ini", "Name", ""), "B");
        return;
    }
    GTEST_SKIP() << "no change fell within the second of its read";
}

} // namespace
