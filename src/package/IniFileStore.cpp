#include "IniFileStore.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "AtomicFile.h"

namespace Ini {
namespace {

// Files in use at once are few (install.ini and temp.ini of one package).
constexpr std::size_t MaxEntries = 8;

bool operator<(const timespec &a, const timespec &b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
}

struct FileBytes
{
    QByteArray bytes;
    struct stat st;
};

std::optional<FileBytes> readFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    FileBytes file;
    bool ok = ::fstat(fd, &file.st) == 0 && S_ISREG(file.st.st_mode);
    if (ok) {
        file.bytes.resize(qsizetype(file.st.st_size) + 1);
        qsizetype filled = 0;
        for (;;) {
            if (filled == file.bytes.size())
                file.bytes.resize(filled * 2 + 4096);
            const ssize_t got = ::read(fd, file.bytes.data() + filled, size_t(file.bytes.size() - filled));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            filled += got;
        }
        file.bytes.truncate(filled);
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return file;
}

bool isReadOnly(const QByteArray &path, const struct stat &st)
{
    // No write bit at all is read-only even for root, who passes access() anyway.
    return (st.st_mode & 0222) == 0 || ::access(path.constData(), W_OK) != 0;
}

} // namespace

FileStore &FileStore::instance()
{
    static FileStore store;
    return store;
}

quint64 FileStore::parseCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_parseCount;
}

void FileStore::setClock(Clock clock)
{
    QMutexLocker lock(&m_mutex);
    m_clock = clock;
}

// The clock that file times are taken from: a change made from now on gets a time not before it.
timespec FileStore::now() const
{
    if (m_clock)
        return m_clock();
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

FileStore::Stamp FileStore::stampOf(const struct stat &st)
{
    return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

std::optional<QByteArray> FileStore::value(const QString &file, QByteArrayView section, QByteArrayView key)
{
    const QByteArray path = QFile::encodeName(file);
    QMutexLocker lock(&m_mutex);
    struct stat st;
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) {
        m_entries.erase(file);
        return std::nullopt;
    }
    const Entry *entry = currentEntry(file, path, st);
    if (!entry)
        return std::nullopt;
    return entry->document->value(section, key);
}

void FileStore::setValue(const QString &file, QByteArrayView section, QByteArrayView key,
                         QByteArrayView value)
{
    QByteArray path = QFile::encodeName(file);
    if (path.isEmpty())
        return;
    QMutexLocker lock(&m_mutex);
    const timespec start = now();

    // A link stays a link: its target is the file that is replaced.
    struct stat st;
    if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char *target = ::realpath(path.constData(), nullptr);
        if (!target)
            return;
        path = target;
        ::free(target);
    }

    const bool exists = ::stat(path.constData(), &st) == 0;
    Entry *entry = nullptr;
    if (exists) {
        if (!S_ISREG(st.st_mode) || isReadOnly(path, st))
            return;
        entry = currentEntry(file, path, st);
        if (!entry)
            return;
    } else {
        if (errno != ENOENT)
            return;
        entry = &newEntry(file);
        entry->document = std::make_unique<Document>();
    }

    if (!entry->document->setValue(section, key, value))
        return;
    QByteArray bytes = entry->document->toBytes();
    const std::optional<struct stat> written = replaceFileContent(path, bytes, exists ? &st : nullptr);
    if (!written) {
        m_entries.erase(file); // the document holds a change that the file does not
        return;
    }
    entry->stamp = stampOf(*written);
    entry->settled = written->st_ctim < start;
    entry->bytes = std::move(bytes);
}

// The entry of the file as it is now on disk, reading it again where the stat says it may have
// changed; null when it cannot be read.
FileStore::Entry *FileStore::currentEntry(const QString &file, const QByteArray &path, const struct stat &st)
{
    auto found = m_entries.find(file);
    if (found != m_entries.end() && found->second.settled && found->second.stamp == stampOf(st)) {
        found->second.lastUse = ++m_useCounter;
        return &found->second;
    }

    const timespec start = now();
    std::optional<FileBytes> read = readFile(path);
    if (!read) {
        m_entries.erase(file);
        return nullptr;
    }
    Entry &entry = found != m_entries.end() ? found->second : newEntry(file);
    if (!entry.document || entry.bytes != read->bytes) {
        entry.document = std::make_unique<Document>(read->bytes);
        entry.bytes = std::move(read->bytes);
        ++m_parseCount;
    }
    entry.stamp = stampOf(read->st);
    entry.settled = read->st.st_ctim < start;
    entry.lastUse = ++m_useCounter;
    return &entry;
}

FileStore::Entry &FileStore::newEntry(const QString &file)
{
    if (m_entries.size() >= MaxEntries && !m_entries.contains(file)) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second.lastUse < oldest->second.lastUse)
                oldest = it;
        }
        m_entries.erase(oldest);
    }
    Entry &entry = m_entries[file];
    entry = Entry{};
    entry.lastUse = ++m_useCounter;
    return entry;
}

} // namespace Ini
