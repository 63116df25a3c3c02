#include "IniFileSystem.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Ini::system {

FileStatus statusOf(const std::string &path)
{
    FileStatus status;
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        status.kind = !path.empty() && errno == ENOENT ? FileKind::Missing : FileKind::Other;
        return status;
    }
    if (!S_ISREG(st.st_mode)) {
        status.kind = FileKind::Other;
        return status;
    }
    status.kind = FileKind::Regular;
    status.stamp = FileStamp{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::uint64_t(st.st_size),
                             st.st_mtim, st.st_ctim};
    // No write bit at all is read-only even for root, who passes access() anyway.
    status.readOnly = (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
    return status;
}

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

timespec coarseNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

struct FolderLock::Handle
{
    int fd = -1;
};

FolderLock::FolderLock(const std::string &file, Mode mode) : m_handle(std::make_unique<Handle>())
{
    const std::size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
    m_handle->fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (m_handle->fd < 0) {
        m_folderMissing = errno == ENOENT || errno == ENOTDIR;
        return;
    }
    const int operation = mode == Mode::Exclusive ? LOCK_EX : LOCK_SH;
    while (::flock(m_handle->fd, operation) != 0 && errno == EINTR) {
    }
}

FolderLock::~FolderLock()
{
    if (m_handle->fd >= 0)
        ::close(m_handle->fd); // releases the lock
}

bool FolderLock::held() const
{
    return m_handle->fd >= 0;
}

} // namespace Ini::system
