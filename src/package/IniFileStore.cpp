#include "IniFileStore.h"

#include <algorithm>
#include <cstdint>

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
bool settledBefore(const system::FileStamp &stamp, const timespec &start)
{
    const std::int64_t latest = std::max(nanoseconds(stamp.modified), nanoseconds(stamp.changed));
    const std::int64_t step = std::max(timeStep(stamp.modified), timeStep(stamp.changed));
    return latest + step <= nanoseconds(start);
}

using system::FileKind;
using system::FolderLock;

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
    return m_clock ? m_clock() : system::coarseNow();
}

std::string FileStore::read(const std::string &file, std::string_view section, std::string_view key,
                            std::string_view defaultValue)
{
    const std::lock_guard lock(m_mutex);
    const std::string path = system::resolvedPath(file);
    const system::FileStatus status = system::statusOf(path);
    const Entry *entry = nullptr;
    if (status.kind == FileKind::Regular)
        entry = currentEntry(path, status.stamp, false);
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
    const std::string path = system::resolvedPath(file);
    const FolderLock folderLock(path, FolderLock::Mode::Exclusive);
    if (folderLock.folderMissing())
        return;
    const timespec start = now();

    const system::FileStatus status = system::statusOf(path);
    Entry *entry = nullptr;
    if (status.kind == FileKind::Regular) {
        if (status.readOnly)
            return;
        entry = currentEntry(path, status.stamp, true);
        if (!entry)
            return;
    } else {
        if (status.kind != FileKind::Missing)
            return;
        entry = &newEntry(path);
        entry->document = std::make_unique<base::ini::Document>();
    }

    if (!entry->document->setValue(section, key, value))
        return;
    std::string bytes = entry->document->toBytes();
    if (!base::files::replaceFileContent(path, bytes, nullptr)) {
        m_entries.erase(path); // the document holds a change that the file may not
        return;
    }
    const system::FileStatus written = system::statusOf(path);
    if (written.kind != FileKind::Regular) {
        m_entries.erase(path);
        return;
    }
    entry->stamp = written.stamp;
    entry->settled = settledBefore(written.stamp, start);
    entry->bytes = std::move(bytes);
}

// The entry of the file as it is now on disk, reading it again where the stamp says it may have
// changed; null when it cannot be read. The stamp is taken before the bytes are read, so a change
// in between shows as a stamp that differs at the next use.
FileStore::Entry *FileStore::currentEntry(const std::string &path, const system::FileStamp &stamp,
                                          bool folderLocked)
{
    auto found = m_entries.find(path);
    if (found != m_entries.end() && found->second.settled && found->second.stamp == stamp) {
        found->second.lastUse = ++m_useCounter;
        return &found->second;
    }

    const timespec start = now();
    // A writer that must rewrite the file in place holds the folder's lock meanwhile.
    std::optional<FolderLock> folderLock;
    if (!folderLocked)
        folderLock.emplace(path, FolderLock::Mode::Shared);
    const system::FileStatus current = system::statusOf(path);
    std::optional<std::string> read;
    if (current.kind == FileKind::Regular)
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
    entry.stamp = current.stamp;
    entry.settled = settledBefore(current.stamp, start);
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
