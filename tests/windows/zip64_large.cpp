// Archives past 2 GiB and 4 GiB written by the Windows build: Save as Zip of a package holding a
// file over 4 GiB (sparse, random bytes at its start, around 2 and 4 GiB and at its end), whose
// sizes need the Zip64 field; then an archive of stored entries whose second local header lies
// between 2 and 4 GiB, patched in place once its bytes are written, and whose last entry and
// central directory lie past 4 GiB. Everything stays in "zip64 check" beside this program for
// zip64_large.sh to read back with unzip and Python's zipfile, which then removes it.
// Plain C++, one line per failure, then "N passed, M failed".
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <windows.h>

#include "CheckTally.h"
#include "Files.h"
#include "PackageZip.h"
#include "Text.h"
#include "ZipWriter.h"

using check_tally::check;
using package::zip::ZipWriter;

namespace {

const std::string Folder = "zip64 check";
const std::string Package = Folder + "\\Big Pack";
constexpr std::uint64_t GiB = std::uint64_t(1) << 30;

struct Source
{
    std::string path;
    std::uint64_t size;
};

// A sparse file of the size with random bytes at the places given, written through 64-bit
// file positions.
bool writeSparse(const Source &source, std::vector<std::uint64_t> places, std::mt19937 &random)
{
    HANDLE file = CreateFileW(base::text::widen(source.path).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    LARGE_INTEGER end;
    end.QuadPart = LONGLONG(source.size);
    ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    for (std::uint64_t place : places) {
        std::string bytes(std::size_t(std::min<std::uint64_t>(5000, source.size)), '\0');
        for (char &c : bytes)
            c = static_cast<char>(random());
        LARGE_INTEGER at;
        at.QuadPart = LONGLONG(std::min(place, source.size - bytes.size()));
        DWORD written = 0;
        ok = ok && SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
             WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    }
    return CloseHandle(file) && ok;
}

bool storeFile(ZipWriter &writer, const std::string &name, const Source &source, std::string *error)
{
    HANDLE file = CreateFileW(base::text::widen(source.path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = writer.beginFile(name, 0, source.size, ZipWriter::Method::Store, error);
    std::vector<char> chunk(1 << 20);
    for (DWORD got = 0; ok && ReadFile(file, chunk.data(), DWORD(chunk.size()), &got, nullptr) && got > 0;)
        ok = writer.write(chunk.data(), got, error);
    CloseHandle(file);
    return ok && writer.endFile(error);
}

} // namespace

int wmain()
{
    CreateDirectoryW(base::text::widen(Folder).c_str(), nullptr);
    CreateDirectoryW(base::text::widen(Package).c_str(), nullptr);
    std::mt19937 random(64);
    std::string error;

    const Source big{Package + "\\grosse Stra\xc3\x9f"
                               "e.ar",
                     4 * GiB + 4097};
    check(base::files::replaceFileContent(Package + "\\install.ini", "[install.ini]\r\nName=Big Pack\r\n",
                                          &error),
          "install.ini is written: " + error);
    check(writeSparse(big, {0, 2 * GiB - 2500, 4 * GiB - 3000, big.size}, random), "the file over 4 GiB");
    check(package::zip::packFolder(Package, "Big Pack", {"install.ini"}, Folder + "\\Big Pack.zip", {},
                                   &error) == package::zip::PackOutcome::Packed,
          "Save as Zip packs the file over 4 GiB: " + error);

    const Source first{Folder + "\\first.ar", 3 * GiB};
    const Source second{Folder + "\\second.ar", 3 * GiB / 2};
    const Source after{Folder + "\\after.txt", 21};
    check(writeSparse(first, {0, 2 * GiB - 2500, first.size}, random) &&
              writeSparse(second, {0, GiB - 2500, second.size}, random) && writeSparse(after, {0}, random),
          "the stored entries' files");
    ZipWriter writer(Folder + "\\stored.zip");
    const bool stored = writer.open(&error) && storeFile(writer, "first.ar", first, &error) &&
                        storeFile(writer, "second.ar", second, &error) &&
                        storeFile(writer, "after.txt", after, &error) && writer.commit(&error);
    check(stored, "the stored archive past 4 GiB is complete: " + error);
    return check_tally::report();
}
