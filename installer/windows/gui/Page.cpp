#include "Page.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "SetupTexts.h"
#include "WinText.h"
#include "resource.h"

namespace installer::win {

bool Page::create(HINSTANCE instance, HWND frame, const RECT &area)
{
    m_hwnd = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(m_templateId), frame, &Page::dialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!m_hwnd)
        return false;
    ::SetWindowPos(m_hwnd, ::GetDlgItem(frame, IDC_STEP_AREA), area.left, area.top, area.right - area.left,
                   area.bottom - area.top, SWP_NOACTIVATE);
    return true;
}

std::string Page::nextText() const
{
    return texts::continueButton();
}

void Page::setItem(int id, const std::string &utf8) const
{
    setItemText(m_hwnd, id, utf8);
}

void Page::changed() const
{
    if (m_onChange)
        m_onChange();
}

INT_PTR CALLBACK Page::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto *page = reinterpret_cast<Page *>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        page->m_hwnd = hwnd;
        page->onInit();
        return FALSE; // the frame sets the focus when the step is shown
    }
    auto *page = reinterpret_cast<Page *>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!page)
        return FALSE;
    if (message == WM_COMMAND)
        return page->onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    INT_PTR result = 0;
    if (page->onMessage(message, wParam, lParam, &result)) {
        // The colour messages take the brush as the procedure's own result; the others through
        // DWLP_MSGRESULT.
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
            return result;
        ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}

namespace {

LRESULT CALLBACK dialogKeysProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_GETDLGCODE) {
        LRESULT code = ::DefSubclassProc(hwnd, message, wParam, lParam);
        const auto *msg = reinterpret_cast<const MSG *>(lParam);
        if (msg && msg->message == WM_KEYDOWN &&
            (msg->wParam == VK_RETURN || msg->wParam == VK_TAB || msg->wParam == VK_ESCAPE))
            code &= ~(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_WANTTAB);
        else
            code &= ~DLGC_WANTTAB;
        return code & ~DLGC_HASSETSEL;
    }
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, &dialogKeysProc, 0);
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace

void styleProgressBar(HWND bar, bool smooth)
{
    const LONG_PTR style = ::GetWindowLongPtrW(bar, GWL_STYLE);
    if (smooth) {
        ::SetWindowLongPtrW(bar, GWL_STYLE, style | PBS_SMOOTH);
        return;
    }
    // A blank class list (not an empty one, which Wine reads as none given) finds no theme.
    ::SetWindowTheme(bar, L" ", L" ");
    ::SetWindowLongPtrW(bar, GWL_STYLE, style & ~PBS_SMOOTH);
}

void leaveDialogKeysToDialog(HWND control)
{
    ::SetWindowSubclass(control, &dialogKeysProc, 0, 0);
}

} // namespace installer::win
