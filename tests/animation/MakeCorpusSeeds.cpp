// Writes the fuzzing seeds that tests/animation/corpus holds: small valid clips of each
// kind the reader plays and a few broken ones. Run by hand when the seeds change:
//   cmake --build build --target avi_corpus_seeds && build/tests/animation/avi_corpus_seeds
//   tests/animation/corpus
#include <cstdio>

#include <QDir>
#include <QFile>

#include "AviTestClips.h"
#include "AviWriter.h"
#include "FilecopyClip.h"

using namespace avitest;
using namespace clipmaker;

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out += char(v);
    return out;
}

AviVideo withIndex(AviVideo video, IndexOffsets index)
{
    video.index = index;
    return video;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: avi_corpus_seeds <folder>\n");
        return 2;
    }
    const QDir dir(QFile::decodeName(argv[1]));
    const QByteArray rle = writeAvi(rleClip(
        8, 3,
        {bytes({3, 1, 0, 3, 2, 3, 0, 0, 2, 2, 0, 0, 0, 2, 3, 0, 2, 3, 0, 0, 0, 4, 1, 2, 3, 1, 4, 0, 0, 1}),
         bytes({0, 2, 5, 1, 1, 1, 0, 1}), QByteArray(), bytes({1, 2})}));
    QByteArray rgb = writeAvi(patternClip(24, 5, 4, 2));
    QByteArray wideRle = rle;
    setU32(wideRle, formatField(wideRle, 4), 5000);
    QByteArray overrun = writeAvi(rleClip(4, 2, {bytes({1, 1, 0, 0, 1, 1, 0, 0, 1, 1})}));
    QByteArray xvid = rgb;
    setU32(xvid, formatField(xvid, 16), 0x44495658);
    QByteArray longStrf = rgb;
    setU32(longStrf, find(longStrf, "strf") + 4, 0x7ffffff0);

    const std::vector<std::pair<const char *, QByteArray>> seeds = {
        {"valid-filecopy.avi", filecopyAvi(drawFilecopyClip())},
        {"valid-rle8-deltas.avi", rle},
        {"valid-rgb8-bottomup-noindex.avi", writeAvi(withIndex(patternClip(8, 7, 4, 2), IndexOffsets::None))},
        {"valid-rgb24-bottomup.avi", rgb},
        {"valid-rgb32-topdown-fileoffsets.avi",
         writeAvi(withIndex(patternClip(32, 3, -4, 2), IndexOffsets::FromFile))},
        {"broken-truncated.avi", rgb.left(rgb.size() - 7)},
        {"broken-too-wide.avi", wideRle},
        {"broken-rle-above-top.avi", overrun},
        {"broken-xvid.avi", xvid},
        {"broken-strf-past-end.avi", longStrf},
    };
    for (const auto &[name, data] : seeds) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
            std::fprintf(stderr, "%s: %s\n", name, qPrintable(file.errorString()));
            return 1;
        }
    }
    return 0;
}
