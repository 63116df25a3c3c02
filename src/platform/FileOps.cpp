#include "FileOps.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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

// Keeps a temporary file registered while it exists, and removes it unless committed.
class PendingFile
{
public:
    explicit PendingFile(QString path) : m_path(std::move(path)) { pendingFiles().insert(m_path); }
    ~PendingFile()
    {
        if (!m_committed)
            QFile::remove(m_path);
        pendingFiles().erase(m_path);
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
    struct stat sa {};
    struct stat sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

CopyOutcome copyFile(const QString &source, const QString &target, QString *error,
                     const std::function<void()> &betweenChunks, qint64 chunkSize)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1: %2").arg(source, in.errorString()));
        return CopyOutcome::Failed;
    }
    if (QFileInfo(source).isDir()) {
        setError(error, QStringLiteral("%1: %2").arg(source, systemReason(EISDIR)));
        return CopyOutcome::Failed;
    }
    if (sameFile(source, target))
        return CopyOutcome::SameFile;

    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && !targetInfo.isWritable()) {
        // Like the classic file copy: a read-only target is refused, not replaced.
        setError(error, QStringLiteral("%1: %2").arg(target, systemReason(EACCES)));
        return CopyOutcome::Failed;
    }
    QTemporaryFile out(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName() +
                       QStringLiteral(".XXXXXX.part"));
    out.setAutoRemove(false);
    if (!out.open()) {
        setError(error, QStringLiteral("%1: %2").arg(target, out.errorString()));
        return CopyOutcome::Failed;
    }
    PendingFile pending(out.fileName());

    QByteArray buffer;
    buffer.resize(qMax<qint64>(chunkSize, 4096));
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0) {
            setError(error, QStringLiteral("%1: %2").arg(source, in.errorString()));
            return CopyOutcome::Failed;
        }
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got || !out.flush()) {
            setError(error, QStringLiteral("%1: %2").arg(target, out.errorString()));
            return CopyOutcome::Failed;
        }
        if (betweenChunks)
            betweenChunks();
    }
    if (::fsync(out.handle()) != 0) {
        setError(error, QStringLiteral("%1: %2").arg(target, systemReason(errno)));
        return CopyOutcome::Failed;
    }
    out.setPermissions(in.permissions());
    out.close();

    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(out.fileName()).toStdString(),
                            QFile::encodeName(target).toStdString(), ec);
    if (ec) {
        setError(error, QStringLiteral("%1: %2").arg(target, QString::fromLocal8Bit(ec.message().c_str())));
        return CopyOutcome::Failed;
    }
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
    struct stat st {};
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
