#include "FilecopyClip.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QImage>
#include <QPainter>
#include <QPolygon>

#include "AviWriter.h"

namespace clipmaker {

namespace {

// Few flat colours, drawn without smoothing, so every pixel is one palette entry.
enum Colour : std::uint8_t
{
    Background,
    Black,
    White,
    Shadow,
    FolderFront,
    FolderBack,
    FolderEdge,
    Writing,
    PaperShade,
    FolderInside,
    ColourCount
};

const std::uint32_t kPalette[ColourCount] = {
    0xc0c0c0, // Background: the face of a classic dialog
    0x000000, // Black
    0xffffff, // White
    0x808080, // Shadow
    0xf8d868, // FolderFront
    0xe0b040, // FolderBack
    0x806020, // FolderEdge
    0x2040a0, // Writing
    0xd8d8d8, // PaperShade
    0xa07820, // FolderInside
};

QColor colour(Colour c)
{
    return QColor::fromRgb(kPalette[c]);
}

struct Folder
{
    int left;
    int bottom;
};

constexpr int kFolderWidth = 46;

void drawFolderBack(QPainter &p, const Folder &f)
{
    const int l = f.left;
    const int b = f.bottom;
    p.setPen(colour(FolderEdge));
    p.setBrush(colour(FolderBack));
    // The back panel with its tab.
    p.drawPolygon(QPolygon({{l, b},
                            {l, b - 30},
                            {l + 3, b - 34},
                            {l + 16, b - 34},
                            {l + 19, b - 30},
                            {l + kFolderWidth - 4, b - 30},
                            {l + kFolderWidth - 4, b}}));
    p.setPen(Qt::NoPen);
    p.setBrush(colour(FolderInside));
    p.drawRect(l + 2, b - 26, kFolderWidth - 8, 3);
}

void drawFolderFront(QPainter &p, const Folder &f)
{
    const int l = f.left;
    const int b = f.bottom;
    // The front flap leans towards the viewer, so its top edge sits lower and further right.
    p.setPen(colour(FolderEdge));
    p.setBrush(colour(FolderFront));
    p.drawPolygon(QPolygon({{l, b}, {l + 8, b - 20}, {l + kFolderWidth, b - 20}, {l + kFolderWidth - 4, b}}));
    p.setPen(colour(White));
    p.drawLine(l + 9, b - 19, l + kFolderWidth - 2, b - 19);
    p.setPen(colour(Shadow));
    p.drawLine(l + 1, b + 1, l + kFolderWidth - 3, b + 1);
}

// A sheet of paper with a folded corner, centred on the origin; its front carries a
// few lines of writing. The painter's transform places, turns and foreshortens it.
void drawPaper(QPainter &p, bool front)
{
    const int w = 18;
    const int h = 22;
    const int fold = 5;
    const int l = -w / 2;
    const int t = -h / 2;
    p.setPen(QPen(colour(Black), 0));
    p.setBrush(colour(White));
    p.drawPolygon(QPolygon({{l, t}, {l + w - fold, t}, {l + w, t + fold}, {l + w, t + h}, {l, t + h}}));
    p.setBrush(colour(PaperShade));
    p.drawPolygon(QPolygon({{l + w - fold, t}, {l + w - fold, t + fold}, {l + w, t + fold}}));
    if (!front)
        return;
    p.setPen(QPen(colour(Writing), 0));
    for (int line = 0; line < 5; ++line) {
        const int y = t + 5 + 3 * line;
        const int right = line == 0 ? l + w - fold - 2 : (line == 4 ? l + w - 8 : l + w - 3);
        p.drawLine(l + 3, y, right, y);
    }
}

IndexedImage toIndexed(const QImage &image)
{
    IndexedImage out{image.width(), image.height(), {}};
    out.pixels.reserve(std::size_t(image.width()) * std::size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb rgb = image.pixel(x, y) & 0xffffff;
            const auto found = std::find(std::begin(kPalette), std::end(kPalette), rgb);
            // Drawing without smoothing cannot make a colour of its own.
            Q_ASSERT(found != std::end(kPalette));
            out.pixels.push_back(found == std::end(kPalette) ? Background
                                                             : std::uint8_t(found - std::begin(kPalette)));
        }
    }
    return out;
}

IndexedImage drawFrame(int index)
{
    const Folder from{22, 50};
    const Folder to{FilecopyClip::kWidth - 22 - kFolderWidth, 50};

    QImage image(FilecopyClip::kWidth, FilecopyClip::kHeight, QImage::Format_RGB32);
    image.fill(colour(Background));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);

    drawFolderBack(p, from);
    drawFolderBack(p, to);

    // The sheet rises out of the left folder, turns over once on its way and sinks
    // into the right one; its centre follows a parabola.
    const double t = double(index) / FilecopyClip::kFrames;
    const double startX = from.left + kFolderWidth / 2.0;
    const double endX = to.left + kFolderWidth / 2.0;
    const double x = startX + (endX - startX) * t;
    const double y = 38.0 - 30.0 * 4.0 * t * (1.0 - t);
    p.save();
    p.translate(x, y);
    p.rotate(-20.0 + 40.0 * t);
    const double turn = std::cos(std::numbers::pi * t);
    p.scale(turn, 1.0);
    drawPaper(p, turn >= 0);
    p.restore();

    drawFolderFront(p, from);
    drawFolderFront(p, to);
    p.end();
    return toIndexed(image);
}

} // namespace

FilecopyClip drawFilecopyClip()
{
    FilecopyClip clip;
    clip.palette.assign(std::begin(kPalette), std::end(kPalette));
    for (int i = 0; i < FilecopyClip::kFrames; ++i)
        clip.frames.push_back(drawFrame(i));
    return clip;
}

QByteArray filecopyAvi(const FilecopyClip &clip)
{
    AviVideo video;
    video.width = FilecopyClip::kWidth;
    video.height = FilecopyClip::kHeight;
    video.bitCount = 8;
    video.compression = kBiRle8;
    video.palette = clip.palette;
    video.rate = FilecopyClip::kFramesPerSecond;
    video.scale = 1;
    for (std::size_t i = 0; i < clip.frames.size(); ++i)
        video.frames.push_back(i == 0 ? encodeRle8(clip.frames[i])
                                      : encodeRle8Delta(clip.frames[i], clip.frames[i - 1]));
    return writeAvi(video);
}

} // namespace clipmaker
