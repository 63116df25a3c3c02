#include "KeptInstaller.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "Files.h"
#include "InstallRecord.h"
#include "ProgramsList.h"
#include "Text.h"

namespace setup_windows {

namespace {

// Carries the handle of the handing program to the copy it starts.
constexpr wchar_t WaitVariable[] = L"QUERNEL_UNINSTALL_WAIT_FOR";

std::wstring lowerCase(std::wstring text)
{
    CharLowerBuffW(text.data(), DWORD(text.size()));
    return text;
}

bool isKeptCopy()
{
    const std::wstring path = base::text::widen(base::files::runningProgram());
    const std::size_t separator = path.find_last_of(L"\\/");
    const std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    return lowerCase(name) == lowerCase(base::text::widen(installer::keptInstallerFileName()));
}

HANDLE inheritableStandardHandle(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return nullptr;
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return handle;
}

} // namespace

bool handOverRemoval(const std::vector<std::string> &arguments)
{
    if (std::find(arguments.begin(), arguments.end(), "--uninstall") == arguments.end() || !isKeptCopy() ||
        GetEnvironmentVariableW(WaitVariable, nullptr, 0) != 0)
        return false;

    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t copy[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"QUn", 0, copy) == 0)
        return false;
    const std::wstring self = base::text::widen(base::files::runningProgram());
    if (!CopyFileW(self.c_str(), copy, FALSE)) {
        DeleteFileW(copy);
        return false;
    }

    HANDLE handing = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &handing, SYNCHRONIZE,
                         TRUE, 0)) {
        DeleteFileW(copy);
        return false;
    }
    SetEnvironmentVariableW(WaitVariable, std::to_wstring(reinterpret_cast<std::uintptr_t>(handing)).c_str());

    std::string commandLine = installer::quotedArgument(base::text::narrow(copy));
    for (const std::string &argument : arguments)
        commandLine += ' ' + installer::quotedArgument(argument);
    std::wstring wideCommandLine = base::text::widen(commandLine);

    // Its output goes where this program's would have gone.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE out = inheritableStandardHandle(STD_OUTPUT_HANDLE);
    HANDLE err = inheritableStandardHandle(STD_ERROR_HANDLE);
    if (out || err) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = inheritableStandardHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out;
        startup.hStdError = err;
    }
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(copy, wideCommandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                   &startup, &started);
    SetEnvironmentVariableW(WaitVariable, nullptr);
    if (!ok) {
        CloseHandle(handing);
        DeleteFileW(copy);
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

void waitForHandingProgram()
{
    wchar_t value[32] = {};
    if (GetEnvironmentVariableW(WaitVariable, value, 32) == 0)
        return;
    SetEnvironmentVariableW(WaitVariable, nullptr);
    HANDLE handing = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::wcstoull(value, nullptr, 10)));
    WaitForSingleObject(handing, 60 * 1000);
    CloseHandle(handing);
    // This copy in the temporary folder goes at the next start of Windows where that is allowed;
    // the temporary folder is the system's to clean otherwise.
    const std::wstring self = base::text::widen(base::files::runningProgram());
    MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

} // namespace setup_windows
