#include "FileOps.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "Files.h"

namespace platform::fileops {

namespace {

void setError(std::string *error, std::string text)
{
    if (error)
        *error = std::move(text);
}

#ifdef _WIN32
std::string lastReason()
{
    return base::files::systemReason(::GetLastError());
}
#else
std::string systemReason(int code)
{
    return std::strerror(code);
}
#endif

} // namespace

bool createFolder(const std::string &path, std::string *error)
{
#ifdef _WIN32
    if (::CreateDirectoryW(base::files::nativePath(path).c_str(), nullptr))
        return true;
    setError(error, path + ": " + lastReason());
#else
    if (::mkdir(path.c_str(), 0777) == 0)
        return true;
    setError(error, path + ": " + systemReason(errno));
#endif
    return false;
}

bool sameFile(const std::string &a, const std::string &b)
{
    return base::files::sameFile(a, b);
}

CopyOutcome copyFile(const std::string &source, const std::string &target, std::string *error,
                     const std::function<void()> &betweenChunks, std::int64_t chunkSize)
{
    base::files::CopyOptions options;
    options.maxChunkBytes = std::uint64_t(std::max<std::int64_t>(chunkSize, 0));
    if (betweenChunks) {
        options.progress = [&betweenChunks](std::uint64_t, std::uint64_t) {
            betweenChunks();
            return true;
        };
    }
    std::string reason;
    switch (base::files::copyFile(source, target, options, &reason)) {
    case base::files::CopyOutcome::Copied:
        return CopyOutcome::Copied;
    case base::files::CopyOutcome::SameFile:
        return CopyOutcome::SameFile;
    case base::files::CopyOutcome::Failed:
    case base::files::CopyOutcome::Cancelled: // never asked for here
        break;
    }
    setError(error, std::move(reason));
    return CopyOutcome::Failed;
}

bool deleteFile(const std::string &path, std::string *error)
{
#ifdef _WIN32
    if (::DeleteFileW(base::files::nativePath(path).c_str()))
        return true;
    setError(error, path + ": " + lastReason());
#else
    if (::unlink(path.c_str()) == 0)
        return true;
    setError(error, path + ": " + systemReason(errno));
#endif
    return false;
}

std::int64_t fileLength(const std::string &path, std::string *error)
{
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(base::files::nativePath(path).c_str(), GetFileExInfoStandard, &data)) {
        setError(error, path + ": " + lastReason());
        return -1;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        setError(error, path + ": Is a directory");
        return -1;
    }
    return (std::int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
#else
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0) {
        setError(error, path + ": " + systemReason(errno));
        return -1;
    }
    if (S_ISDIR(st.st_mode)) {
        setError(error, path + ": " + systemReason(EISDIR));
        return -1;
    }
    return st.st_size;
#endif
}

void removePendingFiles()
{
    base::files::removePendingTemporaries();
}

} // namespace platform::fileops
