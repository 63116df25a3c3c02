#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include <QByteArray>
#include <QString>

// Reads the silent AVI clips that an animation control plays: RIFF 'AVI ' with one
// video stream of uncompressed DIB frames (8-bit with palette, 24-bit, 32-bit) or
// RLE8 frames. No window code, so the parser is tested and fuzzed on its own.
namespace platform {

class AviReader
{
public:
    // What a clip may cost. Every check happens before the memory is taken.
    struct Limits
    {
        int maxWidth = 4096;
        int maxHeight = 4096;
        int maxFrames = 10000;
        qint64 maxFileBytes = 64 * 1024 * 1024;
        // width x height x frames: bounds the time that decoding the whole clip takes.
        qint64 maxPixelWork = qint64(256) * 1024 * 1024;
    };

    AviReader() = default;
    explicit AviReader(const Limits &limits) : m_limits(limits) {}

    // Reads and checks the whole clip, decoding every frame once, so that a clip that
    // opens plays to its end. On failure errorString() names the file and the reason.
    bool open(const QString &path);
    bool openData(const QByteArray &data);
    void close();

    bool isOpen() const { return !m_frames.empty(); }
    QString errorString() const { return m_error; }

    int width() const { return m_width; }
    int height() const { return m_height; }
    int frameCount() const { return int(m_frames.size()); }
    // How long each frame is shown.
    quint32 microSecondsPerFrame() const { return m_microSecondsPerFrame; }

    // The pixels of frame `index` as 0xAARRGGBB (always opaque), top row first.
    // RLE frames repaint only what changed, so frames are decoded in order and going
    // back replays from the first frame. Empty for an index out of range.
    std::span<const std::uint32_t> frame(int index);

private:
    struct FrameData
    {
        qsizetype offset;
        qsizetype size;
    };

    bool fail(const QString &reason);
    bool parse();
    bool parseHeaderList(qsizetype begin, qsizetype end);
    bool parseStreamList(qsizetype begin, qsizetype end, int streamNumber);
    bool parseFormat(qsizetype begin, qsizetype size);
    bool framesFromIndex(qsizetype begin, qsizetype size, bool *usable);
    bool framesFromScan(qsizetype begin, qsizetype end, int depth);
    bool addFrame(qsizetype offset, qsizetype size);
    bool isFrameChunk(std::uint32_t id) const;

    void resetCanvas();
    bool decode(const FrameData &frame, QString *error);
    bool decodeUncompressed(const std::uint8_t *data, qsizetype size, QString *error);
    bool decodeRle8(const std::uint8_t *data, qsizetype size, QString *error);

    Limits m_limits;
    QString m_error;
    QByteArray m_data;

    // From the headers.
    int m_width = 0;
    int m_height = 0;
    bool m_topDown = false;
    int m_bitCount = 0;
    std::uint32_t m_compression = 0;
    std::array<std::uint32_t, 256> m_palette{};
    quint32 m_microSecondsPerFrame = 0;
    quint32 m_headerMicroSeconds = 0;
    int m_videoStream = -1;
    std::uint32_t m_frameIdCompressed = 0;
    std::uint32_t m_frameIdUncompressed = 0;
    qsizetype m_moviBegin = -1; // the 'movi' list type, where idx1 offsets usually count from
    qsizetype m_moviEnd = -1;

    std::vector<FrameData> m_frames;
    std::vector<std::uint32_t> m_canvas;
    int m_decoded = -1; // the frame that m_canvas holds
};

} // namespace platform
