// Checks the INI access of the wizard on a Windows (or Wine) file system: values and bytes on disk,
// a file changed behind the cache, read-only files, and the folder lock that keeps two writers from
// losing each other's entries. Plain C++, one line per failure, then "N passed, M failed".
#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>

#include <windows.h>

#include "CheckTally.h"
#include "Files.h"
#include "IniFileSystem.h"
#include "IniFuncs.h"
#include "Text.h"

namespace files = base::files;
using base::text::narrow;
using base::text::widen;
using check_tally::check;

namespace {

std::string read(const std::string &path)
{
    return files::readRegularFile(path, 1 << 20, nullptr).value_or("<unreadable>");
}

void write(const std::string &path, const std::string &bytes)
{
    HANDLE file = ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::set<std::string> entries(const std::string &folder)
{
    std::set<std::string> names;
    for (const std::string &name : files::folderEntries(folder))
        names.insert(name);
    return names;
}

std::string makeFolder()
{
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::string folder =
        narrow(temp) + "ini check \xc3\xa9\xe6\xbc\xa2 " + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryW(widen(folder).c_str(), nullptr);
    return folder;
}

void valuesAndBytes(const std::string &folder)
{
    const std::string ini = folder + "\\install.ini";
    WriteINI(ini, "install.ini", "Name", "My Pack \xc3\xa9");
    WriteINI(ini, "install.ini", "Copyright", "(c) Jo\r\nAll");
    check(read(ini) == "[install.ini]\r\nName=My Pack \xc3\xa9\r\nCopyright=(c) Jo  All\r\n",
          "bytes on disk");
    check(ReadINI(ini, "INSTALL.INI", "name", "") == "My Pack \xc3\xa9", "read back without regard to case");
    check(ReadINI(ini, "install.ini", std::string("Name\0ignored", 12), "") == "My Pack \xc3\xa9",
          "a key ends at its NUL");

    // Changed behind the cache at once, same size and all: read afresh.
    write(ini, "[install.ini]\r\nName=Their Pac\xc3\xa9\r\nCopyright=(c) Jo  All\r\n");
    check(ReadINI(ini, "install.ini", "Name", "") == "Their Pac\xc3\xa9",
          "a file changed by another is read afresh");

    ::SetFileAttributesW(widen(ini).c_str(), FILE_ATTRIBUTE_READONLY);
    WriteINI(ini, "install.ini", "Name", "refused");
    check(ReadINI(ini, "install.ini", "Name", "") == "Their Pac\xc3\xa9", "a read-only file is left alone");
    ::SetFileAttributesW(widen(ini).c_str(), FILE_ATTRIBUTE_NORMAL);

    WriteINI(folder + "\\missing\\temp.ini", "Files", "File1", "x");
    check(!entries(folder).contains("missing"), "no folder is made for a write");
    check(ReadINI(folder + "\\missing\\temp.ini", "Files", "File1", "none") == "none",
          "a missing file reads the default");
}

// A write waits for the folder's lock; the lock file goes with its last user.
void folderLock(const std::string &folder)
{
    const std::string ini = folder + "\\temp.ini";
    std::atomic<bool> written{false};
    std::thread writer;
    {
        const Ini::system::FolderLock held(ini, Ini::system::FolderLock::Mode::Exclusive);
        check(held.held(), "the folder's lock is taken");
        writer = std::thread([&] {
            WriteINI(ini, "Files", "File1", "a.ar");
            written = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        check(!written, "a writer waits while another holds the folder's lock");
    }
    writer.join();
    {
        const Ini::system::FolderLock first(ini, Ini::system::FolderLock::Mode::Shared);
        const Ini::system::FolderLock second(ini, Ini::system::FolderLock::Mode::Shared);
        check(first.held() && second.held(), "readers share the folder's lock");
    }
    check(written && ReadINI(ini, "Files", "File1", "") == "a.ar",
          "the writer goes on once the lock is let go");
    check(entries(folder) == std::set<std::string>{"install.ini", "temp.ini"}, "no lock file is left behind");

    // Many writers at once lose no entry.
    std::thread others[4];
    for (int t = 0; t < 4; ++t)
        others[t] = std::thread([&, t] {
            for (int i = 0; i < 10; ++i)
                WriteINI(ini, "Files", "T" + std::to_string(t) + "K" + std::to_string(i), "v");
        });
    for (std::thread &t : others)
        t.join();
    int found = 0;
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 10; ++i)
            found += ReadINI(ini, "Files", "T" + std::to_string(t) + "K" + std::to_string(i), "") == "v";
    check(found == 40, "writers at once keep each other's entries");
    check(entries(folder) == std::set<std::string>{"install.ini", "temp.ini"},
          "still no lock file left behind");
}

} // namespace

int wmain()
{
    const std::string folder = makeFolder();
    valuesAndBytes(folder);
    folderLock(folder);
    for (const std::string &name : files::folderEntries(folder))
        ::DeleteFileW(widen(folder + "\\" + name).c_str());
    ::RemoveDirectoryW(widen(folder).c_str());
    return check_tally::report();
}
