// ReadINI and WriteINI on file systems of their own: one that is full, so that writes really fail,
// and one that keeps times in whole seconds, as older and FAT-like file systems do. Mounting needs
// root (as in CI); elsewhere the tests are skipped.
#include <sys/mount.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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
        if (m_mounted && ::umount2(QFile::encodeName(path()).constData(), 0) != 0)
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
    }

    // Empty when mounted, else why not.
    QString mount(const QStringList &arguments)
    {
        if (!m_dir.isValid() || !QDir(m_dir.path()).mkdir("volume"))
            return "no temporary folder";
        QProcess mount;
        mount.start("mount", arguments + QStringList{path()});
        if (!mount.waitForFinished(30000) || mount.exitCode() != 0)
            return "mount refused: " + QString::fromLocal8Bit(mount.readAllStandardError()).trimmed();
        m_mounted = true;
        return {};
    }
    QString tmpfs(int kib) { return mount({"-t", "tmpfs", "-o", QString("size=%1k").arg(kib), "tmpfs"}); }
    // ext4 with 128-byte inodes has no room for fractions of a second.
    QString wholeSecondTimes()
    {
        const QString image = m_dir.path() + "/volume.img";
        QProcess mkfs;
        mkfs.start("mke2fs", {"-q", "-F", "-t", "ext4", "-I", "128", image, "4M"});
        if (!mkfs.waitForFinished(30000) || mkfs.exitStatus() != QProcess::NormalExit || mkfs.exitCode() != 0)
            return "mke2fs failed: " + mkfs.errorString();
        return mount({"-o", "loop", image});
    }

    QString path() const { return m_dir.path() + "/volume"; }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// The wizard writes TotalFiles and reads it back to know the write took: a value that never
// reached the file must not come from the cache.
TEST(IniVolumeTest, WriteOnAFullVolumeIsNotReadBack)
{
    ScratchVolume volume;
    if (const QString refused = volume.tmpfs(64); !refused.isEmpty())
        GTEST_SKIP() << refused.toStdString();
    const QString file = volume.path() + "/install.ini";
    WriteINI(file, "install.ini", "TotalFiles", "2");
    ASSERT_EQ(ReadINI(file, "install.ini", "TotalFiles", ""), "2");
    QFile filler(volume.path() + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(4096, 'f')) == 4096) {
    }
    filler.close();
    const QByteArray before = readBytes(file);

    WriteINI(file, "install.ini", "TotalFiles", "3");
    WriteINI(file, "Files", "File3", "c.ar");
    ASSERT_EQ(readBytes(file), before) << "the writes were meant to fail";
    EXPECT_EQ(ReadINI(file, "install.ini", "TotalFiles", ""), "2");
    EXPECT_EQ(ReadINI(file, "Files", "File3", "none"), "none");
    EXPECT_EQ(QDir(volume.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"filler", "install.ini"}));

    ASSERT_TRUE(QFile::remove(filler.fileName()));
    WriteINI(file, "install.ini", "TotalFiles", "3");
    EXPECT_EQ(ReadINI(file, "install.ini", "TotalFiles", ""), "3");
}

// Another writer changes the file in place within the second of the cached read: size, times and
// inode stay as they were, and still the next read gives the new value.
TEST(IniVolumeTest, ChangeWithinOneTimeStepIsSeen)
{
    ScratchVolume volume;
    if (const QString refused = volume.wholeSecondTimes(); !refused.isEmpty())
        GTEST_SKIP() << refused.toStdString();
    const QString file = volume.path() + "/install.ini";
    for (int attempt = 0; attempt < 5; ++attempt) {
        // Early in a second, so that all of it happens before the next.
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::this_thread::sleep_for(std::chrono::seconds(1) - now % std::chrono::seconds(1) +
                                    std::chrono::milliseconds(20));
        WriteINI(file, "install.ini", "Name", "A");
        ASSERT_EQ(ReadINI(file, "install.ini", "Name", ""), "A");
        const struct stat before = statOf(file);
        QFile other(file);
        ASSERT_TRUE(other.open(QIODevice::ReadWrite));
        const qint64 value = other.readAll().indexOf("Name=A") + 5;
        ASSERT_TRUE(other.seek(value));
        ASSERT_EQ(other.write("B"), 1);
        other.close();
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
