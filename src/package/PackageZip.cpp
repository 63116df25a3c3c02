#include "PackageZip.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "Files.h"
#include "PackageFormat.h"
#include "ZipWriter.h"

namespace package::zip {

namespace {

constexpr std::size_t SampleBytes = 256 * 1024;
constexpr std::uint64_t SmallFileBytes = 64 * 1024;

void setError(std::string *error, const std::string &path, const std::string &reason)
{
    if (error)
        *error = path + ": " + reason;
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool isTempIni(const std::string &name)
{
    return lowered(name) == std::string(package::file::Temp);
}

// install.ini and the readme: always deflated, however short.
bool isText(const std::string &name)
{
    const std::string extension = lowered(base::files::fromPath(base::files::toPath(name).extension()));
    return extension == ".ini" || extension == ".txt" || extension == ".rtf";
}

// One regular file of the package folder as it was listed (lstat, never through a link): packing
// reads that very file or fails, whatever takes its name meanwhile.
struct PackageFile
{
    std::string name; // in the package folder, UTF-8
    std::string path; // the package folder's path with the name, for messages
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0;
    time_t modified = 0;
};

// A name as a message shows it: control characters as \xNN, so that the message stays one line.
std::string shown(std::string_view name)
{
    std::string text;
    for (const unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

// Why a name cannot be an entry of the archive, or empty. Unpackers on Windows take a backslash
// for a folder separator and a colon for a drive or a stream: such a name, or one with a ".."
// part, would be written outside the folder it is unpacked into.
std::string unsafeNameReason(std::string_view name)
{
    if (name.empty() || name == ".")
        return "the name is empty";
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find_first_of("/\\", start), name.size());
        if (name.substr(start, end - start) == "..")
            return "the name holds \"..\", which leads out of the folder it is unpacked into";
        start = end + 1;
    }
    if (name.find('\\') != std::string_view::npos)
        return "the name holds a backslash, which Windows takes for a folder separator";
    if (name.find('/') != std::string_view::npos)
        return "the name holds a slash, which unpackers take for a folder separator";
    if (name.find(':') != std::string_view::npos)
        return "the name holds a colon, which Windows takes for a drive or a stream";
    if (std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }))
        return "the name holds a control character";
    return {};
}

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

std::string notPackedReason(mode_t mode)
{
    return kindOf(mode) + ", not packed: the archive takes only the package's own files";
}

// The package folder, opened once: its files are listed and opened relative to it.
class PackageFolder
{
public:
    explicit PackageFolder(const std::string &path)
        : m_path(path), m_fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
    }
    ~PackageFolder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PackageFolder(const PackageFolder &) = delete;
    PackageFolder &operator=(const PackageFolder &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    const std::string &path() const { return m_path; }

    // The regular files in name order, temp.ini left out. Anything else in the folder, or a name
    // that cannot go into the archive, fails the listing with its name.
    bool list(std::vector<PackageFile> &files, std::string *error) const
    {
        const int listing = ::dup(m_fd);
        DIR *dir = listing < 0 ? nullptr : ::fdopendir(listing);
        if (!dir) {
            if (listing >= 0)
                ::close(listing);
            setError(error, m_path, std::strerror(errno));
            return false;
        }
        std::unique_ptr<DIR, int (*)(DIR *)> closer(dir, ::closedir);
        for (;;) {
            errno = 0;
            const dirent *entry = ::readdir(dir);
            if (!entry)
                break;
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || isTempIni(name))
                continue;
            const std::string path = pathOf(name);
            if (const std::string reason = unsafeNameReason(name); !reason.empty()) {
                setError(error, path, reason);
                return false;
            }
            struct stat st;
            if (::fstatat(m_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                setError(error, path, std::strerror(errno));
                return false;
            }
            if (!S_ISREG(st.st_mode)) {
                setError(error, path, notPackedReason(st.st_mode));
                return false;
            }
            files.push_back(
                {name, path, st.st_dev, st.st_ino, static_cast<std::uint64_t>(st.st_size), st.st_mtime});
        }
        if (errno != 0) {
            setError(error, m_path, std::strerror(errno));
            return false;
        }
        std::sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
        return true;
    }

    // The listed file for reading, or -1 with the reason: never through a link, never waiting on
    // a FIFO, and only while it is still the regular file that was listed.
    int open(const PackageFile &file, std::string &reason) const
    {
        const int fd = ::openat(m_fd, file.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            const int code = errno;
            struct stat st;
            reason = code == ELOOP && ::fstatat(m_fd, file.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
                         ? notPackedReason(st.st_mode)
                         : std::strerror(code);
            return -1;
        }
        struct stat st;
        if (::fstat(fd, &st) != 0) {
            reason = std::strerror(errno);
        } else if (!S_ISREG(st.st_mode)) {
            reason = notPackedReason(st.st_mode);
        } else if (st.st_dev != file.device || st.st_ino != file.inode) {
            reason = "replaced by another file while the archive was written";
        } else if (static_cast<std::uint64_t>(st.st_size) != file.size) {
            reason = "changed while the archive was written";
        } else {
            return fd;
        }
        ::close(fd);
        return -1;
    }

    std::string pathOf(std::string_view name) const { return m_path + "/" + shown(name); }

private:
    std::string m_path;
    int m_fd;
};

// The file's first bytes, no more than it has: a buffer sized to the sample would cost a fill for
// every small file of a large package.
bool readSample(const PackageFolder &folder, const PackageFile &file, std::string &sample,
                std::string &reason)
{
    const int fd = folder.open(file, reason);
    if (fd < 0)
        return false;
    sample.assign(static_cast<std::size_t>(std::min<std::uint64_t>(file.size, SampleBytes)), '\0');
    std::size_t filled = 0;
    while (filled < sample.size()) {
        const ssize_t got = ::read(fd, sample.data() + filled, sample.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            reason = std::strerror(errno);
        if (got <= 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    sample.resize(filled);
    return reason.empty();
}

// An open file descriptor, closed when it goes out of scope.
class OpenFile
{
public:
    explicit OpenFile(int fd) : m_fd(fd) {}
    ~OpenFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The packing's progress over the bytes of all files, in steps of a thousandth at least so that
// the caller's event pump runs often without running for every chunk of a large package.
class PackingProgress
{
public:
    PackingProgress(const PackProgress &callback, std::uint64_t total) : m_callback(callback), m_total(total)
    {
    }

    // False when the callback cancels.
    bool start() { return report(0.0); }
    bool advance(std::uint64_t bytes)
    {
        m_done += bytes;
        const double fraction = m_total ? static_cast<double>(m_done) / static_cast<double>(m_total) : 0.0;
        return fraction - m_reported < 0.001 || report(std::min(fraction, 1.0));
    }
    bool finish() { return report(1.0); }

private:
    bool report(double fraction)
    {
        m_reported = fraction;
        return !m_callback || m_callback(fraction);
    }

    const PackProgress &m_callback;
    const std::uint64_t m_total;
    std::uint64_t m_done = 0;
    double m_reported = 0.0;
};

enum class FileOutcome
{
    Packed,
    Failed,
    Cancelled,
};

constexpr std::size_t ReadChunk = 256 * 1024;

// One listed file into the archive, opened only while it is read (a package may have more files
// than a process may hold open), checked to be the listed file then, and exactly the listed size:
// a file that grows or shrinks under the packing fails it rather than giving an entry that
// differs from its header.
FileOutcome packFile(const PackageFolder &folder, const PackageFile &file, const std::string &entry,
                     ZipWriter::Method method, ZipWriter &writer, PackingProgress &progress,
                     std::vector<char> &buffer, std::string *error)
{
    std::string reason;
    const OpenFile in(folder.open(file, reason));
    if (in.get() < 0) {
        setError(error, file.path, reason);
        return FileOutcome::Failed;
    }
    if (!writer.beginFile(entry, file.modified, file.size, method, error))
        return FileOutcome::Failed;
    std::uint64_t left = file.size;
    for (;;) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        // Past the listed size one byte more is asked for: there must be none.
        const ssize_t got = ::read(in.get(), buffer.data(), wanted ? wanted : 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            setError(error, file.path, std::strerror(errno));
            return FileOutcome::Failed;
        }
        if ((wanted == 0 && got > 0) || (wanted > 0 && got == 0)) {
            setError(error, file.path, "changed while the archive was written");
            return FileOutcome::Failed;
        }
        if (wanted == 0)
            break;
        if (!writer.write(buffer.data(), static_cast<std::size_t>(got), error))
            return FileOutcome::Failed;
        left -= static_cast<std::uint64_t>(got);
        if (!progress.advance(static_cast<std::uint64_t>(got)))
            return FileOutcome::Cancelled;
    }
    return writer.endFile(error) ? FileOutcome::Packed : FileOutcome::Failed;
}

} // namespace

bool worthDeflating(const std::string &sample)
{
    if (sample.empty())
        return false;
    uLongf packed = compressBound(static_cast<uLong>(sample.size()));
    const std::unique_ptr<Bytef[]> out(new Bytef[packed]);
    if (compress2(out.get(), &packed, reinterpret_cast<const Bytef *>(sample.data()),
                  static_cast<uLong>(sample.size()), 1) != Z_OK)
        return false;
    // Less than a tenth saved is not worth the time the players' unpacking costs.
    return packed < sample.size() * 9 / 10;
}

PackOutcome packFolder(const std::string &packageFolder, const std::string &packageName,
                       const std::vector<std::string> &required, const std::string &zipPath,
                       const PackProgress &progress, std::string *error)
{
    // The package's name is the archive's one folder: it must not lead out of it either.
    if (const std::string reason = unsafeNameReason(packageName); !reason.empty()) {
        setError(error, packageFolder, "package name \"" + shown(packageName) + "\": " + reason);
        return PackOutcome::Failed;
    }
    const PackageFolder folder(packageFolder);
    if (!folder.isOpen()) {
        setError(error, packageFolder, std::strerror(errno));
        return PackOutcome::Failed;
    }
    std::vector<PackageFile> files;
    if (!folder.list(files, error))
        return PackOutcome::Failed;
    for (const std::string &name : required) {
        const bool present = std::any_of(files.begin(), files.end(), [&](const PackageFile &file) {
            return lowered(file.name) == lowered(name);
        });
        if (!present) {
            setError(error, folder.pathOf(name), std::strerror(ENOENT));
            return PackOutcome::Failed;
        }
    }

    // Small files are deflated without a trial: the trial would cost as much as the deflate, and a
    // few KiB that do not shrink grow by a few bytes only.
    std::vector<ZipWriter::Method> methods;
    std::uint64_t total = 0;
    for (const PackageFile &file : files) {
        bool deflate = isText(file.name) || file.size <= SmallFileBytes;
        if (!deflate) {
            std::string sample, reason;
            if (!readSample(folder, file, sample, reason)) {
                setError(error, file.path, reason);
                return PackOutcome::Failed;
            }
            deflate = worthDeflating(sample);
        }
        methods.push_back(deflate ? ZipWriter::Method::Deflate : ZipWriter::Method::Store);
        total += file.size;
    }

    ZipWriter writer(zipPath);
    PackingProgress packing(progress, total);
    auto cancelled = [&] {
        setError(error, zipPath, "cancelled");
        return PackOutcome::Cancelled;
    };
    if (!writer.open(error))
        return PackOutcome::Failed;
    if (!packing.start())
        return cancelled();

    const std::string top = packageName + "/";
    if (!writer.addFolder(top, std::time(nullptr), error))
        return PackOutcome::Failed;
    std::vector<char> buffer(ReadChunk);
    for (std::size_t i = 0; i < files.size(); ++i) {
        switch (packFile(folder, files[i], top + files[i].name, methods[i], writer, packing, buffer, error)) {
        case FileOutcome::Packed:
            break;
        case FileOutcome::Failed:
            return PackOutcome::Failed;
        case FileOutcome::Cancelled:
            return cancelled();
        }
    }
    if (!packing.finish())
        return cancelled();
    return writer.commit(error) ? PackOutcome::Packed : PackOutcome::Failed;
}

} // namespace package::zip
