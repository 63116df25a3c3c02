// Checks the Win32 file operations of the base on a real Windows (or Wine) file system: plain C++,
// one line per failure, then "N passed, M failed"; the exit code is non-zero on any failure.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "CheckTally.h"
#include "Files.h"
#include "Text.h"

namespace files = base::files;
using base::text::narrow;
using base::text::widen;

namespace {

using check_tally::check;

template <typename T> void checkEqual(const T &actual, const T &expected, const std::string &what)
{
    check(actual == expected, what);
}

std::string read(const std::string &path)
{
    return files::readRegularFile(path, 1 << 30, nullptr).value_or("<unreadable>");
}

void write(const std::string &path, const std::string &bytes)
{
    HANDLE file = ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

// Every name in the folder, hidden ones included, as UTF-8.
std::set<std::string> entries(const std::string &folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW(widen(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.insert(narrow(name));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

DWORD attributes(const std::string &path)
{
    return ::GetFileAttributesW(widen(path).c_str());
}

std::string makeScratchFolder()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::string folder = narrow(temp) + "base-files-" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryW(widen(folder).c_str(), nullptr);
    return folder;
}

void removeAll(const std::string &folder)
{
    for (const std::string &name : entries(folder)) {
        const std::string path = folder + "\\" + name;
        ::SetFileAttributesW(widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes(path) & FILE_ATTRIBUTE_DIRECTORY)
            removeAll(path);
        else
            ::DeleteFileW(widen(path).c_str());
    }
    ::RemoveDirectoryW(widen(folder).c_str());
}

std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 131) ^ (i >> 9));
    return bytes;
}

void checkReplace(const std::string &dir)
{
    const std::string ini = dir + "\\install.ini";
    std::string error;
    check(files::replaceFileContent(ini, "[a]\r\nb=1\r\n", &error), "replace creates a new file: " + error);
    checkEqual(read(ini), std::string("[a]\r\nb=1\r\n"), "new file's bytes");
    ::SetFileAttributesW(widen(ini).c_str(), FILE_ATTRIBUTE_HIDDEN);
    write(dir + "\\.install.ini.writing", "left by a killed write");
    check(files::replaceFileContent(ini, "[a]\r\nb=2\r\n", &error),
          "replace over an existing file: " + error);
    checkEqual(read(ini), std::string("[a]\r\nb=2\r\n"), "replaced file's bytes");
    check((attributes(ini) & FILE_ATTRIBUTE_HIDDEN) != 0, "the replaced file keeps its attributes");
    checkEqual(entries(dir), std::set<std::string>{"install.ini"},
               "no temporary left, the stray one removed");

    const std::string locked = dir + "\\locked.ini";
    write(locked, "locked");
    ::SetFileAttributesW(widen(locked).c_str(), FILE_ATTRIBUTE_READONLY);
    error.clear();
    check(!files::replaceFileContent(locked, "new", &error), "a read-only file is not replaced");
    check(error.rfind(locked + ": ", 0) == 0 && error.size() > locked.size() + 2,
          "the refusal names it: " + error);
    checkEqual(read(locked), std::string("locked"), "the read-only file is unchanged");
    ::SetFileAttributesW(widen(locked).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(widen(locked).c_str());
    checkEqual(entries(dir), std::set<std::string>{"install.ini"}, "no temporary after the refusal");
}

void checkRead(const std::string &dir)
{
    std::string error;
    write(dir + "\\readme.txt", std::string("a\0b", 3));
    check(files::readRegularFile(dir + "\\readme.txt", 3, &error) == std::string("a\0b", 3),
          "reads up to the cap");
    check(!files::readRegularFile(dir + "\\readme.txt", 2, &error), "refuses a longer file");
    checkEqual(error, dir + "\\readme.txt: File too large", "names the longer file");
    check(!files::readRegularFile(dir, 100, &error), "refuses a folder");
    checkEqual(error, dir + ": Is a directory", "names the folder");
    check(!files::readRegularFile("NUL", 100, &error), "refuses a device");
    checkEqual(error, std::string("NUL: Not a regular file"), "names the device");
    ::DeleteFileW(widen(dir + "\\readme.txt").c_str());
}

void checkCopy(const std::string &dir)
{
    const std::string source = dir + "\\big.ar";
    const std::string target = dir + "\\pkg\\big.ar";
    ::CreateDirectoryW(widen(dir + "\\pkg").c_str(), nullptr);
    const std::string bytes = pattern(3 * 4096 + 17);
    write(source, bytes);

    files::CopyOptions options;
    options.maxChunkBytes = 4096;
    std::vector<std::uint64_t> seen;
    options.progress = [&](std::uint64_t copied, std::uint64_t total) {
        seen.push_back(copied);
        return total == bytes.size();
    };
    std::string error;
    check(files::copyFile(source, target, options, &error) == files::CopyOutcome::Copied, "copy: " + error);
    checkEqual(read(target), bytes, "copied bytes");
    checkEqual(seen, std::vector<std::uint64_t>{4096, 8192, 12288, 12305}, "progress between chunks");

    write(target, "previous");
    options.progress = [](std::uint64_t copied, std::uint64_t) { return copied < 8192; };
    check(files::copyFile(source, target, options, &error) == files::CopyOutcome::Cancelled,
          "copy cancelled");
    checkEqual(read(target), std::string("previous"), "a cancelled copy leaves the target");
    checkEqual(entries(dir + "\\pkg"), std::set<std::string>{"big.ar"},
               "a cancelled copy leaves no temporary");

    check(files::copyFile(source, dir + "\\.\\big.ar", {}, &error) == files::CopyOutcome::SameFile,
          "a file copied onto itself is recognised");
    check(files::sameFile(source, dir + "\\pkg\\..\\big.ar"), "one file under two names");
    check(!files::sameFile(source, target), "two files are two files");

    ::SetFileAttributesW(widen(target).c_str(), FILE_ATTRIBUTE_READONLY);
    error.clear();
    check(files::copyFile(source, target, {}, &error) == files::CopyOutcome::Failed,
          "a read-only target is refused");
    check(error.rfind(target + ": ", 0) == 0, "the refusal names the target: " + error);
    checkEqual(read(target), std::string("previous"), "the read-only target is unchanged");
    ::SetFileAttributesW(widen(target).c_str(), FILE_ATTRIBUTE_NORMAL);
}

void checkUnicodeNames(const std::string &dir)
{
    // é, ß and Japanese, in a folder name and a file name.
    const std::string folder = dir + "\\Caf\xC3\xA9 Stra\xC3\x9F"
                                     "e";
    const std::string name = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.ar";
    ::CreateDirectoryW(widen(folder).c_str(), nullptr);
    std::string error;
    check(files::replaceFileContent(folder + "\\" + name, "track", &error),
          "replace with a UTF-8 name: " + error);
    check(files::copyFile(folder + "\\" + name, folder + "\\copy " + name, {}, &error) ==
              files::CopyOutcome::Copied,
          "copy with UTF-8 names: " + error);
    checkEqual(entries(folder), std::set<std::string>{name, "copy " + name},
               "the names are the given characters");
    checkEqual(read(folder + "\\copy " + name), std::string("track"), "the copy's bytes");
    const std::wstring wide = L"Caf\u00e9 Stra\u00dfe\\\u65e5\u672c\u8a9e.ar";
    checkEqual(files::toPath(folder + "\\" + name).wstring(), widen(dir) + L"\\" + wide,
               "toPath reads UTF-8");
    checkEqual(files::fromPath(files::toPath(folder + "\\" + name)), folder + "\\" + name,
               "fromPath gives it back");
}

} // namespace

int wmain()
{
    const std::string dir = makeScratchFolder();
    checkReplace(dir);
    checkRead(dir);
    checkCopy(dir);
    checkUnicodeNames(dir);
    removeAll(dir);
    return check_tally::report();
}
