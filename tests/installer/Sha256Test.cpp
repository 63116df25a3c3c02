#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <optional>

#include "../common/Sha256Vectors.h"
#include "PackageFixture.h"
#include "Sha256.h"

using namespace installer;
using namespace installer_test;

namespace {

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

const auto &StandardVectors = Sha256StandardVectors;

} // namespace

TEST(Sha256Test, GivesTheStandardsDigestsWholeAndInPieces)
{
    Sha256 sha; // one object throughout: finish() starts it over
    for (const auto &[message, digest] : StandardVectors) {
        EXPECT_EQ(sha256Hex(message), digest) << message.size() << " bytes";
        // Pieces of 3, 10, 0, ... bytes, around and across the 64-byte blocks, some empty.
        for (std::size_t at = 0, piece = 0; at < message.size(); at += piece) {
            piece = std::min(message.size() - at, (at * 7 + 3) % 97);
            sha.update(message.data() + at, piece);
        }
        EXPECT_EQ(Sha256::hex(sha.finish()), digest) << message.size() << " bytes in pieces";
        sha.update(message.data(), message.size());
        EXPECT_EQ(Sha256::hex(sha.finish()), digest) << message.size() << " bytes after a restart";
    }
}

namespace {

// Makes this process's libcrypto load only its null provider, which has no SHA-256. Only for the
// death tests' own processes: the configuration is read once, at the library's first use.
void leaveLibcryptoWithoutSha256(const std::string &folder)
{
    const std::string config = folder + "/openssl.cnf";
    writeFile(config, "openssl_conf = init\n[init]\nproviders = providers\n"
                      "[providers]\nnull = null\n[null]\nactivate = 1\n");
    ::setenv("OPENSSL_CONF", config.c_str(), 1);
}

} // namespace

TEST(Sha256Test, ASystemWithoutSha256IsAnErrorOfTheFileNotACrash)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process, libcrypto not yet started
    EXPECT_EXIT(
        {
            std::string error;
            bool refused = false;
            {
                TemporaryFolder root;
                leaveLibcryptoWithoutSha256(root.path());
                writeFile(root.path() + "/plain.ar", "plain");
                refused = !digestOfFile(root.path() + "/plain.ar", &error);
            }
            std::fprintf(stderr, "%s\n", error.c_str());
            std::_Exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "/plain\\.ar: No SHA-256 from the system: EVP_DigestInit_ex.*unsupported");
    // A caller that cannot go on without the digest stops with the reason rather than get a wrong one.
    EXPECT_DEATH(
        {
            std::optional<Sha256> sha;
            {
                TemporaryFolder root;
                leaveLibcryptoWithoutSha256(root.path());
                sha.emplace();
            }
            sha->update("abc", 3);
            sha->finish();
        },
        "The system cannot compute SHA-256 digests: EVP_DigestInit_ex");
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
