// Feeds arbitrary bytes to the AVI reader. Built with libFuzzer by scripts/fuzz-avi and,
// without it, by the corpus regression test, which calls the same function.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "AviReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    platform::AviReader reader;
    if (!reader.openData(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)))) {
        if (reader.errorString().isEmpty() || reader.isOpen())
            std::abort();
        return 0;
    }
    // Last frame, back to the first (a replay), then the middle; each must be whole.
    const int count = reader.frameCount();
    const std::size_t pixels = std::size_t(reader.width()) * std::size_t(reader.height());
    for (const int index : {count - 1, 0, count / 2}) {
        if (reader.frame(index).size() != pixels)
            std::abort();
    }
    if (!reader.frame(count).empty() || reader.microSecondsPerFrame() == 0)
        std::abort();
    return 0;
}
