#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

#include "Rle8.h"

// The clip that the creation page shows while files are copied: a sheet of paper
// flies in an arc out of one folder and into another, on the grey of a classic dialog.
namespace clipmaker {

struct FilecopyClip
{
    static constexpr int kWidth = 272;
    static constexpr int kHeight = 60;
    static constexpr int kFrames = 20;
    static constexpr int kFramesPerSecond = 12;

    std::vector<std::uint32_t> palette; // 0xRRGGBB; the background is entry 0
    std::vector<IndexedImage> frames;
};

FilecopyClip drawFilecopyClip();

// The clip as an RLE8 AVI: the first frame whole, every later one as the change
// from the frame before.
QByteArray filecopyAvi(const FilecopyClip &clip);

} // namespace clipmaker
