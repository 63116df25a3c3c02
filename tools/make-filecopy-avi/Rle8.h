#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

namespace clipmaker {

// An 8-bit picture: one palette index per pixel, top row first.
struct IndexedImage
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t at(int x, int y) const
    {
        return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
};

// BI_RLE8 data of a whole frame: every row, bottom row first.
QByteArray encodeRle8(const IndexedImage &image);

// BI_RLE8 data that turns `previous` into `image`: only the pixels that changed are
// written, the rest is skipped with moves. Both have the same size.
QByteArray encodeRle8Delta(const IndexedImage &image, const IndexedImage &previous);

} // namespace clipmaker
