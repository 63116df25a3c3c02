#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "IniDocument.h"
#include "IniFileSystem.h"

namespace Ini {

// The parsed documents of the files in use, one per path, so that reading an unchanged file costs
// one stat. An entry counts only while the file's stamp (device and inode or volume and file index,
// size, modification and change times to the nanosecond) is the one it was read with, so a file changed by
// someone else, or replaced by rename, is read afresh. A file changed within one step of the clock its file
// system stamps times with (the coarse clock's tick; whole seconds on older file systems, two on
// FAT) may change again without any visible stat change: such an entry is checked against the
// file's bytes until that step has passed.
//
// Only regular files are ever opened (a FIFO, a device or a folder reads as no file and is never
// written), and each write holds a lock on the file's folder from the read of the file to its
// replacement (system::FolderLock), so that writers in other processes never lose each other's
// entries.
class FileStore
{
public:
    static FileStore &instance();

    // What a read of the key gives (base::ini::readValue), the default when the file cannot be read.
    std::string read(const std::string &path, std::string_view section, std::string_view key,
                     std::string_view defaultValue);

    // Document::setValue on the file, written back whole or not at all; nothing happens when the
    // file is read-only or no regular file, cannot be read, or its folder does not exist.
    void write(const std::string &path, std::string_view section, std::string_view key,
               std::string_view value);

    // How many times a file was parsed since start; lets tests see that the cache is used.
    std::uint64_t parseCount() const;

    // The clock that file change times are compared with (system::coarseNow); tests step it.
    using Clock = timespec (*)();
    void setClock(Clock clock);

private:
    struct Entry
    {
        system::FileStamp stamp;
        bool settled = false; // the file's times were a step past when the bytes were read
        std::string bytes;
        std::unique_ptr<base::ini::Document> document;
        std::uint64_t lastUse = 0;
    };

    Entry *currentEntry(const std::string &path, const system::FileStamp &stamp, bool folderLocked);
    Entry &newEntry(const std::string &path);

    timespec now() const;

    mutable std::mutex m_mutex;
    Clock m_clock = nullptr;
    std::unordered_map<std::string, Entry> m_entries;
    std::uint64_t m_useCounter = 0;
    std::uint64_t m_parseCount = 0;
};

} // namespace Ini
