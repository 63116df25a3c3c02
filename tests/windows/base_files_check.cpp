// Checks the Win32 file operations of the base on a real Windows (or Wine) file system: plain C++,
// one line per failure, then "N passed, M failed"; the exit code is non-zero on any failure.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>
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
    HANDLE search = ::FindFirstFileW((files::nativePath(folder) + L"\\*").c_str(), &found);
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
    return ::GetFileAttributesW(files::nativePath(path).c_str());
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
        ::SetFileAttributesW(files::nativePath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (attributes(path) & FILE_ATTRIBUTE_DIRECTORY)
            removeAll(path);
        else
            ::DeleteFileW(files::nativePath(path).c_str());
    }
    ::RemoveDirectoryW(files::nativePath(folder).c_str());
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

void checkStagedCopy(const std::string &dir)
{
    const std::string source = dir + "\\staged.ar";
    const std::string target = dir + "\\game\\staged.ar";
    const std::string staging = dir + "\\staging";
    ::CreateDirectoryW(widen(dir + "\\game").c_str(), nullptr);
    ::CreateDirectoryW(widen(staging).c_str(), nullptr);
    const std::string bytes = pattern(5 * 4096 + 3);
    write(source, bytes);
    write(target, "original");
    ::SetFileAttributesW(widen(source).c_str(), FILE_ATTRIBUTE_READONLY);

    files::CopyOptions options;
    options.stagingFolder = staging;
    options.maxChunkBytes = 4096;
    options.durable = true;
    options.keepSourcePermissions = false;
    std::string seen;
    options.written = [&](const char *data, std::size_t size) { seen.append(data, size); };
    std::string error;
    {
        files::StagedCopy dropped;
        check(dropped.stage(source, target, options, &error) == files::CopyOutcome::Copied,
              "stage: " + error);
        checkEqual(read(target), std::string("original"), "staging leaves the target");
        checkEqual(entries(staging), std::set<std::string>{".staged.ar.staged.writing"},
                   "the temporary is in the staging folder");
    }
    checkEqual(entries(staging), std::set<std::string>{}, "a dropped staged copy leaves nothing");
    checkEqual(read(target), std::string("original"), "a dropped staged copy leaves the target");

    seen.clear();
    files::StagedCopy staged;
    check(staged.stage(source, target, options, &error) == files::CopyOutcome::Copied, "stage: " + error);
    files::StagedCopy moved = std::move(staged);
    check(moved.publish(&error), "publish: " + error);
    checkEqual(read(target), bytes, "published bytes");
    checkEqual(seen, bytes, "the observer saw exactly the bytes written");
    check((attributes(target) & FILE_ATTRIBUTE_READONLY) == 0, "a copy not keeping permissions is writable");
    checkEqual(entries(staging), std::set<std::string>{}, "nothing left in the staging folder");
    checkEqual(entries(dir + "\\game"), std::set<std::string>{"staged.ar"}, "only the target in its folder");

    ::SetFileAttributesW(widen(target).c_str(), FILE_ATTRIBUTE_NORMAL);
    options = {};
    check(files::copyFile(source, target, options, &error) == files::CopyOutcome::Copied, "copy: " + error);
    check((attributes(target) & FILE_ATTRIBUTE_READONLY) != 0, "a copy keeping permissions is read-only");
    ::SetFileAttributesW(widen(target).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::SetFileAttributesW(widen(source).c_str(), FILE_ATTRIBUTE_NORMAL);

    check(files::isTemporaryName(".staged.ar.writing") && !files::isTemporaryName("staged.ar.writing") &&
              !files::isTemporaryName(".writing") && !files::isTemporaryName(".staged.ar"),
          "temporary names are recognised");
}

void checkJournalAndSpace(const std::string &dir)
{
    const std::string journal = dir + "\\journal";
    std::string error;
    check(files::appendDurably(journal, "one\n", &error), "append to a new file: " + error);
    check(files::appendDurably(journal, "two\n", &error), "append again: " + error);
    checkEqual(read(journal), std::string("one\ntwo\n"), "appends follow each other");

    const std::optional<files::VolumeSpace> space = files::volumeSpace(dir, &error);
    check(space.has_value(), "volume space: " + error);
    if (space) {
        const std::uint64_t unit = space->allocationUnit;
        check(unit >= 512 && (unit & (unit - 1)) == 0, "a cluster of " + std::to_string(unit) + " bytes");
        check(space->available > 0, "some space available");
    }
}

void checkFileLock(const std::string &dir)
{
    const std::string path = dir + "\\setup.lock";
    std::string error;
    files::FileLock first;
    files::FileLock second;
    check(first.tryAcquire(path, &error) == files::FileLock::Outcome::Acquired, "first lock: " + error);
    check(second.tryAcquire(path, &error) == files::FileLock::Outcome::Busy, "a second handle is refused");
    check(first.held() && !second.held(), "only the first holds it");
    first.release();
    check(second.tryAcquire(path, &error) == files::FileLock::Outcome::Acquired,
          "free after release: " + error);
    files::FileLock moved = std::move(second);
    check(first.tryAcquire(path, &error) == files::FileLock::Outcome::Busy, "a moved lock is still held");
    moved.removeAndRelease();
    check(attributes(path) == INVALID_FILE_ATTRIBUTES, "removeAndRelease leaves no file");
    check(first.tryAcquire(path, &error) == files::FileLock::Outcome::Acquired, "made again: " + error);
    first.removeAndRelease();
}

// A reader that opens the file over and over while it is rewritten never finds it missing.
void checkReplaceIsOneStep(const std::string &dir)
{
    const std::string path = dir + "\\record.ini";
    std::string error;
    files::replaceFileContent(path, "first", &error);
    std::atomic<bool> done = false;
    std::atomic<int> missing = 0;
    std::atomic<int> opened = 0;
    std::thread reader([&] {
        const std::wstring wide = widen(path);
        while (!done) {
            HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                const DWORD code = ::GetLastError();
                if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
                    ++missing;
                continue;
            }
            ++opened;
            ::CloseHandle(file);
            ::Sleep(0);
        }
    });
    int failures = 0;
    for (int i = 0; i < 200; ++i)
        failures += files::replaceFileContent(path, "round " + std::to_string(i), &error) ? 0 : 1;
    done = true;
    reader.join();
    checkEqual(failures, 0, "200 rewrites while a reader opens the file: " + error);
    checkEqual(missing.load(), 0, "the reader never found the file missing");
    check(opened > 0, "the reader opened the file");
    checkEqual(read(path), std::string("round 199"), "the last rewrite is there");
}

// The long form is given only where the classic limit is passed, and is taken literally by the
// system: separators, "." and ".." are settled before, never above the drive or the share.
void checkNativeForms()
{
    const std::string d(60, 'd');
    const std::wstring w(60, L'd');
    const struct
    {
        std::string path;
        std::wstring expected;
    } cases[] = {
        {"C:/short/./x/../y.ar", L"C:/short/./x/../y.ar"},
        {"C:/" + d + "/" + d + "/./" + d + "/x/../" + d + "//y.ar",
         L"\\\\?\\C:\\" + w + L"\\" + w + L"\\" + w + L"\\" + w + L"\\y.ar"},
        {"C:\\..\\..\\" + d + "\\" + d + "\\" + d + "\\" + d + "\\..",
         L"\\\\?\\C:\\" + w + L"\\" + w + L"\\" + w},
        {"\\\\server\\share\\..\\" + d + "\\" + d + "\\" + d + "\\" + d + "\\y.ar",
         L"\\\\?\\UNC\\server\\share\\" + w + L"\\" + w + L"\\" + w + L"\\" + w + L"\\y.ar"},
        {"\\\\?\\C:\\" + d + "\\..\\" + d + "\\" + d + "\\" + d + "\\" + d,
         L"\\\\?\\C:\\" + w + L"\\..\\" + w + L"\\" + w + L"\\" + w + L"\\" + w},
    };
    for (const auto &c : cases)
        check(files::nativePath(c.path) == c.expected,
              "native form of " + c.path + ": " + narrow(files::nativePath(c.path)));
    checkEqual(files::fromPath(files::toPath(cases[3].path)),
               "\\\\server\\share\\" + d + "\\" + d + "\\" + d + "\\" + d + "\\y.ar",
               "fromPath gives a share's long path back in its plain form");
}

// A game folder deeper than the classic path limit, in either separator and with "." and "..".
void checkLongPaths(const std::string &dir)
{
    std::string folder = dir;
    while (folder.size() < 300) {
        folder += "\\" + std::string(40, 'd');
        check(::CreateDirectoryW(files::nativePath(folder).c_str(), nullptr) != 0, "long folder " + folder);
    }
    const std::string file = folder + "\\record.ini";
    std::string error;
    check(files::replaceFileContent(file, "long", &error), "replace at a long path: " + error);
    checkEqual(files::readRegularFile(folder + "/./x/../record.ini", 100, &error).value_or(error),
               std::string("long"), "read through '/', '.' and '..'");
    check(files::copyFile(file, folder + "\\copy.ini", {}, &error) == files::CopyOutcome::Copied,
          "copy at a long path: " + error);
    check(files::sameFile(file, folder + "\\..\\" + std::string(40, 'd') + "\\record.ini"),
          "one file under two long names");
    const std::filesystem::path native = files::toPath(folder);
    check(native.native().rfind(L"\\\\?\\", 0) == 0, "toPath gives the long form");
    checkEqual(files::fromPath(native / L"record.ini"), file, "fromPath gives the plain form back");
    std::error_code ec;
    check(std::filesystem::is_regular_file(files::toPath(file), ec), "std::filesystem sees the file");
    checkEqual(files::folderEntries(folder), std::vector<std::string>{"copy.ini", "record.ini"},
               "the folder's entries");
    removeAll(dir + "\\" + std::string(40, 'd'));
    check(attributes(dir + "\\" + std::string(40, 'd')) == INVALID_FILE_ATTRIBUTES,
          "the long folders are removed");
}

} // namespace

int wmain()
{
    const std::string dir = makeScratchFolder();
    checkReplace(dir);
    checkRead(dir);
    checkCopy(dir);
    checkUnicodeNames(dir);
    checkStagedCopy(dir);
    checkJournalAndSpace(dir);
    checkFileLock(dir);
    checkReplaceIsOneStep(dir);
    checkNativeForms();
    checkLongPaths(dir);
    removeAll(dir);
    return check_tally::report();
}
