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
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using package::zip::packFolder;
using package::zip::PackOutcome;
using package::zip::packSetup;

namespace {

void writeBytes(const fs::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string randomBytes(std::size_t size, unsigned seed = 14)
{
    std::mt19937 random(seed);
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

namespace {

// A program folder's installer ahead of the package: bytes that no archive tool takes for a record.
class PackageSetup : public PackageZip
{
protected:
    void SetUp() override
    {
        PackageZip::SetUp();
        fs::create_directories(m_root / "Redist");
        writeBytes(m_installer, "MZ" + randomBytes(300 << 10, 7));
    }

    // The tool's whole output, which must have no warning in it.
    static std::string run(const std::string &command, const fs::path &log, int *status)
    {
        *status = std::system((command + " > '" + log.string() + "' 2>&1").c_str());
        return readBytes(log);
    }

    const fs::path m_installer = m_root / "Redist" / "setup.exe";
    const fs::path m_setup = m_root / (m_name + " Setup.exe");
};

std::uint64_t le(const std::string &bytes, std::size_t at, int size)
{
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

} // namespace

TEST_F(PackageSetup, IsTheInstallerFollowedByTheSameArchiveWithOffsetsFromTheStart)
{
    writeBytes(m_setup, "an older setup");
    std::string error;
    ASSERT_EQ(packFolder(m_package.string(), m_name, m_required, m_zip.string(), {}, &error),
              PackOutcome::Packed)
        << error;
    ASSERT_EQ(
        packSetup(m_package.string(), m_name, m_required, m_installer.string(), m_setup.string(), {}, &error),
        PackOutcome::Packed)
        << error;
    EXPECT_EQ(leftovers(), (std::vector<std::string>{"Redist", m_name + " Setup.exe", m_name + ".zip"}));

    const std::string installer = readBytes(m_installer);
    const std::string setup = readBytes(m_setup);
    ASSERT_GT(setup.size(), installer.size() + 22);
    EXPECT_TRUE(setup.compare(0, installer.size(), installer) == 0) << "the installer's bytes differ";
    // The first local header right after the installer; the end record's directory offset, like
    // every offset, counted from the start of the file.
    EXPECT_EQ(setup.substr(installer.size(), 4), "PK\x03\x04");
    const std::size_t end = setup.size() - 22;
    ASSERT_EQ(setup.substr(end, 4), "PK\x05\x06");
    EXPECT_EQ(setup.substr(static_cast<std::size_t>(le(setup, end + 16, 4)), 4), "PK\x01\x02");

    const std::string quoted = " '" + m_setup.string() + "'";
    int status = 0;
    const std::string tested = run("unzip -t" + quoted, m_root / "unzip.log", &status);
    EXPECT_EQ(status, 0) << tested;
    EXPECT_NE(tested.find("No errors detected"), std::string::npos) << tested;
    EXPECT_EQ(tested.find("warning"), std::string::npos) << tested;
    EXPECT_EQ(tested.find("extra bytes"), std::string::npos) << tested;
    const std::string same = run("python3 " QUERNEL_SOURCE_DIR "/tests/package/check_same_entries.py '" +
                                     m_zip.string() + "'" + quoted,
                                 m_root / "python.log", &status);
    EXPECT_EQ(status, 0) << same;
}

TEST_F(PackageSetup, FailuresAndCancelLeaveTheOlderSetupAndNothingElse)
{
    writeBytes(m_setup, "an older setup");
    const fs::path folderSetup = m_root / "Taken Setup.exe";
    fs::create_directory(folderSetup);
    const struct
    {
        const char *what;
        fs::path installer, setup;
        package::zip::PackProgress progress;
        PackOutcome outcome;
        std::string error;
    } rows[] = {
        {"installer missing",
         m_root / "Redist" / "gone.exe",
         m_setup,
         {},
         PackOutcome::Failed,
         (m_root / "Redist" / "gone.exe").string() + ": No such file or directory"},
        {"installer a folder",
         m_root / "Redist",
         m_setup,
         {},
         PackOutcome::Failed,
         (m_root / "Redist").string() + ": Is a directory"},
        {"name taken by a folder",
         m_installer,
         folderSetup,
         {},
         PackOutcome::Failed,
         folderSetup.string() + ": Is a directory"},
        {"cancel half-way", m_installer, m_setup, [](double f) { return f < 0.5; }, PackOutcome::Cancelled,
         m_setup.string() + ": cancelled"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        std::string error;
        EXPECT_EQ(packSetup(m_package.string(), m_name, m_required, row.installer.string(),
                            row.setup.string(), row.progress, &error),
                  row.outcome);
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(leftovers(),
                  (std::vector<std::string>{"Redist", m_name + " Setup.exe", "Taken Setup.exe"}));
        EXPECT_TRUE(fs::is_empty(folderSetup));
        EXPECT_EQ(readBytes(m_setup), "an older setup");
    }
}

// A volume of its own that the setup fills: the write fails, the older setup stays, nothing else.
// Mounting needs root (as in CI); elsewhere the test is skipped.
TEST_F(PackageSetup, AFullDiskLeavesTheOlderSetupAndNothingElse)
{
    const fs::path volume = m_root / "volume";
    fs::create_directory(volume);
    const std::string mount = "mount -t tmpfs -o size=1m tmpfs '" + volume.string() + "' 2>/dev/null";
    if (std::system(mount.c_str()) != 0)
        GTEST_SKIP() << "no volume of its own can be mounted here";
    const fs::path setup = volume / (m_name + " Setup.exe");
    writeBytes(setup, "an older setup");
    std::string error;
    EXPECT_EQ(
        packSetup(m_package.string(), m_name, m_required, m_installer.string(), setup.string(), {}, &error),
        PackOutcome::Failed);
    EXPECT_EQ(error, setup.string() + ": No space left on device");
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(volume))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{m_name + " Setup.exe"});
    EXPECT_EQ(readBytes(setup), "an older setup");
    ::umount2(volume.c_str(), MNT_DETACH);
}
