// The AVI reader on clips whose pixels are known: built here, made by ffmpeg and
// ImageMagick, and damaged in every way the reader must refuse.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "AviReader.h"
#include "AviTestClips.h"
#include "AviWriter.h"

using namespace avitest;
using clipmaker::AviVideo;
using clipmaker::chunk;
using clipmaker::IndexOffsets;
using clipmaker::list;
using clipmaker::riff;
using clipmaker::writeAvi;
using platform::AviReader;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out += char(v);
    return out;
}

// Every pixel of every frame against the pattern of patternClip().
void expectPattern(AviReader &reader, int bitCount, int width, int height, int frames)
{
    ASSERT_EQ(reader.width(), width);
    ASSERT_EQ(reader.height(), height);
    ASSERT_EQ(reader.frameCount(), frames);
    for (int f = 0; f < frames; ++f) {
        const auto pixels = reader.frame(f);
        ASSERT_EQ(pixels.size(), std::size_t(width * height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(pixels[std::size_t(y * width + x)], expectedPixel(bitCount, x, y, f))
                    << "frame " << f << " pixel " << x << "," << y;
    }
}

std::vector<std::uint32_t> picture(const std::vector<std::vector<int>> &rows)
{
    std::vector<std::uint32_t> out;
    for (const auto &row : rows)
        for (const int index : row)
            out.push_back(opaque(kFourColours[std::size_t(index)]));
    return out;
}

std::vector<std::uint32_t> frameOf(AviReader &reader, int index)
{
    const auto pixels = reader.frame(index);
    return {pixels.begin(), pixels.end()};
}

QString refusal(const QByteArray &clip, const AviReader::Limits &limits = {})
{
    AviReader reader(limits);
    if (reader.openData(clip))
        return QString();
    EXPECT_FALSE(reader.isOpen());
    EXPECT_EQ(reader.frameCount(), 0);
    EXPECT_TRUE(reader.frame(0).empty());
    return reader.errorString();
}

} // namespace

TEST(AviReaderFormats, UncompressedDepthsAndRowOrders)
{
    // Widths 5 and 7 leave padding at the end of the 8- and 24-bit rows.
    for (const int bitCount : {8, 24, 32}) {
        for (const int height : {4, -4}) {
            SCOPED_TRACE(testing::Message() << bitCount << " bits, height " << height);
            const int width = bitCount == 24 ? 5 : 7;
            AviReader reader;
            ASSERT_TRUE(reader.openData(writeAvi(patternClip(bitCount, width, height, 3))))
                << reader.errorString().toStdString();
            expectPattern(reader, bitCount, width, 4, 3);
        }
    }
}

TEST(AviReaderFormats, PaletteShorterThan256ColoursLeavesTheRestBlack)
{
    AviVideo video = patternClip(8, 4, 1, 1);
    video.frames[0] = bytes({0, 3, 4, 255});
    AviReader reader;
    ASSERT_TRUE(reader.openData(writeAvi(video)));
    EXPECT_EQ(frameOf(reader, 0),
              (std::vector<std::uint32_t>{opaque(0x102030), opaque(0x0000ff), opaque(0), opaque(0)}));
}

TEST(AviReaderFormats, Rle8RunsMovesAndDeltaFrames)
{
    // Rows bottom first: counted runs, an odd literal run with its pad byte, an even
    // literal run, a move, end of line, end of bitmap.
    const QByteArray first = bytes({3, 1, 0, 3, 2, 3, 0, 0, 2, 2, 0, 0, // bottom row
                                    0, 2, 3, 0, 2, 3, 0, 0,             // middle row: skip 3, two blue
                                    0, 4, 1, 2, 3, 1, 4, 0, 0, 1});     // top row
    const QByteArray moveThenPaint = bytes({0, 2, 5, 1, 1, 1, 0, 1});   // one red pixel at (5, middle)
    const QByteArray noEndMark = bytes({1, 2});                         // one green pixel, bottom left
    AviReader reader;
    ASSERT_TRUE(reader.openData(writeAvi(rleClip(8, 3, {first, moveThenPaint, QByteArray(), noEndMark}))))
        << reader.errorString().toStdString();
    ASSERT_EQ(reader.frameCount(), 4);

    // Pixels the first frame skips show palette entry 0.
    const auto frame0 =
        picture({{1, 2, 3, 1, 0, 0, 0, 0}, {0, 0, 0, 3, 3, 0, 0, 0}, {1, 1, 1, 2, 3, 0, 2, 2}});
    const auto frame1 =
        picture({{1, 2, 3, 1, 0, 0, 0, 0}, {0, 0, 0, 3, 3, 1, 0, 0}, {1, 1, 1, 2, 3, 0, 2, 2}});
    const auto frame3 =
        picture({{1, 2, 3, 1, 0, 0, 0, 0}, {0, 0, 0, 3, 3, 1, 0, 0}, {2, 1, 1, 2, 3, 0, 2, 2}});
    EXPECT_EQ(frameOf(reader, 0), frame0);
    EXPECT_EQ(frameOf(reader, 1), frame1);
    EXPECT_EQ(frameOf(reader, 2), frame1); // an empty chunk repeats the frame before
    EXPECT_EQ(frameOf(reader, 3), frame3);
    // Going back replays from the first frame; skipping ahead applies the deltas between.
    EXPECT_EQ(frameOf(reader, 0), frame0);
    EXPECT_EQ(frameOf(reader, 3), frame3);
    EXPECT_EQ(frameOf(reader, 1), frame1);
}

TEST(AviReaderFormats, Rle8RunsPastTheRightEdgeAreCutThere)
{
    // Six red pixels in a row of four; on the top row a blue pixel at column 2 and five
    // literal greens after it: what does not fit is dropped and never spills over.
    const QByteArray frame = bytes({6, 1, 0, 0, 0, 2, 2, 0, 1, 3, 0, 5, 2, 2, 2, 2, 2, 0, 0, 1});
    AviReader reader;
    ASSERT_TRUE(reader.openData(writeAvi(rleClip(4, 2, {frame})))) << reader.errorString().toStdString();
    EXPECT_EQ(frameOf(reader, 0), picture({{0, 0, 3, 2}, {1, 1, 1, 1}}));
}

TEST(AviReaderFormats, FrameRateFromStreamHeaderElseMainHeader)
{
    AviVideo video = patternClip(24, 2, 2, 1);
    video.rate = 25;
    video.scale = 2;
    QByteArray clip = writeAvi(video);
    AviReader reader;
    ASSERT_TRUE(reader.openData(clip));
    EXPECT_EQ(reader.microSecondsPerFrame(), 80000u);

    const qsizetype strhRate = find(clip, "strh") + 8 + 24;
    const qsizetype avihMicroSeconds = find(clip, "avih") + 8;
    setU32(clip, strhRate, 0);
    setU32(clip, avihMicroSeconds, 123456);
    ASSERT_TRUE(reader.openData(clip));
    EXPECT_EQ(reader.microSecondsPerFrame(), 123456u);

    setU32(clip, avihMicroSeconds, 0);
    EXPECT_TRUE(refusal(clip).contains("frame rate"));
}

TEST(AviReaderIndex, OffsetsFromMoviFromFileOrNoIndexGiveTheSameFrames)
{
    for (const IndexOffsets index : {IndexOffsets::FromMovi, IndexOffsets::FromFile, IndexOffsets::None}) {
        AviVideo video = patternClip(24, 3, 2, 3);
        video.index = index;
        AviReader reader;
        ASSERT_TRUE(reader.openData(writeAvi(video))) << reader.errorString().toStdString();
        expectPattern(reader, 24, 3, 2, 3);
    }
}

TEST(AviReaderIndex, TheIndexDecidesTheOrderAndABadIndexIsSetAside)
{
    QByteArray clip = writeAvi(patternClip(24, 3, 2, 3));
    const qsizetype entries = find(clip, "idx1") + 8;
    // Swap the first and last entries: the index, not the order in 'movi', rules.
    QByteArray swapped = clip;
    swapped.replace(entries, 16, clip.mid(entries + 32, 16));
    swapped.replace(entries + 32, 16, clip.mid(entries, 16));
    AviReader reader;
    ASSERT_TRUE(reader.openData(swapped));
    EXPECT_EQ(reader.frame(0)[0], expectedPixel(24, 0, 0, 2));
    EXPECT_EQ(reader.frame(2)[0], expectedPixel(24, 0, 0, 0));

    // An entry that points nowhere sends the reader through 'movi' instead.
    QByteArray broken = clip;
    setU32(broken, entries + 16 + 8, 0x7ffffff0);
    ASSERT_TRUE(reader.openData(broken)) << reader.errorString().toStdString();
    expectPattern(reader, 24, 3, 2, 3);
}

TEST(AviReaderStructure, SoundStreamsJunkAndGroupedChunksArePassedOver)
{
    // Stream 00 is sound, so the video frames are '01db'; '00db' belongs to nobody.
    const AviVideo video = patternClip(24, 3, 2, 2);
    QByteArray sound =
        chunk("strh", QByteArray("auds") + QByteArray(52, '\0')) + chunk("strf", QByteArray(18, '\1'));
    QByteArray mainHeader(56, '\0');
    setU32(mainHeader, 0, 100000);
    const QByteArray header =
        list("hdrl", chunk("avih", mainHeader) + list("strl", sound) +
                         list("strl", chunk("strh", clipmaker::videoStreamHeader(video)) +
                                          chunk("strf", clipmaker::bitmapFormat(video))) +
                         chunk("JUNK", QByteArray(7, '\0')));
    const QByteArray movi =
        list("movi", chunk("00wb", QByteArray(11, '\3')) + chunk("JUNK", QByteArray(3, '\0')) +
                         list("rec ", chunk("01db", video.frames[0]) + chunk("00wb", QByteArray(5, '\3'))) +
                         chunk("01pc", QByteArray(8, '\0')) + chunk("00db", QByteArray(24, '\7')) +
                         chunk("01db", video.frames[1]));
    const QByteArray clip = riff("AVI ", header + list("INFO", chunk("ISFT", "test")) + movi);
    AviReader reader;
    ASSERT_TRUE(reader.openData(clip)) << reader.errorString().toStdString();
    expectPattern(reader, 24, 3, 2, 2);
}

TEST(AviReaderFixtures, ClipsMadeByFfmpegAndImageMagickDecodeToTheirSource)
{
    // The source of every fixture (fixtures/README.md): background #336699, a red
    // 3 x 2 box top left, and in frame n a green 2 x 2 box at (2 + 3n, 3).
    const auto source = [](int x, int y, int frame) -> std::uint32_t {
        if (x < 3 && y < 2)
            return 0xffff0000;
        if (y >= 3 && y < 5 && x >= 2 + 3 * frame && x < 4 + 3 * frame)
            return 0xff00ff00;
        return 0xff336699;
    };
    for (const char *name :
         {"rgb24-topdown.avi", "rgb24-bottomup.avi", "pal8-topdown.avi", "rle8-imagemagick.avi"}) {
        SCOPED_TRACE(name);
        AviReader reader;
        ASSERT_TRUE(reader.open(QStringLiteral(QUERNEL_SOURCE_DIR "/tests/animation/fixtures/") + name))
            << reader.errorString().toStdString();
        ASSERT_EQ(reader.width(), 10);
        ASSERT_EQ(reader.height(), 6);
        ASSERT_EQ(reader.frameCount(), 3);
        EXPECT_EQ(reader.microSecondsPerFrame(), 200000u);
        for (int f = 0; f < 3; ++f) {
            const auto pixels = reader.frame(f);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 10; ++x)
                    ASSERT_EQ(pixels[std::size_t(y * 10 + x)], source(x, y, f))
                        << "frame " << f << " at " << x << "," << y;
        }
    }
}

TEST(AviReaderBadInput, MissingFileNamesThePathAndTheReason)
{
    AviReader reader;
    EXPECT_FALSE(reader.open("/nonexistent-folder/filecopy.avi"));
    EXPECT_TRUE(reader.errorString().startsWith("/nonexistent-folder/filecopy.avi: "))
        << reader.errorString().toStdString();
    EXPECT_TRUE(reader.errorString().contains("No such file")) << reader.errorString().toStdString();
    EXPECT_FALSE(reader.isOpen());
}

TEST(AviReaderBadInput, EveryTruncationIsRefused)
{
    for (const AviVideo &video :
         {patternClip(8, 5, 3, 2), rleClip(4, 2, {bytes({4, 1, 0, 0, 4, 2, 0, 1})})}) {
        const QByteArray clip = writeAvi(video);
        ASSERT_TRUE(refusal(clip).isEmpty());
        for (qsizetype size = 0; size < clip.size(); ++size)
            ASSERT_FALSE(refusal(clip.left(size)).isEmpty()) << "cut to " << size << " bytes";
    }
}

TEST(AviReaderBadInput, ChunksRunningPastTheirEndAreRefused)
{
    const QByteArray good = writeAvi(patternClip(24, 3, 2, 2));
    const auto withSize = [&](const char *fourcc, std::uint32_t size) {
        QByteArray clip = good;
        setU32(clip, find(clip, fourcc) + 4, size);
        return refusal(clip);
    };
    EXPECT_TRUE(withSize("strf", 0x7ffffff0).contains("'strf'"));
    EXPECT_TRUE(withSize("avih", 0xffffffff).contains("'avih'"));
    EXPECT_TRUE(withSize("RIFF", 0xfffffff0).contains("cut short"));

    QByteArray clip = good;
    setU32(clip, find(clip, "movi") - 4, 0x7ffffff0); // the 'movi' list's size
    EXPECT_TRUE(refusal(clip).contains("'LIST'"));

    // A frame chunk too long for 'movi', with no index to go by.
    AviVideo video = patternClip(24, 3, 2, 2);
    video.index = IndexOffsets::None;
    clip = writeAvi(video);
    setU32(clip, find(clip, "00db") + 4, 0x1000);
    EXPECT_TRUE(refusal(clip).contains("'00db'"));
}

TEST(AviReaderBadInput, AbsurdFrameSizesAreRefused)
{
    const QByteArray good = writeAvi(patternClip(24, 3, 2, 1));
    const qsizetype width = formatField(good, 4);
    const qsizetype height = formatField(good, 8);
    for (const auto &[at, value] :
         std::vector<std::pair<qsizetype, std::uint32_t>>{{width, 4097},
                                                          {height, 4097},
                                                          {height, std::uint32_t(-4097)},
                                                          {width, 0},
                                                          {width, 0xffffffff},
                                                          {height, 0},
                                                          {height, 0x80000000},
                                                          {width, 0x80000000}}) {
        QByteArray clip = good;
        setU32(clip, at, value);
        EXPECT_TRUE(refusal(clip).contains("frame size")) << (at == width ? "width " : "height ") << value;
    }
}

TEST(AviReaderBadInput, FrameCountsAreCountedNotBelieved)
{
    const QByteArray emptyFrame = bytes({0, 1});
    // 10,000 frames are the most a clip may have.
    EXPECT_TRUE(refusal(writeAvi(rleClip(1, 1, std::vector<QByteArray>(10000, emptyFrame)))).isEmpty());
    EXPECT_TRUE(refusal(writeAvi(rleClip(1, 1, std::vector<QByteArray>(10001, emptyFrame))))
                    .contains("more than 10000"));
    AviVideo unindexed = rleClip(1, 1, std::vector<QByteArray>(10001, emptyFrame));
    unindexed.index = IndexOffsets::None;
    EXPECT_TRUE(refusal(writeAvi(unindexed)).contains("more than 10000"));

    // Header counts that claim billions of frames change nothing.
    QByteArray clip = writeAvi(patternClip(24, 3, 2, 2));
    setU32(clip, find(clip, "avih") + 8 + 16, 0xffffffff); // total frames
    setU32(clip, find(clip, "avih") + 8 + 28, 0xffffffff); // suggested buffer size
    setU32(clip, find(clip, "strh") + 8 + 32, 0xffffffff); // length
    AviReader reader;
    ASSERT_TRUE(reader.openData(clip));
    EXPECT_EQ(reader.frameCount(), 2);

    // Large frames times many frames: the limit on the whole clip.
    EXPECT_TRUE(refusal(writeAvi(rleClip(4096, 4096, std::vector<QByteArray>(16, emptyFrame)))).isEmpty());
    EXPECT_TRUE(refusal(writeAvi(rleClip(4096, 4096, std::vector<QByteArray>(17, emptyFrame))))
                    .contains("more than a clip"));
}

TEST(AviReaderBadInput, FilesOverTheSizeLimitAreRefusedBeforeReading)
{
    const QByteArray clip = writeAvi(patternClip(24, 16, 16, 2));
    AviReader::Limits limits;
    limits.maxFileBytes = clip.size() - 1;
    EXPECT_TRUE(refusal(clip, limits).contains("more than"));

    QTemporaryDir dir;
    QFile file(dir.filePath("big.avi"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(clip);
    file.close();
    AviReader reader(limits);
    EXPECT_FALSE(reader.open(file.fileName()));
    EXPECT_TRUE(reader.errorString().contains("more than")) << reader.errorString().toStdString();
    // A device that never ends is read no further than the limit.
    EXPECT_FALSE(reader.open("/dev/zero"));
    EXPECT_TRUE(reader.errorString().contains("more than")) << reader.errorString().toStdString();

    limits.maxFileBytes = clip.size();
    AviReader roomy(limits);
    EXPECT_TRUE(roomy.open(file.fileName())) << roomy.errorString().toStdString();
}

TEST(AviReaderBadInput, RleThatLeavesTheFrameIsRefused)
{
    const std::vector<std::pair<const char *, QByteArray>> cases = {
        {"above the top", bytes({1, 1, 0, 0, 1, 1, 0, 0, 1, 1})}, // a third row in a frame of two
        {"above the top", bytes({0, 2, 0, 3, 1, 1})},             // a move up past the top
        {"above the top", bytes({0, 0, 0, 0, 0, 0})},             // three ends of line
        {"above the top", bytes({0, 0, 0, 0, 0, 3, 1, 1, 1, 0})}, // a literal run above the top
        {"literal pixels cut short", bytes({0, 5, 1, 2})},
        {"move cut short", bytes({0, 2, 1})},
    };
    for (const auto &[reason, frame] : cases) {
        const QString error = refusal(writeAvi(rleClip(4, 2, {bytes({0, 1}), frame})));
        EXPECT_TRUE(error.startsWith("frame 2: ")) << error.toStdString();
        EXPECT_TRUE(error.contains(reason)) << error.toStdString();
    }
}

TEST(AviReaderBadInput, UnsupportedFormatsAreRefused)
{
    const QByteArray rgb = writeAvi(patternClip(24, 3, 2, 1));
    const QByteArray rle = writeAvi(rleClip(3, 2, {bytes({0, 1})}));
    const auto patched = [](QByteArray clip, int field, std::uint32_t value, int size = 4) {
        if (size == 2)
            clip[formatField(clip, field)] = char(value); // biBitCount, low byte
        else
            setU32(clip, formatField(clip, field), value);
        return refusal(clip);
    };
    EXPECT_TRUE(patched(rgb, 16, 0x44495658).contains("'XVID'")); // compression
    EXPECT_TRUE(patched(rgb, 16, 2).contains("compression 2"));   // RLE4
    EXPECT_TRUE(patched(rgb, 16, 3).contains("compression 3"));   // bit fields
    EXPECT_TRUE(patched(rgb, 14, 16, 2).contains("16 bits per pixel"));
    EXPECT_TRUE(patched(rle, 14, 24, 2).contains("RLE8 frames with 24 bits"));
    EXPECT_TRUE(patched(rle, 8, std::uint32_t(-2)).contains("top-down"));

    AviVideo noPalette = patternClip(8, 3, 2, 1);
    noPalette.palette.clear();
    EXPECT_TRUE(refusal(writeAvi(noPalette)).contains("without a palette"));
}

TEST(AviReaderBadInput, MissingPartsAreRefused)
{
    const QByteArray good = writeAvi(patternClip(24, 3, 2, 2));
    const auto renamed = [&](const char *from, const char *to) {
        QByteArray clip = good;
        clip.replace(find(clip, from), 4, to);
        return refusal(clip);
    };
    EXPECT_TRUE(renamed("RIFF", "RIFX").contains("not an AVI"));
    EXPECT_TRUE(renamed("AVI ", "WAVE").contains("not an AVI"));
    EXPECT_TRUE(renamed("hdrl", "hdrx").contains("no header list"));
    EXPECT_TRUE(renamed("vids", "auds").contains("no video stream"));
    EXPECT_TRUE(renamed("strf", "strx").contains("no format"));
    EXPECT_TRUE(renamed("movi", "mova").contains("no 'movi'"));
    EXPECT_TRUE(refusal(QByteArray()).contains("not an AVI"));
    EXPECT_TRUE(refusal(writeAvi(patternClip(24, 3, 2, 0))).contains("no frames"));

    AviVideo shortFrame = patternClip(24, 3, 2, 2);
    shortFrame.frames[1].chop(1);
    EXPECT_EQ(refusal(writeAvi(shortFrame)), "frame 2: 23 bytes of pixels where 24 are needed");
}
