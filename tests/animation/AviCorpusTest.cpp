// Runs every file of the fuzzing seed corpus through the fuzz target, as a regression
// check that needs no libFuzzer: the valid-* seeds must open, the broken-* ones must not.
#include <gtest/gtest.h>

#include <cstdint>

#include <QDir>
#include <QFile>

#include "AviReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

TEST(AviCorpus, EverySeedRunsThroughTheFuzzTarget)
{
    const QDir corpus(QStringLiteral(QUERNEL_SOURCE_DIR "/tests/animation/corpus"));
    const QStringList names = corpus.entryList(QDir::Files, QDir::Name);
    int valid = 0;
    int broken = 0;
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(data.constData()),
                                         std::size_t(data.size())),
                  0);

        platform::AviReader reader;
        const bool opened = reader.openData(data);
        if (name.startsWith("valid-")) {
            EXPECT_TRUE(opened) << reader.errorString().toStdString();
            ++valid;
        } else if (name.startsWith("broken-")) {
            EXPECT_FALSE(opened);
            ++broken;
        }
    }
    EXPECT_GE(valid, 5);
    EXPECT_GE(broken, 5);
}
