#include "Sha256.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include <bcrypt.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/evp.h>
#endif

#include "FileLinks.h"
#include "Files.h"
#ifdef _WIN32
#include "Text.h"
#endif

namespace installer {

#ifdef _WIN32

namespace {

std::string statusText(const char *call, NTSTATUS status)
{
    char text[80];
    std::snprintf(text, sizeof text, "%s failed with status 0x%08lX", call,
                  static_cast<unsigned long>(status));
    return text;
}

// The SHA-256 provider, opened once for all hashes. It stays open until the process ends: a hash
// still alive in a static object at exit must not outlive it.
struct Sha256Provider
{
    BCRYPT_ALG_HANDLE handle = nullptr;
    std::string failure;

    Sha256Provider()
    {
        const NTSTATUS status = ::BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
        if (status < 0) {
            handle = nullptr;
            failure = statusText("BCryptOpenAlgorithmProvider(SHA256)", status);
        }
    }
};

const Sha256Provider &sha256Provider()
{
    static const Sha256Provider provider;
    return provider;
}

} // namespace

struct Sha256::Context
{
    BCRYPT_HASH_HANDLE hash = nullptr;

    // A hash object serves one digest: the reusable kind needs Windows 8.
    void release()
    {
        if (hash)
            ::BCryptDestroyHash(hash);
        hash = nullptr;
    }
    ~Context() { release(); }
};

void Sha256::start()
{
    m_failure.clear();
    if (!m_context)
        m_context = std::make_unique<Context>();
    m_context->release();
    const Sha256Provider &provider = sha256Provider();
    if (!provider.handle) {
        m_failure = provider.failure;
        return;
    }
    // No buffer of ours: since Windows 7 the function keeps the hash object itself.
    const NTSTATUS status = ::BCryptCreateHash(provider.handle, &m_context->hash, nullptr, 0, nullptr, 0, 0);
    if (status < 0) {
        m_context->hash = nullptr;
        m_failure = statusText("BCryptCreateHash", status);
    }
}

void Sha256::update(const void *data, std::size_t size)
{
    auto bytes = static_cast<const std::uint8_t *>(data);
    while (m_failure.empty() && size > 0) {
        const ULONG piece = ULONG(std::min<std::size_t>(size, ULONG(1) << 30));
        const NTSTATUS status = ::BCryptHashData(m_context->hash, const_cast<PUCHAR>(bytes), piece, 0);
        if (status < 0)
            m_failure = statusText("BCryptHashData", status);
        bytes += piece;
        size -= piece;
    }
}

std::optional<Sha256::Digest> Sha256::tryFinish(std::string *reason)
{
    std::optional<Digest> digest;
    if (m_failure.empty()) {
        digest.emplace();
        const NTSTATUS status = ::BCryptFinishHash(m_context->hash, digest->data(), ULONG(digest->size()), 0);
        if (status < 0) {
            digest.reset();
            m_failure = statusText("BCryptFinishHash", status);
        }
    }
    if (!digest && reason)
        *reason = m_failure;
    start();
    return digest;
}

#else

namespace {

// What libcrypto says went wrong, its queue of errors emptied so that the next failure reads fresh.
std::string libcryptoFailure(const char *call)
{
    std::string text = std::string(call) + " failed";
    if (const unsigned long code = ::ERR_get_error()) {
        char detail[256];
        ::ERR_error_string_n(code, detail, sizeof detail);
        text += std::string(": ") + detail;
    }
    ::ERR_clear_error();
    return text;
}

} // namespace

struct Sha256::Context
{
    EVP_MD_CTX *context = nullptr;
    ~Context() { ::EVP_MD_CTX_free(context); }
};

void Sha256::start()
{
    m_failure.clear();
    if (!m_context)
        m_context = std::make_unique<Context>();
    if (!m_context->context)
        m_context->context = ::EVP_MD_CTX_new();
    if (!m_context->context)
        m_failure = libcryptoFailure("EVP_MD_CTX_new");
    else if (::EVP_DigestInit_ex(m_context->context, ::EVP_sha256(), nullptr) != 1)
        m_failure = libcryptoFailure("EVP_DigestInit_ex(SHA-256)");
}

void Sha256::update(const void *data, std::size_t size)
{
    if (m_failure.empty() && size > 0 && ::EVP_DigestUpdate(m_context->context, data, size) != 1)
        m_failure = libcryptoFailure("EVP_DigestUpdate");
}

std::optional<Sha256::Digest> Sha256::tryFinish(std::string *reason)
{
    std::optional<Digest> digest;
    if (m_failure.empty()) {
        digest.emplace();
        unsigned int length = 0;
        if (::EVP_DigestFinal_ex(m_context->context, digest->data(), &length) != 1 ||
            length != digest->size()) {
            digest.reset();
            m_failure = libcryptoFailure("EVP_DigestFinal_ex");
        }
    }
    if (!digest && reason)
        *reason = m_failure;
    start();
    return digest;
}

#endif

Sha256::Sha256()
{
    start();
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256 &&other) noexcept = default;
Sha256 &Sha256::operator=(Sha256 &&other) noexcept = default;

Sha256::Digest Sha256::finish()
{
    std::string reason;
    const std::optional<Digest> digest = tryFinish(&reason);
    if (!digest) {
        std::fprintf(stderr, "The system cannot compute SHA-256 digests: %s\n", reason.c_str());
        std::abort();
    }
    return *digest;
}

std::string Sha256::hex(const Digest &digest)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * digest.size());
    for (const std::uint8_t byte : digest) {
        text += Digits[byte >> 4];
        text += Digits[byte & 0xF];
    }
    return text;
}

std::string sha256Hex(std::string_view bytes)
{
    Sha256 sha;
    sha.update(bytes.data(), bytes.size());
    return Sha256::hex(sha.finish());
}

// ---- Digest of a file -------------------------------------------------------------------------

namespace {

constexpr std::size_t ChunkBytes = std::size_t(1) << 20;

bool failWith(std::string *error, const std::string &path, const std::string &reason)
{
    if (error)
        *error = path + ": " + reason;
    return false;
}

#ifdef _WIN32

// A regular file on disk opened for reading; the link itself is opened, never what it points to.
class RegularFile
{
public:
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;
    ~RegularFile()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
    }

    static std::unique_ptr<RegularFile> open(const std::string &path, std::string *error)
    {
        const std::wstring wide = base::files::nativePath(path);
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            failWith(error, path, "Is a directory");
            return nullptr;
        }
        std::unique_ptr<RegularFile> file(new RegularFile(::CreateFileW(
            wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
        if (file->m_handle == INVALID_HANDLE_VALUE) {
            failWith(error, path, base::files::systemReason(::GetLastError()));
            return nullptr;
        }
        BY_HANDLE_FILE_INFORMATION information;
        if (::GetFileType(file->m_handle) != FILE_TYPE_DISK ||
            !::GetFileInformationByHandle(file->m_handle, &information) ||
            (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
            failWith(error, path, "Not a regular file");
            return nullptr;
        }
        return file;
    }

    // Bytes read into buffer, 0 at the end, -1 on an error (said in error).
    long long read(void *buffer, std::size_t size, const std::string &path, std::string *error)
    {
        DWORD got = 0;
        if (!::ReadFile(m_handle, buffer, DWORD(size), &got, nullptr)) {
            failWith(error, path, base::files::systemReason(::GetLastError()));
            return -1;
        }
        return got;
    }

private:
    explicit RegularFile(HANDLE handle) : m_handle(handle) {}
    HANDLE m_handle;
};

#else

// A regular file opened for reading; a link at the path is refused by the open itself, and a FIFO
// or device is opened without waiting on a writer and then refused.
class RegularFile
{
public:
    RegularFile(const RegularFile &) = delete;
    RegularFile &operator=(const RegularFile &) = delete;
    ~RegularFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    static std::unique_ptr<RegularFile> open(const std::string &path, std::string *error)
    {
        std::unique_ptr<RegularFile> file(
            new RegularFile(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW)));
        if (file->m_fd < 0) {
            failWith(error, path, errno == ELOOP ? "Is a symbolic link" : std::strerror(errno));
            return nullptr;
        }
        struct stat st;
        if (::fstat(file->m_fd, &st) != 0) {
            failWith(error, path, std::strerror(errno));
            return nullptr;
        }
        if (!S_ISREG(st.st_mode)) {
            failWith(error, path, S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "Not a regular file");
            return nullptr;
        }
        // Reads of a regular file never wait on a writer; the flag only mattered for the open.
        (void)::fcntl(file->m_fd, F_SETFL, 0);
        // Read start to end: a larger read-ahead keeps the digest at the library's pace.
        (void)::posix_fadvise(file->m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return file;
    }

    long long read(void *buffer, std::size_t size, const std::string &path, std::string *error)
    {
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, size);
            if (got >= 0)
                return got;
            if (errno != EINTR) {
                failWith(error, path, std::strerror(errno));
                return -1;
            }
        }
    }

private:
    explicit RegularFile(int fd) : m_fd(fd) {}
    int m_fd;
};

#endif

} // namespace

std::optional<FileDigest> digestOfFile(const std::string &path, std::string *error,
                                       const std::function<bool()> &keepGoing)
{
    // Checked by name first as well: under Wine a link of the Unix file system looks like a file.
    if (base::files::isLink(path)) {
        failWith(error, path, "Is a symbolic link");
        return std::nullopt;
    }
    const std::unique_ptr<RegularFile> file = RegularFile::open(path, error);
    if (!file)
        return std::nullopt;
    Sha256 sha;
    if (!sha.failure().empty()) {
        failWith(error, path, "No SHA-256 from the system: " + sha.failure());
        return std::nullopt;
    }
    const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[ChunkBytes]);
    FileDigest digest;
    for (;;) {
        const long long got = file->read(buffer.get(), ChunkBytes, path, error);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        sha.update(buffer.get(), std::size_t(got));
        digest.size += std::uint64_t(got);
        if (keepGoing && !keepGoing()) {
            failWith(error, path, "The reading was stopped");
            return std::nullopt;
        }
    }
    std::string reason;
    const std::optional<Sha256::Digest> sum = sha.tryFinish(&reason);
    if (!sum) {
        failWith(error, path, "No SHA-256 from the system: " + reason);
        return std::nullopt;
    }
    digest.sha256 = Sha256::hex(*sum);
    return digest;
}

} // namespace installer
