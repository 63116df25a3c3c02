// A package file over 4 GiB (a sparse file with random bytes around the 32-bit limit and at its
// end) packed by Save as Zip: its sizes need the Zip64 field, and Python's zipfile reads it back
// byte for byte with its CRC-32 checked. Then the same file stored, so that the entry after it
// and the central directory lie beyond 4 GiB and need Zip64 offsets.
#include "PackageZip.h"
#include "ZipWriter.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(PackageZip64, FileOver4GiBReadsBack)
{
    const fs::path root = fs::temp_directory_path() / ("package-zip64-" + std::to_string(::getpid()));
    const fs::path package = root / "Big Pack";
    fs::remove_all(root);
    fs::create_directories(package);
    std::ofstream(package / "install.ini", std::ios::binary) << "[install.ini]\r\nName=Big Pack\r\n";

    const fs::path big = package / "grosse Straße.ar";
    const std::uint64_t size = (std::uint64_t{1} << 32) + 4097;
    std::mt19937 random(64);
    {
        std::fstream out(big, std::ios::binary | std::ios::out);
        for (const std::uint64_t at : {std::uint64_t{0}, (std::uint64_t{1} << 32) - 3000, size - 5000}) {
            std::string bytes(5000, '\0');
            for (char &c : bytes)
                c = static_cast<char>(random());
            out.seekp(static_cast<std::streamoff>(at));
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
    }
    ASSERT_EQ(fs::file_size(big), size);

    const fs::path zip = root / "Big Pack.zip";
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(
        package::zip::packFolder(package.string(), "Big Pack", {"install.ini"}, zip.string(), {}, &error),
        package::zip::PackOutcome::Packed)
        << error;
    const auto packed = std::chrono::steady_clock::now();
    EXPECT_EQ(std::system(("python3 " QUERNEL_SOURCE_DIR "/tests/package/check_zip_entry.py '" +
                           zip.string() + "' 'Big Pack/grosse Straße.ar' '" + big.string() + "'")
                              .c_str()),
              0);
    const auto checked = std::chrono::steady_clock::now();
    using std::chrono::duration;
    std::printf("packed in %.1f s, read back in %.1f s\n", duration<double>(packed - start).count(),
                duration<double>(checked - packed).count());

    using package::zip::ZipWriter;
    const fs::path stored = root / "stored.zip";
    {
        ZipWriter writer(stored.string());
        ASSERT_TRUE(writer.open(&error)) << error;
        ASSERT_TRUE(writer.beginFile("big.ar", 0, size, ZipWriter::Method::Store, &error)) << error;
        std::ifstream in(big, std::ios::binary);
        std::string chunk(1 << 20, '\0');
        while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
            ASSERT_TRUE(writer.write(chunk.data(), static_cast<std::size_t>(in.gcount()), &error)) << error;
        ASSERT_TRUE(writer.endFile(&error)) << error;
        const std::string after = "after the first 4 GiB";
        ASSERT_TRUE(writer.beginFile("after.txt", 0, after.size(), ZipWriter::Method::Deflate, &error));
        ASSERT_TRUE(writer.write(after.data(), after.size(), &error)) << error;
        ASSERT_TRUE(writer.endFile(&error)) << error;
        ASSERT_TRUE(writer.commit(&error)) << error;
        std::ofstream(root / "after.txt", std::ios::binary) << after;
    }
    const auto written = std::chrono::steady_clock::now();
    const std::string check =
        "python3 " QUERNEL_SOURCE_DIR "/tests/package/check_zip_entry.py '" + stored.string();
    EXPECT_EQ(std::system((check + "' after.txt '" + (root / "after.txt").string() + "'").c_str()), 0);
    EXPECT_EQ(std::system((check + "' big.ar '" + big.string() + "'").c_str()), 0);
    std::printf("stored in %.1f s, read back in %.1f s\n", duration<double>(written - checked).count(),
                duration<double>(std::chrono::steady_clock::now() - written).count());
    fs::remove_all(root);
}
