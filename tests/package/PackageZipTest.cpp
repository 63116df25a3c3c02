// The package archive, checked by tools no one here wrote (Debian's unzip, Python's zipfile), and
// its failures: a file gone, a folder that cannot hold the archive, a cancel half-way, links and
// other things that are no regular file, names that would unpack outside their folder.
#include "PackageZip.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

namespace {

const std::string NotPacked = ", not packed: the archive takes only the package's own files";

// A packing that must fail with exactly this error and leave the older archive alone, without
// ever waiting on what it meets (a FIFO).
void expectRefused(const fs::path &package, const std::string &name, const fs::path &zip,
                   const package::zip::PackProgress &progress, const std::string &expected)
{
    std::ofstream(zip, std::ios::binary) << "an older archive";
    std::string error;
    auto packing = std::async(std::launch::async, [&] {
        return packFolder(package.string(), name, {"install.ini"}, zip.string(), progress, &error);
    });
    ASSERT_EQ(packing.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the packing waits";
    EXPECT_EQ(packing.get(), PackOutcome::Failed);
    EXPECT_EQ(error, expected);
    std::ifstream older(zip);
    std::string olderText;
    std::getline(older, olderText);
    EXPECT_EQ(olderText, "an older archive");
    for (const auto &entry : fs::directory_iterator(zip.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
}

} // namespace

struct UnsafeName
{
    const char *test;
    std::string name;
    std::string shown;
    std::string reason;
    friend void PrintTo(const UnsafeName &row, std::ostream *out) { *out << row.test; }
};

class PackageZipUnsafeName : public PackageZip, public ::testing::WithParamInterface<UnsafeName>
{
};

TEST_P(PackageZipUnsafeName, IsRefusedWithItsName)
{
    const UnsafeName &row = GetParam();
    writeBytes(m_package / row.name, "outside");
    expectRefused(m_package, m_name, m_zip, {}, (m_package / row.shown).string() + ": " + row.reason);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PackageZipUnsafeName,
    ::testing::Values(
        UnsafeName{"DotDotParts", "..\\..\\evil.ar", "..\\..\\evil.ar",
                   "the name holds \"..\", which leads out of the folder it is unpacked into"},
        UnsafeName{"TrailingDotDot", "evil\\..", "evil\\..",
                   "the name holds \"..\", which leads out of the folder it is unpacked into"},
        UnsafeName{"Drive", "C:\\Windows\\evil.ar", "C:\\Windows\\evil.ar",
                   "the name holds a backslash, which Windows takes for a folder separator"},
        UnsafeName{"Stream", "evil.ar:hidden", "evil.ar:hidden",
                   "the name holds a colon, which Windows takes for a drive or a stream"},
        UnsafeName{"LineBreak", "two\nlines.ar", "two\\x0Alines.ar", "the name holds a control character"},
        UnsafeName{"Delete", "del\x7F.ar", "del\\x7F.ar", "the name holds a control character"}),
    [](const auto &info) { return std::string(info.param.test); });

TEST_F(PackageZip, UnsafePackageNameIsRefused)
{
    expectRefused(m_package, "..\\Pack", m_zip, {},
                  m_package.string() +
                      ": package name \"..\\Pack\": the name holds \"..\", which leads out of the folder it "
                      "is unpacked into");
}

// Anything but a regular file in the package folder, there from the start or swapped in for a
// listed file while the archive is written: refused with its name, never read through.
struct Intruder
{
    const char *test;
    std::string kind;
    std::function<void(const fs::path &at, const fs::path &outside)> make;
    friend void PrintTo(const Intruder &row, std::ostream *out) { *out << row.test; }
};

class PackageZipIntruder : public PackageZip, public ::testing::WithParamInterface<Intruder>
{
protected:
    const fs::path m_outside = m_root / "outside.ar";
};

TEST_P(PackageZipIntruder, IsRefusedWithItsName)
{
    const Intruder &row = GetParam();
    writeBytes(m_outside, randomBytes(100000));
    const fs::path intruder = m_package / "extra.ar";
    row.make(intruder, m_outside);
    expectRefused(m_package, m_name, m_zip, {}, intruder.string() + ": " + row.kind + NotPacked);
}

TEST_P(PackageZipIntruder, SwappedInWhilePackingIsRefused)
{
    const Intruder &row = GetParam();
    writeBytes(m_outside, randomBytes(100000));
    const fs::path readme = m_package / "readme.txt";
    bool swapped = false;
    expectRefused(
        m_package, m_name, m_zip,
        [&](double) {
            if (!swapped) {
                fs::remove(readme);
                row.make(readme, m_outside);
                swapped = true;
            }
            return true;
        },
        readme.string() + ": " + row.kind + NotPacked);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PackageZipIntruder,
    ::testing::Values(
        Intruder{"Link", "a symbolic link",
                 [](const fs::path &at, const fs::path &outside) { fs::create_symlink(outside, at); }},
        Intruder{"DanglingLink", "a symbolic link",
                 [](const fs::path &at, const fs::path &outside) {
                     fs::create_symlink(outside.string() + ".gone", at);
                 }},
        Intruder{"Fifo", "a FIFO",
                 [](const fs::path &at, const fs::path &) { ASSERT_EQ(::mkfifo(at.c_str(), 0666), 0); }},
        Intruder{"Folder", "a folder",
                 [](const fs::path &at, const fs::path &) { fs::create_directory(at); }}),
    [](const auto &info) { return std::string(info.param.test); });

TEST_F(PackageZip, DeviceIsRefusedWithItsName)
{
    const fs::path device = m_package / "zero.ar";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 5)) != 0)
        GTEST_SKIP() << "no device node can be made here";
    expectRefused(m_package, m_name, m_zip, {}, device.string() + ": a device" + NotPacked);
}

TEST(PackageZipCompression, DeflatesTextAndStoresWhatDoesNotShrink)
{
    EXPECT_TRUE(package::zip::worthDeflating(std::string(100000, 'a')));
    EXPECT_FALSE(package::zip::worthDeflating(randomBytes(100000)));
    EXPECT_FALSE(package::zip::worthDeflating(""));
}

TEST_F(PackageZip, FileChangedWhilePackingIsRefused)
{
    const fs::path readme = m_package / "readme.txt";
    bool grown = false;
    expectRefused(
        m_package, m_name, m_zip,
        [&](double) {
            if (!grown)
                std::ofstream(readme, std::ios::binary | std::ios::app) << "more";
            grown = true;
            return true;
        },
        readme.string() + ": changed while the archive was written");
}
