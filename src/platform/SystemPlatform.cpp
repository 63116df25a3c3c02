#include "SystemPlatform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "FileOps.h"
#include "FileUrl.h"
#include "Files.h"
#include "Form.h"
#include "Text.h"
#include "Wine.h"

#ifdef _WIN32
// After Form.h: its message box constants have the names of windows.h's macros.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#endif

#ifndef _WIN32
extern char **environ;
#endif

namespace platform {

namespace {

void setError(std::string *error, std::string text)
{
    if (error)
        *error = std::move(text);
}

// The folder part of a path: no trailing separator unless it is the root.
std::string folderOf(const std::string &path)
{
    const std::size_t last = path.find_last_of(separator());
    if (last == std::string::npos)
        return ".";
    return path.substr(0, last == 0 ? 1 : last);
}

#ifdef _WIN32
// One argument as CommandLineToArgvW reads it back: quoted when empty or holding a blank, a tab
// or a quote; inside quotes, backslashes double only where a quote follows them.
std::wstring quotedArgument(const std::wstring &argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

// A path as the shell takes it: "\" separators and no "\\?\" prefix, which the shell does not take.
std::wstring shellPath(const std::string &path)
{
    std::wstring wide = base::text::widen(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}

DWORD attributesOf(const std::string &path)
{
    return ::GetFileAttributesW(base::files::nativePath(path).c_str());
}

// The shell and COM, loaded from the system folder at the first program or folder started:
// loaded at start-up with the program, shell32 and the half dozen DLLs behind it would delay
// the first window for something most runs never use.
struct ShellFunctions
{
    using CoInitializeExFn = HRESULT(WINAPI *)(LPVOID, DWORD);
    using CoUninitializeFn = void(WINAPI *)();
    using ShellExecuteExFn = BOOL(WINAPI *)(SHELLEXECUTEINFOW *);
    CoInitializeExFn coInitializeEx = nullptr;
    CoUninitializeFn coUninitialize = nullptr;
    ShellExecuteExFn shellExecuteEx = nullptr;
    DWORD failure = 0;
};

HMODULE systemLibrary(const wchar_t *name)
{
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    return ::LoadLibraryW((std::wstring(folder, length) + L"\\" + name).c_str());
}

template <class Function> Function functionOf(HMODULE library, const char *name)
{
    return library ? reinterpret_cast<Function>(reinterpret_cast<void *>(::GetProcAddress(library, name)))
                   : nullptr;
}

const ShellFunctions &shellFunctions()
{
    static const ShellFunctions loaded = [] {
        ShellFunctions functions;
        const HMODULE ole = systemLibrary(L"ole32.dll");
        const HMODULE shell = systemLibrary(L"shell32.dll");
        functions.coInitializeEx = functionOf<ShellFunctions::CoInitializeExFn>(ole, "CoInitializeEx");
        functions.coUninitialize = functionOf<ShellFunctions::CoUninitializeFn>(ole, "CoUninitialize");
        functions.shellExecuteEx = functionOf<ShellFunctions::ShellExecuteExFn>(shell, "ShellExecuteExW");
        if (!functions.coInitializeEx || !functions.coUninitialize || !functions.shellExecuteEx)
            functions.failure = ::GetLastError() ? ::GetLastError() : ERROR_PROC_NOT_FOUND;
        return functions;
    }();
    return loaded;
}

// Lets the shell start file with verb and these parameters in folder, without waiting for it
// and without any dialog of its own; 0 or the system's error code.
DWORD shellExecute(const wchar_t *verb, const std::wstring &file, const std::wstring &parameters,
                   const std::wstring &folder)
{
    const ShellFunctions &shell = shellFunctions();
    if (shell.failure)
        return shell.failure;
    // The shell may hand the verb to extensions that want COM in a single-threaded apartment;
    // a thread already in another apartment keeps it.
    const HRESULT com = shell.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = verb;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    const DWORD failure = shell.shellExecuteEx(&info) ? 0
                          : ::GetLastError()          ? ::GetLastError()
                                                      : ERROR_GEN_FAILURE;
    if (info.hProcess)
        ::CloseHandle(info.hProcess);
    if (SUCCEEDED(com))
        shell.coUninitialize();
    return failure;
}
#endif

#ifndef _WIN32
// Starts the program in a session of its own with default signal handling, without waiting
// for it. A thread waits for its end, so that no finished child stays behind as a zombie and
// no other child of the program is reaped by mistake. 0 or the errno of the failure.
int spawnDetached(const char *program, bool searchPath, const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program));
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    posix_spawnattr_setflags(&attributes, flags);

    pid_t pid = 0;
    const int result = searchPath ? ::posix_spawnp(&pid, program, nullptr, &attributes, argv.data(), environ)
                                  : ::posix_spawn(&pid, program, nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (result != 0)
        return result;
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}
#endif

} // namespace

std::string SystemPlatform::programFolder() const
{
#ifdef _WIN32
    std::string utf8 = base::files::runningProgram();
    if (utf8.rfind("\\\\?\\", 0) == 0 && utf8.rfind("\\\\?\\UNC\\", 0) != 0)
        utf8.erase(0, 4);
    const std::size_t last = utf8.find_last_of("\\/");
    if (last == std::string::npos)
        return utf8;
    // "C:\setup.exe" is in "C:\", the root keeps its separator.
    return utf8.substr(0, last == 2 && utf8[1] == ':' ? 3 : last);
#else
    return folderOf(base::files::runningProgram());
#endif
}

std::string SystemPlatform::currentFolder() const
{
#ifdef _WIN32
    const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
    if (length == 0)
        return {};
    std::wstring path(length, L'\0');
    const DWORD written = ::GetCurrentDirectoryW(length, path.data());
    if (written == 0 || written >= length)
        return {};
    path.resize(written);
    return base::text::narrow(path);
#else
    // getcwd fails with ENOENT once the folder is removed.
    std::string path(256, '\0');
    for (;;) {
        if (::getcwd(path.data(), path.size())) {
            path.resize(std::strlen(path.c_str()));
            return path;
        }
        if (errno != ERANGE)
            return {};
        path.resize(path.size() * 2);
    }
#endif
}

bool SystemPlatform::createFolder(const std::string &path, std::string *error)
{
    return fileops::createFolder(path, error);
}

CopyOutcome SystemPlatform::copyFile(const std::string &source, const std::string &target, std::string *error)
{
    // Large files keep the windows live: events run between the chunks.
    return fileops::copyFile(source, target, error, [] { form::runtime().doEvents(); });
}

bool SystemPlatform::deleteFile(const std::string &path, std::string *error)
{
    return fileops::deleteFile(path, error);
}

std::int64_t SystemPlatform::fileLength(const std::string &path, std::string *error)
{
    return fileops::fileLength(path, error);
}

bool SystemPlatform::startProgram(const std::string &path, const std::vector<std::string> &arguments,
                                  std::string *error)
{
#ifdef _WIN32
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        setError(error, path + ": No such file or directory");
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        setError(error, path + ": Permission denied");
        return false;
    }
    std::wstring parameters;
    for (const std::string &argument : arguments)
        parameters += (parameters.empty() ? L"" : L" ") + quotedArgument(base::text::widen(argument));
    if (const DWORD failure =
            shellExecute(L"open", shellPath(path), parameters, shellPath(currentFolder()))) {
        setError(error, path + ": " + base::files::systemReason(failure));
        return false;
    }
    return true;
#else
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        setError(error, path + ": No such file or directory");
        return false;
    }
    if (S_ISDIR(st.st_mode) || ::access(path.c_str(), X_OK) != 0) {
        setError(error, path + ": Permission denied");
        return false;
    }
    if (const int failure = spawnDetached(path.c_str(), false, arguments)) {
        setError(error, path + ": " + std::strerror(failure));
        return false;
    }
    return true;
#endif
}

std::string SystemPlatform::wineLauncher() const
{
#ifdef _WIN32
    return {};
#else
    return findWineLauncher(systemVariable);
#endif
}

bool SystemPlatform::openFolder(const std::string &path, std::string *error)
{
#ifdef _WIN32
    const DWORD attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        setError(error, path + ": No such folder");
        return false;
    }
    // Explorer's own view of the folder; "open" where no "explore" verb is registered.
    const std::wstring folder = shellPath(path);
    if (shellExecute(L"explore", folder, {}, {}) != 0 && shellExecute(L"open", folder, {}, {}) != 0) {
        setError(error, path + ": no file manager could be started to show it");
        return false;
    }
    return true;
#else
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        setError(error, path + ": No such folder");
        return false;
    }
    // The desktop's own choice of file manager, as its "open" of a file: URL.
    if (spawnDetached("xdg-open", true, {encodedFileUrl(path)}) != 0) {
        setError(error, path + ": no file manager could be started to show it");
        return false;
    }
    return true;
#endif
}

bool SystemPlatform::canCreateIn(const std::string &folder) const
{
#ifdef _WIN32
    // The access rights alone do not tell (virtualised or inherited rights): a file made
    // there and gone again when closed does.
    const std::wstring probe = base::files::nativePath(folder + "\\.quernel-" +
                                                       std::to_string(::GetCurrentProcessId()) + ".probe");
    const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
#else
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

} // namespace platform
