#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

// Writes silent AVI clips: RIFF 'AVI ' with one video stream, its frames in 'movi'
// and an 'idx1' index. The chunk helpers are public so that odd files can be put
// together from the same pieces.
namespace clipmaker {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;

enum class IndexOffsets
{
    FromMovi, // counted from the 'movi' list type, as most writers do
    FromFile, // counted from the start of the file, as some writers do
    None,     // no index: readers have to scan 'movi'
};

struct AviVideo
{
    int width = 0;
    int height = 0; // negative for rows stored top row first
    int bitCount = 8;
    std::uint32_t compression = kBiRle8;
    std::vector<std::uint32_t> palette; // 0xRRGGBB, written as the format's colour table
    std::uint32_t rate = 12;            // frames per second = rate / scale
    std::uint32_t scale = 1;
    std::vector<QByteArray> frames; // the data of each frame chunk
    IndexOffsets index = IndexOffsets::FromMovi;
};

QByteArray chunk(const char (&id)[5], const QByteArray &data);
QByteArray list(const char (&type)[5], const QByteArray &contents);
QByteArray riff(const char (&type)[5], const QByteArray &contents);

// The 'strf' data of a video stream: a BITMAPINFOHEADER and the colour table.
QByteArray bitmapFormat(const AviVideo &video);
// The 'strh' data of a video stream.
QByteArray videoStreamHeader(const AviVideo &video);

QByteArray writeAvi(const AviVideo &video);

} // namespace clipmaker
