// A package file over 4 GiB (a sparse file with random bytes around the 32-bit limit and at its
// end) packed by Save as Zip: its sizes need the Zip64 field, and Python's zipfile reads it back
// byte for byte with its CRC-32 checked.
#include "PackageZip.h"

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
    fs::remove_all(root);
}
