#include "InstalledPage.h"

#include <thread>

#include <commctrl.h>

#include "SetupTexts.h"
#include "WinText.h"
#include "resource.h"

namespace installer::win {

namespace {

// Posted by the check's worker as its last act; wParam: the check's number.
constexpr UINT WM_CHECK_DONE = WM_APP + 1;

} // namespace

struct InstalledPage::Check
{
    std::unique_ptr<Uninstallation> removal;
    std::vector<LeftFile> left; // written by the worker before it posts WM_CHECK_DONE
};

InstalledPage::InstalledPage(const Package &package) : Page(IDD_INSTALLED), m_package(package) {}

std::string InstalledPage::title() const
{
    return texts::installedTitle();
}

std::string InstalledPage::subtitle() const
{
    return texts::installedSubtitle(m_package);
}

HWND InstalledPage::firstFocus() const
{
    return item(checkedOption());
}

void InstalledPage::onInit()
{
    setItem(IDC_REINSTALL, texts::reinstallOption());
    setItem(IDC_REMOVE, texts::removeOption());
    ::CheckRadioButton(hwnd(), IDC_REINSTALL, IDC_REMOVE, IDC_REINSTALL);
    moveTabStopToChecked();
}

void InstalledPage::enter()
{
    moveTabStopToChecked();
}

void InstalledPage::showInstallations(const std::vector<InstallRecord> &installations)
{
    HWND list = item(IDC_INSTALLATIONS);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string &line : installationLines(installations))
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(line).c_str()));
    ::CheckRadioButton(hwnd(), IDC_REINSTALL, IDC_REMOVE, IDC_REINSTALL);
}

InstalledChoice InstalledPage::choice() const
{
    return checkedOption() == IDC_REMOVE ? InstalledChoice::Remove : InstalledChoice::Reinstall;
}

int InstalledPage::checkedOption() const
{
    return ::IsDlgButtonChecked(hwnd(), IDC_REMOVE) == BST_CHECKED ? IDC_REMOVE : IDC_REINSTALL;
}

void InstalledPage::moveTabStopToChecked() const
{
    const int checked = checkedOption();
    for (int id : {IDC_REINSTALL, IDC_REMOVE}) {
        HWND option = item(id);
        const LONG_PTR style = ::GetWindowLongPtrW(option, GWL_STYLE);
        ::SetWindowLongPtrW(option, GWL_STYLE, id == checked ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

void InstalledPage::startCheck(std::unique_ptr<Uninstallation> removal, CheckDone done)
{
    auto check = std::make_shared<Check>();
    check->removal = std::move(removal);
    m_check = check;
    m_checkDone = std::move(done);
    const WPARAM number = ++m_checkNumber;
    showChecking(true);
    HWND page = hwnd();
    // Detached: a check that is stopped is not waited for; its worker keeps what it reads alive.
    std::thread([check, page, number] {
        check->left = check->removal->check();
        ::PostMessageW(page, WM_CHECK_DONE, number, 0);
    }).detach();
}

void InstalledPage::stopCheck()
{
    m_check.reset();
    m_checkDone = nullptr;
    showChecking(false);
}

void InstalledPage::showChecking(bool checking)
{
    setItem(IDC_INSTALLED_STATUS, checking ? texts::checkingStatus() : std::string());
    HWND bar = item(IDC_INSTALLED_BAR);
    ::ShowWindow(bar, checking ? SW_SHOW : SW_HIDE);
    ::SendMessageW(bar, PBM_SETMARQUEE, checking ? TRUE : FALSE, 0);
    for (int id : {IDC_REINSTALL, IDC_REMOVE})
        ::EnableWindow(item(id), !checking);
    changed();
}

bool InstalledPage::onCommand(int id, int code, HWND)
{
    if ((id == IDC_REINSTALL || id == IDC_REMOVE) && code == BN_CLICKED) {
        moveTabStopToChecked();
        return true;
    }
    return false;
}

bool InstalledPage::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result)
{
    if (message == WM_CHECK_DONE) {
        *result = 0;
        if (wParam != m_checkNumber || !m_check)
            return true; // a check that was stopped
        const std::shared_ptr<Check> check = std::move(m_check);
        CheckDone done = std::move(m_checkDone);
        showChecking(false);
        if (done)
            done(std::move(check->removal), std::move(check->left));
        return true;
    }
    // The list of installations reads as text on the page, not as a box to pick from.
    if (message != WM_CTLCOLORLISTBOX || reinterpret_cast<HWND>(lParam) != item(IDC_INSTALLATIONS))
        return false;
    auto dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_3DFACE));
    *result = reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_3DFACE));
    return true;
}

} // namespace installer::win
