#include "AviTestClips.h"

#include <cstdlib>

#include <QtEndian>

namespace avitest {

std::uint32_t expectedPixel(int bitCount, int x, int y, int frame)
{
    if (bitCount == 8)
        return opaque(kFourColours[std::size_t((x + 2 * y + frame) % 4)]);
    const std::uint32_t r = std::uint32_t(x * 37 + frame * 11) & 0xff;
    const std::uint32_t g = std::uint32_t(y * 53 + 1) & 0xff;
    const std::uint32_t b = std::uint32_t(x * y + 3 * frame) & 0xff;
    return 0xff000000u | r << 16 | g << 8 | b;
}

clipmaker::AviVideo patternClip(int bitCount, int width, int height, int frames)
{
    clipmaker::AviVideo video;
    video.width = width;
    video.height = height;
    video.bitCount = bitCount;
    video.compression = clipmaker::kBiRgb;
    if (bitCount == 8)
        video.palette = kFourColours;
    const int rows = std::abs(height);
    const int stride = (width * bitCount + 31) / 32 * 4;
    for (int f = 0; f < frames; ++f) {
        QByteArray data(stride * rows, char(0xee));
        for (int stored = 0; stored < rows; ++stored) {
            const int y = height < 0 ? stored : rows - 1 - stored;
            char *row = data.data() + stride * stored;
            for (int x = 0; x < width; ++x) {
                const std::uint32_t argb = expectedPixel(bitCount, x, y, f);
                if (bitCount == 8) {
                    row[x] = char((x + 2 * y + f) % 4);
                } else {
                    char *px = row + x * (bitCount / 8);
                    px[0] = char(argb & 0xff);
                    px[1] = char(argb >> 8 & 0xff);
                    px[2] = char(argb >> 16 & 0xff);
                    if (bitCount == 32)
                        px[3] = char(0x5a);
                }
            }
        }
        video.frames.push_back(data);
    }
    return video;
}

clipmaker::AviVideo rleClip(int width, int height, std::vector<QByteArray> frames)
{
    clipmaker::AviVideo video;
    video.width = width;
    video.height = height;
    video.bitCount = 8;
    video.compression = clipmaker::kBiRle8;
    video.palette = kFourColours;
    video.frames = std::move(frames);
    return video;
}

std::uint32_t u32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

void setU32(QByteArray &bytes, qsizetype at, std::uint32_t value)
{
    qToLittleEndian<quint32>(value, bytes.data() + at);
}

qsizetype find(const QByteArray &bytes, const char *fourcc)
{
    return bytes.indexOf(QByteArray(fourcc, 4));
}

qsizetype formatField(const QByteArray &bytes, int offsetInHeader)
{
    return find(bytes, "strf") + 8 + offsetInHeader;
}

} // namespace avitest
