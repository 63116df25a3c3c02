// Start-up of arVemko.exe to its first window under Wine, against a bare Win32 program with one
// top-level window and three buttons. Each sample is a fresh process started by this one in the
// same Wine desktop; the time runs from just before CreateProcessW to the moment a visible
// top-level window of that process exists (polled every millisecond), and on to the moment the
// process first waits for input with nothing left to do (WaitForInputIdle). The process is then
// terminated. Neither program is told it is being measured. All of it runs on a desktop of its own.
//
//   bench_wine_startup.exe [runs] [bare.exe] [wizard.exe]
//       defaults: 15 runs, bench_bare_window.exe beside this program, app\arVemko.exe below it
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "OwnDesktop.h"

namespace {

double nowMs()
{
    static const double perMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return double(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / perMs;
}

struct Search
{
    DWORD process = 0;
    bool found = false;
};

BOOL CALLBACK visibleWindowOf(HWND hwnd, LPARAM param)
{
    auto &search = *reinterpret_cast<Search *>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search.process && IsWindowVisible(hwnd)) {
        search.found = true;
        return FALSE;
    }
    return TRUE;
}

struct Sample
{
    double windowMs = 0;
    double idleMs = 0;
};

bool sample(const std::wstring &program, Sample &out)
{
    std::wstring folder = program.substr(0, program.find_last_of(L"\\/"));
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const double started = nowMs();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process))
        return false;
    Search search;
    search.process = process.dwProcessId;
    while (!search.found && nowMs() - started < 60000) {
        EnumWindows(visibleWindowOf, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(1);
    }
    out.windowMs = nowMs() - started;
    WaitForInputIdle(process.hProcess, 60000);
    out.idleMs = std::max(nowMs() - started, out.windowMs);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return search.found;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double smallest(const std::vector<double> &values)
{
    return *std::min_element(values.begin(), values.end());
}

long long fileBytes(const std::wstring &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    // On a desktop of its own, which the programs it starts share: the prefix's default desktop
    // may have started without a display.
    constexpr const wchar_t *ChildMark = L"QUERNEL_BENCH_STARTUP_ON_OWN_DESKTOP";
    if (!GetEnvironmentVariableW(ChildMark, nullptr, 0))
        if (const int code = runOnOwnDesktop(L"QuernelBenchStartup", ChildMark); code != -1)
            return code;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring here = std::wstring(self).substr(0, std::wstring(self).find_last_of(L'\\'));
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 15;
    const std::wstring programs[] = {argc > 2 ? argv[2] : here + L"\\bench_bare_window.exe",
                                     argc > 3 ? argv[3] : here + L"\\app\\arVemko.exe"};
    const char *names[] = {"bare window + 3 buttons", "arVemko.exe, first page"};
    std::vector<double> window[2];
    std::vector<double> idle[2];
    // The desktop's first window starts its explorer: a first pair, not counted, pays for that.
    // Then alternating, so that both see the same state of the machine and of the Wine server.
    for (int run = -1; run < runs; ++run) {
        for (int p = 0; p < 2; ++p) {
            Sample s;
            if (!sample(programs[p], s)) {
                std::fprintf(stderr, "bench_wine_startup: %s showed no window\n", names[p]);
                return 1;
            }
            if (run < 0)
                continue;
            window[p].push_back(s.windowMs);
            idle[p].push_back(s.idleMs);
        }
    }
    std::printf("%-26s %16s %14s %16s %14s %12s\n", "", "window median ms", "window min ms", "idle median ms",
                "idle min ms", "size bytes");
    for (int p = 0; p < 2; ++p)
        std::printf("%-26s %16.1f %14.1f %16.1f %14.1f %12lld\n", names[p], median(window[p]),
                    smallest(window[p]), median(idle[p]), smallest(idle[p]), fileBytes(programs[p]));
    std::printf("%-26s %16.3f %14.3f %16.3f %14.3f\n", "ratio (arVemko / bare)",
                median(window[1]) / median(window[0]), smallest(window[1]) / smallest(window[0]),
                median(idle[1]) / median(idle[0]), smallest(idle[1]) / smallest(idle[0]));
    std::printf("%d runs each; every run, window ms (bare / arVemko):", runs);
    for (int run = 0; run < runs; ++run)
        std::printf(" %.0f/%.0f", window[0][std::size_t(run)], window[1][std::size_t(run)]);
    std::printf("\n");
    return 0;
}
