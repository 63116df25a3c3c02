#include "IniFileStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "Files.h"

namespace Ini {
namespace {

// Files in use at once are few (install.ini and temp.ini of one package).
constexpr std::size_t MaxEntries = 8;

// Far above any description file; a larger file is not one.
constexpr std::uint64_t MaxFileBytes = 256u << 20;

std::int64_t nanoseconds(const timespec &time)
{
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// The step in which the file system keeps a time, as far as the time itself shows it: file systems
// keep multiples of a power of ten nanoseconds (1 ns on ext4 and tmpfs, 100 ns on NTFS, 10 ms on
// exFAT, whole seconds on ext4 with small inodes) or of two seconds (FAT). A fine time that is such
// a multiple by chance costs no more than reads of the file until that step has passed.
std::int64_t timeStep(const timespec &time)
{
    if (time.tv_nsec == 0)
        return 2'000'000'000;
    std::int64_t step = 1;
    while (time.tv_nsec % (step * 10) == 0)
        step *= 10;
    return step;
}

// True when any change of the file from start on must show in its stat: its times lie at least one
// step of its file system's clock before start, so a later change gets other times. A change within
// the step of the last one may leave times, size and inode all as they were.
bool settledBefore(const struct stat &st, const timespec &start)
{
    const std::int64_t latest = std::max(nanoseconds(st.st_mtim), nanoseconds(st.st_ctim));
    const std::int64_t step = std::max(timeStep(st.st_mtim), timeStep(st.st_ctim));
    return latest + step <= nanoseconds(start);
}

bool isReadOnly(const std::string &path, const struct stat &st)
{
    // No write bit at all is read-only even for root, who passes access() anyway.
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

// A link is followed to the file it names: that file is the one read, written and locked for.
std::string resolvedPath(const std::string &path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char *target = ::realpath(path.c_str(), nullptr);
    if (!target)
        return path;
    std::string resolved = target;
    std::free(target);
    return resolved;
}

// An advisory lock on the folder of a file, held while it lives. The folder is what stays when
// the file is replaced by rename, and locking it leaves no lock file behind.
class FolderLock
{
public:
    FolderLock(const std::string &file, int operation)
    {
        const std::size_t slash = file.rfind('/');
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : file.substr(0, slash);
        m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0) {
            m_folderMissing = errno == ENOENT || errno == ENOTDIR;
            return;
        }
        while (::flock(m_fd, operation) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // A folder that exists but cannot be opened (no read permission) is written without the lock.
    bool folderMissing() const { return m_folderMissing; }

private:
    int m_fd = -1;
    bool m_folderMissing = false;
};

} // namespace

FileStore &FileStore::instance()
{
    static FileStore store;
    return store;
}

std::uint64_t FileStore::parseCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_parseCount;
}

void FileStore::setClock(Clock clock)
{
    const std::lock_guard lock(m_mutex);
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

std::string FileStore::read(const std::string &file, std::string_view section, std::string_view key,
                            std::string_view defaultValue)
{
    const std::lock_guard lock(m_mutex);
    const std::string path = resolvedPath(file);
    struct stat st;
    const Entry *entry = nullptr;
    if (!path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        entry = currentEntry(path, st, false);
    else
        m_entries.erase(path);
    return base::ini::readValue(entry ? entry->document.get() : nullptr, section, key, defaultValue);
}

void FileStore::write(const std::string &file, std::string_view section, std::string_view key,
                      std::string_view value)
{
    if (file.empty())
        return;
    const std::lock_guard lock(m_mutex);
    const std::string path = resolvedPath(file);
    const FolderLock folderLock(path, LOCK_EX);
    if (folderLock.folderMissing())
        return;
    const timespec start = now();

    struct stat st;
    Entry *entry = nullptr;
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || isReadOnly(path, st))
            return;
        entry = currentEntry(path, st, true);
        if (!entry)
            return;
    } else {
        if (errno != ENOENT)
            return;
        entry = &newEntry(path);
        entry->document = std::make_unique<base::ini::Document>();
    }

    if (!entry->document->setValue(section, key, value))
        return;
    std::string bytes = entry->document->toBytes();
    struct stat written;
    if (!base::files::replaceFileContent(path, bytes, nullptr) || ::stat(path.c_str(), &written) != 0) {
        m_entries.erase(path); // the document holds a change that the file may not
        return;
    }
    entry->stamp = stampOf(written);
    entry->settled = settledBefore(written, start);
    entry->bytes = std::move(bytes);
}

// The entry of the file as it is now on disk, reading it again where the stat says it may have
// changed; null when it cannot be read. The stat is taken before the bytes are read, so a change
// in between shows as a stat that differs at the next use.
FileStore::Entry *FileStore::currentEntry(const std::string &path, const struct stat &st, bool folderLocked)
{
    auto found = m_entries.find(path);
    if (found != m_entries.end() && found->second.settled && found->second.stamp == stampOf(st)) {
        found->second.lastUse = ++m_useCounter;
        return &found->second;
    }

    const timespec start = now();
    // A writer that must rewrite the file in place holds the folder's lock meanwhile.
    std::optional<FolderLock> folderLock;
    if (!folderLocked)
        folderLock.emplace(path, LOCK_SH);
    struct stat current;
    std::optional<std::string> read;
    if (::stat(path.c_str(), &current) == 0)
        read = base::files::readRegularFile(path, MaxFileBytes, nullptr);
    if (!read) {
        m_entries.erase(path);
        return nullptr;
    }
    Entry &entry = found != m_entries.end() ? found->second : newEntry(path);
    if (!entry.document || entry.bytes != *read) {
        entry.document = std::make_unique<base::ini::Document>(*read);
        entry.bytes = std::move(*read);
        ++m_parseCount;
    }
    entry.stamp = stampOf(current);
    entry.settled = settledBefore(current, start);
    entry.lastUse = ++m_useCounter;
    return &entry;
}

FileStore::Entry &FileStore::newEntry(const std::string &path)
{
    if (m_entries.size() >= MaxEntries && !m_entries.contains(path)) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second.lastUse < oldest->second.lastUse)
                oldest = it;
        }
        m_entries.erase(oldest);
    }
    Entry &entry = m_entries[path];
    entry = Entry{};
    entry.lastUse = ++m_useCounter;
    return entry;
}

} // namespace Ini
