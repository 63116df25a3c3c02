#include "ElevatedRun.h"

#include <shellapi.h>

#include "Elevation.h"
#include "Files.h"
#include "Text.h"
#include "WinText.h"

namespace installer::win {

namespace {

std::wstring programPath()
{
    return base::text::widen(base::files::runningProgram());
}

std::string systemMessage(DWORD code)
{
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", length);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : utf8(message);
}

} // namespace

bool isProcessElevated()
{
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw))
        return false;
    UniqueHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::GetTokenInformation(raw, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

UniqueHandle startElevated(HWND owner, const std::string &packageFolder, const std::string &gameFolder,
                           std::string *error)
{
    const std::wstring program = programPath();
    const std::wstring parameters = wide(elevatedParameters(packageFolder, gameFolder));
    const std::wstring directory = wide(packageFolder);
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    run.hwnd = owner;
    run.lpVerb = L"runas";
    run.lpFile = program.c_str();
    run.lpParameters = parameters.c_str();
    run.lpDirectory = directory.c_str();
    run.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&run) || !run.hProcess) {
        const DWORD code = ::GetLastError();
        *error = code == ERROR_CANCELLED ? std::string() : systemMessage(code);
        return UniqueHandle();
    }
    return UniqueHandle(run.hProcess);
}

} // namespace installer::win
