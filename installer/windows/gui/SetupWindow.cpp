#include "SetupWindow.h"

#include <functional>
#include <memory>
#include <vector>

#include <commctrl.h>

#include "BusyWait.h"
#include "DonePage.h"
#include "ElevatedRun.h"
#include "FolderPage.h"
#include "GameFolderLock.h"
#include "Handles.h"
#include "InstallPage.h"
#include "InstalledPage.h"
#include "LastFolder.h"
#include "ProgramsList.h"
#include "Prompts.h"
#include "ReadmePage.h"
#include "RemovalFlow.h"
#include "RemovingPage.h"
#include "SetupTexts.h"
#include "WelcomePage.h"
#include "WinText.h"
#include "resource.h"

namespace installer::win {

namespace {

// The timer of the wait for a game folder that another setup holds.
constexpr UINT_PTR BusyTimer = 1;

// The frame: a header that names the step, the step's child dialog, and Back / forward / Cancel.
class SetupWindow
{
public:
    SetupWindow(HINSTANCE instance, const Package &package, Prompts &prompts, std::string elevatedFolder)
        : m_instance(instance), m_package(package), m_prompts(prompts),
          m_elevatedFolder(std::move(elevatedFolder)), m_welcome(m_package),
          m_folder(m_package, prompts, m_elevatedFolder.empty() ? readLastGameFolder() : m_elevatedFolder),
          m_installed(m_package), m_removing(m_package), m_install(m_package, prompts), m_done(m_package)
    {
        if (!m_package.readme.empty())
            m_readme = std::make_unique<ReadmePage>(m_package);
    }

    // Shows the window and runs its messages until it closes; the exit code.
    int run();

private:
    static INT_PTR CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool onInit();
    void makeTitleFont();
    void paintHeader();

    void showPage(Page &page);
    void updateButtons();
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCancel_Click();
    void cmdInstall_Click();
    void startRemoval();
    void runRemoval(std::unique_ptr<Uninstallation> removal, InstalledChoice choice,
                    const std::string &gameFolder);
    void startInstallation(const std::string &gameFolder);
    // The run came back busy: asks, then waits and runs again, or goes back to the game folder.
    void waitForFolder(const std::string &gameFolder, std::function<void()> retry);
    void stopWaiting();
    void focusChoice(); // back on the Installed Already choice after a check
    void restartElevated(const std::string &gameFolder);
    void close(int exitCode);

    HINSTANCE m_instance;
    Package m_package;
    Prompts &m_prompts;
    std::string m_elevatedFolder;
    HWND m_hwnd = nullptr;
    UniqueModule m_richEdit;
    UniqueFont m_titleFont;
    WelcomePage m_welcome;
    std::unique_ptr<ReadmePage> m_readme; // null when the package has no readme
    FolderPage m_folder;
    InstalledPage m_installed;
    RemovingPage m_removing;
    InstallPage m_install;
    DonePage m_done;
    Page *m_current = nullptr;
    BusyWait m_busyWait{gameFolderBusy};
    int m_exitCode = 1;
};

int SetupWindow::run()
{
    // The readme's RichEdit class lives in Msftedit.dll.
    m_richEdit.reset(::LoadLibraryExW(L"Msftedit.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!m_richEdit)
        m_richEdit.reset(::LoadLibraryW(L"Msftedit.dll"));
    m_hwnd = ::CreateDialogParamW(m_instance, MAKEINTRESOURCEW(IDD_SETUP), nullptr, &SetupWindow::frameProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!m_hwnd)
        return 1;
    ::ShowWindow(m_hwnd, SW_SHOWNORMAL);
    ::SetForegroundWindow(m_hwnd);

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, Enter, Esc and the Alt mnemonics come from the dialog manager.
        if (!m_hwnd || !::IsDialogMessageW(m_hwnd, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return m_exitCode;
}

INT_PTR CALLBACK SetupWindow::frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto *window = reinterpret_cast<SetupWindow *>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        window->m_hwnd = hwnd;
        return window->onInit() ? FALSE : TRUE;
    }
    auto *window = reinterpret_cast<SetupWindow *>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    return window ? window->handle(message, wParam, lParam) : FALSE;
}

bool SetupWindow::onInit()
{
    setText(m_hwnd, texts::windowTitle(m_package));
    setItemText(m_hwnd, IDC_BACK, texts::backButton());
    setItemText(m_hwnd, IDCANCEL, texts::cancelButton());
    makeTitleFont();

    HWND area = ::GetDlgItem(m_hwnd, IDC_STEP_AREA);
    RECT rect{};
    ::GetWindowRect(area, &rect);
    ::MapWindowPoints(HWND_DESKTOP, m_hwnd, reinterpret_cast<POINT *>(&rect), 2);
    Page *pages[] = {&m_welcome, m_readme.get(), &m_folder, &m_installed, &m_removing, &m_install, &m_done};
    for (Page *page : pages) {
        if (!page)
            continue;
        page->create(m_instance, m_hwnd, rect);
        page->setOnChange([this] { updateButtons(); });
    }
    if (m_elevatedFolder.empty()) {
        showPage(m_welcome);
    } else {
        // Started again with administrator rights: the player has read the readme already.
        if (m_readme)
            m_readme->skipWait();
        showPage(m_folder);
    }
    return true; // the focus is set
}

void SetupWindow::makeTitleFont()
{
    auto font = reinterpret_cast<HFONT>(::SendMessageW(m_hwnd, WM_GETFONT, 0, 0));
    LOGFONTW logFont{};
    if (!font || !::GetObjectW(font, sizeof logFont, &logFont))
        return;
    logFont.lfWeight = FW_BOLD;
    logFont.lfHeight = logFont.lfHeight * 5 / 4;
    UniqueFont bold(::CreateFontIndirectW(&logFont));
    ::SendDlgItemMessageW(m_hwnd, IDC_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(bold.get()), TRUE);
    m_titleFont = std::move(bold); // the one before is freed after the control let go of it
}

void SetupWindow::paintHeader()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hwnd, &paint);
    RECT line{};
    ::GetWindowRect(::GetDlgItem(m_hwnd, IDC_HEADER_LINE), &line);
    ::MapWindowPoints(HWND_DESKTOP, m_hwnd, reinterpret_cast<POINT *>(&line), 2);
    RECT header{};
    ::GetClientRect(m_hwnd, &header);
    header.bottom = line.top;
    ::FillRect(dc, &header, ::GetSysColorBrush(COLOR_WINDOW));
    ::EndPaint(m_hwnd, &paint);
}

INT_PTR SetupWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED && lParam != 0)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_NEXT:
            cmdNext_Click();
            return TRUE;
        case IDC_BACK:
            cmdBack_Click();
            return TRUE;
        case IDCANCEL: // the button, Esc
            cmdCancel_Click();
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE: // the close box asks like Cancel
        cmdCancel_Click();
        return TRUE;
    case WM_PAINT:
        paintHeader();
        return TRUE;
    case WM_TIMER:
        if (wParam != BusyTimer)
            return FALSE;
        m_busyWait.tick(); // may start the run again
        if (!m_busyWait.waiting())
            ::KillTimer(m_hwnd, BusyTimer);
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        if (id != IDC_TITLE && id != IDC_SUBTITLE)
            return FALSE;
        auto dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_DPICHANGED:
        // The dialog manager scales the dialog's own font; the title's is made again from it.
        ::PostMessageW(m_hwnd, WM_APP, 0, 0);
        return FALSE;
    case WM_APP:
        makeTitleFont();
        return TRUE;
    case WM_DESTROY:
        ::PostQuitMessage(m_exitCode);
        return TRUE;
    }
    return FALSE;
}

void SetupWindow::showPage(Page &page)
{
    if (m_current)
        ::ShowWindow(m_current->hwnd(), SW_HIDE);
    m_current = &page;
    setItemText(m_hwnd, IDC_TITLE, page.title());
    setItemText(m_hwnd, IDC_SUBTITLE, page.subtitle());
    ::ShowWindow(page.hwnd(), SW_SHOW);
    page.enter();
    updateButtons();
    HWND focus = page.firstFocus();
    ::SendMessageW(m_hwnd, WM_NEXTDLGCTL,
                   reinterpret_cast<WPARAM>(focus ? focus : ::GetDlgItem(m_hwnd, IDC_NEXT)), TRUE);
}

void SetupWindow::updateButtons()
{
    const bool beforeInstall = m_current == &m_welcome || m_current == m_readme.get() ||
                               m_current == &m_folder || m_current == &m_installed;
    const bool installing = m_current == &m_install || m_current == &m_removing;
    const bool done = m_current == &m_done;
    HWND back = ::GetDlgItem(m_hwnd, IDC_BACK);
    HWND next = ::GetDlgItem(m_hwnd, IDC_NEXT);
    HWND cancel = ::GetDlgItem(m_hwnd, IDCANCEL);
    const bool checking = m_current == &m_installed && m_installed.checking();
    // The caption follows the step and, on the game folder step, whether the folder holds the package.
    setItemText(m_hwnd, IDC_NEXT, m_current->nextText());
    ::EnableWindow(back, beforeInstall && !checking && m_current != &m_welcome);
    ::EnableWindow(next, !installing && m_current->isComplete());
    // A removal can be stopped between two files, and a later one finishes it; a wait for the
    // game folder, before anything was done.
    ::EnableWindow(cancel, beforeInstall || m_busyWait.waiting() ||
                               (m_current == &m_removing && m_removing.canCancel()));
    // Once the files are copied or removed there is nothing to go back to or cancel.
    ::ShowWindow(back, done ? SW_HIDE : SW_SHOW);
    ::ShowWindow(cancel, done ? SW_HIDE : SW_SHOW);
    ::SendMessageW(m_hwnd, DM_SETDEFID, IDC_NEXT, 0);
}

void SetupWindow::cmdNext_Click()
{
    if (!m_current->isComplete() || !::IsWindowEnabled(::GetDlgItem(m_hwnd, IDC_NEXT)))
        return;
    if (m_current == &m_welcome)
        showPage(m_readme ? static_cast<Page &>(*m_readme) : m_folder);
    else if (m_current == m_readme.get())
        showPage(m_folder);
    else if (m_current == &m_folder)
        cmdInstall_Click();
    else if (m_current == &m_installed)
        startRemoval();
    else if (m_current == &m_done)
        close(m_exitCode);
}

void SetupWindow::cmdBack_Click()
{
    if (m_current == &m_installed)
        showPage(m_folder);
    else if (m_current == &m_folder)
        showPage(m_readme ? static_cast<Page &>(*m_readme) : m_welcome);
    else if (m_current == m_readme.get())
        showPage(m_welcome);
}

void SetupWindow::cmdCancel_Click()
{
    if (m_busyWait.waiting()) {
        stopWaiting(); // nothing was done: back to the choice of the folder
        showPage(m_folder);
        return;
    }
    if (m_current == &m_installed && m_installed.checking()) {
        m_installed.stopCheck(); // nothing was done: the choice again
        updateButtons();
        focusChoice();
        return;
    }
    if (m_current == &m_install)
        return; // the copy under way is short and ends by itself
    if (m_current == &m_removing) {
        m_removing.cancel(); // the Done step follows when the worker has stopped
        return;
    }
    if (m_current == &m_done) {
        close(m_exitCode);
        return;
    }
    const std::string question =
        m_current == &m_installed ? texts::keepInstalledQuitQuestion() : texts::quitQuestion();
    if (m_prompts.confirmQuit(m_hwnd, question))
        close(1);
}

void SetupWindow::cmdInstall_Click()
{
    const std::string gameFolder = m_folder.folder();
    // A run started for the rights does not offer them again, whatever the token says.
    switch (m_folder.confirm(isProcessElevated() || !m_elevatedFolder.empty())) {
    case FolderPage::Decision::Stay:
        return;
    case FolderPage::Decision::Elevate:
        restartElevated(gameFolder);
        return;
    case FolderPage::Decision::Install:
        break;
    }
    const std::vector<InstallRecord> installations = installationsOf(gameFolder, m_package.name);
    if (!installations.empty()) {
        m_installed.showInstallations(installations);
        showPage(m_installed);
        return;
    }
    startInstallation(gameFolder);
}

void SetupWindow::startRemoval()
{
    const std::string gameFolder = m_folder.folder();
    const InstalledChoice choice = m_installed.choice();
    if (const std::string problem = reinstallProblem(choice, m_package, gameFolder); !problem.empty()) {
        m_prompts.showError(m_hwnd, problem);
        return;
    }
    auto removal = std::make_unique<Uninstallation>(gameFolder, m_package.name);
    if (const std::string error = removal->preflight(); !error.empty()) {
        m_prompts.showError(m_hwnd, error);
        return;
    }
    // Every recorded file is read for its digest, away from the window's thread.
    m_installed.startCheck(
        std::move(removal),
        [this, choice, gameFolder](std::unique_ptr<Uninstallation> removal, std::vector<LeftFile> left) {
            if (const auto question = removalQuestion(choice, m_package, left);
                question && !m_prompts.confirmRemoval(m_hwnd, *question, !left.empty())) {
                focusChoice();
                return;
            }
            runRemoval(std::move(removal), choice, gameFolder);
        });
    // Enter must not start a second check; Cancel stops this one.
    ::SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(m_hwnd, IDCANCEL)), TRUE);
}

void SetupWindow::runRemoval(std::unique_ptr<Uninstallation> removal, InstalledChoice choice,
                             const std::string &gameFolder)
{
    // Started before the step is shown, so that Cancel is enabled with it. Cancel does not take the
    // focus: Enter pressed while the files are removed must not stop the removal (Esc does).
    m_removing.start(std::move(removal), [this, choice, gameFolder](const UninstallResult &result) {
        if (result.busy) {
            waitForFolder(gameFolder, [this, choice, gameFolder] {
                runRemoval(std::make_unique<Uninstallation>(gameFolder, m_package.name), choice, gameFolder);
            });
            return;
        }
        m_busyWait.finished();
        if (const std::string problem = unlistRemoval(m_package.name, gameFolder); !problem.empty())
            m_prompts.showError(m_hwnd, problem);
        if (installsAfterRemoval(choice, result)) {
            startInstallation(gameFolder);
            return;
        }
        m_exitCode = result.ok ? 0 : 1;
        m_done.showRemoval(result);
        showPage(m_done);
    });
    showPage(m_removing);
}

void SetupWindow::startInstallation(const std::string &gameFolder)
{
    showPage(m_install);
    m_install.start(gameFolder, [this, gameFolder](const InstallResult &result) {
        if (result.busy) {
            waitForFolder(gameFolder, [this, gameFolder] { startInstallation(gameFolder); });
            return;
        }
        m_busyWait.finished();
        if (const std::string problem = listInstallation(m_package, gameFolder, result); !problem.empty())
            m_prompts.showError(m_hwnd, problem);
        m_exitCode = result.ok ? 0 : 1;
        if (!result.installed.empty() || result.ok)
            rememberGameFolder(gameFolder);
        m_done.showResult(result, gameFolder);
        showPage(m_done);
    });
}

void SetupWindow::waitForFolder(const std::string &gameFolder, std::function<void()> retry)
{
    // Asked once: a folder taken again between the look and the run is waited for again.
    if (!m_busyWait.agreed() && !m_prompts.confirmWait(m_hwnd, gameFolder)) {
        stopWaiting();
        showPage(m_folder);
        return;
    }
    m_busyWait.begin(gameFolder, std::move(retry));
    if (m_current == &m_removing)
        m_removing.showStatus(texts::busyWaiting());
    else
        m_install.showStatus(texts::busyWaiting());
    ::SetTimer(m_hwnd, BusyTimer, BusyPollMilliseconds, nullptr);
    updateButtons();
}

void SetupWindow::focusChoice()
{
    ::SendMessageW(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_installed.firstFocus()), TRUE);
}

void SetupWindow::stopWaiting()
{
    m_busyWait.cancel();
    ::KillTimer(m_hwnd, BusyTimer);
}

void SetupWindow::restartElevated(const std::string &gameFolder)
{
    std::string error;
    UniqueHandle process = startElevated(m_hwnd, m_package.folder, gameFolder, &error);
    if (!process) {
        if (!error.empty()) // empty: the player said no to Windows' prompt
            m_prompts.showError(m_hwnd, error);
        return;
    }
    // The elevated window takes over; this one waits for it and ends with its exit code.
    ::ShowWindow(m_hwnd, SW_HIDE);
    HANDLE handle = process.get();
    while (::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    DWORD code = 1;
    ::GetExitCodeProcess(handle, &code);
    close(static_cast<int>(code));
}

void SetupWindow::close(int exitCode)
{
    m_exitCode = exitCode;
    HWND hwnd = m_hwnd;
    m_hwnd = nullptr;
    ::DestroyWindow(hwnd);
}

} // namespace

} // namespace installer::win

namespace {

int runWindow(HINSTANCE instance, const installer::Package &package, const std::string &elevatedFolder)
{
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_PROGRESS_CLASS | ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    installer::win::ComApartment com; // for the folder picker
    installer::win::WindowsPrompts prompts(instance);
    installer::win::SetupWindow window(instance, package, prompts, elevatedFolder);
    return window.run();
}

} // namespace

int runSetupWindow(HINSTANCE instance, const installer::Package &package)
{
    return runWindow(instance, package, {});
}

int runSetupWindow(HINSTANCE instance, const installer::Package &package, const std::string &gameFolder)
{
    return runWindow(instance, package, gameFolder);
}
