#pragma once

#include <windows.h>

#include <string>

// Runs this program again on a desktop of its own and returns its exit code; -1 if that cannot be.
// Under Wine the child's windows are drawn on the display the test was given, whatever display (or
// none) the prefix's default desktop started with; on Windows they stay off the user's desktop.
// childMark is set in the child's environment, so that the child knows to run the checks itself.
inline int runOnOwnDesktop(const wchar_t *desktopName, const wchar_t *childMark)
{
    std::wstring name = desktopName;
    if (!CreateDesktopW(name.data(), nullptr, nullptr, 0, GENERIC_ALL, nullptr))
        return -1;
    SetEnvironmentVariableW(childMark, L"1");
    std::wstring desktop = L"WinSta0\\" + name;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop.data();
    PROCESS_INFORMATION child{};
    std::wstring commandLine = GetCommandLineW();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child))
        return -1;
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return int(code);
}
