#include "AtomicFile.h"

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <QRandomGenerator>

namespace Ini {
namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Closing the last handle of a replaced file frees its blocks, which on a journalling file system
// with discard can take as long as writing the new file. A helper thread does that close, so that
// the write returns as soon as the new file is in place; it only ever closes handles given to it.
class DeferredCloser
{
public:
    static void close(int fd)
    {
        static DeferredCloser *closer = new DeferredCloser; // lives until the process ends
        closer->enqueue(fd);
    }

private:
    DeferredCloser()
    {
        std::thread([this] { run(); }).detach();
    }

    void enqueue(int fd)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_fds.push_back(fd);
        }
        m_ready.notify_one();
    }

    void run()
    {
        for (;;) {
            std::vector<int> fds;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_fds.empty(); });
                fds.swap(m_fds);
            }
            for (const int fd : fds)
                ::close(fd);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<int> m_fds;
};

bool writeAll(int fd, QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

QByteArray temporaryName(const QByteArray &folder, const QByteArray &name)
{
    return folder + '.' + name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) +
           ".tmp";
}

// A file in the folder that has no name yet, so that a process killed while writing leaves nothing.
int openUnnamed(const QByteArray &folder)
{
#ifdef O_TMPFILE
    return ::open(folder.isEmpty() ? "." : folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    Q_UNUSED(folder);
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Gives the unnamed file a temporary name beside the target.
bool linkUnnamed(int fd, const QByteArray &folder, const QByteArray &name, QByteArray &tempPath)
{
    const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath = temporaryName(folder, name);
        if (::linkat(AT_FDCWD, procPath.constData(), AT_FDCWD, tempPath.constData(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

int openNamed(const QByteArray &folder, const QByteArray &name, QByteArray &tempPath)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath = temporaryName(folder, name);
        const int fd = ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

std::optional<struct stat> replaceFileContent(const QByteArray &path, QByteArrayView bytes,
                                              const struct stat *existing)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = path.first(slash + 1);
    const QByteArray name = path.sliced(slash + 1);
    if (name.isEmpty())
        return std::nullopt;

    QByteArray tempPath;
    bool named = false;
    int rawFd = openUnnamed(folder);
    if (rawFd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        rawFd = openNamed(folder, name, tempPath);
        named = true;
    }
    if (rawFd < 0)
        return std::nullopt;
    const FileDescriptor fd(rawFd);

    auto discard = [&]() -> std::optional<struct stat>
    {
        if (named)
            ::unlink(tempPath.constData());
        return std::nullopt;
    };

    if (existing) {
        if (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid())
            (void)::fchown(fd.get(), existing->st_uid, existing->st_gid); // best effort, as any editor
        if (::fchmod(fd.get(), existing->st_mode & 07777) != 0)
            return discard();
    }
    if (!writeAll(fd.get(), bytes) || (::fsync(fd.get()) != 0 && errno != EINVAL))
        return discard();
    if (!named) {
        if (!linkUnnamed(fd.get(), folder, name, tempPath))
            return std::nullopt;
        named = true;
    }
    // Holding the old file open moves the freeing of its blocks out of the rename.
    const int oldFile = existing ? ::open(path.constData(), O_RDONLY | O_CLOEXEC) : -1;
    const bool renamed = ::rename(tempPath.constData(), path.constData()) == 0;
    if (oldFile >= 0)
        DeferredCloser::close(oldFile);
    if (!renamed)
        return discard();

    struct stat written;
    if (::fstat(fd.get(), &written) != 0)
        return std::nullopt;
    return written;
}

} // namespace Ini
