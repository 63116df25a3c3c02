#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace installer {

// SHA-256 (FIPS 180-4), fed in pieces, computed by the system: OpenSSL's libcrypto on Linux, CNG
// (bcrypt.dll) on Windows.
class Sha256
{
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    ~Sha256();
    Sha256(Sha256 &&other) noexcept;
    Sha256 &operator=(Sha256 &&other) noexcept;

    // Why the system cannot compute this digest (no context could be made, a call failed); empty
    // while all is well. After a failure, update() does nothing until the object starts over.
    const std::string &failure() const { return m_failure; }

    void update(const void *data, std::size_t size);
    // The digest of everything fed, or nothing when the system's hashing failed (reason says why);
    // the object then starts over either way.
    std::optional<Digest> tryFinish(std::string *reason);
    // As tryFinish, for callers that cannot go on without the digest: a system that cannot
    // compute one stops the program with a message rather than give a wrong digest.
    Digest finish();

    // 64 lower-case hex digits.
    static std::string hex(const Digest &digest);

private:
    struct Context;
    void start();

    std::unique_ptr<Context> m_context;
    std::string m_failure; // the first failure since the last start; empty while all is well
};

// The hex digest of the bytes; a system without SHA-256 stops the program as Sha256::finish does.
std::string sha256Hex(std::string_view bytes);

// The hex digest and size of a regular file, read in chunks without following a link at the path
// itself (a link, FIFO, device or folder is refused without waiting on it). keepGoing, when given,
// runs between chunks; false stops the read (nothing comes back, the error says it was stopped).
// A system that cannot compute the digest is an error naming the file as well, never a stop.
struct FileDigest
{
    std::uint64_t size = 0;
    std::string sha256;
};
std::optional<FileDigest> digestOfFile(const std::string &path, std::string *error,
                                       const std::function<bool()> &keepGoing = {});

} // namespace installer
