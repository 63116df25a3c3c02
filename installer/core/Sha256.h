#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace installer {

// SHA-256 (FIPS 180-4), fed in pieces. Uses the processor's SHA instructions where it has them.
class Sha256
{
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    void update(const void *data, std::size_t size);
    // The digest of everything fed; the object then starts over.
    Digest finish();

    // 64 lower-case hex digits.
    static std::string hex(const Digest &digest);

private:
    std::array<std::uint32_t, 8> m_state;
    std::array<std::uint8_t, 64> m_block;
    std::size_t m_blockFill = 0;
    std::uint64_t m_totalBytes = 0;
};

// The hex digest of the bytes.
std::string sha256Hex(std::string_view bytes);

// The hex digest and size of a regular file, read in chunks without following a link at the path
// itself (a link, FIFO, device or folder is refused without waiting on it). keepGoing, when given,
// runs between chunks; false stops the read (nothing comes back, the error says it was stopped).
struct FileDigest
{
    std::uint64_t size = 0;
    std::string sha256;
};
std::optional<FileDigest> digestOfFile(const std::string &path, std::string *error,
                                       const std::function<bool()> &keepGoing = {});

} // namespace installer
