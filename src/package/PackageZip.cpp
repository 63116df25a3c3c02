#include "PackageZip.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include "Files.h"
#include "PackageFormat.h"

namespace package::zip {

namespace fs = std::filesystem;

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

// The first file that could not be read while the archive was written, named in the error.
struct ReadFailure
{
    std::string path;
    std::string reason;
};

// Gives libzip the bytes of one listed file, opened only while libzip reads it (a package may
// have more files than a process may hold open) and checked to be the listed file then.
class ListedFileSource
{
public:
    ListedFileSource(const PackageFolder &folder, PackageFile file, ReadFailure &failure)
        : m_folder(folder), m_file(std::move(file)), m_failure(failure)
    {
        zip_error_init(&m_error);
    }
    ~ListedFileSource()
    {
        closeFile();
        zip_error_fini(&m_error);
    }
    ListedFileSource(const ListedFileSource &) = delete;
    ListedFileSource &operator=(const ListedFileSource &) = delete;

    // The libzip callback; the source owns this object from zip_source_function on.
    static zip_int64_t callback(void *self, void *data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto *source = static_cast<ListedFileSource *>(self);
        if (command == ZIP_SOURCE_FREE) {
            delete source;
            return 0;
        }
        return source->run(data, length, command);
    }

private:
    zip_int64_t run(void *data, zip_uint64_t length, zip_source_cmd_t command)
    {
        switch (command) {
        case ZIP_SOURCE_OPEN: {
            closeFile();
            std::string reason;
            m_fd = m_folder.open(m_file, reason);
            if (m_fd < 0)
                return failed(ZIP_ER_OPEN, reason);
            m_read = 0;
            return 0;
        }
        case ZIP_SOURCE_READ:
            return read(static_cast<char *>(data), length);
        case ZIP_SOURCE_CLOSE:
            closeFile();
            return 0;
        case ZIP_SOURCE_STAT: {
            zip_stat_t *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
            if (!st)
                return -1;
            zip_stat_init(st);
            st->size = m_file.size;
            st->mtime = m_file.modified;
            st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&m_error, data, length);
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_READABLE;
        default:
            zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    // Exactly the listed size: a file that grows or shrinks under the packing fails it rather
    // than giving an entry that differs from its header.
    zip_int64_t read(char *data, zip_uint64_t length)
    {
        const std::uint64_t left = m_file.size - m_read;
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>({length, left, 1u << 20}));
        char probe;
        for (;;) {
            const ssize_t got = wanted ? ::read(m_fd, data, wanted) : ::read(m_fd, &probe, 1);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return failed(ZIP_ER_READ, std::strerror(errno));
            if ((wanted == 0 && got > 0) || (wanted > 0 && got == 0))
                return failed(ZIP_ER_READ, "changed while the archive was written");
            m_read += static_cast<std::uint64_t>(wanted ? got : 0);
            return wanted ? got : 0;
        }
    }

    zip_int64_t failed(int code, const std::string &reason)
    {
        zip_error_set(&m_error, code, 0);
        if (m_failure.path.empty())
            m_failure = {m_file.path, reason};
        return -1;
    }

    void closeFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    const PackageFolder &m_folder;
    const PackageFile m_file;
    ReadFailure &m_failure;
    zip_error_t m_error;
    int m_fd = -1;
    std::uint64_t m_read = 0;
};

struct CloseState
{
    const PackProgress *progress = nullptr;
    bool cancelled = false;
};

void onProgress(zip_t *, double fraction, void *data)
{
    auto *state = static_cast<CloseState *>(data);
    if (!state->cancelled && *state->progress && !(*state->progress)(fraction))
        state->cancelled = true;
}

int onCancel(zip_t *, void *data)
{
    return static_cast<CloseState *>(data)->cancelled ? 1 : 0;
}

void removeQuietly(const fs::path &path)
{
    std::error_code ignored;
    fs::remove(path, ignored);
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

    const fs::path target = base::files::toPath(zipPath);
    const fs::path temporary = target.parent_path() / ("." + target.filename().native() + ".partial");
    removeQuietly(temporary);

    int openError = 0;
    zip_t *archive =
        zip_open(base::files::fromPath(temporary).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (!archive) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, openError);
        setError(error, zipPath, zip_error_strerror(&ze));
        zip_error_fini(&ze);
        return PackOutcome::Failed;
    }
    auto fail = [&](const std::string &path, const std::string &reason) {
        zip_discard(archive);
        removeQuietly(temporary);
        setError(error, path, reason);
        return PackOutcome::Failed;
    };

    const std::string top = packageName + "/";
    if (zip_dir_add(archive, top.c_str(), ZIP_FL_ENC_UTF_8) < 0)
        return fail(zipPath, zip_strerror(archive));
    ReadFailure readFailure;
    for (const PackageFile &file : files) {
        // Small files are deflated without a trial: the trial would cost as much as the deflate,
        // and a few KiB that do not shrink grow by a few bytes only.
        bool deflate = isText(file.name) || file.size <= SmallFileBytes;
        if (!deflate) {
            std::string sample, reason;
            if (!readSample(folder, file, sample, reason))
                return fail(file.path, reason);
            deflate = worthDeflating(sample);
        }
        auto *reader = new ListedFileSource(folder, file, readFailure);
        zip_source_t *source = zip_source_function(archive, ListedFileSource::callback, reader);
        if (!source) {
            delete reader;
            return fail(file.path, zip_strerror(archive));
        }
        const std::string entry = top + file.name;
        const zip_int64_t index = zip_file_add(archive, entry.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return fail(file.path, zip_strerror(archive));
        }
        if (zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), file.modified, 0) < 0 ||
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                     deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, deflate ? 6 : 0) < 0)
            return fail(file.path, zip_strerror(archive));
    }

    CloseState state{&progress};
    zip_register_progress_callback_with_state(archive, 0.001, onProgress, nullptr, &state);
    zip_register_cancel_callback_with_state(archive, onCancel, nullptr, &state);
    if (zip_close(archive) < 0) {
        const bool cancelled =
            state.cancelled || zip_error_code_zip(zip_get_error(archive)) == ZIP_ER_CANCELLED;
        // A file that could not be read is the cause to name; otherwise it was the archive
        // itself (a full disk, a refused write).
        const std::string path = readFailure.path.empty() ? zipPath : readFailure.path;
        const std::string reason = readFailure.path.empty() ? zip_strerror(archive) : readFailure.reason;
        zip_discard(archive);
        removeQuietly(temporary);
        if (cancelled) {
            setError(error, zipPath, "cancelled");
            return PackOutcome::Cancelled;
        }
        setError(error, path, reason);
        return PackOutcome::Failed;
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        removeQuietly(temporary);
        setError(error, zipPath, ec.message());
        return PackOutcome::Failed;
    }
    return PackOutcome::Packed;
}

} // namespace package::zip
