// arVemko.exe driven from outside, as a player's tools or a screen reader would: its windows found
// by their banner titles, its controls by the ids the page layouts give them, text set with
// WM_SETTEXT, buttons pressed with BM_CLICK, list rows chosen with LB_* and the notifications the
// list itself would send. A typical run builds a package whose install.ini must be byte for byte
// what the Linux wizard writes for the same inputs; Finish ends the program and removes temp.ini.
// Runs itself again on a desktop of its own, so that a prefix without a display serves it.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "CheckTally.h"
#include "FrmARAddARFiles.h"
#include "FrmARDone.h"
#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARNew3.h"
#include "FrmARReadmeLocation.h"
#include "Layout.h"
#include "Text.h"

namespace fs = std::filesystem;
using check_tally::check;

namespace {

constexpr int FirstControlId = 100; // the Win32 runtime numbers a page's controls from here

// The id of a control: its row in the page's whole layout.
int idOf(const form::PageLayout &layout, const std::string &name, int index = -1)
{
    const std::vector<form::ControlSpec> all = form::allControls(layout);
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].name == name && all[i].index == index)
            return FirstControlId + int(i);
    return -1;
}

std::wstring textOf(HWND hwnd)
{
    std::wstring text(std::size_t(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(std::size_t(SendMessageW(hwnd, WM_GETTEXT, text.size(), LPARAM(text.data()))));
    return text;
}

// A page of the program under test, by its layout.
class Page
{
public:
    Page(HWND window, form::PageLayout layout) : m_window(window), m_layout(std::move(layout)) {}
    explicit operator bool() const { return m_window != nullptr; }
    HWND control(const std::string &name, int index = -1) const
    {
        return GetDlgItem(m_window, idOf(m_layout, name, index));
    }
    void setText(const std::string &name, const std::string &text) const
    {
        SendMessageW(control(name), WM_SETTEXT, 0, LPARAM(base::text::widen(text).c_str()));
    }
    std::string text(const std::string &name) const { return base::text::narrow(textOf(control(name))); }
    void click(const std::string &name, int index = -1) const { SendMessageW(control(name, index), BM_CLICK, 0, 0); }
    // Chooses a row of a list box as a click does, and double-clicks it when asked.
    bool choose(const std::string &list, const std::string &row, bool doubleClick) const
    {
        HWND box = control(list);
        const LRESULT at = SendMessageW(box, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(base::text::widen(row).c_str()));
        if (at == LB_ERR)
            return false;
        SendMessageW(box, LB_SETCURSEL, WPARAM(at), 0);
        const int id = GetDlgCtrlID(box);
        SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), LPARAM(box));
        if (doubleClick)
            SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), LPARAM(box));
        return true;
    }
    bool visible() const { return IsWindow(m_window) && IsWindowVisible(m_window); }
    HWND window() const { return m_window; }

private:
    HWND m_window;
    form::PageLayout m_layout;
};

struct Search
{
    DWORD process;
    std::wstring title;
    std::vector<HWND> skip;
    HWND found = nullptr;
};

// The visible page of the process whose banner shows title (and that is none of skip).
HWND findPage(DWORD process, const std::string &title, const std::vector<HWND> &skip = {})
{
    Search search{process, base::text::widen(title), skip};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto &s = *reinterpret_cast<Search *>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != s.process || !IsWindowVisible(hwnd))
                return TRUE;
            for (HWND skipped : s.skip)
                if (skipped == hwnd)
                    return TRUE;
            HWND banner = GetDlgItem(hwnd, FirstControlId + 1); // lblBanner, the template's second row
            if (banner && textOf(banner) == s.title) {
                s.found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

// Waits up to 20 s for a condition, letting the program under test work.
bool waitFor(const std::function<bool()> &condition)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

Page waitForPage(DWORD process, const std::string &title, form::PageLayout layout,
                 const std::vector<HWND> &skip = {})
{
    HWND found = nullptr;
    waitFor([&] { return (found = findPage(process, title, skip)) != nullptr; });
    check(found != nullptr, "the page \"" + title + "\" appears");
    return Page(found, std::move(layout));
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path &path, const std::string &bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

fs::path ownFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return fs::path(path).parent_path();
}

int typicalRun()
{
    // A program folder of the run's own, copied from the one the build made, and the author's
    // files in a folder whose name needs more than one code page.
    const fs::path work = ownFolder() / L"wizard run \u00e9 \u65e5\u672c";
    fs::remove_all(work);
    const fs::path built = ownFolder().parent_path() / "app-windows";
    const fs::path program = work / "Quernel";
    fs::create_directories(program / "Redist");
    for (const char *file : {"arVemko.exe", "filecopy.avi", "errors.html", "Redist/setup.exe"})
        fs::copy_file(built / file, program / file);
    const fs::path mods = work / L"Mods \u00df";
    writeFile(mods / "readme.txt", "Read me first.\r\n");
    writeFile(mods / "city.ar", std::string(5000, 'c'));
    writeFile(mods / "cars.ar", std::string(3000, 'a'));

    // Started in the author's folder, where the pickers' lists start.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION wizard{};
    std::wstring commandLine = L"\"" + (program / "arVemko.exe").wstring() + L"\"";
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, mods.c_str(), &startup,
                        &wizard)) {
        check(false, "arVemko.exe starts");
        return check_tally::report();
    }
    const DWORD pid = wizard.dwProcessId;

    Page name = waitForPage(pid, "Create Package Folder", FrmARNew0::layout());
    check(name.text("txtProject") == base::text::narrow((program / "New Project Folder").wstring()),
          "the proposed folder is the program folder's \"New Project Folder\"");
    name.setText("txtPackage", "My Pack");
    check(name.text("txtProject") == base::text::narrow((program / "My Pack").wstring()),
          "the folder follows the name");
    name.click("cmdNext");

    Page details = waitForPage(pid, "AR Package Details", FrmARNew1::layout());
    details.setText("txtAName", "Jo");
    details.setText("txtAEmail", "jo@example.org");
    details.setText("txtAWWW", "www.example.org");
    details.setText("txtCopyright", "(c) Jo");
    details.click("cmdBrowse");
    Page readme = waitForPage(pid, "Locate Readme File", FrmARReadmeLocation::layout());
    check(readme.choose("File1", "readme.txt", false), "the readme is listed in the author's folder");
    readme.click("cmdNext");
    check(waitFor([&] { return details.text("txtReadme") == "readme.txt"; }), "the readme's bare name is shown");
    details.click("cmdNext");

    Page appearance = waitForPage(pid, "Configure Quernel User Interface", FrmARNew2::layout());
    appearance.click("optMMV", 1);
    appearance.click("optPGBDisplay", 0);
    appearance.click("cmdNext");

    Page files = waitForPage(pid, "Add .AR File(s)", FrmARNew3::layout());
    files.click("cmdAddAR");
    Page picker = waitForPage(pid, "Add .AR File(s)", FrmARAddARFiles::layout(), {files.window()});
    for (const char *ar : {"city.ar", "cars.ar"})
        check(picker.choose("File1", ar, true), std::string(ar) + " is listed and added");
    check(picker.text("lblAmount") == "Amount of files in package: 2", "the picker counts two files");
    picker.click("cmdNext");
    check(waitFor([&] { return !picker.visible(); }), "the picker closes once the files are copied");
    check(files.text("txtFiles").find("city.ar") != std::string::npos, "the summary lists the files");
    files.click("cmdNext");

    Page done = waitForPage(pid, "Creation Complete", FrmARDone::layout());
    const fs::path package = program / "My Pack";
    check(fs::exists(package / "temp.ini"), "temp.ini is there until Finish");
    done.click("cmdNext");
    const bool ended = WaitForSingleObject(wizard.hProcess, 20000) == WAIT_OBJECT_0;
    check(ended, "Finish ends the program");
    DWORD code = 1;
    GetExitCodeProcess(wizard.hProcess, &code);
    check(code == 0, "with exit status 0");
    if (!ended)
        TerminateProcess(wizard.hProcess, 1);
    CloseHandle(wizard.hThread);
    CloseHandle(wizard.hProcess);

    check(readFile(package / "install.ini") == "[install.ini]\r\n"
                                               "Name=My Pack\r\n"
                                               "Copyright=(c) Jo\r\n"
                                               "Author=Jo\r\n"
                                               "WWW=www.example.org\r\n"
                                               "AuthEmail=jo@example.org\r\n"
                                               "Readme=readme.txt\r\n"
                                               "mmType=2\r\n"
                                               "Timer=30\r\n"
                                               "TotalFiles= 2\r\n"
                                               "[Progress Bar]\r\n"
                                               "Smooth=True\r\n"
                                               "[Files]\r\n"
                                               "File1=city.ar\r\n"
                                               "File2=cars.ar\r\n",
          "install.ini holds what the Linux wizard writes, byte for byte");
    check(!fs::exists(package / "temp.ini"), "Finish removed temp.ini");
    check(readFile(package / "city.ar") == std::string(5000, 'c') && readFile(package / "cars.ar") == std::string(3000, 'a'),
          "the AR files are copied whole");
    check(readFile(package / "readme.txt") == "Read me first.\r\n", "the readme is copied");
    check(readFile(package / "setup.exe") == readFile(built / "Redist/setup.exe"), "setup.exe is copied");

    // The player's side: the package's own setup.exe installs it.
    const fs::path game = work / "Game";
    writeFile(game / "midtown2.exe", "game");
    std::wstring setupLine = L"\"" + (package / "setup.exe").wstring() + L"\" --target \"" + game.wstring() +
                             L"\" --yes";
    PROCESS_INFORMATION setup{};
    STARTUPINFOW setupStartup{};
    setupStartup.cb = sizeof(setupStartup);
    if (CreateProcessW(nullptr, setupLine.data(), nullptr, nullptr, FALSE, 0, nullptr, package.c_str(),
                       &setupStartup, &setup)) {
        WaitForSingleObject(setup.hProcess, 60000);
        DWORD setupCode = 1;
        GetExitCodeProcess(setup.hProcess, &setupCode);
        check(setupCode == 0, "the package's setup.exe installs it");
        CloseHandle(setup.hThread);
        CloseHandle(setup.hProcess);
    } else {
        check(false, "the package's setup.exe starts");
    }
    check(readFile(game / "city.ar") == std::string(5000, 'c'), "the game has the package's files");
    return check_tally::report();
}

constexpr const wchar_t *ChildMark = L"QUERNEL_WIZARD_BLACKBOX_ON_OWN_DESKTOP";

// This program again on a desktop of its own (see the Win32 form checks); -1 if that cannot be.
int runOnOwnDesktop()
{
    wchar_t desktopName[] = L"QuernelWizardBlackBox";
    if (!CreateDesktopW(desktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr))
        return -1;
    SetEnvironmentVariableW(ChildMark, L"1");
    std::wstring desktop = std::wstring(L"WinSta0\\") + desktopName;
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

} // namespace

int wmain()
{
    if (!GetEnvironmentVariableW(ChildMark, nullptr, 0))
        if (const int code = runOnOwnDesktop(); code != -1)
            return code;
    try {
        return typicalRun();
    } catch (const std::exception &e) {
        std::printf("FAILED: %s\n", e.what());
        check(false, "no exception");
        return check_tally::report();
    }
}
