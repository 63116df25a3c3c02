#include "Files.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <windows.h>

#include "ChunkPacer.h"
#include "Text.h"
#include "WriteTap.h"

namespace base::files {

namespace {

// ---- Handles and messages ---------------------------------------------------------------------

// A file handle, closed when it goes out of scope.
class Handle
{
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    Handle(Handle &&other) noexcept : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)) {}
    Handle &operator=(Handle &&other) noexcept
    {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    ~Handle() { close(); }

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    // Closes now; false (with the last error set) when the system reports a failure.
    bool close()
    {
        if (!valid())
            return true;
        return ::CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE)) != 0;
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

bool failWith(std::string *error, const std::string &path, const std::string &reason)
{
    if (error)
        *error = path + ": " + reason;
    return false;
}

bool fail(std::string *error, const std::string &path, DWORD code = ::GetLastError())
{
    return failWith(error, path, systemReason(code));
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens a file or folder only to ask about it.
Handle openForQuery(const std::wstring &path)
{
    return Handle(::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// ---- Temporaries under way, removable from the console handler ---------------------------------

constexpr std::size_t kPendingSlots = 64;
constexpr std::size_t kPendingPathChars = 1024;
struct PendingSlot
{
    std::atomic<int> state{0}; // free (0), being filled or emptied (1), names a temporary (2)
    wchar_t path[kPendingPathChars];
};
PendingSlot g_pending[kPendingSlots];

class PendingTemporary
{
public:
    PendingTemporary() = default;
    PendingTemporary(const PendingTemporary &) = delete;
    PendingTemporary &operator=(const PendingTemporary &) = delete;
    ~PendingTemporary()
    {
        if (m_path.empty())
            return;
        if (!m_kept) {
            ::SetFileAttributesW(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(m_path.c_str());
        }
        release();
    }

    void track(const std::wstring &path)
    {
        m_path = path;
        if (path.size() >= kPendingPathChars)
            return; // too long to register; the next write to the target removes it
        for (std::size_t i = 0; i < kPendingSlots; ++i) {
            int expected = 0;
            if (g_pending[i].state.compare_exchange_strong(expected, 1)) {
                std::copy(path.begin(), path.end(), g_pending[i].path);
                g_pending[i].path[path.size()] = L'\0';
                g_pending[i].state.store(2);
                m_slot = int(i);
                return;
            }
        }
    }
    void keep()
    {
        m_kept = true;
        release();
    }

private:
    void release()
    {
        if (m_slot >= 0)
            g_pending[m_slot].state.store(0);
        m_slot = -1;
    }

    std::wstring m_path;
    int m_slot = -1;
    bool m_kept = false;
};

// ---- Small steps ------------------------------------------------------------------------------

struct SplitPath
{
    std::wstring folder; // with its trailing separator, or empty for the current folder
    std::wstring name;
};

SplitPath splitPath(const std::wstring &path)
{
    const std::size_t slash = path.find_last_of(L"\\/:");
    if (slash == std::wstring::npos)
        return {{}, path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The one name a target's temporary ever has: what a killed process left there is removed by the
// next write to the same target, which needs that name.
std::wstring temporaryName(const std::wstring &target, const std::wstring &stagingFolder = {})
{
    const SplitPath split = splitPath(target);
    if (stagingFolder.empty())
        return split.folder + L"." + split.name.substr(0, 255 - 9) + L".writing";
    // Marked as staged: the folder may hold a file of the target's name with its own temporary
    // (the installer's backup of the original the target replaces).
    std::wstring folder = stagingFolder;
    if (folder.back() != L'\\' && folder.back() != L'/')
        folder += L'\\';
    return folder + L"." + split.name.substr(0, 255 - 16) + L".staged.writing";
}

bool writeAll(HANDLE file, const char *data, std::size_t size)
{
    while (size > 0) {
        const DWORD step = DWORD(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, data, step, &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

struct FileIdentity
{
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
    bool operator==(const FileIdentity &) const = default;
};

std::optional<FileIdentity> identityOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// Opens a file for reading and refuses anything but a file on disk (a pipe, a device, a folder).
Handle openRegularForReading(const std::string &path, std::uint64_t &size, std::string *error)
{
    const std::wstring wide = nativePath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        failWith(error, path, "Is a directory");
        return {};
    }
    Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        fail(error, path);
        return {};
    }
    LARGE_INTEGER length;
    if (::GetFileType(file.get()) != FILE_TYPE_DISK || !::GetFileSizeEx(file.get(), &length)) {
        failWith(error, path, "Not a regular file");
        return {};
    }
    size = std::uint64_t(length.QuadPart);
    return file;
}

// A link is followed to the file it names, which is the file replaced; a link stays a link.
std::wstring resolveLink(const std::wstring &path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    const Handle file = openForQuery(path);
    if (!file.valid())
        return path;
    std::wstring resolved(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFinalPathNameByHandleW(file.get(), resolved.data(), DWORD(resolved.size()), 0);
        if (length == 0)
            return path;
        if (length < resolved.size()) {
            resolved.resize(length);
            return resolved;
        }
        resolved.resize(length + 1);
    }
}

// Creates the target's temporary, removing one that a killed write left. Shared for deletion, so
// that the console handler can remove it while it is still open.
Handle createTemporary(const std::wstring &temporary)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        Handle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid() || ::GetLastError() != ERROR_FILE_EXISTS)
            return file;
        ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(temporary.c_str());
    }
    return {};
}

// Truncates and rewrites the file itself: the way left when its folder takes no new file.
bool writeInPlace(const std::wstring &wide, const std::string &path, std::string_view bytes,
                  std::string *error)
{
    Handle file(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || !writeAll(file.get(), bytes.data(), bytes.size()) || !::FlushFileBuffers(file.get()))
        return fail(error, path);
    return file.close() || fail(error, path);
}

// One rename on one volume. A target that another program holds open without sharing its removal
// (a virus scanner, an indexer) refuses it for a moment: tried again a few times.
bool movedIntoPlace(const std::wstring &temporary, const std::wstring &target)
{
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExW(temporary.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD code = ::GetLastError();
        if (attempt == 49 || (code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED))
            return false;
        ::Sleep(10);
        ::SetLastError(code);
    }
}

} // namespace

// ---- Paths ------------------------------------------------------------------------------------

namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";
// Beyond this the classic functions refuse a path; a folder's path must leave room for a file's
// 8.3 name, hence MAX_PATH - 12.
constexpr std::size_t kClassicPathChars = MAX_PATH - 12;

bool isDriveAbsolute(std::wstring_view path)
{
    return path.size() >= 3 &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && path[2] == L'\\';
}

// The "\\?\" form of an absolute path with backslashes only: that form is taken literally, so "."
// and ".." are resolved here and doubled separators dropped. The drive or the server and share
// stay as they are; ".." never climbs above them.
std::wstring literalForm(std::wstring_view path)
{
    std::wstring result;
    std::size_t rootEnd = 0; // where the components that ".." may remove begin
    std::wstring_view rest;
    if (isDriveAbsolute(path)) {
        result = std::wstring(kLongPrefix) + std::wstring(path.substr(0, 2));
        rest = path.substr(3);
    } else {
        // "\\server\share\...": the server and the share are the root.
        result = std::wstring(kLongUncPrefix);
        rest = path.substr(2);
        for (int part = 0; part < 2; ++part) {
            const std::size_t end = std::min(rest.find(L'\\'), rest.size());
            result += (part ? L"\\" : L"") + std::wstring(rest.substr(0, end));
            rest.remove_prefix(std::min(end + 1, rest.size()));
        }
    }
    rootEnd = result.size();
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(L'\\'), rest.size());
        const std::wstring_view part = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (part.empty() || part == L".")
            continue;
        if (part == L"..") {
            const std::size_t cut = result.find_last_of(L'\\');
            if (result.size() > rootEnd && cut != std::wstring::npos && cut >= rootEnd)
                result.resize(cut);
            continue;
        }
        result += L'\\';
        result += part;
    }
    if (result.size() == rootEnd)
        result += L'\\';
    return result;
}

std::wstring withoutLongPrefix(std::wstring path)
{
    if (path.rfind(kLongUncPrefix, 0) == 0)
        return L"\\\\" + path.substr(kLongUncPrefix.size());
    if (path.rfind(kLongPrefix, 0) == 0 &&
        isDriveAbsolute(std::wstring_view(path).substr(kLongPrefix.size())))
        return path.substr(kLongPrefix.size());
    return path;
}

} // namespace

std::wstring nativePath(std::string_view utf8)
{
    std::wstring wide = text::widen(utf8);
    // Already long, or a device ("\\.\"): as given.
    if (wide.size() <= kClassicPathChars || wide.rfind(kLongPrefix, 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0)
        return wide;
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    if (!isDriveAbsolute(wide) && wide.rfind(L"\\\\", 0) != 0) {
        // Relative to the current folder or drive: made absolute first.
        const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
        std::wstring full(size, L'\0');
        const DWORD length = size ? ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr) : 0;
        if (length == 0 || length >= size)
            return wide;
        full.resize(length);
        wide = std::move(full);
        if (!isDriveAbsolute(wide) && wide.rfind(L"\\\\", 0) != 0)
            return wide;
    }
    return literalForm(wide);
}

std::filesystem::path toPath(std::string_view utf8)
{
    return std::filesystem::path(nativePath(utf8));
}

std::string fromPath(const std::filesystem::path &path)
{
    return text::narrow(withoutLongPrefix(path.native()));
}

bool sameFile(const std::string &a, const std::string &b)
{
    const Handle first = openForQuery(nativePath(a));
    const Handle second = openForQuery(nativePath(b));
    if (!first.valid() || !second.valid())
        return false;
    const std::optional<FileIdentity> one = identityOf(first.get());
    return one && one == identityOf(second.get());
}

// ---- Reading ----------------------------------------------------------------------------------

std::optional<std::string> readRegularFile(const std::string &path, std::uint64_t maxBytes,
                                           std::string *error)
{
    std::uint64_t size = 0;
    const Handle file = openRegularForReading(path, size, error);
    if (!file.valid())
        return std::nullopt;
    if (size > maxBytes) {
        failWith(error, path, "File too large");
        return std::nullopt;
    }
    // The size can change while reading: the cap holds for what is read, not for what was said.
    std::string bytes(std::size_t(size) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes) {
                failWith(error, path, "File too large");
                return std::nullopt;
            }
            bytes.resize(std::size_t(std::min<std::uint64_t>(maxBytes + 1, filled * 2 + 4096)));
        }
        DWORD got = 0;
        const DWORD want = DWORD(std::min<std::size_t>(bytes.size() - filled, 1u << 30));
        if (!::ReadFile(file.get(), bytes.data() + filled, want, &got, nullptr)) {
            fail(error, path);
            return std::nullopt;
        }
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > maxBytes) {
        failWith(error, path, "File too large");
        return std::nullopt;
    }
    bytes.resize(filled);
    return bytes;
}

// ---- Replacing --------------------------------------------------------------------------------

bool replaceFileContent(const std::string &path, std::string_view bytes, std::string *error)
{
    const std::wstring target = resolveLink(nativePath(path));
    if (splitPath(target).name.empty())
        return failWith(error, path, "Is a directory");
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        return fail(error, path);
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return failWith(error, path, "Is a directory");
    // Windows refuses to replace a read-only file and Wine does not: refused here on both, as the
    // profile functions refuse to write one.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        return fail(error, path, ERROR_ACCESS_DENIED);

    const std::wstring temporary = temporaryName(target);
    PendingTemporary pending;
    pending.track(temporary);
    Handle file = createTemporary(temporary);
    if (!file.valid()) {
        if (exists && ::GetLastError() == ERROR_ACCESS_DENIED)
            return writeInPlace(target, path, bytes, error);
        return fail(error, path);
    }
    if (!writeAll(file.get(), bytes.data(), bytes.size()) || !::FlushFileBuffers(file.get()) || !file.close())
        return fail(error, path);

    // The old file's attributes go to the new one before it takes the old one's place: one rename,
    // so that a reader finds the old file or the new one and never no file (ReplaceFileW is not
    // one step under Wine).
    constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (exists && (attributes & kKeptAttributes))
        ::SetFileAttributesW(temporary.c_str(), attributes & kKeptAttributes);
    if (!movedIntoPlace(temporary, target))
        return fail(error, path);
    pending.keep();
    return true;
}

// ---- Copying ----------------------------------------------------------------------------------

namespace {

struct CopyTarget
{
    bool exists = false;
    bool sameAsSource = false;
};

bool inspectTarget(const std::string &target, const std::wstring &wide, HANDLE source, CopyTarget &found,
                   std::string *error)
{
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND)
            return true;
        return fail(error, target, code);
    }
    found.exists = true;
    const Handle existing = openForQuery(wide);
    const std::optional<FileIdentity> sourceId = identityOf(source);
    found.sameAsSource = existing.valid() && sourceId && sourceId == identityOf(existing.get());
    if (found.sameAsSource)
        return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return failWith(error, target, "Is a directory");
    // Like the classic file copy: a read-only target is refused, not replaced.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return fail(error, target, ERROR_ACCESS_DENIED);
    return true;
}

constexpr std::size_t kCopyBufferBytes = 1 << 20;

// Source to temporary in chunks paced by the options; the observer, when there is one, reads the
// very buffer that was written while the next one fills.
CopyOutcome copyChunks(HANDLE in, HANDLE out, std::uint64_t total, const CopyOptions &options,
                       const std::string &source, const std::string &target, std::string *error)
{
    std::optional<WriteTap> tap;
    std::vector<char> own;
    if (options.written)
        tap.emplace(options.written, kCopyBufferBytes, total);
    else
        own.resize(kCopyBufferBytes);
    ChunkPacer pacer(options.chunkTime, options.maxChunkBytes);
    std::uint64_t copied = 0;
    for (;;) {
        const auto start = ChunkPacer::Clock::now();
        std::uint64_t moved = 0;
        bool ended = false;
        while (moved < pacer.nextChunk()) {
            char *buffer = tap ? tap->buffer() : own.data();
            DWORD got = 0;
            const DWORD want = DWORD(std::min<std::uint64_t>(pacer.nextChunk() - moved, kCopyBufferBytes));
            if (!::ReadFile(in, buffer, want, &got, nullptr))
                return fail(error, source), CopyOutcome::Failed;
            if (got == 0) {
                ended = true;
                break;
            }
            if (!writeAll(out, buffer, got))
                return fail(error, target), CopyOutcome::Failed;
            if (tap)
                tap->hand(got);
            moved += got;
        }
        if (moved == 0)
            break;
        pacer.record(moved, ChunkPacer::Clock::now() - start);
        copied += moved;
        if (options.progress && !options.progress(copied, std::max(copied, total)))
            return CopyOutcome::Cancelled;
        if (ended)
            break;
    }
    if (tap)
        tap->drain();
    return CopyOutcome::Copied;
}

} // namespace

struct StagedCopy::State
{
    std::string target;
    std::wstring wideTarget;
    std::wstring temporary;
    PendingTemporary pending; // removes the temporary unless it was published
};

StagedCopy::StagedCopy() = default;
StagedCopy::~StagedCopy() = default;
StagedCopy::StagedCopy(StagedCopy &&other) noexcept = default;
StagedCopy &StagedCopy::operator=(StagedCopy &&other) noexcept = default;

CopyOutcome StagedCopy::stage(const std::string &source, const std::string &target,
                              const CopyOptions &options, std::string *error)
{
    m_state.reset();
    std::uint64_t total = 0;
    const Handle in = openRegularForReading(source, total, error);
    if (!in.valid())
        return CopyOutcome::Failed;
    const std::wstring wideTarget = nativePath(target);
    CopyTarget found;
    if (!inspectTarget(target, wideTarget, in.get(), found, error))
        return CopyOutcome::Failed;
    if (found.sameAsSource)
        return CopyOutcome::SameFile;
    if (splitPath(wideTarget).name.empty()) {
        failWith(error, target, "Is a directory");
        return CopyOutcome::Failed;
    }

    auto state = std::make_unique<State>();
    state->target = target;
    state->wideTarget = wideTarget;
    state->temporary = temporaryName(
        wideTarget, options.stagingFolder.empty() ? std::wstring() : nativePath(options.stagingFolder));
    state->pending.track(state->temporary);
    Handle out = createTemporary(state->temporary);
    if (!out.valid())
        return fail(error, target), CopyOutcome::Failed;
    const CopyOutcome copied = copyChunks(in.get(), out.get(), total, options, source, target, error);
    if (copied != CopyOutcome::Copied)
        return copied;
    if (options.durable && !::FlushFileBuffers(out.get()))
        return fail(error, target), CopyOutcome::Failed;
    if (!out.close())
        return fail(error, target), CopyOutcome::Failed;
    // The read-only attribute is the one permission a Windows file carries.
    if (options.keepSourcePermissions) {
        BY_HANDLE_FILE_INFORMATION info;
        if (::GetFileInformationByHandle(in.get(), &info) &&
            (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
            ::SetFileAttributesW(state->temporary.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    m_state = std::move(state);
    return CopyOutcome::Copied;
}

bool StagedCopy::publish(std::string *error)
{
    if (!m_state)
        return failWith(error, "(no staged copy)", "Nothing was staged to publish");
    if (!movedIntoPlace(m_state->temporary, m_state->wideTarget))
        return fail(error, m_state->target);
    m_state->pending.keep();
    m_state.reset();
    return true;
}

CopyOutcome copyFile(const std::string &source, const std::string &target, const CopyOptions &options,
                     std::string *error)
{
    StagedCopy staged;
    const CopyOutcome outcome = staged.stage(source, target, options, error);
    if (outcome == CopyOutcome::Copied && !staged.publish(error))
        return CopyOutcome::Failed;
    return outcome;
}

// ---- Journal, space and locks -----------------------------------------------------------------

bool moveFile(const std::string &from, const std::string &to, std::string *error)
{
    if (!movedIntoPlace(nativePath(from), nativePath(to)))
        return fail(error, to);
    return true;
}

bool appendDurably(const std::string &path, std::string_view bytes, std::string *error)
{
    // FILE_APPEND_DATA alone: every write lands at the end, whatever else has the file open.
    Handle file(::CreateFileW(nativePath(path).c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || !writeAll(file.get(), bytes.data(), bytes.size()) || !::FlushFileBuffers(file.get()))
        return fail(error, path);
    return file.close() || fail(error, path);
}

std::optional<VolumeSpace> volumeSpace(const std::string &path, std::string *error)
{
    const std::wstring wide = nativePath(path);
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExW(wide.c_str(), &available, nullptr, nullptr))
        return fail(error, path), std::nullopt;
    std::wstring root(wide.size() + 2, L'\0');
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD clusters = 0;
    if (!::GetVolumePathNameW(wide.c_str(), root.data(), DWORD(root.size())) ||
        !::GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return fail(error, path), std::nullopt;
    VolumeSpace space;
    space.available = available.QuadPart;
    if (sectorsPerCluster && bytesPerSector)
        space.allocationUnit = std::uint64_t(sectorsPerCluster) * bytesPerSector;
    return space;
}

struct FileLock::State
{
    Handle file;
    std::wstring path;
};

FileLock::FileLock() = default;
FileLock::~FileLock()
{
    release();
}
FileLock::FileLock(FileLock &&other) noexcept = default;
FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    release();
    m_state = std::move(other.m_state);
    return *this;
}

FileLock::Outcome FileLock::tryAcquire(const std::string &path, std::string *error)
{
    release();
    const std::wstring wide = nativePath(path);
    // A holder may remove the file between our open and our lock: the lock is then on a file that
    // has no name any more, and the one that has the name now is tried instead.
    for (int attempt = 0; attempt < 8; ++attempt) {
        Handle file(::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            // A file its holder is removing refuses new opens until it is gone.
            if (::GetLastError() == ERROR_ACCESS_DENIED && attempt < 7) {
                ::Sleep(10);
                continue;
            }
            fail(error, path);
            return Outcome::Failed;
        }
        OVERLAPPED whole = {};
        if (!::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                          MAXDWORD, &whole)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING)
                return Outcome::Busy;
            fail(error, path, code);
            return Outcome::Failed;
        }
        const Handle named = openForQuery(wide);
        const std::optional<FileIdentity> locked = identityOf(file.get());
        if (named.valid() && locked && locked == identityOf(named.get())) {
            m_state = std::make_unique<State>();
            m_state->file = std::move(file);
            m_state->path = wide;
            return Outcome::Acquired;
        }
    }
    failWith(error, path, "The lock file keeps being replaced");
    return Outcome::Failed;
}

bool FileLock::held() const
{
    return m_state != nullptr;
}

void FileLock::removeAndRelease()
{
    if (!m_state)
        return;
    // Gone when the handle closes, so that no one locks the file between its removal and the release.
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!::SetFileInformationByHandle(m_state->file.get(), FileDispositionInfo, &disposition,
                                      sizeof disposition))
        ::DeleteFileW(m_state->path.c_str());
    release();
}

void FileLock::release()
{
    m_state.reset(); // closing the handle drops the lock
}

// ---- Console events ---------------------------------------------------------------------------

void removePendingTemporaries()
{
    for (PendingSlot &slot : g_pending) {
        if (slot.state.load() == 2)
            ::DeleteFileW(slot.path);
    }
    // Twice, so that a folder inside another pending folder goes first whatever their slots.
    for (int pass = 0; pass < 2; ++pass) {
        for (PendingSlot &slot : g_pending) {
            if (slot.state.load() == 3)
                ::RemoveDirectoryW(slot.path);
        }
    }
}

PendingFolder::PendingFolder(const std::string &path)
{
    const std::wstring native = toPath(path).native();
    if (native.size() >= kPendingPathChars)
        return; // too long to register: a signal may leave the empty folder
    for (std::size_t i = 0; i < kPendingSlots; ++i) {
        int expected = 0;
        if (g_pending[i].state.compare_exchange_strong(expected, 1)) {
            std::copy(native.begin(), native.end(), g_pending[i].path);
            g_pending[i].path[native.size()] = L'\0';
            g_pending[i].state.store(3);
            m_slot = static_cast<int>(i);
            return;
        }
    }
}

PendingFolder::~PendingFolder()
{
    if (m_slot >= 0)
        g_pending[m_slot].state.store(0);
}

namespace {

BOOL WINAPI removeTemporariesOnConsoleEvent(DWORD)
{
    removePendingTemporaries();
    return FALSE; // the default handler then ends the process
}

} // namespace

void removeTemporariesOnSignals()
{
    ::SetConsoleCtrlHandler(removeTemporariesOnConsoleEvent, TRUE);
}

std::string runningProgram()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return text::narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

std::string systemReason(unsigned long code)
{
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring reason = length ? std::wstring(text, length) : L"Error " + std::to_wstring(code);
    if (text)
        ::LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' '))
        reason.pop_back();
    return text::narrow(reason);
}

} // namespace base::files
