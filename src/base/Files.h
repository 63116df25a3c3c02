#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Whole-or-nothing file operations for POSIX and Win32. Paths are UTF-8; errors come back as one
// line naming the file and the reason ("<path>: <reason>").
namespace base::files {

// A path for std::filesystem built from UTF-8 (through wide strings on Windows, never the ANSI
// code page), and back.
std::filesystem::path toPath(std::string_view utf8);
std::string fromPath(const std::filesystem::path &path);

// The whole content of a regular file, at most maxBytes long. Anything else (a FIFO, a device, a
// folder) is refused without waiting on it, and so is a longer file.
std::optional<std::string> readRegularFile(const std::string &path, std::uint64_t maxBytes,
                                           std::string *error);

// Replaces the content of the file at path in one step: the bytes go to a temporary file beside
// it, are flushed to disk and only then take the old file's place. A killed process, a full disk
// or a refused write leave the old file whole (or no file), and no temporary outlives the next
// write to the same path. An existing file keeps its permissions.
bool replaceFileContent(const std::string &path, std::string_view bytes, std::string *error);

enum class CopyOutcome
{
    Copied,    // the target holds the source's bytes
    SameFile,  // source and target are one file: nothing done
    Failed,    // nothing changed at the target; the error says why
    Cancelled, // stopped by the progress callback; nothing changed at the target
};

struct CopyOptions
{
    // Runs between chunks with the bytes copied so far and the source's size; false cancels.
    std::function<bool(std::uint64_t copied, std::uint64_t total)> progress;
    // Chunks are sized so that one takes about this long, whatever the speed of the source.
    std::chrono::milliseconds chunkTime{50};
    // The largest chunk in bytes (0: the copy's own limit), for callers that want finer steps.
    std::uint64_t maxChunkBytes = 0;
    // Flush the copy to disk before it takes the target's place (the installer's game files).
    bool durable = false;
    // The folder that holds the temporary while the copy is under way (empty: the target's own).
    // It must be on the target's volume; a process killed there leaves nothing in the target's
    // folder, at most a hidden temporary in this one (see isTemporaryName), named apart from the
    // temporaries of this folder's own files.
    std::string stagingFolder;
    // The copy takes the source's permissions (a backup keeps the original's), or else those any
    // new file in the target's folder gets (the umask; on Windows no read-only attribute).
    bool keepSourcePermissions = true;
    // Sees every byte written to the copy, chunk by chunk and in order, on a thread of its own
    // while the copy goes on: the copy is then exactly what it saw (a digest of what was written,
    // not of what the source may hold by now). The copy waits for it before it ends.
    std::function<void(const char *data, std::size_t size)> written;
};

// Copies source over target through a temporary beside the target that is renamed into place
// when whole. A read-only target is refused, not replaced.
CopyOutcome copyFile(const std::string &source, const std::string &target, const CopyOptions &options,
                     std::string *error);

// A copy in two steps: stage() makes it whole (and flushed when durable) in a temporary while the
// target stays as it is; publish() then gives it the target's name in one step. Destroyed
// unpublished, it leaves nothing behind (a kill may leave the hidden temporary, which the next
// write to the same target removes). Lets a caller record what it is about to do between the two.
class StagedCopy
{
public:
    StagedCopy();
    ~StagedCopy();
    StagedCopy(StagedCopy &&other) noexcept;
    StagedCopy &operator=(StagedCopy &&other) noexcept;

    // Copied (staged), SameFile (nothing to publish), Failed or Cancelled (nothing staged).
    CopyOutcome stage(const std::string &source, const std::string &target, const CopyOptions &options,
                      std::string *error);
    // The staged copy takes the target's place, replacing what is there; the target's folder is
    // flushed when the copy was durable.
    bool publish(std::string *error);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Gives a file another name on the same volume in one step, replacing what has that name, and
// flushes the change to disk (a backup put back where it came from).
bool moveFile(const std::string &from, const std::string &to, std::string *error);

// True for the names this layer gives its temporaries (".<name>.writing"), so that the owner of
// a folder can sweep what a killed process left in it.
bool isTemporaryName(std::string_view name);

// Appends the bytes to the file (created when missing) and flushes them to disk before it
// returns: a journal that grows without being rewritten. A kill may leave the last append cut
// short; nothing before it changes.
bool appendDurably(const std::string &path, std::string_view bytes, std::string *error);

// What a volume can still take: the bytes free to this user, and the unit in which files take
// space (the file system's block or cluster).
struct VolumeSpace
{
    std::uint64_t available = 0;
    std::uint64_t allocationUnit = 4096;
};
std::optional<VolumeSpace> volumeSpace(const std::string &path, std::string *error);

// An exclusive lock on a file (flock on POSIX, LockFileEx on Windows), held while the object
// lives. The system drops it when the process ends, however it ends. A lock file that its holder
// removed is noticed: acquiring it then starts again on the file that has the name now.
class FileLock
{
public:
    enum class Outcome
    {
        Acquired,
        Busy,   // another process holds it
        Failed, // the error says why
    };

    FileLock();
    ~FileLock();
    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;

    // Creates the file when missing; never waits.
    Outcome tryAcquire(const std::string &path, std::string *error);
    bool held() const;
    // Removes the lock file while still holding it (the last user of its folder), then releases.
    void removeAndRelease();
    void release();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The names in a folder (without "." and ".."), sorted by their bytes; none when it cannot be
// read. Unlike std::filesystem's listing on Windows, any length of path.
std::vector<std::string> folderEntries(const std::string &folder);

// True when both paths name one existing file (also through links or doubled separators).
bool sameFile(const std::string &a, const std::string &b);

// Temporaries that copies and replacements have under way, removed when the program ends at
// once or is stopped by a signal; then the pending folders that are empty. removePendingTemporaries
// is async-signal-safe.
void removePendingTemporaries();

// A folder made for work under way (the installer's folder of one run) that an ending by a signal
// should not leave behind empty: while this object lives, removePendingTemporaries removes the
// folder when nothing is in it. A folder with anything in it is never touched.
class PendingFolder
{
public:
    explicit PendingFolder(const std::string &path);
    ~PendingFolder();
    PendingFolder(const PendingFolder &) = delete;
    PendingFolder &operator=(const PendingFolder &) = delete;

private:
    int m_slot = -1;
};
// SIGINT, SIGTERM (and SIGHUP) remove the pending temporaries, then end the process as the
// signal would (POSIX); console Ctrl-C and close events do the same on Windows.
void removeTemporariesOnSignals();

// The full path of the running program's file (UTF-8, as the system gives it); empty when the
// system cannot tell.
std::string runningProgram();

#ifdef _WIN32
// A UTF-8 path as the W file functions take it: an absolute path too long for the classic limit
// gets the "\\?\" form (with "." and ".." resolved, which that form takes literally), so that a
// game folder of any length works. toPath gives the same; fromPath takes the prefix off again.
std::wstring nativePath(std::string_view utf8);

// The system's text for a Win32 error code (GetLastError), as one line of UTF-8.
std::string systemReason(unsigned long code);
#endif

} // namespace base::files
