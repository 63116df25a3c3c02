#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

#include "AviWriter.h"

// Small clips whose every pixel the tests can predict, and the means to damage them.
namespace avitest {

// Uncompressed frames (8, 24 or 32 bits; negative height for top-down rows) whose
// pixels follow expectedPixel(). Row padding and the unused fourth byte of 32-bit
// pixels hold junk that a reader must ignore.
clipmaker::AviVideo patternClip(int bitCount, int width, int height, int frames);
std::uint32_t expectedPixel(int bitCount, int x, int y, int frame);

// An RLE8 clip with the four-colour palette below and the given frame data.
clipmaker::AviVideo rleClip(int width, int height, std::vector<QByteArray> frames);
inline const std::vector<std::uint32_t> kFourColours = {0x102030, 0xff0000, 0x00ff00, 0x0000ff};
inline std::uint32_t opaque(std::uint32_t rgb)
{
    return 0xff000000u | rgb;
}

std::uint32_t u32(const QByteArray &bytes, qsizetype at);
void setU32(QByteArray &bytes, qsizetype at, std::uint32_t value);
// Where the first chunk or list type with this four-character code starts.
qsizetype find(const QByteArray &bytes, const char *fourcc);
// The offset of a field of the BITMAPINFOHEADER inside 'strf'.
qsizetype formatField(const QByteArray &bytes, int offsetInHeader);

} // namespace avitest
