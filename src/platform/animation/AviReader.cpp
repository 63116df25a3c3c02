#include "AviReader.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QtEndian>

namespace platform {

namespace {

constexpr std::uint32_t fourcc(const char (&s)[5])
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

constexpr std::uint32_t kRiff = fourcc("RIFF");
constexpr std::uint32_t kAvi = fourcc("AVI ");
constexpr std::uint32_t kList = fourcc("LIST");
constexpr std::uint32_t kHdrl = fourcc("hdrl");
constexpr std::uint32_t kAvih = fourcc("avih");
constexpr std::uint32_t kStrl = fourcc("strl");
constexpr std::uint32_t kStrh = fourcc("strh");
constexpr std::uint32_t kStrf = fourcc("strf");
constexpr std::uint32_t kVids = fourcc("vids");
constexpr std::uint32_t kMovi = fourcc("movi");
constexpr std::uint32_t kIdx1 = fourcc("idx1");

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;

// Lists inside 'movi' ('rec ' groups) are followed this deep and no deeper.
constexpr int kMaxListDepth = 4;

std::uint32_t readU32(const std::uint8_t *p)
{
    return qFromLittleEndian<quint32>(p);
}
std::int32_t readS32(const std::uint8_t *p)
{
    return qFromLittleEndian<qint32>(p);
}
std::uint16_t readU16(const std::uint8_t *p)
{
    return qFromLittleEndian<quint16>(p);
}

QString fourccText(std::uint32_t value)
{
    QString text;
    for (int i = 0; i < 4; ++i) {
        const char c = char((value >> (8 * i)) & 0xff);
        if (c < 0x20 || c > 0x7e)
            return QString::number(value);
        text += QLatin1Char(c);
    }
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

struct Chunk
{
    std::uint32_t id = 0;
    qsizetype data = 0; // where its data starts
    qsizetype size = 0;
    qsizetype next = 0; // where the chunk after it starts
};

// Reads the chunk header at `pos`. False when the header or the data it announces
// runs past `end`. A missing pad byte after odd-sized data at the very end is forgiven.
bool readChunk(const std::uint8_t *bytes, qsizetype pos, qsizetype end, Chunk *chunk)
{
    if (end - pos < 8)
        return false;
    chunk->id = readU32(bytes + pos);
    const qsizetype size = readU32(bytes + pos + 4);
    if (size > end - pos - 8)
        return false;
    chunk->data = pos + 8;
    chunk->size = size;
    chunk->next = std::min(end, chunk->data + size + (size & 1));
    return true;
}

QString pastEnd(const Chunk &chunk, qsizetype pos, const char *container)
{
    return QStringLiteral("the chunk %1 at offset %2 runs past the end of %3")
        .arg(fourccText(chunk.id))
        .arg(pos)
        .arg(QLatin1String(container));
}

std::uint32_t opaque(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return 0xff000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
}

} // namespace

bool AviReader::open(const QString &path)
{
    close();
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("%1: %2").arg(shown, file.errorString());
        return false;
    }
    // Devices that never end (a pipe, /dev/zero) are cut off one byte past the limit.
    const QByteArray data =
        file.size() > m_limits.maxFileBytes ? QByteArray() : file.read(m_limits.maxFileBytes + 1);
    if (file.size() > m_limits.maxFileBytes || data.size() > m_limits.maxFileBytes) {
        m_error = QStringLiteral("%1: the file has more than the %2 bytes a clip may have")
                      .arg(shown)
                      .arg(m_limits.maxFileBytes);
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        m_error = QStringLiteral("%1: %2").arg(shown, file.errorString());
        return false;
    }
    if (!openData(data)) {
        m_error = QStringLiteral("%1: %2").arg(shown, m_error);
        return false;
    }
    return true;
}

bool AviReader::openData(const QByteArray &data)
{
    close();
    if (data.size() > m_limits.maxFileBytes)
        return fail(QStringLiteral("the clip has %1 bytes, more than the %2 a clip may have")
                        .arg(data.size())
                        .arg(m_limits.maxFileBytes));
    m_data = data;
    if (!parse()) {
        const QString error = m_error;
        close();
        m_error = error;
        return false;
    }
    return true;
}

void AviReader::close()
{
    *this = AviReader(m_limits);
}

bool AviReader::fail(const QString &reason)
{
    m_error = reason;
    return false;
}

bool AviReader::parse()
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(m_data.constData());
    const qsizetype fileSize = m_data.size();
    if (fileSize < 12 || readU32(bytes) != kRiff || readU32(bytes + 8) != kAvi)
        return fail(QStringLiteral("not an AVI clip"));
    const qsizetype riffSize = readU32(bytes + 4);
    if (riffSize > fileSize - 8)
        return fail(QStringLiteral("the file is cut short: its header announces %1 bytes, it has %2")
                        .arg(riffSize + 8)
                        .arg(fileSize));
    const qsizetype end = 8 + riffSize;

    bool haveHeader = false;
    qsizetype indexPos = -1;
    qsizetype indexSize = 0;
    Chunk chunk;
    for (qsizetype pos = 12; end - pos >= 8; pos = chunk.next) {
        if (!readChunk(bytes, pos, end, &chunk))
            return fail(pastEnd(chunk, pos, "the file"));
        if (chunk.id == kList && chunk.size >= 4) {
            const std::uint32_t type = readU32(bytes + chunk.data);
            const qsizetype listEnd = chunk.data + chunk.size;
            if (type == kHdrl && !haveHeader) {
                if (!parseHeaderList(chunk.data + 4, listEnd))
                    return false;
                haveHeader = true;
            } else if (type == kMovi && m_moviBegin < 0) {
                m_moviBegin = chunk.data;
                m_moviEnd = listEnd;
            }
        } else if (chunk.id == kIdx1 && indexPos < 0) {
            indexPos = chunk.data;
            indexSize = chunk.size;
        }
    }
    if (!haveHeader)
        return fail(QStringLiteral("the clip has no header list"));
    if (m_videoStream < 0)
        return fail(QStringLiteral("the clip has no video stream"));
    if (m_moviBegin < 0)
        return fail(QStringLiteral("the clip has no 'movi' list"));
    if (m_microSecondsPerFrame == 0)
        m_microSecondsPerFrame = m_headerMicroSeconds;
    if (m_microSecondsPerFrame == 0)
        return fail(QStringLiteral("the clip has no frame rate"));

    bool indexUsable = false;
    if (indexPos >= 0 && !framesFromIndex(indexPos, indexSize, &indexUsable))
        return false;
    if (!indexUsable) {
        m_frames.clear();
        if (!framesFromScan(m_moviBegin + 4, m_moviEnd, 0))
            return false;
    }
    if (m_frames.empty())
        return fail(QStringLiteral("the clip has no frames"));
    if (qint64(m_width) * m_height * qint64(m_frames.size()) > m_limits.maxPixelWork)
        return fail(QStringLiteral("%1 frames of %2 x %3 pixels are more than a clip may have")
                        .arg(m_frames.size())
                        .arg(m_width)
                        .arg(m_height));

    // Decode everything once now, so that playing never meets a bad frame.
    m_canvas.resize(std::size_t(m_width) * std::size_t(m_height));
    resetCanvas();
    for (std::size_t i = 0; i < m_frames.size(); ++i) {
        QString error;
        if (!decode(m_frames[i], &error))
            return fail(QStringLiteral("frame %1: %2").arg(i + 1).arg(error));
    }
    m_decoded = int(m_frames.size()) - 1;
    return true;
}

bool AviReader::parseHeaderList(qsizetype begin, qsizetype end)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(m_data.constData());
    int streamNumber = 0;
    Chunk chunk;
    for (qsizetype pos = begin; end - pos >= 8; pos = chunk.next) {
        if (!readChunk(bytes, pos, end, &chunk))
            return fail(pastEnd(chunk, pos, "the header list"));
        if (chunk.id == kAvih && chunk.size >= 4) {
            m_headerMicroSeconds = readU32(bytes + chunk.data);
        } else if (chunk.id == kList && chunk.size >= 4 && readU32(bytes + chunk.data) == kStrl) {
            if (!parseStreamList(chunk.data + 4, chunk.data + chunk.size, streamNumber++))
                return false;
        }
    }
    return true;
}

bool AviReader::parseStreamList(qsizetype begin, qsizetype end, int streamNumber)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(m_data.constData());
    qsizetype header = -1;
    qsizetype headerSize = 0;
    qsizetype format = -1;
    qsizetype formatSize = 0;
    Chunk chunk;
    for (qsizetype pos = begin; end - pos >= 8; pos = chunk.next) {
        if (!readChunk(bytes, pos, end, &chunk))
            return fail(pastEnd(chunk, pos, "a stream header list"));
        if (chunk.id == kStrh && header < 0) {
            header = chunk.data;
            headerSize = chunk.size;
        } else if (chunk.id == kStrf && format < 0) {
            format = chunk.data;
            formatSize = chunk.size;
        }
    }
    // Sound and any other stream are passed over; the first video stream is the clip.
    // Frame chunks name their stream in two decimal digits, hence the 100.
    if (m_videoStream >= 0 || header < 0 || headerSize < 32 || readU32(bytes + header) != kVids ||
        streamNumber >= 100)
        return true;
    if (format < 0)
        return fail(QStringLiteral("the video stream has no format"));
    if (!parseFormat(format, formatSize))
        return false;

    m_videoStream = streamNumber;
    const std::uint32_t digits =
        std::uint32_t('0' + streamNumber / 10) | std::uint32_t('0' + streamNumber % 10) << 8;
    m_frameIdCompressed = digits | std::uint32_t('d') << 16 | std::uint32_t('c') << 24;
    m_frameIdUncompressed = digits | std::uint32_t('d') << 16 | std::uint32_t('b') << 24;

    const std::uint64_t scale = readU32(bytes + header + 20);
    const std::uint64_t rate = readU32(bytes + header + 24);
    if (scale != 0 && rate != 0) {
        const std::uint64_t micro = (scale * 1000000 + rate / 2) / rate;
        m_microSecondsPerFrame = quint32(std::min<std::uint64_t>(micro, 0xffffffffu));
    }
    return true;
}

bool AviReader::parseFormat(qsizetype begin, qsizetype size)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(m_data.constData()) + begin;
    if (size < 40)
        return fail(QStringLiteral("the video format is %1 bytes, too short").arg(size));
    const qsizetype headerSize = readU32(p);
    if (headerSize < 40 || headerSize > size)
        return fail(
            QStringLiteral("the video format header of %1 bytes does not fit its chunk").arg(headerSize));
    const qint64 width = readS32(p + 4);
    const qint64 height = readS32(p + 8);
    const int bitCount = readU16(p + 14);
    const std::uint32_t compression = readU32(p + 16);
    const std::uint32_t colorsUsed = readU32(p + 32);

    if (compression == kBiRle8) {
        if (bitCount != 8)
            return fail(QStringLiteral("RLE8 frames with %1 bits per pixel").arg(bitCount));
    } else if (compression == kBiRgb) {
        if (bitCount != 8 && bitCount != 24 && bitCount != 32)
            return fail(
                QStringLiteral("uncompressed frames with %1 bits per pixel are not supported").arg(bitCount));
    } else {
        return fail(QStringLiteral("the compression %1 is not supported").arg(fourccText(compression)));
    }
    const qint64 rows = height < 0 ? -height : height;
    if (width <= 0 || rows == 0)
        return fail(QStringLiteral("the frame size %1 x %2 is empty").arg(width).arg(height));
    if (width > m_limits.maxWidth || rows > m_limits.maxHeight)
        return fail(QStringLiteral("the frame size %1 x %2 is larger than %3 x %4")
                        .arg(width)
                        .arg(rows)
                        .arg(m_limits.maxWidth)
                        .arg(m_limits.maxHeight));
    if (compression == kBiRle8 && height < 0)
        return fail(QStringLiteral("RLE8 frames cannot be stored top-down"));

    m_width = int(width);
    m_height = int(rows);
    m_topDown = height < 0;
    m_bitCount = bitCount;
    m_compression = compression;
    m_palette.fill(opaque(0, 0, 0));
    if (bitCount == 8) {
        const qsizetype wanted = colorsUsed == 0 ? 256 : std::min<qsizetype>(colorsUsed, 256);
        const qsizetype present = std::min(wanted, (size - headerSize) / 4);
        if (present == 0)
            return fail(QStringLiteral("8-bit frames without a palette"));
        for (qsizetype i = 0; i < present; ++i) {
            const std::uint8_t *entry = p + headerSize + 4 * i;
            m_palette[std::size_t(i)] = opaque(entry[2], entry[1], entry[0]);
        }
    }
    return true;
}

bool AviReader::isFrameChunk(std::uint32_t id) const
{
    return id == m_frameIdCompressed || id == m_frameIdUncompressed;
}

bool AviReader::addFrame(qsizetype offset, qsizetype size)
{
    if (qsizetype(m_frames.size()) >= m_limits.maxFrames)
        return fail(QStringLiteral("the clip has more than %1 frames").arg(m_limits.maxFrames));
    m_frames.push_back({offset, size});
    return true;
}

bool AviReader::framesFromIndex(qsizetype begin, qsizetype size, bool *usable)
{
    // Index offsets count from the 'movi' list type as a rule and from the start of
    // the file in some writers: the first frame entry tells which. An index that does
    // not match the chunks is set aside for a scan of 'movi'.
    *usable = false;
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(m_data.constData());
    const qsizetype firstChunk = m_moviBegin + 4;
    qsizetype base = -1;
    for (qsizetype entry = begin; entry + 16 <= begin + size; entry += 16) {
        const std::uint32_t id = readU32(bytes + entry);
        if (!isFrameChunk(id))
            continue;
        const qsizetype offset = readU32(bytes + entry + 8);
        const auto chunkAt = [&](qsizetype pos) {
            return pos >= firstChunk && m_moviEnd - pos >= 8 && readU32(bytes + pos) == id;
        };
        if (base < 0) {
            for (const qsizetype candidate : {m_moviBegin, qsizetype(0)}) {
                if (chunkAt(candidate + offset)) {
                    base = candidate;
                    break;
                }
            }
            if (base < 0)
                return true;
        }
        Chunk chunk;
        if (!chunkAt(base + offset) || !readChunk(bytes, base + offset, m_moviEnd, &chunk)) {
            m_frames.clear();
            return true;
        }
        if (!addFrame(chunk.data, chunk.size))
            return false;
    }
    *usable = !m_frames.empty();
    return true;
}

bool AviReader::framesFromScan(qsizetype begin, qsizetype end, int depth)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(m_data.constData());
    Chunk chunk;
    for (qsizetype pos = begin; end - pos >= 8; pos = chunk.next) {
        if (!readChunk(bytes, pos, end, &chunk))
            return fail(pastEnd(chunk, pos, "the 'movi' list"));
        if (chunk.id == kList && chunk.size >= 4 && depth < kMaxListDepth) {
            if (!framesFromScan(chunk.data + 4, chunk.data + chunk.size, depth + 1))
                return false;
        } else if (isFrameChunk(chunk.id)) {
            if (!addFrame(chunk.data, chunk.size))
                return false;
        }
    }
    return true;
}

std::span<const std::uint32_t> AviReader::frame(int index)
{
    if (index < 0 || index >= frameCount())
        return {};
    if (index < m_decoded) {
        resetCanvas();
        m_decoded = -1;
    }
    // Every frame decoded without fault when the clip was opened.
    QString ignored;
    while (m_decoded < index)
        decode(m_frames[std::size_t(++m_decoded)], &ignored);
    return m_canvas;
}

void AviReader::resetCanvas()
{
    // Pixels that the first RLE frame skips show the palette's first colour.
    std::fill(m_canvas.begin(), m_canvas.end(), m_bitCount == 8 ? m_palette[0] : opaque(0, 0, 0));
}

bool AviReader::decode(const FrameData &frame, QString *error)
{
    const auto *data = reinterpret_cast<const std::uint8_t *>(m_data.constData()) + frame.offset;
    // An empty chunk shows the frame before once more.
    if (frame.size == 0)
        return true;
    if (m_compression == kBiRle8)
        return decodeRle8(data, frame.size, error);
    return decodeUncompressed(data, frame.size, error);
}

bool AviReader::decodeUncompressed(const std::uint8_t *data, qsizetype size, QString *error)
{
    // Rows are padded to four bytes.
    const qsizetype stride = (qsizetype(m_width) * m_bitCount + 31) / 32 * 4;
    if (size < stride * m_height) {
        *error = QStringLiteral("%1 bytes of pixels where %2 are needed").arg(size).arg(stride * m_height);
        return false;
    }
    for (int row = 0; row < m_height; ++row) {
        const std::uint8_t *src = data + stride * row;
        const int destRow = m_topDown ? row : m_height - 1 - row;
        std::uint32_t *dst = m_canvas.data() + std::size_t(destRow) * std::size_t(m_width);
        for (int x = 0; x < m_width; ++x) {
            switch (m_bitCount) {
            case 8:
                dst[x] = m_palette[src[x]];
                break;
            case 24:
                dst[x] = opaque(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            default:
                dst[x] = opaque(src[4 * x + 2], src[4 * x + 1], src[4 * x]);
                break;
            }
        }
    }
    return true;
}

bool AviReader::decodeRle8(const std::uint8_t *data, qsizetype size, QString *error)
{
    // x counts from the left, y from the bottom row up. Whatever the frame does not
    // paint keeps the frame before, which is how delta frames work. Some encoders run
    // on into the row's padding: pixels past the right edge are dropped. Painting or
    // moving above the top row is damage.
    int x = 0;
    int y = 0;
    const auto paint = [&](int count, auto colourOf) {
        const int shown = std::min(count, m_width - x);
        std::uint32_t *dst =
            m_canvas.data() + std::size_t(m_height - 1 - y) * std::size_t(m_width) + std::size_t(x);
        for (int i = 0; i < shown; ++i)
            dst[i] = colourOf(i);
        x += shown;
    };
    const auto aboveTop = [&]() {
        *error = QStringLiteral("pixels above the top row");
        return false;
    };
    qsizetype pos = 0;
    while (size - pos >= 2) {
        const int count = data[pos];
        const int code = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (y >= m_height)
                return aboveTop();
            paint(count, [&](int) { return m_palette[code]; });
        } else if (code == 0) { // end of line
            if (y >= m_height)
                return aboveTop();
            x = 0;
            ++y;
        } else if (code == 1) { // end of bitmap
            return true;
        } else if (code == 2) { // move right and up
            if (size - pos < 2) {
                *error = QStringLiteral("a move cut short");
                return false;
            }
            const int up = data[pos + 1];
            if (up > m_height - y)
                return aboveTop();
            x = std::min(x + data[pos], m_width);
            y += up;
            pos += 2;
        } else { // a literal run of `code` pixels, padded to an even length
            if (size - pos < code) {
                *error = QStringLiteral("a run of %1 literal pixels cut short").arg(code);
                return false;
            }
            if (y >= m_height)
                return aboveTop();
            const std::uint8_t *literal = data + pos;
            paint(code, [&](int i) { return m_palette[literal[i]]; });
            pos += code + (code & 1);
        }
    }
    // Data that ends without an end-of-bitmap mark ends the frame all the same.
    return true;
}

} // namespace platform
