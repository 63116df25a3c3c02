#include "PackageFolder.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace package::zip {

namespace {

std::string kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "no regular file";
}

class DescriptorReader : public FileReader
{
public:
    explicit DescriptorReader(int fd) : m_fd(fd) {}
    ~DescriptorReader() override { ::close(m_fd); }
    long long read(char *buffer, std::size_t size, std::string &reason) override
    {
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, size);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                reason = std::strerror(errno);
            return got;
        }
    }

private:
    int m_fd;
};

} // namespace

// The folder, opened once: its files are listed and opened relative to it.
struct PackageFolder::System
{
    int fd = -1;
    int openError = 0;
};

PackageFolder::PackageFolder(const std::string &path) : m_path(path), m_system(std::make_unique<System>())
{
    m_system->fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    m_system->openError = m_system->fd < 0 ? errno : 0;
}

PackageFolder::~PackageFolder()
{
    if (m_system->fd >= 0)
        ::close(m_system->fd);
}

bool PackageFolder::isOpen(std::string *reason) const
{
    if (m_system->fd < 0 && reason)
        *reason = std::strerror(m_system->openError);
    return m_system->fd >= 0;
}

bool PackageFolder::list(std::vector<FolderEntry> &entries, std::string &reason) const
{
    const int listing = ::dup(m_system->fd);
    DIR *dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (!dir) {
        reason = std::strerror(errno);
        if (listing >= 0)
            ::close(listing);
        return false;
    }
    std::unique_ptr<DIR, int (*)(DIR *)> closer(dir, ::closedir);
    for (;;) {
        errno = 0;
        const dirent *found = ::readdir(dir);
        if (!found)
            break;
        FolderEntry entry;
        entry.name = found->d_name;
        if (entry.name == "." || entry.name == "..")
            continue;
        struct stat st;
        if (::fstatat(m_system->fd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            entry.notPacked = std::strerror(errno);
        } else {
            if (!S_ISREG(st.st_mode))
                entry.notPacked = notPackedReason(kindOf(st.st_mode));
            entry.size = static_cast<std::uint64_t>(st.st_size);
            entry.modified = st.st_mtime;
            entry.identity[0] = static_cast<std::uint64_t>(st.st_dev);
            entry.identity[1] = static_cast<std::uint64_t>(st.st_ino);
        }
        entries.push_back(std::move(entry));
    }
    if (errno != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

std::unique_ptr<FileReader> PackageFolder::open(const FolderEntry &entry, std::string &reason) const
{
    const int fd = ::openat(m_system->fd, entry.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        struct stat st;
        reason = code == ELOOP && ::fstatat(m_system->fd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
                     ? notPackedReason(kindOf(st.st_mode))
                     : std::strerror(code);
        return nullptr;
    }
    auto reader = std::make_unique<DescriptorReader>(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        reason = notPackedReason(kindOf(st.st_mode));
    else if (static_cast<std::uint64_t>(st.st_dev) != entry.identity[0] ||
             static_cast<std::uint64_t>(st.st_ino) != entry.identity[1])
        reason = "replaced by another file while the archive was written";
    else if (static_cast<std::uint64_t>(st.st_size) != entry.size)
        reason = "changed while the archive was written";
    else
        return reader;
    return nullptr;
}

} // namespace package::zip
