#include "FileOps.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "Files.h"

namespace platform::fileops {

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

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
    return base::files::sameFile(a.toStdString(), b.toStdString());
}

CopyOutcome copyFile(const QString &source, const QString &target, QString *error,
                     const std::function<void()> &betweenChunks, qint64 chunkSize)
{
    base::files::CopyOptions options;
    options.maxChunkBytes = std::uint64_t(qMax<qint64>(chunkSize, 0));
    if (betweenChunks) {
        options.progress = [&betweenChunks](std::uint64_t, std::uint64_t) {
            betweenChunks();
            return true;
        };
    }
    std::string reason;
    switch (base::files::copyFile(source.toStdString(), target.toStdString(), options, &reason)) {
    case base::files::CopyOutcome::Copied:
        return CopyOutcome::Copied;
    case base::files::CopyOutcome::SameFile:
        return CopyOutcome::SameFile;
    case base::files::CopyOutcome::Failed:
    case base::files::CopyOutcome::Cancelled: // never asked for here
        break;
    }
    setError(error, QString::fromStdString(reason));
    return CopyOutcome::Failed;
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
    base::files::removePendingTemporaries();
}

} // namespace platform::fileops
