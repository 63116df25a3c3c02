#include "IniFileSystem.h"

#include <windows.h>

#include "Files.h"

namespace Ini::system {

namespace {

// 100-ns units between 1601-01-01 and 1970-01-01.
constexpr std::int64_t EpochDifference = 116'444'736'000'000'000;

timespec toTimespec(const FILETIME &time)
{
    const std::int64_t units =
        ((std::int64_t(time.dwHighDateTime) << 32) | std::int64_t(time.dwLowDateTime)) - EpochDifference;
    timespec result{};
    result.tv_sec = time_t(units / 10'000'000);
    result.tv_nsec = long(units % 10'000'000) * 100;
    if (result.tv_nsec < 0) {
        result.tv_nsec += 1'000'000'000;
        --result.tv_sec;
    }
    return result;
}

// The file's folder, as its path gives it.
std::string folderOf(const std::string &file)
{
    const std::size_t slash = file.find_last_of("\\/");
    if (slash == std::string::npos)
        return ".";
    if (slash == 0 || (slash == 2 && file[1] == ':'))
        return file.substr(0, slash + 1);
    return file.substr(0, slash);
}

// Hidden, and gone once its last user closes it; the name is the same for every file of a folder.
constexpr const char *LockFileName = ".ini-lock";

// How long to wait for a lock file that its last user is closing (it takes no new user then).
constexpr int ClosingRetries = 200;

} // namespace

FileStatus statusOf(const std::string &path)
{
    FileStatus status;
    if (path.empty()) {
        status.kind = FileKind::Other;
        return status;
    }
    // Attributes only: a file open elsewhere, even without sharing, can still be looked at.
    const HANDLE file = ::CreateFileW(base::files::nativePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        status.kind = ::GetLastError() == ERROR_FILE_NOT_FOUND ? FileKind::Missing : FileKind::Other;
        return status;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = ::GetFileInformationByHandle(file, &info) && ::GetFileType(file) == FILE_TYPE_DISK;
    ::CloseHandle(file);
    if (!known || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
        status.kind = FileKind::Other;
        return status;
    }
    status.kind = FileKind::Regular;
    status.stamp.volume = info.dwVolumeSerialNumber;
    status.stamp.file = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    status.stamp.size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.stamp.modified = toTimespec(info.ftLastWriteTime);
    status.stamp.changed = status.stamp.modified;
    status.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return status;
}

std::string resolvedPath(const std::string &path)
{
    // Links are rare on Windows and the W functions follow them; the path is locked for as given.
    return path;
}

timespec coarseNow()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now); // the clock NTFS stamps files with
    return toTimespec(now);
}

struct FolderLock::Handle
{
    HANDLE file = INVALID_HANDLE_VALUE;
};

FolderLock::FolderLock(const std::string &file, Mode mode) : m_handle(std::make_unique<Handle>())
{
    const std::string folder = folderOf(file);
    const DWORD attributes = ::GetFileAttributesW(base::files::nativePath(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        const DWORD error = ::GetLastError();
        m_folderMissing = attributes != INVALID_FILE_ATTRIBUTES || error == ERROR_FILE_NOT_FOUND ||
                          error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY;
        return;
    }
    const std::wstring lockPath = base::files::nativePath(
        folder + (folder.back() == '\\' || folder.back() == '/' ? "" : "\\") + LockFileName);
    for (int attempt = 0; attempt < ClosingRetries; ++attempt) {
        m_handle->file =
            ::CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (m_handle->file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_ACCESS_DENIED)
            break;
        // Refused: a lock file that its last user is closing (it is deleted then), or a folder
        // this user may not create a file in, where there is no lock file to wait for.
        if (::GetFileAttributesW(lockPath.c_str()) == INVALID_FILE_ATTRIBUTES &&
            ::GetLastError() != ERROR_ACCESS_DENIED)
            break;
        ::Sleep(5);
    }
    if (m_handle->file == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED whole{};
    const DWORD flags = mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    if (!::LockFileEx(m_handle->file, flags, 0, 1, 0, &whole)) {
        ::CloseHandle(m_handle->file);
        m_handle->file = INVALID_HANDLE_VALUE;
    }
}

FolderLock::~FolderLock()
{
    if (m_handle->file != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_handle->file); // releases the lock; the last user's close removes the file
}

bool FolderLock::held() const
{
    return m_handle->file != INVALID_HANDLE_VALUE;
}

} // namespace Ini::system
