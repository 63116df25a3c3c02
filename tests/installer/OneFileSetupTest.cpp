// A package appended to the installer's program as a zip archive: unpacked whole into a fresh
// temporary folder, or refused with nothing left behind when the archive is cut, altered or
// hostile.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "Files.h"
#include "OneFileSetup.h"
#include "PackageFixture.h"
#include "Sha256.h"
#include "ZipWriter.h"

using namespace installer_test;

namespace {

struct Entry
{
    std::string name;
    std::string bytes;
    bool deflate = false;
};

// The head of a Windows program: one section ending at 0x400, and nothing after it.
std::string fakeProgram()
{
    std::string program(0x400, '\0');
    program.replace(0, 2, "MZ");
    program[0x3C] = 0x40;
    program.replace(0x40, 4, std::string("PE\0\0", 4));
    program[0x46] = 1;      // one section, no optional header
    program[0x58 + 17] = 2; // its size: 0x200
    program[0x58 + 21] = 2; // at 0x200
    return program;
}

// Position of the first record with this signature naming this entry (local header: 30 bytes
// before the name, central header: 46).
std::size_t recordOf(const std::string &file, const char *signature, std::size_t headerBytes,
                     const std::string &name)
{
    for (std::size_t at = file.find(signature); at != std::string::npos; at = file.find(signature, at + 1)) {
        if (file.compare(at + headerBytes, name.size(), name) == 0)
            return at;
    }
    ADD_FAILURE() << "no record of " << name;
    return 0;
}

void put32(std::string &file, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        file[at + std::size_t(i)] = char((value >> (8 * i)) & 0xFF);
}

class OneFileSetup : public ::testing::Test
{
protected:
    TemporaryFolder root;
    std::string program() const { return root.path() + "/My Pack Setup.exe"; }
    std::string temporaryRoot() const { return root.path() + "/temp"; }

    // The fake program with the archive appended and its offsets moved by Debian's zip -A, as the
    // one-file setups of the tests before the wizard writes them.
    std::string oneFile(const std::vector<Entry> &entries)
    {
        const std::string zip = root.path() + "/package.zip";
        package::zip::ZipWriter writer(zip);
        std::string error;
        EXPECT_TRUE(writer.open(&error)) << error;
        for (const Entry &entry : entries) {
            if (entry.name.ends_with('/')) {
                EXPECT_TRUE(writer.addFolder(entry.name, std::time(nullptr), &error)) << error;
                continue;
            }
            const auto method = entry.deflate ? package::zip::ZipWriter::Method::Deflate
                                              : package::zip::ZipWriter::Method::Store;
            EXPECT_TRUE(writer.beginFile(entry.name, std::time(nullptr), entry.bytes.size(), method, &error));
            EXPECT_TRUE(writer.write(entry.bytes.data(), entry.bytes.size(), &error)) << error;
            EXPECT_TRUE(writer.endFile(&error)) << error;
        }
        EXPECT_TRUE(writer.commit(&error)) << error;
        writeFile(program(), fakeProgram() + readFile(zip));
        const std::string command = "zip -qA '" + program() + "' >'" + root.path() + "/zip.log' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << readFile(root.path() + "/zip.log");
        fs::remove(zip);
        fs::create_directories(temporaryRoot());
        return readFile(program());
    }

    std::vector<Entry> typical() const
    {
        return {{"My Pack/", ""},
                {"My Pack/install.ini", "[install.ini]\r\nName=My Pack\r\n", true},
                {"My Pack/city.ar", archiveBytes("ci", 70000), false},
                {"My Pack/cars.ar", std::string(50000, 'c'), true}};
    }

    // Refused with the program and the reason named, and nothing left in the temporary folder.
    void expectRefused(const std::string &what, const std::string &reason)
    {
        installer::UnpackedPackage unpacked;
        std::string error;
        EXPECT_EQ(unpacked.unpack(program(), &error, temporaryRoot()),
                  installer::UnpackedPackage::Outcome::Refused)
            << what;
        EXPECT_TRUE(error.starts_with(program() + ": ")) << what << ": " << error;
        EXPECT_TRUE(contains(error, reason)) << what << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << what;
        EXPECT_TRUE(fs::is_empty(temporaryRoot())) << what;
    }
};

} // namespace

TEST_F(OneFileSetup, UnpacksThePackageWholeAndRemovesItAfterwards)
{
    const std::string file = oneFile(typical());
    std::string folder;
    {
        installer::UnpackedPackage unpacked;
        std::string error;
        ASSERT_EQ(unpacked.unpack(program(), &error, temporaryRoot()),
                  installer::UnpackedPackage::Outcome::Unpacked)
            << error;
        folder = unpacked.packageFolder();
        EXPECT_EQ(unpacked.archiveSha256(), installer::sha256Hex(file.substr(fakeProgram().size())));
        EXPECT_EQ(fs::path(folder).filename(), "My Pack");
        EXPECT_EQ(fs::path(folder).parent_path().parent_path(), fs::path(temporaryRoot()));
        EXPECT_EQ(fs::status(fs::path(folder).parent_path()).permissions() & fs::perms::all,
                  fs::perms::owner_all);
        std::map<std::string, std::string> expected;
        for (const Entry &entry : typical()) {
            if (!entry.name.ends_with('/'))
                expected[entry.name.substr(entry.name.find('/') + 1)] = entry.bytes;
        }
        EXPECT_EQ(listing(folder), expected);
    }
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_empty(temporaryRoot()));
    // What a removal keeps to run later is the program alone.
    std::string error;
    EXPECT_EQ(installer::programWithoutPackage(program(), &error), fakeProgram()) << error;
}

// Debian's zip with Zip64 records forced (the end records, the directory's and the local headers'
// Zip64 fields), and streamed to a pipe (local headers without sizes, data descriptors after).
TEST_F(OneFileSetup, UnpacksWhatDebiansZipWritesWithZip64OrDataDescriptors)
{
    for (const std::string zipCommand :
         {"zip -qrX -fz package.zip 'My Pack'", "zip -qrX - 'My Pack' | cat >package.zip"}) {
        fs::remove_all(root.path());
        for (const Entry &entry : typical()) {
            if (!entry.name.ends_with('/'))
                writeFile(root.path() + "/" + entry.name, entry.bytes);
        }
        const std::string command = "cd '" + root.path() + "' && " + zipCommand + " 2>zip.log";
        ASSERT_EQ(std::system(command.c_str()), 0) << readFile(root.path() + "/zip.log");
        // The archive alone (zip -A does not take Zip64 records): its offsets count from its start.
        fs::rename(root.path() + "/package.zip", program());
        fs::create_directories(temporaryRoot());
        installer::UnpackedPackage unpacked;
        std::string error;
        ASSERT_EQ(unpacked.unpack(program(), &error, temporaryRoot()),
                  installer::UnpackedPackage::Outcome::Unpacked)
            << zipCommand << ": " << error;
        EXPECT_EQ(readFile(unpacked.packageFolder() + "/city.ar"), typical()[2].bytes) << zipCommand;
    }
}

// A killed run leaves its folder: a later run sweeps it once nobody holds its lock and it is older
// than any run in progress. A folder in use, a young one and one that is not ours stay.
TEST_F(OneFileSetup, SweepsTheFoldersOfKilledRunsOnly)
{
    oneFile(typical());
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
    auto leftover = [&](const std::string &name, bool withLock, bool isOld) {
        const std::string folder = temporaryRoot() + "/" + name;
        writeFile(folder + "/My Pack/city.ar", "half");
        if (withLock)
            writeFile(folder + "/unpacked.lock", "");
        if (isOld)
            fs::last_write_time(folder, old);
        return folder;
    };
    leftover("Quernel Setup killed", true, true);
    leftover("Quernel Setup young", true, false);
    leftover("Quernel Setup no lock", false, true);
    const std::string held = leftover("Quernel Setup in use", true, true);
    base::files::FileLock inUse;
    std::string error;
    ASSERT_EQ(inUse.tryAcquire(held + "/unpacked.lock", &error), base::files::FileLock::Outcome::Acquired)
        << error;
    fs::last_write_time(held, old);
    {
        installer::UnpackedPackage unpacked;
        ASSERT_EQ(unpacked.unpack(program(), &error, temporaryRoot()),
                  installer::UnpackedPackage::Outcome::Unpacked)
            << error;
    }
    EXPECT_EQ(
        base::files::folderEntries(temporaryRoot()),
        (std::vector<std::string>{"Quernel Setup in use", "Quernel Setup no lock", "Quernel Setup young"}));
}

TEST_F(OneFileSetup, AProgramWithoutArchiveIsLeftAsItIs)
{
    writeFile(program(), fakeProgram());
    fs::create_directories(temporaryRoot());
    installer::UnpackedPackage unpacked;
    std::string error;
    EXPECT_EQ(unpacked.unpack(program(), &error, temporaryRoot()),
              installer::UnpackedPackage::Outcome::NoArchive)
        << error;
    EXPECT_EQ(unpacked.packageFolder(), "");
    EXPECT_TRUE(fs::is_empty(temporaryRoot()));
    EXPECT_EQ(installer::programWithoutPackage(program(), &error), fakeProgram()) << error;
}

TEST_F(OneFileSetup, RefusesNamesThatAreNoPackage)
{
    const std::string ini = "My Pack/install.ini";
    const struct
    {
        std::vector<std::string> names;
        std::string reason;
    } cases[] = {
        {{ini, "My Pack/../evil.ar"}, "\"My Pack/../evil.ar\" that leaves its folder"},
        {{"../install.ini"}, "leaves its folder"},
        {{ini, "/etc/evil.ar"}, "absolute path"},
        {{ini, "C:/evil.ar"}, "drive letter"},
        {{ini, "My Pack\\..\\evil.ar"}, "backslash"},
        {{ini, "My Pack/evil\x01.ar"}, "control character"},
        {{ini, "My Pack/sub/evil.ar"}, "not a file of the package's folder"},
        {{ini, "Other/evil.ar"}, "more than one folder"},
        {{ini, "My Pack/CON.ar"}, "Windows cannot take"},
        {{ini, "My Pack/City.ar", "My Pack/city.AR"}, "twice"},
        {{"My Pack/readme.txt"}, "no folder with install.ini"},
    };
    for (const auto &c : cases) {
        std::vector<Entry> entries;
        for (const std::string &name : c.names)
            entries.push_back({name, "bytes of " + name});
        oneFile(entries);
        expectRefused(c.names.back(), c.reason);
    }
}

TEST_F(OneFileSetup, RefusesAnArchiveCutShortOrAltered)
{
    const std::string good = oneFile(typical());
    const std::size_t cityLocal = recordOf(good, "PK\3\4", 30, "My Pack/city.ar");
    const std::size_t carsLocal = recordOf(good, "PK\3\4", 30, "My Pack/cars.ar");
    const std::size_t carsCentral = recordOf(good, "PK\1\2", 46, "My Pack/cars.ar");
    const std::size_t cityCentral = recordOf(good, "PK\1\2", 46, "My Pack/city.ar");
    const struct
    {
        std::string what;
        std::function<void(std::string &)> alter;
        std::string reason;
    } cases[] = {
        {"cut by one byte", [](std::string &f) { f.pop_back(); }, "cut short"},
        {"cut in half", [](std::string &f) { f.resize(f.size() / 2); }, "cut short"},
        {"a stored byte flipped", [&](std::string &f) { f[cityLocal + 30 + 15 + 100] ^= 0x20; },
         "\"My Pack/city.ar\" whose CRC-32 does not match"},
        {"a packed byte flipped", [&](std::string &f) { f[carsLocal + 30 + 15 + 3] ^= 0x55; },
         "\"My Pack/cars.ar\""},
        {"a local name altered", [&](std::string &f) { f[cityLocal + 30 + 8] = 'k'; },
         "differs from its directory"},
        {"a size claim of 4 GiB",
         [&](std::string &f) {
             put32(f, carsCentral + 24, 0xFFFFFFF0u);
             put32(f, carsLocal + 22, 0xFFFFFFF0u);
         },
         "more than deflate can give"},
        {"a size claim too small",
         [&](std::string &f) {
             put32(f, carsCentral + 24, 1000);
             put32(f, carsLocal + 22, 1000);
         },
         "holds more than the 1000 bytes"},
        {"a link", [&](std::string &f) { put32(f, cityCentral + 38, 0120777u << 16); }, "that is a link"},
    };
    for (const auto &c : cases) {
        std::string altered = good;
        c.alter(altered);
        writeFile(program(), altered);
        expectRefused(c.what, c.reason);
    }
}
