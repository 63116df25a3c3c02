#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

// What the INI file store needs of the file system, one implementation per system: a file's
// identity stamp, the coarse clock file times come from, and a lock on a file's folder held
// across a read-modify-write.
namespace Ini::system {

// Which file a path names and the state it is in. Any change of the file's content shows as
// another stamp, except a change within one step of the file system's clock (see FileStore).
struct FileStamp
{
    std::uint64_t volume = 0; // device (POSIX) or volume serial number (Windows)
    std::uint64_t file = 0;   // inode or file index
    std::uint64_t size = 0;
    timespec modified{};
    timespec changed{}; // the status change time; the write time again on Windows, which has none

    friend bool operator==(const FileStamp &a, const FileStamp &b)
    {
        return a.volume == b.volume && a.file == b.file && a.size == b.size &&
               sameTime(a.modified, b.modified) && sameTime(a.changed, b.changed);
    }
    static bool sameTime(const timespec &a, const timespec &b)
    {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    }
};

enum class FileKind
{
    Missing, // no file of that name (its folder exists or not)
    Regular, // a regular file that could be looked at
    Other,   // a folder, a FIFO, a device, or a path that cannot be looked at
};

struct FileStatus
{
    FileKind kind = FileKind::Missing;
    FileStamp stamp;       // for a regular file
    bool readOnly = false; // a regular file that this process may not write
};

// Follows links to the file they name.
FileStatus statusOf(const std::string &path);

// A link is followed to the file it names: that file is the one read, written and locked for.
std::string resolvedPath(const std::string &path);

// The clock that file times are taken from (its coarse tick): a change made from now on gets a
// time not before it.
timespec coarseNow();

// A lock on the folder of a file, held while it lives: shared for reading, exclusive for a
// read-modify-write. The folder is what stays when the file is replaced by rename. POSIX locks
// the folder itself (flock) and leaves nothing behind; Windows cannot lock a folder and locks a
// hidden lock file in it instead (LockFileEx), which goes when its last user closes it.
class FolderLock
{
public:
    enum class Mode
    {
        Shared,
        Exclusive,
    };

    FolderLock(const std::string &file, Mode mode);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // A folder that exists but cannot be locked (no read permission) is written without the lock.
    bool folderMissing() const { return m_folderMissing; }
    bool held() const;

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    bool m_folderMissing = false;
};

} // namespace Ini::system
