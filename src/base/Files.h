#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

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
};

// Copies source over target through a temporary beside the target that is renamed into place
// when whole. A read-only target is refused, not replaced.
CopyOutcome copyFile(const std::string &source, const std::string &target, const CopyOptions &options,
                     std::string *error);

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

#ifdef _WIN32
// The system's text for a Win32 error code (GetLastError), as one line of UTF-8.
std::string systemReason(unsigned long code);
#endif

} // namespace base::files
