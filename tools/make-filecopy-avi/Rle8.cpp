#include "Rle8.h"

#include <algorithm>

namespace clipmaker {

namespace {

// Skipping costs a four-byte move, so unchanged gaps shorter than this are written.
constexpr int kShortestSkip = 6;

void put(QByteArray &out, int a, int b)
{
    out += char(a);
    out += char(b);
}

// Runs of two or more equal pixels become counted runs; stretches of differing pixels
// become literal runs (three or more, padded to an even length) or single runs.
void encodePixels(QByteArray &out, const std::uint8_t *pixels, int count)
{
    int i = 0;
    while (i < count) {
        int run = 1;
        while (i + run < count && run < 255 && pixels[i + run] == pixels[i])
            ++run;
        if (run >= 2) {
            put(out, run, pixels[i]);
            i += run;
            continue;
        }
        int end = i;
        while (end < count && end - i < 255 &&
               !(end + 2 < count && pixels[end] == pixels[end + 1] && pixels[end] == pixels[end + 2]))
            ++end;
        const int literal = end - i;
        if (literal >= 3) {
            put(out, 0, literal);
            out.append(reinterpret_cast<const char *>(pixels + i), literal);
            if (literal % 2)
                out += '\0';
        } else {
            for (int k = i; k < end; ++k)
                put(out, 1, pixels[k]);
        }
        i = end;
    }
}

void move(QByteArray &out, int right, int up)
{
    while (right > 0 || up > 0) {
        const int dx = std::min(right, 255);
        const int dy = std::min(up, 255);
        put(out, 0, 2);
        put(out, dx, dy);
        right -= dx;
        up -= dy;
    }
}

const std::uint8_t *rowOf(const IndexedImage &image, int fromBottom)
{
    return image.pixels.data() + std::size_t(image.height - 1 - fromBottom) * std::size_t(image.width);
}

} // namespace

QByteArray encodeRle8(const IndexedImage &image)
{
    QByteArray out;
    for (int y = 0; y < image.height; ++y) {
        encodePixels(out, rowOf(image, y), image.width);
        if (y + 1 < image.height)
            put(out, 0, 0); // end of line
    }
    put(out, 0, 1); // end of bitmap
    return out;
}

QByteArray encodeRle8Delta(const IndexedImage &image, const IndexedImage &previous)
{
    QByteArray out;
    int x = 0;
    int y = 0;
    for (int row = 0; row < image.height; ++row) {
        const std::uint8_t *now = rowOf(image, row);
        const std::uint8_t *before = rowOf(previous, row);
        int start = 0;
        while (true) {
            while (start < image.width && now[start] == before[start])
                ++start;
            if (start == image.width)
                break;
            // The changed stretch ends where a long enough unchanged gap begins.
            int end = start + 1;
            for (int gap = 0; end + gap < image.width && gap < kShortestSkip;) {
                if (now[end + gap] != before[end + gap]) {
                    end += gap + 1;
                    gap = 0;
                } else {
                    ++gap;
                }
            }
            if (row == y && start >= x) {
                move(out, start - x, 0);
            } else if (start >= x) {
                move(out, start - x, row - y);
            } else {
                put(out, 0, 0); // end of line: back to the left, one row up
                move(out, start, row - y - 1);
            }
            encodePixels(out, now + start, end - start);
            x = end;
            y = row;
            start = end;
        }
    }
    put(out, 0, 1);
    return out;
}

} // namespace clipmaker
