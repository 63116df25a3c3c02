#include "ZipReader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <zlib.h>

#include "Files.h"
#include "ZipRecords.h"

namespace installer {

namespace {

namespace fs = std::filesystem;
using namespace base::zip;

constexpr std::size_t LocalHeaderBytes = 30;
constexpr std::size_t CentralHeaderBytes = 46;
constexpr std::size_t EndBytes = 22;
constexpr std::size_t Zip64LocatorBytes = 20;
constexpr std::size_t Zip64EndBytes = 56;
constexpr std::size_t MaxCommentBytes = 0xFFFF;
constexpr std::uint32_t Saturated32 = 0xFFFFFFFFu;
constexpr std::uint16_t Saturated16 = 0xFFFFu;

// A package is a few files: a directory beyond these is no package's.
constexpr std::uint64_t MaxEntries = 100000;
constexpr std::uint64_t MaxDirectoryBytes = 64u << 20;

// Deflate gives at most about 1032 bytes for each byte it reads; a size beyond that is a lie.
constexpr std::uint64_t MaxDeflateRatio = 1032;

constexpr std::uint16_t FlagEncrypted = 1u << 0;
constexpr std::uint16_t FlagDataDescriptor = 1u << 3;
constexpr std::uint16_t FlagStrongEncryption = 1u << 6;
constexpr std::uint16_t FlagMaskedHeaders = 1u << 13;
constexpr std::uint16_t MethodStored = 0;
constexpr std::uint16_t MethodDeflated = 8;

// Little-endian fields read from a record; reading past its end gives zeros and marks it short.
class Fields
{
public:
    explicit Fields(std::string_view bytes) : m_bytes(bytes) {}

    std::uint64_t take(int width)
    {
        std::uint64_t value = 0;
        if (m_at + std::size_t(width) > m_bytes.size()) {
            m_short = true;
            m_at = m_bytes.size();
            return 0;
        }
        for (int i = 0; i < width; ++i)
            value |= std::uint64_t(static_cast<unsigned char>(m_bytes[m_at + std::size_t(i)])) << (8 * i);
        m_at += std::size_t(width);
        return value;
    }
    std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
    std::uint64_t u64() { return take(8); }
    std::string_view bytes(std::size_t size)
    {
        if (m_at + size > m_bytes.size()) {
            m_short = true;
            m_at = m_bytes.size();
            return {};
        }
        const std::string_view part = m_bytes.substr(m_at, size);
        m_at += size;
        return part;
    }
    std::size_t position() const { return m_at; }
    bool isShort() const { return m_short; }

private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
    bool m_short = false;
};

// The Zip64 extra field's data (tag 0x0001) among the extra fields; empty when there is none.
std::string_view zip64Extra(std::string_view extra)
{
    Fields fields(extra);
    while (!fields.isShort() && fields.position() + 4 <= extra.size()) {
        const std::uint16_t tag = fields.u16();
        const std::uint16_t size = fields.u16();
        const std::string_view data = fields.bytes(size);
        if (tag == Zip64ExtraTag && !fields.isShort())
            return data;
    }
    return {};
}

// A name as a message shows it: on one line, whatever bytes a hostile archive put in it.
std::string shownName(const std::string &name)
{
    std::string shown = name;
    for (char &c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return "\"" + shown + "\"";
}

// Unix file types in the upper half of the external attributes.
constexpr std::uint32_t UnixTypeMask = 0170000;
constexpr std::uint32_t UnixRegular = 0100000;
constexpr std::uint32_t UnixFolder = 0040000;
constexpr std::uint32_t DosFolder = 0x10;
constexpr std::uint32_t DosReparsePoint = 0x400;
constexpr int HostUnix = 3;

// Why an entry is not a plain file or folder (a link, a device, a FIFO); empty when it is one.
std::string typeProblem(const ZipEntry &entry, std::uint16_t madeBy, std::uint32_t attributes)
{
    if (attributes & DosReparsePoint)
        return "is a link";
    if ((madeBy >> 8) == HostUnix) {
        const std::uint32_t type = (attributes >> 16) & UnixTypeMask;
        if (type == 0120000)
            return "is a link";
        if (type != 0 && type != UnixRegular && type != UnixFolder)
            return "is not a regular file";
        if ((type == UnixFolder) != entry.folder())
            return entry.folder() ? "is a folder name on a file" : "is a folder without a folder's name";
    } else if ((attributes & DosFolder) && !entry.folder()) {
        return "is a folder without a folder's name";
    }
    return {};
}

} // namespace

bool ZipReader::fail(std::string *error, const std::string &reason) const
{
    *error = m_path + ": the zip archive in it " + reason;
    return false;
}

bool ZipReader::readAt(std::uint64_t offset, std::size_t size, std::string *bytes)
{
    bytes->assign(size, '\0');
    if (offset > m_fileSize || size > m_fileSize - offset)
        return false;
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(offset));
    m_file.read(bytes->data(), static_cast<std::streamsize>(size));
    return std::size_t(m_file.gcount()) == size;
}

ZipReader::Opened ZipReader::open(const std::string &path, std::string *error)
{
    m_path = path;
    m_entries.clear();
    m_file.close();
    m_file.open(base::files::toPath(path), std::ios::binary);
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(base::files::toPath(path), ec);
    if (!m_file.is_open() || ec) {
        *error = m_path + ": cannot be read (" + (ec ? ec.message() : std::string("not opened")) + ")";
        return Opened::Damaged;
    }
    m_fileSize = size;
    auto damaged = [&](const std::string &reason) {
        fail(error, reason);
        return Opened::Damaged;
    };

    // The end record is the last thing in the file, followed only by its own comment.
    const std::size_t tailSize = std::size_t(std::min<std::uint64_t>(m_fileSize, EndBytes + MaxCommentBytes));
    std::string tail;
    if (!readAt(m_fileSize - tailSize, tailSize, &tail))
        return damaged("cannot be read to its end");
    std::uint64_t endOffset = 0;
    bool found = false;
    for (std::size_t i = tailSize >= EndBytes ? tailSize - EndBytes + 1 : 0; i-- > 0;) {
        Fields probe(std::string_view(tail).substr(i));
        if (probe.u32() != EndSignature)
            continue;
        probe.take(16);
        if (probe.u16() == tailSize - i - EndBytes) {
            endOffset = m_fileSize - tailSize + i;
            found = true;
            break;
        }
    }
    if (!found)
        return Opened::NoArchive;

    Fields end(std::string_view(tail).substr(std::size_t(endOffset - (m_fileSize - tailSize))));
    end.u32();
    const std::uint16_t disk = end.u16();
    const std::uint16_t directoryDisk = end.u16();
    std::uint64_t countOnDisk = end.u16();
    std::uint64_t count = end.u16();
    std::uint64_t directorySize = end.u32();
    std::uint64_t directoryOffset = end.u32();
    std::uint64_t directoryEnd = endOffset;

    std::string locatorBytes;
    if (endOffset >= Zip64LocatorBytes &&
        readAt(endOffset - Zip64LocatorBytes, Zip64LocatorBytes, &locatorBytes) &&
        Fields(locatorBytes).u32() == Zip64LocatorSignature) {
        Fields locator(locatorBytes);
        locator.u32();
        const std::uint32_t zip64Disk = locator.u32();
        const std::uint64_t zip64Offset = locator.u64();
        const std::uint32_t disks = locator.u32();
        std::string record;
        if (zip64Disk != 0 || disks != 1)
            return damaged("is an archive split over several disks");
        if (!readAt(zip64Offset, Zip64EndBytes, &record))
            return damaged("names a Zip64 end record beyond its end");
        Fields zip64(record);
        if (zip64.u32() != Zip64EndSignature)
            return damaged("has no Zip64 end record where its locator says");
        const std::uint64_t recordSize = zip64.u64();
        if (zip64Offset + 12 + recordSize != endOffset - Zip64LocatorBytes)
            return damaged("has a Zip64 end record whose size does not fit");
        zip64.take(4);
        if (zip64.u32() != 0 || zip64.u32() != 0)
            return damaged("is an archive split over several disks");
        countOnDisk = zip64.u64();
        count = zip64.u64();
        directorySize = zip64.u64();
        directoryOffset = zip64.u64();
        directoryEnd = zip64Offset;
    } else if (count == Saturated16 || countOnDisk == Saturated16 || directorySize == Saturated32 ||
               directoryOffset == Saturated32) {
        return damaged("lacks the Zip64 end record its end record calls for");
    }
    if (disk != 0 || directoryDisk != 0 || countOnDisk != count)
        return damaged("is an archive split over several disks");
    // Offsets count from the start of the file: the directory ends where the end records begin.
    if (directoryOffset > directoryEnd || directorySize != directoryEnd - directoryOffset)
        return damaged("has a central directory that does not end where its end record begins "
                       "(cut short, or altered)");
    if (count > MaxEntries || directorySize > MaxDirectoryBytes)
        return damaged("has a central directory larger than any package's");
    m_directoryOffset = directoryOffset;
    if (!readDirectory(directoryOffset, directorySize, count, error))
        return Opened::Damaged;

    // Each entry's bytes lie between its local header and the next one, or the directory.
    std::vector<const ZipEntry *> byOffset;
    for (ZipEntry &entry : m_entries) {
        if (!checkLocalHeader(entry, error))
            return Opened::Damaged;
        byOffset.push_back(&entry);
    }
    std::sort(byOffset.begin(), byOffset.end(),
              [](const ZipEntry *a, const ZipEntry *b) { return a->localOffset < b->localOffset; });
    for (std::size_t i = 0; i < byOffset.size(); ++i) {
        const std::uint64_t limit =
            i + 1 < byOffset.size() ? byOffset[i + 1]->localOffset : m_directoryOffset;
        const ZipEntry &entry = *byOffset[i];
        if (entry.dataOffset > limit || entry.compressedSize > limit - entry.dataOffset)
            return damaged("has an entry " + shownName(entry.name) + " whose bytes overlap what follows");
    }
    m_archiveOffset = byOffset.empty() ? m_directoryOffset : byOffset.front()->localOffset;
    return Opened::Ready;
}

bool ZipReader::readDirectory(std::uint64_t offset, std::uint64_t size, std::uint64_t count,
                              std::string *error)
{
    std::string directory;
    if (!readAt(offset, std::size_t(size), &directory))
        return fail(error, "has a central directory beyond its end");
    Fields fields(directory);
    for (std::uint64_t i = 0; i < count; ++i) {
        if (fields.u32() != CentralHeaderSignature)
            return fail(error, "has a damaged central directory (entry " + std::to_string(i + 1) + ")");
        ZipEntry entry;
        const std::uint16_t madeBy = fields.u16();
        fields.u16(); // version needed
        entry.flags = fields.u16();
        entry.method = fields.u16();
        fields.u32(); // time and date
        entry.crc = fields.u32();
        entry.compressedSize = fields.u32();
        entry.size = fields.u32();
        const std::uint16_t nameSize = fields.u16();
        const std::uint16_t extraSize = fields.u16();
        const std::uint16_t commentSize = fields.u16();
        const std::uint16_t startDisk = fields.u16();
        fields.u16(); // internal attributes
        const std::uint32_t attributes = fields.u32();
        entry.localOffset = fields.u32();
        entry.name = std::string(fields.bytes(nameSize));
        const std::string_view extra = fields.bytes(extraSize);
        fields.bytes(commentSize);
        if (fields.isShort())
            return fail(error, "has a central directory cut short (entry " + std::to_string(i + 1) + ")");

        // The Zip64 field holds, in this order, the 64-bit values of the fields that are saturated.
        Fields zip64(zip64Extra(extra));
        if (entry.size == Saturated32)
            entry.size = zip64.u64();
        if (entry.compressedSize == Saturated32)
            entry.compressedSize = zip64.u64();
        if (entry.localOffset == Saturated32)
            entry.localOffset = zip64.u64();
        if (zip64.isShort())
            return fail(error,
                        "has an entry " + shownName(entry.name) + " without the Zip64 sizes it calls for");
        if (startDisk != 0 && startDisk != Saturated16)
            return fail(error, "is an archive split over several disks");

        const std::string name = shownName(entry.name);
        if (entry.flags & (FlagEncrypted | FlagStrongEncryption | FlagMaskedHeaders))
            return fail(error, "has an encrypted entry " + name);
        if (entry.method != MethodStored && entry.method != MethodDeflated)
            return fail(error, "has an entry " + name + " packed with method " +
                                   std::to_string(entry.method) +
                                   " (only stored and deflated entries are read)");
        if (const std::string problem = typeProblem(entry, madeBy, attributes); !problem.empty())
            return fail(error, "has an entry " + name + " that " + problem);
        if (entry.folder() && entry.size != 0)
            return fail(error, "has a folder entry " + name + " with content");
        if (entry.method == MethodStored && entry.size != entry.compressedSize)
            return fail(error, "has a stored entry " + name + " whose sizes differ");
        if (entry.method == MethodDeflated && entry.size / MaxDeflateRatio > entry.compressedSize + 1)
            return fail(error, "has an entry " + name + " that claims " + std::to_string(entry.size) +
                                   " bytes from " + std::to_string(entry.compressedSize) +
                                   " packed ones, more than deflate can give");
        if (entry.localOffset >= m_directoryOffset)
            return fail(error, "has an entry " + name + " whose header lies beyond its files");
        m_entries.push_back(std::move(entry));
    }
    if (fields.position() != directory.size())
        return fail(error, "has a central directory with bytes after its last entry");
    return true;
}

bool ZipReader::checkLocalHeader(ZipEntry &entry, std::string *error)
{
    const std::string name = shownName(entry.name);
    std::string header;
    if (!readAt(entry.localOffset, LocalHeaderBytes, &header))
        return fail(error, "has no local header for " + name + " (cut short?)");
    Fields fields(header);
    if (fields.u32() != LocalHeaderSignature)
        return fail(error, "has no local header for " + name + " where its directory says");
    fields.u16(); // version needed
    const std::uint16_t flags = fields.u16();
    const std::uint16_t method = fields.u16();
    fields.u32(); // time and date
    const std::uint32_t crc = fields.u32();
    std::uint64_t compressedSize = fields.u32();
    std::uint64_t size = fields.u32();
    const std::uint16_t nameSize = fields.u16();
    const std::uint16_t extraSize = fields.u16();
    std::string nameAndExtra;
    if (!readAt(entry.localOffset + LocalHeaderBytes, std::size_t(nameSize) + extraSize, &nameAndExtra))
        return fail(error, "has a local header for " + name + " cut short");
    const std::string_view localName = std::string_view(nameAndExtra).substr(0, nameSize);
    if (localName != entry.name || method != entry.method || flags != entry.flags)
        return fail(error, "has a local header for " + name + " that differs from its directory");
    // With a data descriptor the local header may leave crc and sizes zero: the directory has them.
    if (!(flags & FlagDataDescriptor)) {
        if (size == Saturated32 || compressedSize == Saturated32) {
            Fields zip64(zip64Extra(std::string_view(nameAndExtra).substr(nameSize)));
            size = zip64.u64();
            compressedSize = zip64.u64();
            if (zip64.isShort())
                return fail(error, "has a local header for " + name + " without its Zip64 sizes");
        }
        if (crc != entry.crc || size != entry.size || compressedSize != entry.compressedSize)
            return fail(error, "has a local header for " + name +
                                   " whose CRC-32 or sizes differ from its directory");
    }
    entry.dataOffset = entry.localOffset + LocalHeaderBytes + nameSize + extraSize;
    return true;
}

bool ZipReader::extract(const ZipEntry &entry, const std::string &target, std::string *error)
{
    const std::string name = shownName(entry.name);
    const fs::path targetPath = base::files::toPath(target);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(targetPath, ec)))
        return fail(error, "holds " + name + " twice");
    std::ofstream out(targetPath, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        *error = target + ": cannot be created";
        return false;
    }
    auto refuse = [&](const std::string &reason) {
        out.close();
        std::error_code ignored;
        fs::remove(targetPath, ignored);
        return fail(error, reason);
    };

    z_stream stream{};
    const bool deflated = entry.method == MethodDeflated;
    if (deflated && inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return refuse("cannot be read: zlib cannot start");
    struct InflateEnd
    {
        z_stream *stream;
        bool active;
        ~InflateEnd()
        {
            if (active)
                inflateEnd(stream);
        }
    } inflateEnd{&stream, deflated};

    constexpr std::size_t Chunk = 1 << 16;
    std::string input;
    std::string output(Chunk, '\0');
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    std::uint32_t crc = static_cast<std::uint32_t>(crc32_z(0, nullptr, 0));
    bool ended = !deflated && entry.compressedSize == 0;
    auto put = [&](const char *data, std::size_t size) {
        written += size;
        if (written > entry.size)
            return false;
        crc = static_cast<std::uint32_t>(crc32_z(crc, reinterpret_cast<const Bytef *>(data), size));
        out.write(data, static_cast<std::streamsize>(size));
        return true;
    };
    const std::string tooLong = "has an entry " + name + " that holds more than the " +
                                std::to_string(entry.size) + " bytes its directory says";
    while (!ended) {
        const std::size_t piece = std::size_t(std::min<std::uint64_t>(Chunk, entry.compressedSize - read));
        if (piece == 0 && !deflated)
            break;
        if (piece > 0 && !readAt(entry.dataOffset + read, piece, &input))
            return refuse("ends inside the entry " + name + " (cut short)");
        read += piece;
        if (!deflated) {
            if (!put(input.data(), piece))
                return refuse(tooLong);
            ended = read == entry.compressedSize;
            continue;
        }
        stream.next_in = reinterpret_cast<Bytef *>(input.data());
        stream.avail_in = static_cast<uInt>(piece);
        do {
            stream.next_out = reinterpret_cast<Bytef *>(output.data());
            stream.avail_out = static_cast<uInt>(output.size());
            const int status = inflate(&stream, Z_NO_FLUSH);
            if (status == Z_DATA_ERROR || status == Z_NEED_DICT || status == Z_MEM_ERROR)
                return refuse("has an entry " + name + " whose packed bytes are damaged");
            if (!put(output.data(), output.size() - stream.avail_out))
                return refuse(tooLong);
            if (status == Z_STREAM_END) {
                ended = true;
                break;
            }
            if (status == Z_BUF_ERROR && piece == 0)
                return refuse("has an entry " + name + " whose packed bytes end too soon");
        } while (stream.avail_out == 0);
        if (ended && (stream.avail_in != 0 || read != entry.compressedSize))
            return refuse("has an entry " + name + " with bytes after its packed data");
    }
    out.close();
    if (!out)
        return refuse("could not be unpacked: writing " + target + " failed");
    if (written != entry.size)
        return refuse("has an entry " + name + " of " + std::to_string(written) +
                      " bytes where its directory says " + std::to_string(entry.size));
    if (crc != entry.crc)
        return refuse("has an entry " + name + " whose CRC-32 does not match (altered)");
    return true;
}

} // namespace installer
