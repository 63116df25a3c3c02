#include "AviWriter.h"

#include <algorithm>
#include <cstdlib>

#include <QtEndian>

namespace clipmaker {

namespace {

void put32(QByteArray &out, std::uint32_t value)
{
    char bytes[4];
    qToLittleEndian<quint32>(value, bytes);
    out.append(bytes, 4);
}

void put16(QByteArray &out, std::uint16_t value)
{
    char bytes[2];
    qToLittleEndian<quint16>(value, bytes);
    out.append(bytes, 2);
}

void putId(QByteArray &out, const char (&id)[5])
{
    out.append(id, 4);
}

constexpr std::uint32_t kHasIndex = 0x10;
constexpr std::uint32_t kKeyFrame = 0x10;

} // namespace

QByteArray chunk(const char (&id)[5], const QByteArray &data)
{
    QByteArray out;
    putId(out, id);
    put32(out, std::uint32_t(data.size()));
    out += data;
    if (data.size() % 2)
        out += '\0';
    return out;
}

QByteArray list(const char (&type)[5], const QByteArray &contents)
{
    QByteArray data;
    putId(data, type);
    return chunk("LIST", data + contents);
}

QByteArray riff(const char (&type)[5], const QByteArray &contents)
{
    QByteArray data;
    putId(data, type);
    return chunk("RIFF", data + contents);
}

QByteArray bitmapFormat(const AviVideo &video)
{
    const int rows = std::abs(video.height);
    const std::uint32_t stride = std::uint32_t((video.width * video.bitCount + 31) / 32 * 4);
    QByteArray out;
    put32(out, 40);
    put32(out, std::uint32_t(video.width));
    put32(out, std::uint32_t(video.height));
    put16(out, 1); // planes
    put16(out, std::uint16_t(video.bitCount));
    put32(out, video.compression);
    put32(out, video.compression == kBiRgb ? stride * std::uint32_t(rows) : 0);
    put32(out, 0); // pixels per metre, x and y
    put32(out, 0);
    put32(out, std::uint32_t(video.palette.size()));
    put32(out, 0); // colours important: all
    for (const std::uint32_t rgb : video.palette)
        put32(out, rgb & 0xffffff); // RGBQUAD: blue, green, red, 0
    return out;
}

static std::uint32_t largestFrame(const AviVideo &video)
{
    qsizetype largest = 0;
    for (const QByteArray &frame : video.frames)
        largest = std::max(largest, frame.size());
    return std::uint32_t(largest);
}

QByteArray videoStreamHeader(const AviVideo &video)
{
    QByteArray out;
    out.append("vids", 4);
    out.append(video.compression == kBiRle8 ? "mrle" : "DIB ", 4); // a hint; the format decides
    put32(out, 0);                                                 // flags
    put16(out, 0);                                                 // priority
    put16(out, 0);                                                 // language
    put32(out, 0);                                                 // initial frames
    put32(out, video.scale);
    put32(out, video.rate);
    put32(out, 0); // start
    put32(out, std::uint32_t(video.frames.size()));
    put32(out, largestFrame(video));
    put32(out, 0xffffffffu); // quality: default
    put32(out, 0);           // sample size: varies
    put16(out, 0);           // frame rectangle
    put16(out, 0);
    put16(out, std::uint16_t(video.width));
    put16(out, std::uint16_t(std::abs(video.height)));
    return out;
}

QByteArray writeAvi(const AviVideo &video)
{
    const std::uint32_t microSeconds =
        video.rate ? std::uint32_t((std::uint64_t(video.scale) * 1000000 + video.rate / 2) / video.rate) : 0;
    QByteArray mainHeader;
    put32(mainHeader, microSeconds);
    put32(mainHeader, largestFrame(video) * (video.scale ? video.rate / video.scale + 1 : 1));
    put32(mainHeader, 0); // padding granularity
    put32(mainHeader, video.index == IndexOffsets::None ? 0 : kHasIndex);
    put32(mainHeader, std::uint32_t(video.frames.size()));
    put32(mainHeader, 0); // initial frames
    put32(mainHeader, 1); // streams
    put32(mainHeader, largestFrame(video));
    put32(mainHeader, std::uint32_t(video.width));
    put32(mainHeader, std::uint32_t(std::abs(video.height)));
    for (int i = 0; i < 4; ++i)
        put32(mainHeader, 0);

    const QByteArray header =
        list("hdrl", chunk("avih", mainHeader) + list("strl", chunk("strh", videoStreamHeader(video)) +
                                                                  chunk("strf", bitmapFormat(video))));

    const bool uncompressed = video.compression == kBiRgb;
    QByteArray movi;
    QByteArray index;
    // 'RIFF' size 'AVI ', the header, then 'LIST' size: the 'movi' type follows.
    const qsizetype moviType = 12 + header.size() + 8;
    for (std::size_t i = 0; i < video.frames.size(); ++i) {
        const qsizetype offset = 4 + movi.size(); // from the 'movi' type to the chunk
        const QByteArray frameChunk =
            uncompressed ? chunk("00db", video.frames[i]) : chunk("00dc", video.frames[i]);
        movi += frameChunk;
        index.append(frameChunk.constData(), 4);
        put32(index, uncompressed || i == 0 ? kKeyFrame : 0);
        put32(index, std::uint32_t(video.index == IndexOffsets::FromFile ? moviType + offset : offset));
        put32(index, std::uint32_t(video.frames[i].size()));
    }
    QByteArray contents = header + list("movi", movi);
    if (video.index != IndexOffsets::None)
        contents += chunk("idx1", index);
    return riff("AVI ", contents);
}

} // namespace clipmaker
