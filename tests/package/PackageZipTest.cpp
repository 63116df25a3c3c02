// The package archive, checked by tools no one here wrote (Debian's unzip, Python's zipfile), and
// its failures: a file gone, a folder that cannot hold the archive, a cancel half-way.
#include "PackageZip.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using package::zip::packFolder;
using package::zip::PackOutcome;

namespace {

void writeBytes(const fs::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string randomBytes(std::size_t size)
{
    std::mt19937 random(14);
    std::string bytes(size, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

class PackageZip : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::remove_all(m_root);
        fs::create_directories(m_package);
        writeBytes(m_package / "install.ini", "[install.ini]\r\nName=Straße Pack\r\n");
        writeBytes(m_package / "readme.txt", std::string(20000, 'r'));
        writeBytes(m_package / "café.ar", randomBytes(3 << 20));
        writeBytes(m_package / "temp.ini", "[Files]\r\n");
        fs::last_write_time(m_package / "café.ar", fs::last_write_time(m_package) - std::chrono::hours(50));
    }
    void TearDown() override { fs::remove_all(m_root); }

    // What is left in the program folder besides the package folder.
    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(m_root))
            if (entry.path() != m_package)
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    const std::string m_name = "Straße Pack";
    const fs::path m_root = fs::temp_directory_path() / ("package-zip-" + std::to_string(::getpid()));
    const fs::path m_package = m_root / m_name;
    const fs::path m_zip = m_root / (m_name + ".zip");
    const std::vector<std::string> m_required{"install.ini", "café.ar", "readme.txt"};
};

} // namespace

TEST_F(PackageZip, ArchiveHoldsThePackageFolderAsToolsReadIt)
{
    writeBytes(m_zip, "an older archive");
    std::string error;
    double last = 0;
    ASSERT_EQ(packFolder(
                  m_package.string(), m_name, m_required, m_zip.string(),
                  [&](double f) {
                      EXPECT_GE(f, last);
                      last = f;
                      return true;
                  },
                  &error),
              PackOutcome::Packed)
        << error;
    EXPECT_DOUBLE_EQ(last, 1.0);
    EXPECT_EQ(leftovers(), std::vector<std::string>{m_name + ".zip"});
    const std::string quoted = " '" + m_zip.string() + "' ";
    EXPECT_EQ(std::system(("unzip -tq" + quoted + ">/dev/null").c_str()), 0);
    EXPECT_EQ(std::system(("python3 " QUERNEL_SOURCE_DIR "/tests/package/check_package_zip.py" + quoted +
                           "'" + m_package.string() + "' '" + m_name + "'")
                              .c_str()),
              0);
    // Stored for random data, deflated for text.
    const std::string listing = "unzip -Z -T" + quoted + "> '" + (m_root / "listing").string() + "'";
    ASSERT_EQ(std::system(listing.c_str()), 0);
    std::ifstream in(m_root / "listing");
    std::string line, text;
    while (std::getline(in, line))
        text += line + "\n";
    EXPECT_NE(text.find("stor "), std::string::npos) << text;
    EXPECT_NE(text.find("defX ") + text.find("defN "), 2 * std::string::npos) << text;
}

TEST_F(PackageZip, FailuresLeaveNoArchiveAndNameTheCause)
{
    writeBytes(m_zip, "an older archive");
    std::string error;

    // A file gone while the archive is written.
    EXPECT_EQ(packFolder(
                  m_package.string(), m_name, m_required, m_zip.string(),
                  [&](double) {
                      fs::remove(m_package / "readme.txt");
                      return true;
                  },
                  &error),
              PackOutcome::Failed);
    EXPECT_EQ(error.rfind((m_package / "readme.txt").string() + ": ", 0), 0u) << error;
    EXPECT_EQ(leftovers(), std::vector<std::string>{m_name + ".zip"});
    writeBytes(m_package / "readme.txt", "back");

    // A listed file removed before packing.
    fs::remove(m_package / "café.ar");
    EXPECT_EQ(packFolder(m_package.string(), m_name, m_required, m_zip.string(), {}, &error),
              PackOutcome::Failed);
    EXPECT_EQ(error, (m_package / "café.ar").string() + ": No such file or directory");
    EXPECT_EQ(leftovers(), std::vector<std::string>{m_name + ".zip"});
    writeBytes(m_package / "café.ar", randomBytes(3 << 20));

    // A cancel half-way.
    EXPECT_EQ(
        packFolder(
            m_package.string(), m_name, m_required, m_zip.string(), [](double f) { return f < 0.5; }, &error),
        PackOutcome::Cancelled);
    EXPECT_EQ(leftovers(), std::vector<std::string>{m_name + ".zip"});

    std::ifstream older(m_zip);
    std::string olderText;
    std::getline(older, olderText);
    EXPECT_EQ(olderText, "an older archive");

    // A folder that cannot hold the archive (a file where the folder should be: root cannot
    // write there either).
    const fs::path blocked = m_root / "not a folder";
    writeBytes(blocked, "");
    EXPECT_EQ(packFolder(m_package.string(), m_name, m_required, (blocked / "x.zip").string(), {}, &error),
              PackOutcome::Failed);
    EXPECT_EQ(error.rfind((blocked / "x.zip").string() + ": ", 0), 0u) << error;
    EXPECT_EQ(leftovers(), (std::vector<std::string>{m_name + ".zip", "not a folder"}));
}

TEST(PackageZipCompression, DeflatesTextAndStoresWhatDoesNotShrink)
{
    EXPECT_TRUE(package::zip::worthDeflating(std::string(100000, 'a')));
    EXPECT_FALSE(package::zip::worthDeflating(randomBytes(100000)));
    EXPECT_FALSE(package::zip::worthDeflating(""));
}
