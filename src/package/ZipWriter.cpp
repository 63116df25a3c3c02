#include "ZipWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

#include <zlib.h>

#include "Files.h"
#include "ZipRecords.h"

namespace package::zip {

namespace fs = std::filesystem;
using namespace base::zip;

namespace {

// A 32-bit size or offset field holding this value, or more, moves to the Zip64 extra field; a
// 16-bit entry count the same with 0xFFFF.
constexpr std::uint64_t Zip64Size = 0xFFFFFFFFu;
constexpr std::uint64_t Zip64Count = 0xFFFFu;

constexpr std::uint16_t VersionDefault = 20; // deflate and folders
constexpr std::uint16_t VersionZip64 = 45;
constexpr std::uint16_t MadeByUnix = 3 << 8;
constexpr std::uint16_t Utf8Names = 1 << 11;
constexpr std::uint16_t MethodStore = 0;
constexpr std::uint16_t MethodDeflate = 8;
// Read and write for everyone as the unpacker's umask allows, as unpackers expect of archives
// made on Unix; a folder also carries the MS-DOS folder bit for Windows tools.
constexpr std::uint32_t FileAttributes = 0100666u << 16;
constexpr std::uint32_t FolderAttributes = (040777u << 16) | 0x10;

constexpr std::size_t LocalHeaderBytes = 30;
constexpr std::size_t OutputChunk = 256 * 1024;
constexpr std::size_t PendingBytes = 1024 * 1024;
constexpr std::size_t LargestDeflateInput = 1u << 30; // zlib counts input in uInt

// Little-endian fields, appended to the record under construction.
class Record
{
public:
    Record &u16(std::uint64_t value) { return put(value, 2); }
    Record &u32(std::uint64_t value) { return put(value, 4); }
    Record &u64(std::uint64_t value) { return put(value, 8); }
    Record &bytes(const std::string &text)
    {
        m_bytes += text;
        return *this;
    }
    const std::string &data() const { return m_bytes; }

private:
    Record &put(std::uint64_t value, int size)
    {
        for (int i = 0; i < size; ++i)
            m_bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
        return *this;
    }
    std::string m_bytes;
};

// The local time as MS-DOS keeps it: two-second steps, 1980 to 2107.
std::pair<std::uint16_t, std::uint16_t> dosTimeAndDate(std::time_t time)
{
    std::tm local{};
#ifdef _WIN32
    const bool known = ::localtime_s(&local, &time) == 0;
#else
    const bool known = ::localtime_r(&time, &local) != nullptr;
#endif
    if (!known || local.tm_year < 80)
        return {0, (1 << 5) | 1}; // 1980-01-01 00:00
    if (local.tm_year > 207)
        return {(23 << 11) | (59 << 5) | 29, (127 << 9) | (12 << 5) | 31};
    const auto time16 =
        static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    const auto date16 =
        static_cast<std::uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    return {time16, date16};
}

std::uint32_t field32(std::uint64_t value, bool inZip64)
{
    return inZip64 ? static_cast<std::uint32_t>(Zip64Size) : static_cast<std::uint32_t>(value);
}

std::string lastReason()
{
    return errno != 0 ? std::strerror(errno) : "the archive could not be written";
}

} // namespace

struct ZipWriter::Deflater
{
    Deflater() : ok(deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK) {}
    ~Deflater()
    {
        if (ok)
            deflateEnd(&stream);
    }
    z_stream stream{};
    bool ok = false;
    std::vector<unsigned char> output = std::vector<unsigned char>(OutputChunk);
};

ZipWriter::ZipWriter(std::string path) : m_path(std::move(path)), m_temporary(temporaryPath(m_path)) {}

ZipWriter::~ZipWriter()
{
    if (!m_committed)
        discard();
}

std::string ZipWriter::temporaryPath(const std::string &path)
{
    const fs::path target = base::files::toPath(path);
    fs::path name = ".";
    name += target.filename();
    name += ".partial";
    return base::files::fromPath(target.parent_path() / name);
}

bool ZipWriter::open(std::string *error)
{
    std::error_code ignored;
    fs::remove(base::files::toPath(m_temporary), ignored);
    errno = 0;
    m_out.open(base::files::toPath(m_temporary), std::ios::binary | std::ios::trunc);
    if (!m_out.is_open()) {
        const std::string reason = lastReason();
        return fail(error, reason);
    }
    return true;
}

bool ZipWriter::copyPrefix(const std::string &path, std::string *error)
{
    if (!m_out.is_open())
        return fail(error, "the archive is not open");
    if (m_offset != 0)
        return fail(error, "the prefix must come before the first entry");
    errno = 0;
    std::ifstream in(base::files::toPath(path), std::ios::binary);
    std::vector<char> chunk(in ? OutputChunk : 0);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        if (in.gcount() > 0 && !emit(chunk.data(), static_cast<std::size_t>(in.gcount()), error))
            return false;
    }
    if (!in.eof()) {
        const std::string reason = errno != 0 ? std::strerror(errno) : "the file could not be read";
        if (error)
            *error = path + ": " + reason;
        discard();
        return false;
    }
    return true;
}

bool ZipWriter::addFolder(const std::string &name, std::time_t modified, std::string *error)
{
    Entry entry;
    entry.name = name;
    entry.folder = true;
    std::tie(entry.dosTime, entry.dosDate) = dosTimeAndDate(modified);
    if (!startEntry(std::move(entry), error))
        return false;
    m_inFile = false;
    return true;
}

bool ZipWriter::beginFile(const std::string &name, std::time_t modified, std::uint64_t size, Method method,
                          std::string *error)
{
    Entry entry;
    entry.name = name;
    entry.size = size;
    entry.method = method == Method::Deflate ? MethodDeflate : MethodStore;
    std::tie(entry.dosTime, entry.dosDate) = dosTimeAndDate(modified);
    // Deflate grows data that does not shrink by about 5 bytes in 16 KiB: an entry that might
    // reach the 32-bit limit either way gets the Zip64 field in its local header now.
    const std::uint64_t largest = method == Method::Deflate ? size + size / 2048 + 64 : size;
    entry.zip64Local = largest >= Zip64Size;
    if (method == Method::Deflate) {
        if (!m_deflater)
            m_deflater = std::make_unique<Deflater>();
        if (!m_deflater->ok || deflateReset(&m_deflater->stream) != Z_OK)
            return fail(error, "zlib could not start deflating");
    }
    if (!startEntry(std::move(entry), error))
        return false;
    m_given = 0;
    return true;
}

bool ZipWriter::startEntry(Entry entry, std::string *error)
{
    if (!m_out.is_open())
        return fail(error, "the archive is not open");
    if (m_inFile)
        return fail(error, m_entries.back().name + ": the entry before it is not complete");
    if (entry.name.size() > std::numeric_limits<std::uint16_t>::max())
        return fail(error, "the name is too long for an archive: " + entry.name.substr(0, 64) + "...");
    entry.offset = m_offset;
    Record header;
    header.u32(LocalHeaderSignature)
        .u16(entry.zip64Local ? VersionZip64 : VersionDefault)
        .u16(Utf8Names)
        .u16(entry.method)
        .u16(entry.dosTime)
        .u16(entry.dosDate)
        .u32(0) // CRC-32, compressed and uncompressed size: patched by endFile()
        .u32(field32(0, entry.zip64Local))
        .u32(field32(0, entry.zip64Local))
        .u16(entry.name.size())
        .u16(entry.zip64Local ? 20 : 0)
        .bytes(entry.name);
    if (entry.zip64Local)
        header.u16(Zip64ExtraTag).u16(16).u64(0).u64(0);
    m_entries.push_back(std::move(entry));
    m_inFile = true;
    return emit(header.data().data(), header.data().size(), error);
}

bool ZipWriter::write(const char *data, std::size_t size, std::string *error)
{
    if (!m_inFile || m_entries.back().folder)
        return fail(error, "no file entry is open");
    Entry &entry = m_entries.back();
    if (size > entry.size - m_given)
        return fail(error, entry.name + ": more bytes than the entry announced");
    m_given += size;
    entry.crc = static_cast<std::uint32_t>(crc32_z(entry.crc, reinterpret_cast<const Bytef *>(data), size));
    if (entry.method == MethodStore) {
        entry.compressedSize += size;
        return emit(data, size, error);
    }
    return deflateInto(data, size, false, error);
}

bool ZipWriter::deflateInto(const char *data, std::size_t size, bool finish, std::string *error)
{
    z_stream &stream = m_deflater->stream;
    do {
        const std::size_t piece = std::min(size, LargestDeflateInput);
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        stream.avail_in = static_cast<uInt>(piece);
        data += piece;
        size -= piece;
        const int flush = finish && size == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            stream.next_out = m_deflater->output.data();
            stream.avail_out = static_cast<uInt>(m_deflater->output.size());
            result = deflate(&stream, flush);
            if (result == Z_STREAM_ERROR)
                return fail(error, "zlib could not deflate");
            const std::size_t produced = m_deflater->output.size() - stream.avail_out;
            m_entries.back().compressedSize += produced;
            if (!emit(m_deflater->output.data(), produced, error))
                return false;
        } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    } while (size > 0);
    return true;
}

bool ZipWriter::endFile(std::string *error)
{
    if (!m_inFile || m_entries.back().folder)
        return fail(error, "no file entry is open");
    const Entry &entry = m_entries.back();
    if (m_given != entry.size)
        return fail(error, entry.name + ": fewer bytes than the entry announced");
    if (entry.method == MethodDeflate && !deflateInto(nullptr, 0, true, error))
        return false;
    if (!entry.zip64Local && entry.compressedSize >= Zip64Size)
        return fail(error, entry.name + ": the entry outgrew its header");
    if (!patchLocalHeader(entry, error))
        return false;
    m_inFile = false;
    return true;
}

bool ZipWriter::patchLocalHeader(const Entry &entry, std::string *error)
{
    Record sizes;
    sizes.u32(entry.crc)
        .u32(field32(entry.compressedSize, entry.zip64Local))
        .u32(field32(entry.size, entry.zip64Local));
    if (!patch(entry.offset + 14, sizes.data(), error))
        return false;
    if (!entry.zip64Local)
        return true;
    Record zip64;
    zip64.u64(entry.size).u64(entry.compressedSize);
    return patch(entry.offset + LocalHeaderBytes + entry.name.size() + 4, zip64.data(), error);
}

bool ZipWriter::patch(std::uint64_t offset, const std::string &bytes, std::string *error)
{
    // A header is emitted whole, so it is either still in the pending bytes or all on disk.
    const std::uint64_t pendingStart = m_offset - m_pending.size();
    if (offset >= pendingStart) {
        m_pending.replace(static_cast<std::size_t>(offset - pendingStart), bytes.size(), bytes);
        return true;
    }
    errno = 0;
    m_out.seekp(static_cast<std::streamoff>(offset));
    m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    m_out.seekp(static_cast<std::streamoff>(pendingStart));
    if (!m_out) {
        const std::string reason = lastReason();
        return fail(error, reason);
    }
    return true;
}

bool ZipWriter::commit(std::string *error)
{
    if (!m_out.is_open())
        return fail(error, "the archive is not open");
    if (m_inFile)
        return fail(error, m_entries.back().name + ": the entry is not complete");
    const std::uint64_t directoryOffset = m_offset;
    for (const Entry &entry : m_entries) {
        const bool zip64Sizes =
            entry.zip64Local || entry.size >= Zip64Size || entry.compressedSize >= Zip64Size;
        const bool zip64Offset = entry.offset >= Zip64Size;
        Record extra;
        if (zip64Sizes || zip64Offset) {
            extra.u16(Zip64ExtraTag).u16((zip64Sizes ? 16 : 0) + (zip64Offset ? 8 : 0));
            if (zip64Sizes)
                extra.u64(entry.size).u64(entry.compressedSize);
            if (zip64Offset)
                extra.u64(entry.offset);
        }
        const bool zip64 = zip64Sizes || zip64Offset;
        Record header;
        header.u32(CentralHeaderSignature)
            .u16(MadeByUnix | VersionZip64)
            .u16(zip64 ? VersionZip64 : VersionDefault)
            .u16(Utf8Names)
            .u16(entry.method)
            .u16(entry.dosTime)
            .u16(entry.dosDate)
            .u32(entry.crc)
            .u32(field32(entry.compressedSize, zip64Sizes))
            .u32(field32(entry.size, zip64Sizes))
            .u16(entry.name.size())
            .u16(extra.data().size())
            .u16(0) // comment
            .u16(0) // disk
            .u16(0) // internal attributes
            .u32(entry.folder ? FolderAttributes : FileAttributes)
            .u32(field32(entry.offset, zip64Offset))
            .bytes(entry.name)
            .bytes(extra.data());
        if (!emit(header.data().data(), header.data().size(), error))
            return false;
    }
    const std::uint64_t directorySize = m_offset - directoryOffset;
    const std::uint64_t count = m_entries.size();
    const bool zip64 = count >= Zip64Count || directorySize >= Zip64Size || directoryOffset >= Zip64Size;
    Record end;
    if (zip64) {
        const std::uint64_t zip64EndOffset = m_offset;
        end.u32(Zip64EndSignature)
            .u64(44) // the record's size after this field
            .u16(MadeByUnix | VersionZip64)
            .u16(VersionZip64)
            .u32(0)
            .u32(0)
            .u64(count)
            .u64(count)
            .u64(directorySize)
            .u64(directoryOffset);
        end.u32(Zip64LocatorSignature).u32(0).u64(zip64EndOffset).u32(1);
    }
    const std::uint64_t shownCount = count >= Zip64Count ? Zip64Count : count;
    end.u32(EndSignature)
        .u16(0)
        .u16(0)
        .u16(shownCount)
        .u16(shownCount)
        .u32(field32(directorySize, directorySize >= Zip64Size))
        .u32(field32(directoryOffset, directoryOffset >= Zip64Size))
        .u16(0); // comment
    if (!emit(end.data().data(), end.data().size(), error) || !flushPending(error))
        return false;
    errno = 0;
    m_out.close();
    if (m_out.fail()) {
        const std::string reason = lastReason();
        return fail(error, reason);
    }
    if (!base::files::moveFile(m_temporary, m_path, error)) {
        discard();
        return false;
    }
    m_committed = true;
    return true;
}

bool ZipWriter::emit(const void *data, std::size_t size, std::string *error)
{
    // Small entries gather in memory, where their headers are patched without a seek.
    if (m_pending.size() + size > PendingBytes && !flushPending(error))
        return false;
    if (size >= PendingBytes) {
        errno = 0;
        m_out.write(static_cast<const char *>(data), static_cast<std::streamsize>(size));
        if (!m_out) {
            const std::string reason = lastReason();
            return fail(error, reason);
        }
    } else {
        m_pending.append(static_cast<const char *>(data), size);
    }
    m_offset += size;
    return true;
}

bool ZipWriter::flushPending(std::string *error)
{
    errno = 0;
    m_out.write(m_pending.data(), static_cast<std::streamsize>(m_pending.size()));
    if (!m_out) {
        const std::string reason = lastReason();
        return fail(error, reason);
    }
    m_pending.clear();
    return true;
}

bool ZipWriter::fail(std::string *error, const std::string &reason)
{
    if (error)
        *error = m_path + ": " + reason;
    discard();
    return false;
}

void ZipWriter::discard()
{
    if (m_out.is_open())
        m_out.close();
    m_pending.clear();
    std::error_code ignored;
    fs::remove(base::files::toPath(m_temporary), ignored);
    m_inFile = false;
}

} // namespace package::zip
