#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ChunkPacer.h"
#include "Files.h"
#include "FilesTestSupport.h"

namespace files = base::files;
using files::CopyOutcome;

namespace {

using base_test::TempFolder;

std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 131) ^ (i >> 9));
    return bytes;
}

class CopyTest : public TempFolder, public ::testing::WithParamInterface<bool>
{
protected:
    CopyTest()
    {
        files::testing::forceNamedTemporaries(GetParam());
        ::mkdir(at("pkg").c_str(), 0755);
    }
};

TEST_P(CopyTest, CopiesTheBytesAndPermissionsReportingProgressAndLeavesNoTemporary)
{
    const std::string big = pattern(3 * 4096 + 17);
    write(at("setup.exe"), big);
    ASSERT_EQ(::chmod(at("setup.exe").c_str(), 0750), 0);
    for (const bool targetExists : {false, true}) {
        if (targetExists)
            write(at("pkg/setup.exe"), "old contents");
        std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
        files::CopyOptions options;
        options.maxChunkBytes = 4096;
        options.durable = targetExists;
        options.progress = [&](std::uint64_t copied, std::uint64_t total) {
            calls.emplace_back(copied, total);
            return true;
        };
        std::string error;
        ASSERT_EQ(files::copyFile(at("setup.exe"), at("pkg/setup.exe"), options, &error), CopyOutcome::Copied)
            << error;
        EXPECT_EQ(read(at("pkg/setup.exe")), big);
        const decltype(calls) expected{{4096, 12305}, {8192, 12305}, {12288, 12305}, {12305, 12305}};
        EXPECT_EQ(calls, expected);
        struct stat st;
        ASSERT_EQ(::stat(at("pkg/setup.exe").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0750u);
        EXPECT_EQ(entries(at("pkg")), std::set<std::string>{"setup.exe"});
    }
}

TEST_P(CopyTest, OneFileUnderTwoNamesIsRecognisedAndLeftWhole)
{
    write(at("readme.txt"), "keep me");
    ASSERT_EQ(::symlink(at("readme.txt").c_str(), at("pkg/readme.txt").c_str()), 0);
    for (const std::string &other : {m_root + "//readme.txt", at("pkg/readme.txt")}) {
        EXPECT_EQ(files::copyFile(at("readme.txt"), other, {}, nullptr), CopyOutcome::SameFile) << other;
        EXPECT_TRUE(files::sameFile(at("readme.txt"), other));
    }
    EXPECT_EQ(read(at("readme.txt")), "keep me");
    EXPECT_FALSE(files::sameFile(at("readme.txt"), at("none")));
}

TEST_P(CopyTest, RefusedCopiesNameTheFileAndTheReasonAndChangeNothing)
{
    write(at("a.ar"), "data");
    write(at("pkg/locked.ar"), "locked");
    ASSERT_EQ(::chmod(at("pkg/locked.ar").c_str(), 0444), 0);
    ASSERT_EQ(::mkfifo(at("fifo.ar").c_str(), 0644), 0);
    struct Case
    {
        std::string source, target, error;
    };
    const Case cases[] = {
        {at("gone.ar"), at("pkg/x.ar"), at("gone.ar") + ": No such file or directory"},
        {at("a.ar"), at("missing/a.ar"), at("missing/a.ar") + ": No such file or directory"},
        {at("a.ar"), at("pkg/locked.ar"), at("pkg/locked.ar") + ": Permission denied"},
        {at("a.ar"), at("pkg"), at("pkg") + ": Is a directory"},
        {at("fifo.ar"), at("pkg/x.ar"), at("fifo.ar") + ": Not a regular file"},
        {"/dev/zero", at("pkg/x.ar"), "/dev/zero: Not a regular file"},
        {m_root, at("pkg/x.ar"), m_root + ": Is a directory"},
    };
    for (const Case &c : cases) {
        std::string error;
        EXPECT_EQ(files::copyFile(c.source, c.target, {}, &error), CopyOutcome::Failed) << c.source;
        EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(read(at("pkg/locked.ar")), "locked");
    EXPECT_EQ(entries(at("pkg")), std::set<std::string>{"locked.ar"});
}

TEST_P(CopyTest, CancelledHalfWayLeavesTheTargetAsItWasAndNoTemporary)
{
    write(at("big.ar"), pattern(1 << 20));
    for (const bool targetExists : {false, true}) {
        if (targetExists)
            write(at("pkg/big.ar"), "previous");
        files::CopyOptions options;
        options.maxChunkBytes = 64 << 10;
        std::uint64_t seen = 0;
        options.progress = [&](std::uint64_t copied, std::uint64_t) {
            seen = copied;
            return copied < (512 << 10);
        };
        EXPECT_EQ(files::copyFile(at("big.ar"), at("pkg/big.ar"), options, nullptr), CopyOutcome::Cancelled);
        EXPECT_EQ(seen, 512u << 10);
        EXPECT_EQ(entries(at("pkg")),
                  targetExists ? std::set<std::string>{"big.ar"} : std::set<std::string>{});
        if (targetExists)
            EXPECT_EQ(read(at("pkg/big.ar")), "previous");
    }
}

TEST_P(CopyTest, AStrayTemporaryOfAKilledCopyIsGoneAfterTheNextCopy)
{
    write(at("a.ar"), "new");
    write(at("pkg/a.ar"), "old");
    write(at("pkg/.a.ar.writing"), "half");
    ASSERT_EQ(files::copyFile(at("a.ar"), at("pkg/a.ar"), {}, nullptr), CopyOutcome::Copied);
    EXPECT_EQ(read(at("pkg/a.ar")), "new");
    EXPECT_EQ(entries(at("pkg")), std::set<std::string>{"a.ar"});
}

// An installer stages the game file's copy in the folder where the original's backup of the same
// name is staged at the same time: neither takes the other's temporary.
TEST_P(CopyTest, ACopyStagedElsewhereAndAFileOfTheSameNameThereStandSideBySide)
{
    ::mkdir(at("run").c_str(), 0755);
    write(at("a.ar"), "new");
    write(at("pkg/a.ar"), "original");
    files::StagedCopy backup;
    files::StagedCopy copy;
    files::CopyOptions staged;
    staged.stagingFolder = at("run");
    std::string error;
    ASSERT_EQ(backup.stage(at("pkg/a.ar"), at("run/a.ar"), {}, &error), CopyOutcome::Copied) << error;
    ASSERT_EQ(copy.stage(at("a.ar"), at("pkg/a.ar"), staged, &error), CopyOutcome::Copied) << error;
    ASSERT_TRUE(backup.publish(&error)) << error;
    ASSERT_TRUE(copy.publish(&error)) << error;
    EXPECT_EQ(read(at("run/a.ar")), "original");
    EXPECT_EQ(read(at("pkg/a.ar")), "new");
    EXPECT_EQ(entries(at("run")), std::set<std::string>{"a.ar"});
}

// A source that delivers 20 MB/s, as a USB stick or a network share: the window that runs between
// the chunks must still answer within 100 ms.
TEST_P(CopyTest, ChunksFromASlowSourceTakeAboutTheChunkTime)
{
    constexpr double kBytesPerSecond = 20e6;
    const std::string bytes = pattern(12 << 20);
    write(at("stick.ar"), bytes);
    files::testing::setSourceReader([](int fd, void *buffer, std::size_t size) {
        std::this_thread::sleep_for(std::chrono::duration<double>(size / kBytesPerSecond));
        return long(::read(fd, buffer, size));
    });
    using Clock = std::chrono::steady_clock;
    Clock::time_point last = Clock::now();
    Clock::duration longest{};
    int calls = 0;
    files::CopyOptions options;
    options.progress = [&](std::uint64_t, std::uint64_t) {
        longest = std::max(longest, Clock::now() - last);
        ++calls;
        std::this_thread::sleep_for(std::chrono::milliseconds(2)); // the window's own work
        last = Clock::now();
        return true;
    };
    ASSERT_EQ(files::copyFile(at("stick.ar"), at("pkg/stick.ar"), options, nullptr), CopyOutcome::Copied);
    EXPECT_EQ(read(at("pkg/stick.ar")), bytes);
    EXPECT_LT(longest, std::chrono::milliseconds(100));
    EXPECT_LT(calls, 40); // not a call per few bytes either: about 50 ms each
    std::printf("longest gap %.1f ms over %d chunks\n",
                std::chrono::duration<double, std::milli>(longest).count(), calls);
}

INSTANTIATE_TEST_SUITE_P(Temporaries, CopyTest, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Named" : "Unnamed"; });

TEST(ChunkPacerTest, SizesChunksByTheMeasuredSpeed)
{
    using std::chrono::milliseconds;
    struct Step
    {
        std::uint64_t bytes;
        milliseconds took;
        std::uint64_t next;
    };
    struct Case
    {
        const char *name;
        std::uint64_t max;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        // 20 MB/s: 50 ms hold about 1 MB (in 4 KiB steps), reached by growing at most fourfold.
        {"slow stick",
         0,
         {{64 << 10, milliseconds(3), 256 << 10},
          {256 << 10, milliseconds(13), 1007616},
          {1007616, milliseconds(50), 1007616}}},
        // A disk that turns slow: the next chunk shrinks at once.
        {"stall", 0, {{64 << 10, milliseconds(1), 256 << 10}, {256 << 10, milliseconds(1000), 12288}}},
        // Very slow or very fast: the bounds hold.
        {"crawl", 0, {{64 << 10, milliseconds(5000), 4096}}},
        {"capped", 8192, {{8192, milliseconds(0), 8192}}},
    };
    for (const Case &c : cases) {
        files::ChunkPacer pacer(milliseconds(50), c.max);
        for (const Step &step : c.steps) {
            pacer.record(step.bytes, step.took);
            EXPECT_EQ(pacer.nextChunk(), step.next) << c.name;
        }
    }
}

} // namespace
