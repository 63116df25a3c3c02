#include "Sha256.h"

#include <atomic>
#include <bit>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define QUERNEL_SHA_INSTRUCTIONS 1
#include <cpuid.h>
#include <immintrin.h>
#endif

#include "FileLinks.h"
#include "Files.h"
#include "Sha256Testing.h"
#ifdef _WIN32
#include "Text.h"
#endif

namespace installer {

namespace {

constexpr std::array<std::uint32_t, 8> InitialState = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

alignas(16) constexpr std::uint32_t RoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t loadBigEndian(const std::uint8_t *bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 |
           std::uint32_t(bytes[3]);
}

// Runs the 64 rounds over count whole blocks of 64 bytes.
using Compress = void (*)(std::uint32_t *state, const std::uint8_t *blocks, std::size_t count);

void compressPortable(std::uint32_t *state, const std::uint8_t *blocks, std::size_t count)
{
    using std::rotr;
    for (; count > 0; --count, blocks += 64) {
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = loadBigEndian(blocks + 4 * i);
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t s1 = rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25);
            const std::uint32_t choice = (e & f) ^ (~e & g);
            const std::uint32_t t1 = h + s1 + choice + RoundConstants[i] + w[i];
            const std::uint32_t s0 = rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22);
            const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + s0 + majority;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
}

#ifdef QUERNEL_SHA_INSTRUCTIONS

bool cpuHasShaInstructions()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    const bool ssse3 = ecx & (1u << 9);
    const bool sse41 = ecx & (1u << 19);
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
        return false;
    const bool sha = ebx & (1u << 29);
    return ssse3 && sse41 && sha;
}

// The rounds with the SHA extensions: the state is kept as the two halves the instructions take
// (ABEF and CDGH), four rounds' message words per register, the schedule computed by msg1/msg2.
__attribute__((target("sha,sse4.1,ssse3"))) void
compressWithShaInstructions(std::uint32_t *state, const std::uint8_t *blocks, std::size_t count)
{
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);

    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i *>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i *>(state + 4));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

    for (; count > 0; --count, blocks += 64) {
        const __m128i abefBefore = abef;
        const __m128i cdghBefore = cdgh;
        __m128i words[4];
#pragma GCC unroll 16
        for (int group = 0; group < 16; ++group) {
            __m128i &current = words[group % 4];
            if (group < 4) {
                current = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i *>(blocks + 16 * group)), byteSwap);
            } else {
                // W[t] = σ1(W[t-2]) + W[t-7] + σ0(W[t-15]) + W[t-16], four at a time.
                const __m128i &previous = words[(group + 3) % 4];
                const __m128i &beforePrevious = words[(group + 2) % 4];
                const __m128i partial = _mm_add_epi32(_mm_sha256msg1_epu32(current, words[(group + 1) % 4]),
                                                      _mm_alignr_epi8(previous, beforePrevious, 4));
                current = _mm_sha256msg2_epu32(partial, previous);
            }
            __m128i message = _mm_add_epi32(
                current, _mm_load_si128(reinterpret_cast<const __m128i *>(RoundConstants + 4 * group)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
            message = _mm_shuffle_epi32(message, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }

    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

const bool g_hasShaInstructions = cpuHasShaInstructions();

#else

const bool g_hasShaInstructions = false;

#endif

std::atomic<bool> g_forcePortable{false};

Compress compressor()
{
#ifdef QUERNEL_SHA_INSTRUCTIONS
    if (g_hasShaInstructions && !g_forcePortable.load(std::memory_order_relaxed))
        return compressWithShaInstructions;
#endif
    return compressPortable;
}

} // namespace

namespace sha256_testing {

bool processorHasShaInstructions()
{
    return g_hasShaInstructions;
}

void forcePortable(bool force)
{
    g_forcePortable = force;
}

} // namespace sha256_testing

Sha256::Sha256() : m_state(InitialState), m_block{} {}

void Sha256::update(const void *data, std::size_t size)
{
    const Compress compress = compressor();
    auto bytes = static_cast<const std::uint8_t *>(data);
    m_totalBytes += size;
    if (m_blockFill > 0) {
        const std::size_t taken = std::min(size, m_block.size() - m_blockFill);
        std::memcpy(m_block.data() + m_blockFill, bytes, taken);
        m_blockFill += taken;
        bytes += taken;
        size -= taken;
        if (m_blockFill < m_block.size())
            return;
        compress(m_state.data(), m_block.data(), 1);
        m_blockFill = 0;
    }
    const std::size_t wholeBlocks = size / 64;
    if (wholeBlocks > 0)
        compress(m_state.data(), bytes, wholeBlocks);
    bytes += wholeBlocks * 64;
    size -= wholeBlocks * 64;
    std::memcpy(m_block.data(), bytes, size);
    m_blockFill = size;
}

Sha256::Digest Sha256::finish()
{
    const std::uint64_t bits = m_totalBytes * 8;
    // 0x80, zeros up to 56 bytes into a block, then the message's length in bits, big-endian.
    std::uint8_t padding[72] = {0x80};
    const std::size_t zeros = (m_blockFill < 56 ? 56 : 120) - m_blockFill;
    for (int i = 0; i < 8; ++i)
        padding[zeros + std::size_t(i)] = std::uint8_t(bits >> (56 - 8 * i));
    update(padding, zeros + 8);

    Digest digest;
    for (std::size_t i = 0; i < m_state.size(); ++i) {
        digest[4 * i] = std::uint8_t(m_state[i] >> 24);
        digest[4 * i + 1] = std::uint8_t(m_state[i] >> 16);
        digest[4 * i + 2] = std::uint8_t(m_state[i] >> 8);
        digest[4 * i + 3] = std::uint8_t(m_state[i]);
    }
    *this = Sha256();
    return digest;
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
    const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[ChunkBytes]);
    Sha256 sha;
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
    digest.sha256 = Sha256::hex(sha.finish());
    return digest;
}

} // namespace installer
