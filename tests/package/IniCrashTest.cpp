// A writer killed in the middle of a burst of writes never leaves a broken file: every time, the
// file reads whole and every entry holds a complete value, and nothing the killed write left beside
// the file outlives the next write.
#include <chrono>
#include <random>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "IniFuncs.h"
#include "IniTestFiles.h"

namespace {

constexpr int Keys = 40;
constexpr int Kills = 25;

// A large first section makes each write long enough to be hit while it runs.
std::string padding()
{
    std::string bytes = "[Pad]\r\n";
    for (int i = 1; i <= 3000; ++i)
        bytes += "Pad" + std::to_string(i) + '=' + std::string(40, 'p') + "\r\n";
    return bytes;
}

int lineEnds(const std::string &bytes)
{
    int count = 0;
    for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2))
        ++count;
    return count;
}

TEST(IniCrashTest, KilledWriterLeavesAWholeFile)
{
    IniTestFiles::TempDir dir;
    const std::string file = dir.path() + "/install.ini";
    const std::string pad = padding();
    ASSERT_TRUE(IniTestFiles::writeBytes(file, pad));

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayMs(0, 10);
    int firstRoundCut = 0;
    int strays = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        // Every kill starts from the padding alone, so that a kill inside the first
        // burst shows as missing entries.
        ASSERT_TRUE(IniTestFiles::writeBytes(file, pad));
        IniTestFiles::Child writer;
        ASSERT_TRUE(writer.start(INI_BURST_WRITER_PATH, {file, std::to_string(Keys)}));
        ASSERT_TRUE(writer.waitForOutput(10000)) << "the writer did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
        writer.kill(); // SIGKILL
        const std::optional<int> status = writer.waitForFinished(10000);
        ASSERT_TRUE(status);
        ASSERT_TRUE(WIFSIGNALED(*status));

        const std::string bytes = IniTestFiles::readBytes(file);
        ASSERT_TRUE(bytes.starts_with(pad)) << "kill " << kill;
        ASSERT_TRUE(bytes.ends_with("\r\n")) << "kill " << kill;
        EXPECT_EQ(ReadINI(file, "Pad", "Pad3000", ""), std::string(40, 'p'));
        int present = 0;
        for (int key = 1; key <= Keys; ++key) {
            const std::string value = ReadINI(file, "Files", "File" + std::to_string(key), "<none>");
            if (value == "<none>")
                continue;
            ++present;
            const std::regex whole("^r\\d+k" + std::to_string(key) + ":" + char('a' + key % 26) +
                                   "{150}#end$");
            EXPECT_TRUE(std::regex_match(value, whole)) << "kill " << kill << ": File" << key << "=" << value;
        }
        EXPECT_GE(present, 1);
        // Only the entries of the section and nothing else were added.
        EXPECT_EQ(lineEnds(bytes), 3001 + 1 + present) << "kill " << kill;
        firstRoundCut += present < Keys;

        WriteINI(file, "Files", "Next", std::to_string(kill));
        const std::vector<std::string> left = IniTestFiles::entries(dir.path());
        strays += int(left.size()) - 1;
        EXPECT_EQ(left, std::vector<std::string>{"install.ini"})
            << "kill " << kill << ": left after the next write";
    }
    EXPECT_GT(firstRoundCut, 0) << "no kill landed inside the first burst";
    EXPECT_EQ(strays, 0);
}

} // namespace
