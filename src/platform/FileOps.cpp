#include "FileOps.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform::fileops {

namespace {

std::set<QString> &pendingFiles()
{
    static std::set<QString> files;
    return files;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// An open file descriptor, closed when it goes out of scope.
struct Descriptor
{
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        std::swap(fd, other.fd);
        return *this;
    }
    bool valid() const { return fd >= 0; }
    int release()
    {
        const int f = fd;
        fd = -1;
        return f;
    }
    int fd;
};

// Keeps a temporary file registered while it exists, and removes it unless committed.
class PendingFile
{
public:
    PendingFile() = default;
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;
    ~PendingFile()
    {
        if (m_path.isEmpty())
            return;
        if (!m_committed)
            QFile::remove(m_path);
        pendingFiles().erase(m_path);
    }
    void track(const QByteArray &nativePath)
    {
        m_path = QFile::decodeName(nativePath);
        pendingFiles().insert(m_path);
    }
    void commit() { m_committed = true; }

private:
    QString m_path;
    bool m_committed = false;
};

} // namespace

bool createFolder(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0777) == 0)
        return true;
    setError(error, QStringLiteral("%1: %2").arg(path, systemReason(errno)));
    return false;
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

CopyOutcome copyFile(const QString &source, const QString &target, QString *error,
                     const std::function<void()> &betweenChunks, qint64 chunkSize)
{
    const QByteArray sourceName = QFile::encodeName(source);
    const QByteArray targetName = QFile::encodeName(target);
    const auto fail = [error](const QString &path, int code) {
        setError(error, QStringLiteral("%1: %2").arg(path, systemReason(code)));
        return CopyOutcome::Failed;
    };

    Descriptor in(::open(sourceName.constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return fail(source, errno);
    struct stat sourceStat
    {
    };
    if (::fstat(in.fd, &sourceStat) != 0)
        return fail(source, errno);
    if (S_ISDIR(sourceStat.st_mode))
        return fail(source, EISDIR);

    struct stat targetStat
    {
    };
    if (::stat(targetName.constData(), &targetStat) == 0) {
        if (targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino)
            return CopyOutcome::SameFile;
        // Like the classic file copy: a read-only target is refused, not replaced.
        if (::access(targetName.constData(), W_OK) != 0)
            return fail(target, errno);
    }

    // The copy is made beside the target as a file without a name, which is given
    // the target's name only once it is whole; a copy that stops half-way leaves
    // nothing behind. Where the file system has no unnamed files, a hidden
    // temporary name stands in and is renamed at the end.
    const qsizetype slash = targetName.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : targetName.left(slash);
    QByteArray temporary;
    Descriptor out(::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (!out.valid()) {
        temporary = targetName.left(slash + 1) + '.' + targetName.mid(slash + 1) + ".XXXXXX.part";
        out = Descriptor(::mkostemps(temporary.data(), 5, O_CLOEXEC));
        if (!out.valid())
            return fail(target, errno);
    }
    PendingFile pending;
    if (!temporary.isEmpty())
        pending.track(temporary);

    const qint64 chunk = qMax<qint64>(chunkSize, 4096);
    bool inKernel = true;
    QByteArray buffer;
    for (;;) {
        ssize_t done = -1;
        if (inKernel) {
            done = ::copy_file_range(in.fd, nullptr, out.fd, nullptr, size_t(chunk), 0);
            if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                inKernel = false; // file systems that cannot: copy through memory
                continue;
            }
        } else {
            if (buffer.isEmpty())
                buffer.resize(qMin<qint64>(chunk, 8 << 20));
            done = ::read(in.fd, buffer.data(), size_t(buffer.size()));
            if (done < 0)
                return fail(source, errno);
            for (ssize_t written = 0; written < done;) {
                const ssize_t w = ::write(out.fd, buffer.constData() + written, size_t(done - written));
                if (w < 0)
                    return fail(target, errno);
                written += w;
            }
        }
        if (done < 0)
            return fail(target, errno);
        if (done == 0)
            break;
        if (betweenChunks)
            betweenChunks();
    }
    if (::fchmod(out.fd, sourceStat.st_mode & 07777) != 0)
        return fail(target, errno);
    if (temporary.isEmpty()) {
        // Name the unnamed file: straight away when the target is new, else under a
        // hidden name that then replaces the target in one step.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(out.fd);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, targetName.constData(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno != EEXIST)
                return fail(target, errno);
            for (int attempt = 0;; ++attempt) {
                temporary = targetName.left(slash + 1) + '.' + targetName.mid(slash + 1) + '.' +
                            QByteArray::number(::getpid()) + '.' + QByteArray::number(attempt) + ".part";
                if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(),
                             AT_SYMLINK_FOLLOW) == 0)
                    break;
                if (errno != EEXIST || attempt > 100)
                    return fail(target, errno);
            }
            pending.track(temporary);
        }
    }
    if (::close(out.release()) != 0)
        return fail(target, errno);
    if (!temporary.isEmpty() && ::rename(temporary.constData(), targetName.constData()) != 0)
        return fail(target, errno);
    pending.commit();
    return CopyOutcome::Copied;
}

bool deleteFile(const QString &path, QString *error)
{
    if (::unlink(QFile::encodeName(path).constData()) == 0)
        return true;
    setError(error, QStringLiteral("%1: %2").arg(path, systemReason(errno)));
    return false;
}

qint64 fileLength(const QString &path, QString *error)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        setError(error, QStringLiteral("%1: %2").arg(path, systemReason(errno)));
        return -1;
    }
    if (S_ISDIR(st.st_mode)) {
        setError(error, QStringLiteral("%1: %2").arg(path, systemReason(EISDIR)));
        return -1;
    }
    return st.st_size;
}

void removePendingFiles()
{
    for (const QString &path : pendingFiles())
        QFile::remove(path);
    pendingFiles().clear();
}

} // namespace platform::fileops
