// Checks the running program's platform on a real Windows (or Wine): the current and program
// folders with names in several scripts, and a started program's arguments and working folder.
// The program starting is a copy of this one, which then writes what it sees into a marker file.
// One line per failure, then "N passed, M failed".
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include <shellapi.h>

#include "CheckTally.h"
#include "Files.h"
#include "SystemPlatform.h"
#include "Text.h"

using base::text::narrow;
using base::text::widen;
using check_tally::check;

namespace {

constexpr wchar_t MarkerSwitch[] = L"--write-marker";

bool writeFile(const std::string &path, const std::string &bytes)
{
    const HANDLE file =
        ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    ::CloseHandle(file);
    return ok;
}

// The started copy: its program folder, its current folder and its arguments as
// CommandLineToArgvW reads them (after the switch and the marker's path), one a line.
int writeMarker()
{
    int count = 0;
    wchar_t **argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv || count < 3)
        return 2;
    const std::string marker = narrow(argv[2]);
    const platform::SystemPlatform system;
    std::string text = system.programFolder() + "\n" + system.currentFolder() + "\n";
    for (int i = 3; i < count; ++i)
        text += "[" + narrow(argv[i]) + "]\n";
    ::LocalFree(argv);
    // Whole or nothing: the waiting check never reads half a marker.
    const std::string partial = marker + ".part";
    if (!writeFile(partial, text))
        return 3;
    return ::MoveFileExW(widen(partial).c_str(), widen(marker).c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}

std::string readFile(const std::string &path)
{
    return base::files::readRegularFile(path, 1 << 20, nullptr).value_or("");
}

std::string makeFolder(const std::string &path)
{
    ::CreateDirectoryW(widen(path).c_str(), nullptr);
    return path;
}

std::string temporaryFolder()
{
    wchar_t temp[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    std::string folder = narrow(std::wstring(temp, length));
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

void checkStartedProgram(const std::string &scratch)
{
    platform::SystemPlatform system;
    const std::string programs = makeFolder(scratch + "\\Programme été");
    const std::string working = makeFolder(scratch + "\\travail 日本 é");
    const std::string copy = programs + "\\marqueur é.exe";
    check(::CopyFileW(widen(base::files::runningProgram()).c_str(), widen(copy).c_str(), FALSE) != 0,
          "copy this program to " + copy);
    const std::string marker = scratch + "\\marqueur ß.txt";

    check(::SetCurrentDirectoryW(widen(working).c_str()) != 0, "enter " + working);
    check(system.currentFolder() == working, "the current folder is " + system.currentFolder());

    const std::vector<std::string> arguments{"simple",        "with blank", "",
                                             "quote\"inside", "trailing\\", "back\\\\slashes\\\" quote",
                                             "été 日本",      "a\tb"};
    std::vector<std::string> passed{narrow(MarkerSwitch), marker};
    passed.insert(passed.end(), arguments.begin(), arguments.end());
    std::string error;
    // Named in full, and without its extension as the pages name the program folder's installer.
    for (const std::string &name : {copy, copy.substr(0, copy.size() - 4)}) {
        ::DeleteFileW(widen(marker).c_str());
        check(system.startProgram(name, passed, &error), "start " + name + ": " + error);

        std::string written;
        for (int waited = 0; waited < 300 && written.empty(); ++waited) {
            ::Sleep(100);
            written = readFile(marker);
        }
        std::string expected = programs + "\n" + working + "\n";
        for (const std::string &argument : arguments)
            expected += "[" + argument + "]\n";
        check(written == expected, "the started program saw:\n" + written + "expected:\n" + expected);
    }

    error.clear();
    check(!system.startProgram(programs + "\\absent.exe", {}, &error) &&
              error == programs + "\\absent.exe: No such file or directory",
          "an absent program is refused: " + error);
    error.clear();
    check(!system.startProgram(programs, {}, &error) && error == programs + ": Permission denied",
          "a folder is no program: " + error);
    check(!system.openFolder(programs + "\\absent", &error) && error == programs + "\\absent: No such folder",
          "an absent folder is not shown: " + error);
    check(system.wineLauncher().empty(), "no Wine launcher on Windows");
    check(system.runsWindowsPrograms(), "Windows programs start by themselves on Windows");

    ::SetCurrentDirectoryW(widen(scratch).c_str());
    ::DeleteFileW(widen(marker).c_str());
    ::DeleteFileW(widen(copy).c_str());
    ::RemoveDirectoryW(widen(programs).c_str());
    ::RemoveDirectoryW(widen(working).c_str());
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc > 1 && std::wstring(argv[1]) == MarkerSwitch)
        return writeMarker();

    const std::string scratch =
        makeFolder(temporaryFolder() + "\\plate-forme é 日本 " + std::to_string(::GetCurrentProcessId()));
    const std::string running = base::files::runningProgram();
    check(platform::SystemPlatform().programFolder() == running.substr(0, running.find_last_of('\\')),
          "the program folder is " + platform::SystemPlatform().programFolder());
    checkStartedProgram(scratch);
    const std::wstring wide = widen(temporaryFolder());
    ::SetCurrentDirectoryW(wide.c_str());
    ::RemoveDirectoryW(widen(scratch).c_str());
    return check_tally::report();
}
