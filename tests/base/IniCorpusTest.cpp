// Runs every seed of the INI fuzzing corpus through the fuzz target, built here with the
// sanitizers of g++, so that a seed that breaks a promise of the document or reads out of bounds
// fails without libFuzzer.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

TEST(IniCorpus, EverySeedRunsThroughTheFuzzTarget)
{
    int seeds = 0;
    for (const auto &entry :
         std::filesystem::directory_iterator(QUERNEL_SOURCE_DIR "/tests/base/ini-corpus")) {
        if (!entry.is_regular_file())
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(data.data()), data.size()),
                  0);
        ++seeds;
    }
    EXPECT_GE(seeds, 5);
}
