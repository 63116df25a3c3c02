// The clip generator: its RLE8 encoder and its clip, read back through the AVI reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include <QFile>

#include "AviReader.h"
#include "AviWriter.h"
#include "FilecopyClip.h"
#include "Rle8.h"

using namespace clipmaker;
using platform::AviReader;

namespace {

const std::vector<std::uint32_t> kGreys = [] {
    std::vector<std::uint32_t> palette;
    for (std::uint32_t i = 0; i < 256; ++i)
        palette.push_back(i << 16 | i << 8 | i);
    return palette;
}();

// Reads RLE8 frame data back with the reader and compares every pixel.
void expectDecodesTo(const std::vector<QByteArray> &frames, const std::vector<IndexedImage> &images,
                     const std::vector<std::uint32_t> &palette)
{
    AviVideo video;
    video.width = images[0].width;
    video.height = images[0].height;
    video.palette = palette;
    video.frames = frames;
    AviReader reader;
    ASSERT_TRUE(reader.openData(writeAvi(video))) << reader.errorString().toStdString();
    ASSERT_EQ(reader.frameCount(), int(images.size()));
    for (std::size_t f = 0; f < images.size(); ++f) {
        const auto pixels = reader.frame(int(f));
        for (std::size_t i = 0; i < images[f].pixels.size(); ++i)
            ASSERT_EQ(pixels[i], 0xff000000u | palette[images[f].pixels[i]])
                << "frame " << f << " pixel " << i;
    }
}

IndexedImage blank(int width, int height, std::uint8_t index)
{
    return {width, height, std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height), index)};
}

} // namespace

TEST(Rle8Encoder, RunsLiteralsAndLongRows)
{
    // 600 pixels a row: runs longer than 255, literal stretches longer than 255,
    // short literals, pairs, and odd lengths.
    IndexedImage image = blank(600, 3, 0);
    for (int x = 0; x < 600; ++x) {
        image.pixels[std::size_t(x)] = std::uint8_t(x < 300 ? 7 : x % 251);
        image.pixels[std::size_t(600 + x)] = std::uint8_t((x / 2) % 3);
        image.pixels[std::size_t(1200 + x)] = std::uint8_t(x % 7 == 0 ? 9 : 4);
    }
    expectDecodesTo({encodeRle8(image)}, {image}, kGreys);
    // Every pixel of a frame of one colour in runs of at most 255, and nothing else.
    EXPECT_EQ(encodeRle8(blank(300, 1, 5)), QByteArray("\xff\x05\x2d\x05\x00\x01", 6));
}

TEST(Rle8Encoder, DeltaFramesWriteOnlyWhatChanged)
{
    const IndexedImage before = blank(600, 300, 1);
    IndexedImage after = before;
    // Changes far apart force moves of more than 255 in both directions, a change left
    // of the last one on a later row forces an end of line, and a short gap is written over.
    for (const auto &[x, y] :
         std::vector<std::pair<int, int>>{{590, 299}, {5, 290}, {560, 10}, {563, 10}, {2, 0}})
        after.pixels[std::size_t(y) * 600 + std::size_t(x)] = 200;
    expectDecodesTo({encodeRle8(before), encodeRle8Delta(after, before)}, {before, after}, kGreys);
    EXPECT_EQ(encodeRle8Delta(before, before), QByteArray("\x00\x01", 2));
}

TEST(FilecopyClip, RoundTripThroughTheReader)
{
    const FilecopyClip clip = drawFilecopyClip();
    ASSERT_EQ(clip.frames.size(), std::size_t(FilecopyClip::kFrames));
    AviReader reader;
    ASSERT_TRUE(reader.openData(filecopyAvi(clip))) << reader.errorString().toStdString();
    EXPECT_EQ(reader.width(), 272);
    EXPECT_EQ(reader.height(), 60);
    EXPECT_EQ(reader.frameCount(), 20);
    EXPECT_EQ(reader.microSecondsPerFrame(), 83333u); // 12 frames a second

    // In order, then the last frame again after a jump back to the middle.
    std::vector<int> order(20);
    std::iota(order.begin(), order.end(), 0);
    order.insert(order.end(), {9, 19});
    for (const int f : order) {
        const auto pixels = reader.frame(f);
        const IndexedImage &drawn = clip.frames[std::size_t(f)];
        for (std::size_t i = 0; i < drawn.pixels.size(); ++i)
            ASSERT_EQ(pixels[i], 0xff000000u | clip.palette[drawn.pixels[i]])
                << "frame " << f << " pixel " << i;
    }
}

TEST(FilecopyClip, ThePaperMovesOnTheDialogGrey)
{
    const FilecopyClip clip = drawFilecopyClip();
    EXPECT_EQ(clip.palette[0], 0xc0c0c0u);
    // The corners are background in every frame, so the control can leave them out.
    for (const IndexedImage &frame : clip.frames) {
        EXPECT_EQ(frame.at(0, 0), 0);
        EXPECT_EQ(frame.at(271, 59), 0);
    }
    // The sheet's black outline, the only black in the picture, sits further right from
    // frame to frame while the sheet is out of the folders.
    int lastLeftmost = -1;
    for (std::size_t f = 2; f + 2 < clip.frames.size(); ++f) {
        int leftmost = 272;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 272; ++x)
                if (clip.palette[clip.frames[f].at(x, y)] == 0x000000)
                    leftmost = std::min(leftmost, x);
        EXPECT_GT(leftmost, lastLeftmost) << "frame " << f;
        lastLeftmost = leftmost;
    }
}

TEST(FilecopyClip, TheBuildPlacedTheGeneratedClipInTheProgramFolder)
{
    QFile file(QStringLiteral(QUERNEL_PROGRAM_DIR "/filecopy.avi"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.errorString().toStdString();
    EXPECT_EQ(file.readAll(), filecopyAvi(drawFilecopyClip()));
}
