#include "DonePage.h"

#include "RemovalFlow.h"
#include "SetupTexts.h"
#include "WinText.h"
#include "resource.h"

namespace installer::win {

DonePage::DonePage(const Package &package) : Page(IDD_DONE), m_package(package) {}

std::string DonePage::title() const
{
    return m_removal ? texts::removedTitle(m_ok) : texts::doneTitle(m_ok);
}

std::string DonePage::subtitle() const
{
    return m_removal ? texts::removedSubtitle(m_package, m_ok) : texts::doneSubtitle(m_package, m_ok);
}

std::string DonePage::nextText() const
{
    return texts::finishButton();
}

void DonePage::onInit()
{
    leaveDialogKeysToDialog(item(IDC_SUMMARY));
}

bool DonePage::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result)
{
    // The summary reads as a page of text, not as a greyed-out box.
    if (message != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lParam) != item(IDC_SUMMARY))
        return false;
    ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
    *result = reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_WINDOW));
    return true;
}

void DonePage::showResult(const InstallResult &result, const std::string &gameFolder)
{
    m_ok = result.ok;
    m_removal = false;
    ::SetDlgItemTextW(
        hwnd(), IDC_SUMMARY,
        wideLines(texts::installSummary(result, gameFolder, texts::PathStyle::Windows)).c_str());
}

void DonePage::showRemoval(const UninstallResult &result)
{
    m_ok = result.ok;
    m_removal = true;
    ::SetDlgItemTextW(hwnd(), IDC_SUMMARY, wideLines(removalSummary(result)).c_str());
}

} // namespace installer::win
