#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace installer {

// One file or folder of a zip archive, as its central directory gives it (Zip64 fields applied).
struct ZipEntry
{
    std::string name; // as stored: UTF-8, "/" between parts, a folder ends with "/"
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t localOffset = 0; // from the start of the whole file
    std::uint64_t dataOffset = 0;  // where the entry's bytes start, from its local header

    bool folder() const { return !name.empty() && name.back() == '/'; }
};

// Reads a zip archive that ends its file, also one appended to a program (a self-extracting
// archive: every offset counts from the start of the whole file). open() checks everything that
// can be checked without inflating: the end records, the central directory, each local header
// against it, that entries neither overlap nor leave the archive, and that no size claims more
// than deflate can give. extract() then checks the bytes themselves: sizes and CRC-32. Only
// stored and deflated regular files and folders are taken: no encryption, links or devices.
// Errors name the file and the reason.
class ZipReader
{
public:
    enum class Opened
    {
        NoArchive, // the file does not end with an end-of-central-directory record
        Ready,
        Damaged, // it does, but the archive is cut short, altered or not one this reader takes
    };

    Opened open(const std::string &path, std::string *error);

    const std::vector<ZipEntry> &entries() const { return m_entries; }
    // Where the archive starts in the file: its first local header (or its directory when empty).
    std::uint64_t archiveOffset() const { return m_archiveOffset; }
    std::uint64_t fileSize() const { return m_fileSize; }

    // Writes the entry's bytes to a new file at target (an existing one is refused). False, with
    // the target removed, when the bytes do not inflate to exactly the size and CRC-32 recorded.
    bool extract(const ZipEntry &entry, const std::string &target, std::string *error);

private:
    bool readAt(std::uint64_t offset, std::size_t size, std::string *bytes);
    bool readDirectory(std::uint64_t offset, std::uint64_t size, std::uint64_t count, std::string *error);
    bool checkLocalHeader(ZipEntry &entry, std::string *error);
    bool fail(std::string *error, const std::string &reason) const;

    std::string m_path;
    std::ifstream m_file;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_directoryOffset = 0;
    std::uint64_t m_archiveOffset = 0;
    std::vector<ZipEntry> m_entries;
};

} // namespace installer
