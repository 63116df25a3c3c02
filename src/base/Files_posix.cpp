#include "Files.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "ChunkPacer.h"
#include "FilesTesting.h"
#include "WriteTap.h"

namespace base::files {

namespace {

bool g_forceNamed = false;
testing::SourceReader g_sourceReader;

std::string describe(const std::string &path, int code)
{
    return path + ": " + std::strerror(code);
}

bool fail(std::string *error, const std::string &path, int code)
{
    if (error)
        *error = describe(path, code);
    return false;
}

// An open file descriptor, closed when it goes out of scope.
class Descriptor
{
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    Descriptor(Descriptor &&other) noexcept : m_fd(other.release()) {}
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

// ---- Temporaries under way, removable from a signal handler ----------------------------------

// A fixed table, so that the signal handler neither allocates nor locks. A slot is free (0), being
// filled or emptied (1), names a temporary that exists (2) or a folder to remove when empty (3).
constexpr std::size_t kPendingSlots = 64;
constexpr std::size_t kPendingPathBytes = 4096;
struct PendingSlot
{
    std::atomic<int> state{0};
    char path[kPendingPathBytes];
};
PendingSlot g_pending[kPendingSlots];

// Registers a named temporary while it exists and removes it unless it was put in place.
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
        if (!m_kept)
            ::unlink(m_path.c_str());
        release();
    }

    void track(const std::string &path)
    {
        m_path = path;
        if (path.size() >= kPendingPathBytes)
            return; // too long to register; the next write to the target removes it
        for (std::size_t i = 0; i < kPendingSlots; ++i) {
            int expected = 0;
            if (g_pending[i].state.compare_exchange_strong(expected, 1)) {
                std::memcpy(g_pending[i].path, path.c_str(), path.size() + 1);
                g_pending[i].state.store(2);
                m_slot = static_cast<int>(i);
                return;
            }
        }
    }
    // The name turned out to be another writer's: nothing of ours to remove.
    void forget()
    {
        release();
        m_path.clear();
    }
    // The temporary took the target's name: nothing to remove any more.
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

    std::string m_path;
    int m_slot = -1;
    bool m_kept = false;
};

// ---- Closing replaced files off the caller's thread -------------------------------------------

// Closing the last handle of a replaced file frees its blocks, which on a journalling file system
// with discard can take as long as writing the new file. A helper thread does that close, so that
// a replacement returns as soon as the new file is in place; it only closes handles given to it.
class DeferredCloser
{
public:
    static void close(int fd)
    {
        static DeferredCloser *closer = new DeferredCloser; // lives until the process ends
        closer->enqueue(fd);
    }

private:
    DeferredCloser()
    {
        std::thread([this] { run(); }).detach();
    }

    void enqueue(int fd)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_fds.push_back(fd);
        }
        m_ready.notify_one();
    }

    void run()
    {
        for (;;) {
            std::vector<int> fds;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_fds.empty(); });
                fds.swap(m_fds);
            }
            for (const int fd : fds)
                ::close(fd);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<int> m_fds;
};

// ---- Small steps ------------------------------------------------------------------------------

struct SplitPath
{
    std::string folder; // with its trailing slash, or empty for the current folder
    std::string name;
};

SplitPath splitPath(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {{}, path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The one hidden name a target's temporary ever has: a temporary that a killed process left there
// is removed by the next write to the same target, which needs that name.
std::string hiddenTemporaryName(const SplitPath &split)
{
    static constexpr std::string_view kSuffix = ".writing";
    constexpr std::size_t kNameMax = 255;
    std::string name = split.name.substr(0, kNameMax - 1 - kSuffix.size());
    return split.folder + "." + name + std::string(kSuffix);
}

bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

bool syncFile(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL; // EINVAL: a file system that cannot sync
}

void syncFolder(const std::string &folder)
{
    const Descriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        (void)::fsync(fd.get());
}

bool unnamedFilesUsable()
{
#ifdef O_TMPFILE
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    return procMounted && !g_forceNamed;
#else
    return false;
#endif
}

// The hidden temporary name of a target is one per target, so that no temporary outlives the next
// write. Its writer holds an advisory lock on the file while the name is its own. A writer that finds
// the name taken waits for that lock: when it gets it and the name still holds the same file, the
// writer before was killed and the file is a stray to remove; otherwise the name was freed meanwhile.
// False with errno set when the name cannot be checked.
bool clearHiddenName(const std::string &hidden)
{
    const Descriptor other(::open(hidden.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!other.valid())
        return errno == ENOENT; // freed meanwhile
    while (::flock(other.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    struct stat locked;
    struct stat named;
    if (::fstat(other.get(), &locked) != 0)
        return false;
    if (::lstat(hidden.c_str(), &named) != 0)
        return errno == ENOENT;
    if (named.st_dev == locked.st_dev && named.st_ino == locked.st_ino)
        ::unlink(hidden.c_str()); // left by a writer that was killed
    return true;
}

// A temporary file beside a target: unnamed where the file system allows it (a killed process then
// leaves nothing), else under the target's hidden temporary name. It takes the target's name in one
// step once whole, or is removed when it goes out of scope.
class Temporary
{
public:
    // The temporary lies in stagingFolder (on the target's volume), or beside the target.
    explicit Temporary(const std::string &target, const std::string &stagingFolder = {})
        : m_target(target), m_split(splitPath(target))
    {
        // Staged elsewhere, the hidden name is apart from those of that folder's own files: one of
        // the same name may be written there at the same time (an installer's backup).
        if (!stagingFolder.empty()) {
            constexpr std::string_view kStaged = ".staged";
            m_split.folder = stagingFolder.back() == '/' ? stagingFolder : stagingFolder + '/';
            m_split.name = m_split.name.substr(0, 255 - 9 - kStaged.size()) + std::string(kStaged);
        }
    }

    // False with errno set when no file can be made beside the target.
    bool create(mode_t mode)
    {
#ifdef O_TMPFILE
        if (unnamedFilesUsable()) {
            const std::string folder = m_split.folder.empty() ? "." : m_split.folder;
            m_fd = Descriptor(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
            if (m_fd.valid()) {
                m_unnamed = true;
                return true;
            }
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return false;
        }
#endif
        const std::string hidden = hiddenTemporaryName(m_split);
        if (!claimHiddenName(hidden, [&] {
                m_fd = Descriptor(::open(hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
                return m_fd.valid();
            }))
            return false;
        return ::flock(m_fd.get(), LOCK_EX) == 0;
    }

    int fd() const
    {
        return m_fd.get();
    }

    // Gives the temporary the target's name, replacing what is there. False with errno set.
    bool publish(bool targetExists)
    {
        if (m_unnamed) {
            const std::string self = "/proc/self/fd/" + std::to_string(m_fd.get());
            if (!targetExists &&
                ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) == 0)
                return true;
            if (!targetExists && errno != EEXIST)
                return false;
            // No link can replace a file: the unnamed file gets the hidden name for the rename,
            // locked first so that another writer waits for the name instead of taking it.
            const std::string hidden = hiddenTemporaryName(m_split);
            if (::flock(m_fd.get(), LOCK_EX) != 0)
                return false;
            if (!claimHiddenName(hidden, [&] {
                    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, hidden.c_str(), AT_SYMLINK_FOLLOW) == 0;
                }))
                return false;
            if (::rename(hidden.c_str(), m_target.c_str()) != 0)
                return false;
            m_pending.keep();
            return true;
        }
        if (::rename(hiddenTemporaryName(m_split).c_str(), m_target.c_str()) != 0)
            return false;
        m_pending.keep();
        return true;
    }

private:
    // Gives the hidden name to this temporary through take (which creates the name exclusively),
    // waiting for a writer that holds it and clearing what a killed writer left. The name is
    // registered for removal before it exists, so that a signal never leaves it.
    template <typename Take> bool claimHiddenName(const std::string &hidden, Take take)
    {
        for (int attempt = 0; attempt < 16; ++attempt) {
            m_pending.track(hidden);
            if (take())
                return true;
            const int code = errno;
            m_pending.forget();
            if (code != EEXIST || !clearHiddenName(hidden)) {
                errno = code == EEXIST ? errno : code;
                return false;
            }
        }
        errno = EBUSY;
        return false;
    }

    std::string m_target;
    SplitPath m_split;
    PendingTemporary m_pending; // before m_fd: the file is closed before its name is removed
    Descriptor m_fd;
    bool m_unnamed = false;
};

// Opens a file for reading without waiting on it, and refuses anything but a regular file.
Descriptor openRegularForReading(const std::string &path, struct stat &st, std::string *error)
{
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        fail(error, path, errno);
        return {};
    }
    if (::fstat(fd.get(), &st) != 0) {
        fail(error, path, errno);
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        if (error)
            *error = path + (S_ISDIR(st.st_mode) ? ": " + std::string(std::strerror(EISDIR))
                                                 : std::string(": Not a regular file"));
        return {};
    }
    // Reads of a regular file never wait on a writer; the flag only mattered for the open.
    (void)::fcntl(fd.get(), F_SETFL, 0);
    return fd;
}

// A link is followed to the file it names, which is the file replaced; a link stays a link.
bool resolveLink(const std::string &path, std::string &resolved, std::string *error)
{
    struct stat st;
    resolved = path;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return true;
    char *target = ::realpath(path.c_str(), nullptr);
    if (!target)
        return fail(error, path, errno);
    resolved = target;
    std::free(target);
    return true;
}

// Truncates and rewrites the file itself: the way left when its folder takes no new file.
bool writeInPlace(const std::string &path, std::string_view bytes, std::string *error)
{
    const Descriptor fd(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return fail(error, path, errno);
    if (!S_ISREG(st.st_mode))
        return fail(error, path, EINVAL);
    if (::ftruncate(fd.get(), 0) != 0 || !writeAll(fd.get(), bytes.data(), bytes.size()) ||
        !syncFile(fd.get()))
        return fail(error, path, errno);
    return true;
}

// No write bit at all is read-only even for root, who passes access() anyway: the same answer as
// the read-only attribute gives on Windows.
bool isReadOnly(const std::string &path, const struct stat &st)
{
    if ((st.st_mode & 0222) == 0) {
        errno = EACCES;
        return true;
    }
    return ::access(path.c_str(), W_OK) != 0;
}

bool folderRefusesNewFiles(int code)
{
    return code == EACCES || code == EPERM;
}

} // namespace

// ---- Paths ------------------------------------------------------------------------------------

std::filesystem::path toPath(std::string_view utf8)
{
    return std::filesystem::path(std::string(utf8));
}

std::string fromPath(const std::filesystem::path &path)
{
    return path.string();
}

bool sameFile(const std::string &a, const std::string &b)
{
    struct stat sa;
    struct stat sb;
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// ---- Reading ----------------------------------------------------------------------------------

std::optional<std::string> readRegularFile(const std::string &path, std::uint64_t maxBytes,
                                           std::string *error)
{
    struct stat st;
    const Descriptor fd = openRegularForReading(path, st, error);
    if (!fd.valid())
        return std::nullopt;
    if (std::uint64_t(st.st_size) > maxBytes) {
        fail(error, path, EFBIG);
        return std::nullopt;
    }
    // The size can change while reading: the cap holds for what is read, not for what stat said.
    std::string bytes;
    bytes.resize(std::size_t(st.st_size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes) {
                fail(error, path, EFBIG);
                return std::nullopt;
            }
            bytes.resize(std::size_t(std::min<std::uint64_t>(maxBytes + 1, filled * 2 + 4096)));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            fail(error, path, errno);
            return std::nullopt;
        }
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    if (filled > maxBytes) {
        fail(error, path, EFBIG);
        return std::nullopt;
    }
    bytes.resize(filled);
    return bytes;
}

// ---- Replacing --------------------------------------------------------------------------------

bool replaceFileContent(const std::string &givenPath, std::string_view bytes, std::string *error)
{
    std::string path;
    if (!resolveLink(givenPath, path, error))
        return false;
    if (splitPath(path).name.empty())
        return fail(error, givenPath, EISDIR);

    struct stat existing;
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return fail(error, givenPath, errno);
    if (exists && !S_ISREG(existing.st_mode))
        return fail(error, givenPath, S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);
    // As the profile functions: a read-only file is not written, nor replaced behind its back.
    if (exists && isReadOnly(path, existing))
        return fail(error, givenPath, errno);

    Temporary temporary(path);
    if (!temporary.create(0666)) {
        if (exists && folderRefusesNewFiles(errno))
            return writeInPlace(path, bytes, error);
        return fail(error, givenPath, errno);
    }
    if (exists) {
        if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
            (void)::fchown(temporary.fd(), existing.st_uid, existing.st_gid); // best effort, as any editor
        if (::fchmod(temporary.fd(), existing.st_mode & 07777) != 0)
            return fail(error, givenPath, errno);
    }
    if (!writeAll(temporary.fd(), bytes.data(), bytes.size()) || !syncFile(temporary.fd()))
        return fail(error, givenPath, errno);

    // Holding the old file open moves the freeing of its blocks out of the rename.
    const int oldFile = exists ? ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    const bool published = temporary.publish(exists);
    const int code = errno;
    if (oldFile >= 0)
        DeferredCloser::close(oldFile);
    if (!published) {
        // A sticky folder lets us create files but not replace another owner's.
        if (exists && folderRefusesNewFiles(code))
            return writeInPlace(path, bytes, error);
        return fail(error, givenPath, code);
    }
    syncFolder(splitPath(path).folder);
    return true;
}

// ---- Copying ----------------------------------------------------------------------------------

namespace {

// Moves the bytes of a copy from one descriptor to another, inside the kernel where the file
// systems allow it, else through a buffer (or through the test's reader).
class ChunkTransfer
{
public:
    // A tap sees every byte written, so the copy goes through its buffers, never the kernel alone.
    ChunkTransfer(int in, int out, WriteTap *tap)
        : m_in(in), m_out(out), m_inKernel(!g_sourceReader && !tap), m_tap(tap)
    {
    }

    // Moves up to size bytes; the count moved (0 at the end of the source), or -1 with errno and
    // which side failed.
    long long move(std::uint64_t size, bool &sourceFailed)
    {
        std::uint64_t moved = 0;
        while (moved < size) {
            const long long step = m_inKernel ? moveInKernel(size - moved, sourceFailed)
                                              : moveThroughBuffer(size - moved, sourceFailed);
            if (step < 0)
                return -1;
            moved += std::uint64_t(step);
            // A short step is most likely the end of the source: the next chunk asks again, so that
            // a small file takes two calls, not three.
            if (std::uint64_t(step) < m_asked)
                break;
        }
        return static_cast<long long>(moved);
    }

private:
    long long moveInKernel(std::uint64_t size, bool &sourceFailed)
    {
        m_asked = size;
        for (;;) {
            const ssize_t done = ::copy_file_range(m_in, nullptr, m_out, nullptr, std::size_t(size), 0);
            if (done >= 0)
                return done;
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
                m_inKernel = false; // file systems that cannot: copy through memory
                return moveThroughBuffer(size, sourceFailed);
            }
            sourceFailed = errno == EIO; // which side cannot be told apart here; name the target
            return -1;
        }
    }

    long long moveThroughBuffer(std::uint64_t size, bool &sourceFailed)
    {
        constexpr std::size_t kBufferBytes = 1 << 20;
        char *buffer = nullptr;
        std::size_t capacity = kBufferBytes;
        if (m_tap) {
            buffer = m_tap->buffer();
            capacity = m_tap->bufferBytes();
        } else {
            if (m_buffer.empty())
                m_buffer.resize(kBufferBytes);
            buffer = m_buffer.data();
        }
        const std::size_t want = std::size_t(std::min<std::uint64_t>(size, capacity));
        m_asked = want;
        ssize_t got;
        do {
            got = g_sourceReader ? g_sourceReader(m_in, buffer, want) : ::read(m_in, buffer, want);
        } while (got < 0 && errno == EINTR);
        if (got < 0) {
            sourceFailed = true;
            return -1;
        }
        if (m_tap && got > 0)
            m_tap->hand(std::size_t(got)); // read by the tap while the same bytes are written
        if (!writeAll(m_out, buffer, std::size_t(got))) {
            sourceFailed = false;
            return -1;
        }
        return got;
    }

    int m_in;
    int m_out;
    bool m_inKernel;
    WriteTap *m_tap;
    std::uint64_t m_asked = 0; // what the last step asked for
    std::vector<char> m_buffer;
};

struct CopyTarget
{
    bool exists = false;
    bool sameAsSource = false;
};

// What is at the target now: nothing, the source itself, or a file that may be replaced.
bool inspectTarget(const std::string &target, const struct stat &source, CopyTarget &found,
                   std::string *error)
{
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return true;
        return fail(error, target, errno);
    }
    found.exists = true;
    found.sameAsSource = st.st_dev == source.st_dev && st.st_ino == source.st_ino;
    if (found.sameAsSource)
        return true;
    if (S_ISDIR(st.st_mode))
        return fail(error, target, EISDIR);
    // Like the classic file copy: a read-only target is refused, not replaced.
    if (isReadOnly(target, st))
        return fail(error, target, errno);
    return true;
}

} // namespace

struct StagedCopy::State
{
    State(const std::string &target, const std::string &stagingFolder) : temporary(target, stagingFolder) {}

    std::string target;
    Temporary temporary;
    bool targetExisted = false;
    bool durable = false;
    bool staged = false;
};

StagedCopy::StagedCopy() = default;
StagedCopy::~StagedCopy() = default;
StagedCopy::StagedCopy(StagedCopy &&other) noexcept = default;
StagedCopy &StagedCopy::operator=(StagedCopy &&other) noexcept = default;

CopyOutcome StagedCopy::stage(const std::string &source, const std::string &target,
                              const CopyOptions &options, std::string *error)
{
    m_state.reset();
    const auto failed = [&](const std::string &path, int code) {
        m_state.reset();
        fail(error, path, code);
        return CopyOutcome::Failed;
    };

    struct stat sourceStat;
    const Descriptor in = openRegularForReading(source, sourceStat, error);
    if (!in.valid())
        return CopyOutcome::Failed;
    CopyTarget found;
    if (!inspectTarget(target, sourceStat, found, error))
        return CopyOutcome::Failed;
    if (found.sameAsSource)
        return CopyOutcome::SameFile;
    if (splitPath(target).name.empty())
        return failed(target, EISDIR);

    m_state = std::make_unique<State>(target, options.stagingFolder);
    m_state->target = target;
    m_state->targetExisted = found.exists;
    m_state->durable = options.durable;
    Temporary &temporary = m_state->temporary;
    // Without the source's permissions the copy gets what any new file there gets: the umask's.
    if (!temporary.create(options.keepSourcePermissions ? 0600 : 0666))
        return failed(target, errno);

    std::optional<WriteTap> tap;
    if (options.written)
        tap.emplace(options.written, std::size_t(1) << 20, std::uint64_t(sourceStat.st_size));
    ChunkTransfer transfer(in.get(), temporary.fd(), tap ? &*tap : nullptr);
    ChunkPacer pacer(options.chunkTime, options.maxChunkBytes);
    std::uint64_t copied = 0;
    for (;;) {
        const auto start = ChunkPacer::Clock::now();
        bool sourceFailed = false;
        const long long moved = transfer.move(pacer.nextChunk(), sourceFailed);
        if (moved < 0)
            return failed(sourceFailed ? source : target, errno);
        if (moved == 0)
            break;
        pacer.record(std::uint64_t(moved), ChunkPacer::Clock::now() - start);
#ifdef SYNC_FILE_RANGE_WRITE
        // A copy that is flushed at the end starts writing back as it goes, so that the flush
        // finds little left to do (as a copy followed by one sync does).
        if (options.durable)
            (void)::sync_file_range(temporary.fd(), off64_t(copied), off64_t(moved), SYNC_FILE_RANGE_WRITE);
#endif
        copied += std::uint64_t(moved);
        if (options.progress &&
            !options.progress(copied, std::max<std::uint64_t>(copied, sourceStat.st_size))) {
            m_state.reset();
            return CopyOutcome::Cancelled;
        }
    }
    if (tap)
        tap->drain();

    if (options.keepSourcePermissions && ::fchmod(temporary.fd(), sourceStat.st_mode & 07777) != 0)
        return failed(target, errno);
    if (options.durable && !syncFile(temporary.fd()))
        return failed(target, errno);
    m_state->staged = true;
    return CopyOutcome::Copied;
}

bool StagedCopy::publish(std::string *error)
{
    if (!m_state || !m_state->staged)
        return fail(error, m_state ? m_state->target : std::string("(nothing staged)"), EINVAL);
    const std::string &target = m_state->target;
    // Holding the old target open moves the freeing of its blocks out of the rename.
    const int oldTarget =
        m_state->targetExisted ? ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    // A target that came since the staging is replaced all the same (publish falls back to a rename).
    const bool published = m_state->temporary.publish(m_state->targetExisted);
    const int code = errno;
    if (oldTarget >= 0)
        DeferredCloser::close(oldTarget);
    if (!published)
        return fail(error, target, code);
    if (m_state->durable)
        syncFolder(splitPath(target).folder);
    m_state.reset();
    return true;
}

CopyOutcome copyFile(const std::string &source, const std::string &target, const CopyOptions &options,
                     std::string *error)
{
    StagedCopy copy;
    const CopyOutcome outcome = copy.stage(source, target, options, error);
    if (outcome != CopyOutcome::Copied)
        return outcome;
    return copy.publish(error) ? CopyOutcome::Copied : CopyOutcome::Failed;
}

bool moveFile(const std::string &from, const std::string &to, std::string *error)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return fail(error, to, errno);
    syncFolder(splitPath(to).folder);
    syncFolder(splitPath(from).folder);
    return true;
}

bool appendDurably(const std::string &path, std::string_view bytes, std::string *error)
{
    const Descriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd.valid())
        return fail(error, path, errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return fail(error, path, errno);
    if (!S_ISREG(st.st_mode))
        return fail(error, path, EINVAL);
    const bool created = st.st_size == 0;
    if (!writeAll(fd.get(), bytes.data(), bytes.size()) || !syncFile(fd.get()))
        return fail(error, path, errno);
    if (created)
        syncFolder(splitPath(path).folder);
    return true;
}

std::optional<VolumeSpace> volumeSpace(const std::string &path, std::string *error)
{
    struct statvfs vfs;
    if (::statvfs(path.c_str(), &vfs) != 0) {
        fail(error, path, errno);
        return std::nullopt;
    }
    VolumeSpace space;
    const std::uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    space.allocationUnit = unit ? unit : 4096;
    space.available = std::uint64_t(vfs.f_bavail) * space.allocationUnit;
    return space;
}

// ---- Locks ------------------------------------------------------------------------------------

struct FileLock::State
{
    std::string path;
    Descriptor fd;
    // After fd: a signal, or the end of the holder, removes the file before the lock goes.
    PendingTemporary pending;
};

FileLock::FileLock() = default;
FileLock::~FileLock() = default;
FileLock::FileLock(FileLock &&other) noexcept = default;
FileLock &FileLock::operator=(FileLock &&other) noexcept = default;

FileLock::Outcome FileLock::tryAcquire(const std::string &path, std::string *error)
{
    m_state.reset();
    // The holder before may have removed the file while this one waited on the old one: the
    // lock counts only on the file that has the name now.
    for (int attempt = 0; attempt < 16; ++attempt) {
        Descriptor fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.valid()) {
            fail(error, path, errno);
            return Outcome::Failed;
        }
        int result;
        while ((result = ::flock(fd.get(), LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
        }
        if (result != 0) {
            if (errno == EWOULDBLOCK)
                return Outcome::Busy;
            fail(error, path, errno);
            return Outcome::Failed;
        }
        struct stat locked;
        struct stat named;
        if (::fstat(fd.get(), &locked) != 0) {
            fail(error, path, errno);
            return Outcome::Failed;
        }
        if (::lstat(path.c_str(), &named) == 0 && named.st_dev == locked.st_dev &&
            named.st_ino == locked.st_ino) {
            m_state = std::make_unique<State>();
            m_state->path = path;
            m_state->fd = std::move(fd);
            m_state->pending.track(path);
            return Outcome::Acquired;
        }
    }
    fail(error, path, EBUSY);
    return Outcome::Failed;
}

bool FileLock::held() const
{
    return m_state != nullptr;
}

void FileLock::removeAndRelease()
{
    m_state.reset(); // the pending entry removes the file, then the descriptor lets the lock go
}

void FileLock::release()
{
    if (m_state)
        m_state->pending.keep();
    m_state.reset();
}

// ---- Signals ----------------------------------------------------------------------------------

void removePendingTemporaries()
{
    for (PendingSlot &slot : g_pending) {
        if (slot.state.load() == 2)
            ::unlink(slot.path);
    }
    // Twice, so that a folder inside another pending folder goes first whatever their slots.
    for (int pass = 0; pass < 2; ++pass) {
        for (PendingSlot &slot : g_pending) {
            if (slot.state.load() == 3)
                ::rmdir(slot.path);
        }
    }
}

PendingFolder::PendingFolder(const std::string &path)
{
    const std::string native = path;
    if (native.size() >= kPendingPathBytes)
        return; // too long to register: a signal may leave the empty folder
    for (std::size_t i = 0; i < kPendingSlots; ++i) {
        int expected = 0;
        if (g_pending[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(g_pending[i].path, native.c_str(), native.size() + 1);
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

extern "C" void removeTemporariesAndRaise(int signal)
{
    const int savedErrno = errno;
    removePendingTemporaries();
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    ::raise(signal); // delivered once the handler returns, with the default action
    errno = savedErrno;
}

} // namespace

void removeTemporariesOnSignals()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous
        {
        };
        if (::sigaction(signal, nullptr, &previous) != 0)
            continue;
        // A signal the program ignores (nohup) or handles itself is left to it.
        if ((previous.sa_flags & SA_SIGINFO) || previous.sa_handler != SIG_DFL)
            continue;
        struct sigaction action
        {
        };
        action.sa_handler = removeTemporariesAndRaise;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

// ---- Test seams -------------------------------------------------------------------------------

namespace testing {

void forceNamedTemporaries(bool force)
{
    g_forceNamed = force;
}

void setSourceReader(SourceReader reader)
{
    g_sourceReader = std::move(reader);
}

} // namespace testing

std::string runningProgram()
{
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            return {};
        if (std::size_t(length) < path.size()) {
            path.resize(std::size_t(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace base::files
