#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <future>

#include "PackageFixture.h"
#include "Sha256.h"
#include "Sha256Testing.h"

using namespace installer;
using namespace installer_test;

namespace {

// Each test runs on the portable rounds and on the processor's SHA instructions.
class Sha256Engines : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        if (!GetParam() && !sha256_testing::processorHasShaInstructions())
            GTEST_SKIP() << "this processor has no SHA instructions";
        sha256_testing::forcePortable(GetParam());
    }
    void TearDown() override { sha256_testing::forcePortable(false); }
};

std::string bytesOfLength(std::size_t size)
{
    std::string bytes(size, '\0');
    std::uint32_t x = 2463534242u;
    for (char &c : bytes) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        c = char(x);
    }
    return bytes;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(, Sha256Engines, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Portable" : "Processor"; });

TEST_P(Sha256Engines, GivesTheStandardsDigests)
{
    const std::pair<std::string, std::string> vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto &[message, digest] : vectors)
        EXPECT_EQ(sha256Hex(message), digest) << message.size() << " bytes";
}

TEST_P(Sha256Engines, PiecesOfAnySizeGiveTheDigestOfTheWhole)
{
    // Lengths around the block and padding boundaries, and one of many blocks.
    for (const std::size_t size : {1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 1000u, 70001u}) {
        const std::string bytes = bytesOfLength(size);
        sha256_testing::forcePortable(true);
        const std::string portableWhole = sha256Hex(bytes);
        sha256_testing::forcePortable(GetParam());
        Sha256 sha;
        for (std::size_t at = 0, piece = 0; at < size; at += piece) {
            piece = std::min(size - at, (at * 7 + 3) % 97); // 3, 10, 0, ... bytes, some empty
            sha.update(bytes.data() + at, piece);
        }
        EXPECT_EQ(Sha256::hex(sha.finish()), portableWhole) << size;
        // finish() starts over: the same object gives the same digest again.
        sha.update(bytes.data(), size);
        EXPECT_EQ(Sha256::hex(sha.finish()), portableWhole) << size;
    }
}

class FileDigestTest : public ::testing::Test
{
protected:
    TemporaryFolder root;
    std::string at(const std::string &name) const { return root.path() + '/' + name; }
};

TEST_F(FileDigestTest, ReadsAWholeFileInChunksAndStopsWhenAsked)
{
    // Three chunks and a bit.
    const std::string bytes = bytesOfLength((std::size_t(3) << 20) + 17);
    writeFile(at("big.ar"), bytes);
    std::string error;
    int chunks = 0;
    const auto digest = digestOfFile(at("big.ar"), &error, [&] { return ++chunks > 0; });
    ASSERT_TRUE(digest) << error;
    EXPECT_EQ(digest->size, bytes.size());
    EXPECT_EQ(digest->sha256, sha256Hex(bytes));
    EXPECT_EQ(chunks, 4);

    chunks = 0;
    EXPECT_FALSE(digestOfFile(at("big.ar"), &error, [&] { return ++chunks < 2; }));
    EXPECT_EQ(chunks, 2);
    EXPECT_TRUE(contains(error, "stopped")) << error;
    EXPECT_TRUE(contains(error, at("big.ar"))) << error;

    writeFile(at("empty.ar"), "");
    EXPECT_EQ(digestOfFile(at("empty.ar"), &error)->sha256, sha256Hex(""));
}

TEST_F(FileDigestTest, RefusesWhatIsNotAPlainFileWithoutWaiting)
{
    writeFile(at("plain.ar"), "plain");
    fs::create_symlink(at("plain.ar"), at("link.ar"));
    fs::create_symlink(at("missing.ar"), at("dangling.ar"));
    ASSERT_EQ(::mkfifo(at("fifo.ar").c_str(), 0600), 0);
    fs::create_directories(at("folder.ar"));
    const std::pair<std::string, std::string> cases[] = {
        {"link.ar", "Is a symbolic link"}, {"dangling.ar", "Is a symbolic link"},
        {"fifo.ar", "Not a regular file"}, {"folder.ar", "Is a directory"},
        {"missing.ar", "No such file"},    {"/dev/zero", "Not a regular file"},
    };
    for (const auto &[name, reason] : cases) {
        const std::string path = name.starts_with('/') ? name : at(name);
        // A FIFO without a writer would block a plain open for ever.
        auto digest = std::async(std::launch::async, [path] {
            std::string error;
            return std::pair(digestOfFile(path, &error), error);
        });
        if (digest.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK); // let it end
            ADD_FAILURE() << name << " was waited on";
            digest.wait();
            ::close(writer);
            continue;
        }
        const auto [result, error] = digest.get();
        EXPECT_FALSE(result) << name;
        EXPECT_TRUE(contains(error, path + ": " + reason)) << error;
    }
}
