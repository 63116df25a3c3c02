// Checks the digests of the Windows build on a real Windows (or Wine) file system: both engines,
// and files read through the Win32 calls. One line per failure, then "N passed, M failed"; the
// exit code is non-zero on any failure.
#include <cstdio>
#include <string>

#include <windows.h>

#include "CheckTally.h"
#include "Sha256.h"
#include "Sha256Testing.h"
#include "Text.h"

using base::text::narrow;
using base::text::widen;

namespace {

using check_tally::check;

void write(const std::string &path, const std::string &bytes)
{
    HANDLE file = ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

void checkEngines()
{
    for (const bool portable : {true, false}) {
        installer::sha256_testing::forcePortable(portable);
        const std::string engine = portable ? "portable: " : "processor: ";
        check(installer::sha256Hex("abc") ==
                  "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
              engine + "abc");
        check(installer::sha256Hex(std::string(1000000, 'a')) ==
                  "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
              engine + "a million a");
    }
    installer::sha256_testing::forcePortable(false);
}

void checkFiles(const std::string &dir)
{
    std::string bytes((std::size_t(2) << 20) + 3, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 131) ^ (i >> 9));
    const std::string file = dir + "\\pist\xC3\xA9.ar"; // "pisté.ar"
    write(file, bytes);
    std::string error;
    const auto digest = installer::digestOfFile(file, &error);
    check(digest && digest->size == bytes.size() && digest->sha256 == installer::sha256Hex(bytes),
          "a file of three chunks: " + error);

    int chunks = 0;
    check(!installer::digestOfFile(file, &error, [&] { return ++chunks < 2; }) && chunks == 2 &&
              error.find("stopped") != std::string::npos,
          "stopped after the second chunk: " + error);

    ::CreateDirectoryW(widen(dir + "\\folder.ar").c_str(), nullptr);
    check(!installer::digestOfFile(dir + "\\folder.ar", &error) &&
              error == dir + "\\folder.ar: Is a directory",
          "a folder is refused: " + error);
    check(!installer::digestOfFile(dir + "\\missing.ar", &error) && error.starts_with(dir + "\\missing.ar: "),
          "a missing file is refused: " + error);
    check(!installer::digestOfFile("NUL", &error), "a device is refused: " + error);

    ::DeleteFileW(widen(file).c_str());
    ::RemoveDirectoryW(widen(dir + "\\folder.ar").c_str());
}

} // namespace

int wmain()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::string dir = narrow(temp) + "sha256-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryW(widen(dir).c_str(), nullptr);
    checkEngines();
    checkFiles(dir);
    ::RemoveDirectoryW(widen(dir).c_str());
    return check_tally::report();
}
