// Checks the digests of the Windows build, computed by CNG, on a real Windows (or Wine): the
// standard's vectors whole and in pieces, and files read through the Win32 calls. One line per
// failure, then "N passed, M failed"; the exit code is non-zero on any failure.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include <windows.h>

#include "../common/Sha256Vectors.h"
#include "CheckTally.h"
#include "Sha256.h"
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

// The test vectors of FIPS 180-4's examples (NIST), each hashed whole and fed in odd pieces to
// one object that finish() starts over.
void checkStandardVectors()
{
    const auto &vectors = Sha256StandardVectors;
    installer::Sha256 sha;
    check(sha.failure().empty(), "CNG gives a SHA-256: " + sha.failure());
    for (const auto &[message, digest] : vectors) {
        const std::string name = std::to_string(message.size()) + " bytes";
        check(installer::sha256Hex(message) == digest, name + " whole");
        for (std::size_t at = 0, piece = 0; at < message.size(); at += piece) {
            piece = std::min(message.size() - at, (at * 7 + 3) % 97); // 3, 10, 0, ... bytes
            sha.update(message.data() + at, piece);
        }
        std::string reason;
        const auto pieces = sha.tryFinish(&reason);
        check(pieces && installer::Sha256::hex(*pieces) == digest, name + " in pieces: " + reason);
    }
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
    checkStandardVectors();
    checkFiles(dir);
    ::RemoveDirectoryW(widen(dir).c_str());
    return check_tally::report();
}
