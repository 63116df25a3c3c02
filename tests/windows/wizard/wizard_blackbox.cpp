// arVemko.exe driven from outside, as a player's tools or a screen reader would: its windows found
// by their banner titles, its controls by the ids the page layouts give them, text set with
// WM_SETTEXT, buttons pressed with BM_CLICK, list rows chosen with LB_* and the notifications the
// list itself would send. A typical run builds a package whose install.ini must be byte for byte
// what the Linux wizard writes for the same inputs, with plain names and with names in several
// scripts; Finish ends the program and removes temp.ini. Message boxes are found as dialogs of its
// process and answered through their buttons: Cancel's question and notice, a file gone before Add.
// The completion page starts the package's setup.exe and the file manager, each found by its window
// and closed again; while a large file is copied the wizard must answer messages within 100 ms.
// Runs itself again on a desktop of its own, so that a prefix without a display serves it.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "CheckTally.h"
#include "FrmARAddARFiles.h"
#include "FrmARCreate.h"
#include "FrmARDone.h"
#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARNew3.h"
#include "FrmARReadmeLocation.h"
#include "Layout.h"
#include "OwnDesktop.h"
#include "Text.h"
#include "TypicalInstallIni.h"

namespace fs = std::filesystem;
using check_tally::check;

namespace {

constexpr int FirstControlId = 100; // the Win32 runtime numbers a page's controls from here

// The id of a control: its row in the page's whole layout.
int idOf(const form::PageLayout &layout, const std::string &name, int index = -1)
{
    const std::vector<form::ControlRow> all = form::allControls(layout);
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
    void click(const std::string &name, int index = -1) const
    {
        SendMessageW(control(name, index), BM_CLICK, 0, 0);
    }
    // A click that does not wait for its handler, which may be held by a message box.
    void press(const std::string &name) const { PostMessageW(control(name), BM_CLICK, 0, 0); }
    // Chooses a row of a list box as a click does, and double-clicks it when asked.
    bool choose(const std::string &list, const std::string &row, bool doubleClick) const
    {
        HWND box = control(list);
        const LRESULT at =
            SendMessageW(box, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(base::text::widen(row).c_str()));
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

// The first visible top-level window that wanted accepts, given the window and its process.
HWND findWindow(const std::function<bool(HWND, DWORD)> &wanted)
{
    std::pair<const std::function<bool(HWND, DWORD)> *, HWND> search{&wanted, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto &s = *reinterpret_cast<decltype(search) *>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (!IsWindowVisible(hwnd) || !(*s.first)(hwnd, process))
                return TRUE;
            s.second = hwnd;
            return FALSE;
        },
        LPARAM(&search));
    return search.second;
}

// The visible page of the process whose banner shows title (and that is none of skip).
HWND findPage(DWORD process, const std::string &title, const std::vector<HWND> &skip = {})
{
    const std::wstring banner = base::text::widen(title);
    return findWindow([&](HWND hwnd, DWORD owner) {
        return owner == process && std::find(skip.begin(), skip.end(), hwnd) == skip.end() &&
               textOf(GetDlgItem(hwnd, FirstControlId + 1)) == banner; // lblBanner, the template's second row
    });
}

// Waits up to 20 s (or limit) for a condition, letting the program under test work.
bool waitFor(const std::function<bool()> &condition, std::chrono::seconds limit = std::chrono::seconds(20))
{
    const auto until = std::chrono::steady_clock::now() + limit;
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

const fs::path &builtProgramFolder()
{
    static const fs::path built = ownFolder().parent_path() / "app-windows";
    return built;
}

// A fresh work folder holding a program folder of the run's own, copied from the one the build made.
fs::path freshProgramFolder(const fs::path &work)
{
    fs::remove_all(work);
    const fs::path program = work / "Quernel";
    fs::create_directories(program / "Redist");
    for (const char *file : {"arVemko.exe", "filecopy.avi", "errors.html", "Redist/setup.exe"})
        fs::copy_file(builtProgramFolder() / file, program / file);
    return program;
}

// arVemko.exe of a program folder, started in the folder where the pickers' lists start.
class Wizard
{
public:
    Wizard(const fs::path &program, const fs::path &startIn)
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + (program / "arVemko.exe").wstring() + L"\"";
        m_started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   startIn.c_str(), &startup, &m_process);
        check(m_started, "arVemko.exe starts");
    }
    ~Wizard()
    {
        if (!m_started)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) != WAIT_OBJECT_0)
            TerminateProcess(m_process.hProcess, 1);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    Wizard(const Wizard &) = delete;
    Wizard &operator=(const Wizard &) = delete;
    explicit operator bool() const { return m_started; }
    DWORD pid() const { return m_process.dwProcessId; }
    // Whether the program ends within 20 s with exit status 0.
    bool endsCleanly() const
    {
        DWORD code = 1;
        return WaitForSingleObject(m_process.hProcess, 20000) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(m_process.hProcess, &code) && code == 0;
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

// A message box of the program under test: a visible dialog of its process (other than except,
// a window of the process that is a dialog itself).
HWND findBox(DWORD process, HWND except = nullptr)
{
    return findWindow([&](HWND hwnd, DWORD owner) {
        wchar_t className[16] = {};
        GetClassNameW(hwnd, className, 16);
        return owner == process && hwnd != except && std::wstring(className) == L"#32770";
    });
}

HWND waitForBox(DWORD process, const std::string &what, HWND except = nullptr)
{
    HWND box = nullptr;
    waitFor([&] { return (box = findBox(process, except)) != nullptr; });
    check(box != nullptr, what + ": a message box appears");
    return box;
}

std::string boxText(HWND box)
{
    wchar_t text[4096] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 4096); // the box's message, as Windows and Wine number it
    return base::text::narrow(text);
}

// Presses a button of a box as a click does, and waits until the box has gone.
void answer(HWND box, int button)
{
    PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
    check(waitFor([&] { return !IsWindow(box); }), "the box goes once answered");
}

// A process that the program under test started, found by one of its windows: ended at the latest
// when the run is over, so that no window of it stays behind in the shared prefix.
class StartedProcess
{
public:
    explicit StartedProcess(HWND window)
    {
        GetWindowThreadProcessId(window, &m_id);
        m_handle =
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, m_id);
    }
    ~StartedProcess()
    {
        if (!m_handle)
            return;
        if (WaitForSingleObject(m_handle, 0) != WAIT_OBJECT_0)
            TerminateProcess(m_handle, 1);
        CloseHandle(m_handle);
    }
    StartedProcess(const StartedProcess &) = delete;
    StartedProcess &operator=(const StartedProcess &) = delete;
    DWORD id() const { return m_id; }
    fs::path image() const
    {
        std::wstring path(MAX_PATH, L'\0');
        DWORD size = DWORD(path.size());
        path.resize(m_handle && QueryFullProcessImageNameW(m_handle, 0, path.data(), &size) ? size : 0);
        return path;
    }
    // Its exit status once it ends within 20 s; -1 otherwise.
    long exitCode() const
    {
        DWORD code = 0;
        return m_handle && WaitForSingleObject(m_handle, 20000) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(m_handle, &code)
                   ? long(code)
                   : -1;
    }

private:
    DWORD m_id = 0;
    HANDLE m_handle = nullptr;
};

// How long the thread of a window takes to answer a message: what a click would wait for.
std::chrono::milliseconds answerTime(HWND window)
{
    const auto start = std::chrono::steady_clock::now();
    DWORD_PTR result = 0;
    const bool answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return answered ? took : std::chrono::milliseconds(5000);
}

HWND childOfClass(HWND parent, const std::wstring &className)
{
    std::pair<const std::wstring *, HWND> search{&className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto &s = *reinterpret_cast<decltype(search) *>(data);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            if (*s.first != name)
                return TRUE;
            s.second = hwnd;
            return FALSE;
        },
        LPARAM(&search));
    return search.second;
}

std::vector<fs::path> entriesOf(const fs::path &folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error))
        entries.push_back(entry.path().filename());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The completion page's Test Package and Open Folder: the package's own setup.exe in a window of
// its own, closed unused; the package folder in the file manager. The page answers throughout.
void testAndOpenThePackage(const Page &done, DWORD pid, const fs::path &package,
                           const std::string &packageName)
{
    const std::vector<fs::path> before = entriesOf(package);
    done.press("cmdTest");
    const std::wstring caption = base::text::widen(packageName + " Setup");
    HWND setupWindow = nullptr;
    waitFor([&] {
        setupWindow =
            findWindow([&](HWND hwnd, DWORD owner) { return owner != pid && textOf(hwnd) == caption; });
        return setupWindow != nullptr;
    });
    check(setupWindow != nullptr, "Test Package opens the setup window \"" + packageName + " Setup\"");
    if (!setupWindow)
        return;
    StartedProcess setup(setupWindow);
    std::error_code error;
    check(fs::equivalent(setup.image(), package / "setup.exe", error), "it is the package's own setup.exe");
    check(textOf(GetDlgItem(setupWindow, 1000)) == base::text::widen("Welcome to " + packageName),
          "at its first step"); // the header's title
    check(answerTime(done.window()) < std::chrono::milliseconds(1000) && IsWindowEnabled(done.window()),
          "the completion page answers while the setup window is up");
    PostMessageW(setupWindow, WM_CLOSE, 0, 0);
    HWND box = waitForBox(setup.id(), "Closing the setup window", setupWindow);
    check(boxText(box) == "Nothing has been installed yet. Quit setup?", "setup asks before it quits");
    answer(box, IDYES);
    check(setup.exitCode() == 1, "setup ends with exit status 1: nothing installed");
    check(entriesOf(package) == before, "the package folder is as it was");

    // Wine's file manager names the folder in its title and lists what the folder holds.
    done.press("cmdOpenFolder");
    const std::wstring folderName = package.filename().wstring();
    HWND explorer = nullptr;
    waitFor([&] {
        explorer =
            findWindow([&](HWND hwnd, DWORD owner) { return owner != pid && textOf(hwnd) == folderName; });
        return explorer != nullptr;
    });
    check(explorer != nullptr, "Open Folder opens a window named after the package folder");
    if (!explorer)
        return;
    StartedProcess fileManager(explorer);
    check(fileManager.image().filename() == L"explorer.exe", "the file manager's");
    HWND list = childOfClass(explorer, L"SysListView32");
    check(waitFor([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == LRESULT(before.size()); }),
          "it lists the package folder's files");
    check(answerTime(done.window()) < std::chrono::milliseconds(1000),
          "the completion page answers meanwhile");
    PostMessageW(explorer, WM_CLOSE, 0, 0);
    check(fileManager.exitCode() == 0, "the file manager ends once its window is closed");
}

// With QUERNEL_SHOTS=<folder>, each page of the runs is saved there as windows-<name>.bmp, as the
// screen shows it (run on the visible desktop for that, see scripts/windows-screenshots.sh).
class Shots
{
public:
    Shots()
    {
        wchar_t folder[MAX_PATH] = {};
        if (GetEnvironmentVariableW(L"QUERNEL_SHOTS", folder, MAX_PATH))
            m_folder = folder;
    }
    bool wanted() const { return !m_folder.empty(); }
    void take(HWND window, const std::string &name) const
    {
        const fs::path file = m_folder / ("windows-" + name + ".bmp");
        if (!wanted() || fs::exists(file))
            return; // a page's first picture is kept: the typical run's
        std::this_thread::sleep_for(std::chrono::milliseconds(800)); // painted, the clip a few frames on
        RECT frame{};
        GetWindowRect(window, &frame);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
        SelectObject(memory, previous);

        BITMAPINFOHEADER info{};
        info.biSize = sizeof(info);
        info.biWidth = width;
        info.biHeight = height; // rows bottom-up, as a BMP file holds them
        info.biPlanes = 1;
        info.biBitCount = 24;
        info.biCompression = BI_RGB;
        std::string pixels(std::size_t((width * 3 + 3) & ~3) * std::size_t(height), '\0');
        GetDIBits(memory, bitmap, 0, UINT(height), pixels.data(), reinterpret_cast<BITMAPINFO *>(&info),
                  DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);

        BITMAPFILEHEADER head{};
        head.bfType = 0x4D42; // "BM"
        head.bfOffBits = sizeof(head) + sizeof(info);
        head.bfSize = DWORD(head.bfOffBits + pixels.size());
        info.biSizeImage = DWORD(pixels.size());
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char *>(&head), sizeof(head));
        out.write(reinterpret_cast<const char *>(&info), sizeof(info));
        out << pixels;
        check(bool(out), "the page \"" + name + "\" is saved as a picture");
    }

private:
    fs::path m_folder;
};

const Shots shots;

// Where the runs make their folders: beside this program, or for pictures where an author would
// put the program folder, in Documents.
fs::path workRoot()
{
    wchar_t profile[MAX_PATH] = {};
    if (shots.wanted() && GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH))
        return fs::path(profile) / "Documents";
    return ownFolder();
}

// The first three pages filled in as an author would, with the readme from the start folder;
// returns the AR list page.
Page throughToFileList(DWORD pid, const fs::path &program, const std::string &packageName,
                       const std::string &readmeName)
{
    Page name = waitForPage(pid, "Create Package Folder", FrmARNew0::layout());
    check(name.text("txtProject") == base::text::narrow((program / "New Project Folder").wstring()),
          "the proposed folder is the program folder's \"New Project Folder\"");
    name.setText("txtPackage", packageName);
    check(name.text("txtProject") == base::text::narrow((program / base::text::widen(packageName)).wstring()),
          "the folder follows the name");
    shots.take(name.window(), "name");
    name.click("cmdNext");

    Page details = waitForPage(pid, "AR Package Details", FrmARNew1::layout());
    details.setText("txtAName", "Jo");
    details.setText("txtAEmail", "jo@example.org");
    details.setText("txtAWWW", "www.example.org");
    details.setText("txtCopyright", "(c) Jo");
    details.click("cmdBrowse");
    Page readme = waitForPage(pid, "Locate Readme File", FrmARReadmeLocation::layout());
    check(readme.choose("File1", readmeName, false), "the readme is listed in the author's folder");
    shots.take(readme.window(), "readme");
    readme.click("cmdNext");
    check(waitFor([&] { return details.text("txtReadme") == readmeName; }),
          "the readme's bare name is shown");
    shots.take(details.window(), "details");
    details.click("cmdNext");

    Page appearance = waitForPage(pid, "Configure Quernel User Interface", FrmARNew2::layout());
    appearance.click("optMMV", 1);
    appearance.click("optPGBDisplay", 0);
    shots.take(appearance.window(), "appearance");
    appearance.click("cmdNext");
    return waitForPage(pid, "Add .AR File(s)", FrmARNew3::layout());
}

Page openPicker(DWORD pid, const Page &files)
{
    files.click("cmdAddAR");
    return waitForPage(pid, "Add .AR File(s)", FrmARAddARFiles::layout(), {files.window()});
}

// What an author names, and the install.ini the Linux wizard writes for it.
struct Authoring
{
    std::wstring work; // the run's folder
    std::string package;
    std::string readme;
    std::vector<std::pair<std::string, std::string>> arFiles; // name, bytes
    std::string installIni;
};

// A whole run: the package made from the author's files, its install.ini byte for byte the Linux
// wizard's, and the package's own setup.exe installing it.
void typicalRun(const Authoring &run)
{
    // The author's files in a folder whose name needs more than one code page.
    const fs::path work = workRoot() / run.work;
    const fs::path program = freshProgramFolder(work);
    const fs::path mods = work / L"Mods \u00df";
    writeFile(mods / base::text::widen(run.readme), "Read me first.\r\n");
    for (const auto &[name, bytes] : run.arFiles)
        writeFile(mods / base::text::widen(name), bytes);

    Wizard wizard(program, mods);
    if (!wizard)
        return;
    const DWORD pid = wizard.pid();
    Page files = throughToFileList(pid, program, run.package, run.readme);
    Page picker = openPicker(pid, files);
    for (const auto &ar : run.arFiles)
        check(picker.choose("File1", ar.first, true), ar.first + " is listed and added");
    check(picker.text("lblAmount") == "Amount of files in package: " + std::to_string(run.arFiles.size()),
          "the picker counts the files");
    shots.take(picker.window(), "picker");
    picker.click("cmdNext");
    check(waitFor([&] { return !picker.visible(); }), "the picker closes once the files are copied");
    check(files.text("txtFiles").find(run.arFiles.front().first) != std::string::npos,
          "the summary lists the files");
    shots.take(files.window(), "files");
    files.click("cmdNext");

    Page done = waitForPage(pid, "Creation Complete", FrmARDone::layout());
    const fs::path package = program / base::text::widen(run.package);
    check(fs::exists(package / "temp.ini"), "temp.ini is there until Finish");
    shots.take(done.window(), "complete");
    // Save as Setup: the program folder's setup.exe with the package's archive after it, beside the
    // package folder, as the one file Windows players run.
    done.click("cmdSetup");
    check(done.text("txtSetup") == done.text("txtFolder") + " Setup.exe",
          "Save as Setup shows where the file is");
    const std::string installer = readFile(builtProgramFolder() / "Redist/setup.exe");
    const std::string oneFile = readFile(program / base::text::widen(run.package + " Setup.exe"));
    check(oneFile.size() > installer.size() && oneFile.compare(0, installer.size(), installer) == 0 &&
              oneFile.compare(installer.size(), 4, "PK\x03\x04") == 0,
          "the setup file is setup.exe byte for byte with the archive after it");
    testAndOpenThePackage(done, pid, package, run.package);
    done.click("cmdNext");
    check(wizard.endsCleanly(), "Finish ends the program with exit status 0");

    check(readFile(package / "install.ini") == run.installIni,
          "install.ini holds what the Linux wizard writes, byte for byte");
    check(!fs::exists(package / "temp.ini"), "Finish removed temp.ini");
    for (const auto &[name, bytes] : run.arFiles)
        check(readFile(package / base::text::widen(name)) == bytes, name + " is copied whole under its name");
    check(readFile(package / base::text::widen(run.readme)) == "Read me first.\r\n", "the readme is copied");
    check(readFile(package / "setup.exe") == readFile(builtProgramFolder() / "Redist/setup.exe"),
          "setup.exe is copied");

    // The player's side: the package's own setup.exe installs it.
    const fs::path game = work / "Game";
    writeFile(game / "midtown2.exe", "game");
    std::wstring setupLine =
        L"\"" + (package / "setup.exe").wstring() + L"\" --target \"" + game.wstring() + L"\" --yes";
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
    for (const auto &[name, bytes] : run.arFiles)
        check(readFile(game / base::text::widen(name)) == bytes, "the game has " + name);
}

const std::string Notice = "' was terminated early.  Your system isn't changed, and you may run the Vemko at "
                           "another time if you want.";

// Cancel on the name page: No keeps the page and the typed name, Yes tells the author and ends.
void cancelOnTheNamePage()
{
    const fs::path work = workRoot() / L"cancel run";
    const fs::path program = freshProgramFolder(work);
    Wizard wizard(program, work);
    if (!wizard)
        return;
    Page name = waitForPage(wizard.pid(), "Create Package Folder", FrmARNew0::layout());
    name.setText("txtPackage", "Pack");
    name.press("cmdCancel");
    HWND box = waitForBox(wizard.pid(), "Cancel");
    check(boxText(box) == "Are you sure you want to cancel the creation of '?'", "Cancel asks the question");
    check(textOf(box) == L"Quernel 2.0", "under the wizard's caption");
    check(!IsWindowEnabled(name.window()), "the page beneath cannot be used while the box is up");
    answer(box, IDNO);
    check(name.visible() && IsWindowEnabled(name.window()) && name.text("txtPackage") == "Pack",
          "No leaves the page as it was");

    name.press("cmdCancel");
    answer(waitForBox(wizard.pid(), "Cancel again"), IDYES);
    HWND notice = waitForBox(wizard.pid(), "Yes");
    check(boxText(notice) == "Creation of '" + Notice, "Yes tells the author nothing was changed");
    answer(notice, IDOK);
    check(wizard.endsCleanly(), "then the program ends with exit status 0");
    check(!fs::exists(program / "Pack"), "no package folder was made");
}

// A file deleted between the pick and Add: reported, the other copied, the run goes on to Finish.
void vanishedSource()
{
    const fs::path work = workRoot() / L"vanished run";
    const fs::path program = freshProgramFolder(work);
    const fs::path mods = work / "Mods";
    writeFile(mods / "readme.txt", "Read me first.\r\n");
    writeFile(mods / "city.ar", std::string(5000, 'c'));
    writeFile(mods / "cars.ar", std::string(3000, 'a'));
    Wizard wizard(program, mods);
    if (!wizard)
        return;
    Page files = throughToFileList(wizard.pid(), program, "Gone Pack", "readme.txt");
    Page picker = openPicker(wizard.pid(), files);
    check(picker.choose("File1", "city.ar", true) && picker.choose("File1", "cars.ar", true),
          "both files are added");
    HWND list = picker.control("lstFile");
    std::wstring recorded(std::size_t(SendMessageW(list, LB_GETTEXTLEN, 1, 0)) + 1, L'\0');
    recorded.resize(std::size_t(SendMessageW(list, LB_GETTEXT, 1, LPARAM(recorded.data()))));
    fs::remove(mods / "cars.ar");

    picker.press("cmdNext");
    HWND box = waitForBox(wizard.pid(), "Add with a file gone");
    const std::string path = base::text::narrow(recorded);
    const std::string expected = "File 2 (" + path + ") was not added to the package:\r\n" + path + ": ";
    const std::string text = boxText(box);
    check(text.starts_with(expected) && text.size() > expected.size(),
          "the gone file is reported with its path and the reason, as on Linux: " + text);
    Page creating = waitForPage(wizard.pid(), "Creating Package", FrmARCreate::layout());
    if (shots.wanted()) {
        // The creation page only shows while files are copied: caught here, with the box moved aside.
        SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        shots.take(creating.window(), "creating");
    }
    answer(box, IDOK);
    check(waitFor([&] { return !picker.visible(); }), "the picker closes once the other file is copied");
    check(!findBox(wizard.pid()), "the gone file is reported once");
    files.click("cmdNext");
    Page done = waitForPage(wizard.pid(), "Creation Complete", FrmARDone::layout());
    done.click("cmdNext");
    check(wizard.endsCleanly(), "Finish ends the program with exit status 0");
    const fs::path package = program / "Gone Pack";
    check(readFile(package / "city.ar") == std::string(5000, 'c'), "the other file is copied");
    check(!fs::exists(package / "cars.ar"), "the gone file is not in the package");
}

// A large file whose every MiB holds its own letter, so that a copy shifted or cut short shows.
constexpr std::size_t MiB = 1 << 20;
constexpr std::size_t LargeFileMiB = 512;

char letterOf(std::size_t block)
{
    return char('a' + block % 26);
}

void writeLargeFile(const fs::path &path)
{
    std::ofstream out(path, std::ios::binary);
    for (std::size_t block = 0; block < LargeFileMiB; ++block)
        out << std::string(MiB, letterOf(block));
}

bool isLargeFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::string block(MiB, '\0');
    for (std::size_t number = 0; number < LargeFileMiB; ++number)
        if (!in.read(block.data(), std::streamsize(MiB)) || block != std::string(MiB, letterOf(number)))
            return false;
    return in.peek() == std::ifstream::traits_type::eof();
}

std::uintmax_t bytesIn(const fs::path &folder)
{
    std::uintmax_t total = 0;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error)) {
        const std::uintmax_t size = entry.file_size(error); // a temporary may go between list and size
        total += error ? 0 : size;
    }
    return total;
}

// Removes a run's folder, large files and all, however the run ends.
struct RemovedAtEnd
{
    fs::path folder;
    ~RemovedAtEnd()
    {
        std::error_code error;
        fs::remove_all(folder, error);
    }
};

// While a large file is copied on Add, the wizard answers every message within 100 ms: the copy
// does not hold up the window's messages. The large file goes first: the last file is copied
// twice, and under Wine replacing a large file holds up every process's messages while the Wine
// server removes the old one.
void answersDuringALargeCopy()
{
    const fs::path work = workRoot() / L"large copy run";
    const RemovedAtEnd removed{work};
    const fs::path program = freshProgramFolder(work);
    const fs::path mods = work / "Mods";
    writeFile(mods / "readme.txt", "Read me first.\r\n");
    writeLargeFile(mods / "large.ar");
    writeFile(mods / "small.ar", "small");
    Wizard wizard(program, mods);
    if (!wizard)
        return;
    Page files = throughToFileList(wizard.pid(), program, "Large Pack", "readme.txt");
    Page picker = openPicker(wizard.pid(), files);
    check(picker.choose("File1", "large.ar", true) && picker.choose("File1", "small.ar", true),
          "the large file and a small one are added");
    picker.press("cmdNext");
    Page creating = waitForPage(wizard.pid(), "Creating Package", FrmARCreate::layout());

    // Measured only while the page shows the copy, and it must have grown between answers.
    const fs::path package = program / "Large Pack";
    std::chrono::milliseconds worst{0};
    int answers = 0;
    int grown = 0;
    std::uintmax_t bytes = bytesIn(package);
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (std::chrono::steady_clock::now() < until) {
        const std::chrono::milliseconds took = answerTime(files.window());
        if (!creating.visible())
            break;
        worst = std::max(worst, took);
        ++answers;
        const std::uintmax_t now = bytesIn(package);
        grown += now > bytes;
        bytes = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("worst answer during the copy: %lld ms of %d answers, the copy grown at %d\n",
                static_cast<long long>(worst.count()), answers, grown);
    check(grown >= 3, "the answers were measured while the copy went on");
    check(worst <= std::chrono::milliseconds(100),
          "the wizard answers within 100 ms while it copies; worst " + std::to_string(worst.count()) + " ms");
    check(waitFor([&] { return !picker.visible(); }), "the picker closes once the file is copied");
    check(isLargeFile(package / "large.ar") && readFile(package / "small.ar") == "small",
          "the files are copied whole");
    files.click("cmdNext");
    waitForPage(wizard.pid(), "Creation Complete", FrmARDone::layout()).click("cmdNext");
    check(wizard.endsCleanly(), "Finish ends the program with exit status 0");
}

const Authoring TypicalNames{L"wizard run \u00e9 \u65e5\u672c",
                             "My Pack",
                             "readme.txt",
                             {{"city.ar", std::string(5000, 'c')}, {"cars.ar", std::string(3000, 'a')}},
                             quernel_test::TypicalInstallIni};

// Names in several scripts: the UTF-8 bytes, spelt out, that the Linux wizard writes for them.
const Authoring ScriptNames{L"scripts run",
                            "Straße 日本 é",
                            "lisez-moi é.txt",
                            {{"城 ß.ar", "castle"}},
                            "[install.ini]\r\n"
                            "Name=Stra\xC3\x9F"
                            "e \xE6\x97\xA5\xE6\x9C\xAC \xC3\xA9\r\n"
                            "Copyright=(c) Jo\r\n"
                            "Author=Jo\r\n"
                            "WWW=www.example.org\r\n"
                            "AuthEmail=jo@example.org\r\n"
                            "Readme=lisez-moi \xC3\xA9.txt\r\n"
                            "mmType=2\r\n"
                            "Timer=30\r\n"
                            "TotalFiles= 1\r\n"
                            "[Progress Bar]\r\n"
                            "Smooth=True\r\n"
                            "[Files]\r\n"
                            "File1=\xE5\x9F\x8E \xC3\x9F.ar\r\n"};

constexpr const wchar_t *ChildMark = L"QUERNEL_WIZARD_BLACKBOX_ON_OWN_DESKTOP";

// An unpacked program folder started as an author starts it: its first page appears under the
// wizard's caption, and Cancel with Yes ends it.
void firstPageOf(const fs::path &program)
{
    Wizard wizard(program, program);
    if (!wizard)
        return;
    Page name = waitForPage(wizard.pid(), "Create Package Folder", FrmARNew0::layout());
    check(textOf(name.window()) == L"Quernel 2.0", "the first page has the caption \"Quernel 2.0\"");
    name.press("cmdCancel");
    answer(waitForBox(wizard.pid(), "Cancel"), IDYES);
    answer(waitForBox(wizard.pid(), "Yes"), IDOK);
    check(wizard.endsCleanly(), "Cancel and Yes end it with exit status 0");
}

} // namespace

//   wizard_blackbox.exe                           the runs above, with the build's program folder
//   wizard_blackbox.exe --first-page FOLDER       only the first page of FOLDER\arVemko.exe
int wmain(int argc, wchar_t **argv)
{
    if (!GetEnvironmentVariableW(ChildMark, nullptr, 0) && !shots.wanted())
        if (const int code = runOnOwnDesktop(L"QuernelWizardBlackBox", ChildMark); code != -1)
            return code;
    if (argc == 3 && std::wstring(argv[1]) == L"--first-page") {
        firstPageOf(argv[2]);
        return check_tally::report();
    }
    try {
        typicalRun(TypicalNames);
        cancelOnTheNamePage();
        vanishedSource();
        answersDuringALargeCopy();
        typicalRun(ScriptNames);
        return check_tally::report();
    } catch (const std::exception &e) {
        std::printf("FAILED: %s\n", e.what());
        check(false, "no exception");
        return check_tally::report();
    }
}
