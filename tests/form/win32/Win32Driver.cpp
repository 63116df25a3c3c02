#include "Win32Driver.h"

#include <deque>
#include <string>

#include "Win32Controls.h"
#include "Win32Runtime.h"
#include "Win32Window.h"

namespace {

using form::win32::Win32Window;

class Win32Driver;
Win32Driver *g_driver = nullptr;
SeenMessageBox g_seen;

class Win32Driver : public form::testing::Driver
{
public:
    Win32Driver()
    {
        g_driver = this;
        // A thread timer runs inside a message box's own loop too.
        m_watch = SetTimer(nullptr, 0, 20, &Win32Driver::watch);
    }
    ~Win32Driver() override
    {
        KillTimer(nullptr, m_watch);
        g_driver = nullptr;
    }

    form::Runtime &runtime() override { return m_runtime; }

    void type(form::TextBox &box, const std::string &text) override
    {
        HWND edit = Win32Window::handleOf(box);
        if (!IsWindowEnabled(edit))
            return;
        const LRESULT end = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
        SendMessageW(edit, EM_SETSEL, WPARAM(end), LPARAM(end));
        typeChars(edit, text);
    }

    void retype(form::TextBox &box, const std::string &text) override
    {
        HWND edit = Win32Window::handleOf(box);
        if (!IsWindowEnabled(edit))
            return;
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, WM_KEYDOWN, VK_DELETE, 1);
        SendMessageW(edit, WM_KEYUP, VK_DELETE, 1 | (1u << 30) | (1u << 31));
        typeChars(edit, text);
    }

    void pressKey(form::Window &window, form::testing::Key key) override
    {
        using form::testing::Key;
        const WPARAM vk = key == Key::Escape  ? VK_ESCAPE
                          : key == Key::Enter ? VK_RETURN
                          : key == Key::Up    ? VK_UP
                                              : VK_DOWN;
        sendKey(static_cast<Win32Window &>(window), vk);
    }

    void clickArrow(form::UpDown &upDown, bool up) override
    {
        HWND arrows = Win32Window::handleOf(upDown);
        RECT area;
        GetClientRect(arrows, &area);
        const LPARAM at = MAKELPARAM(area.right / 2, up ? area.bottom / 4 : area.bottom * 3 / 4);
        SendMessageW(arrows, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(arrows, WM_LBUTTONUP, 0, at);
    }

    void clickWithMouse(form::Control &control) override
    {
        SendMessageW(Win32Window::handleOf(control), BM_CLICK, 0, 0);
    }

    void answerNextMessageBox(int answer) override { m_answers.push_back(answer); }
    std::string lastMessageBoxText() const override { return m_lastText; }
    void settle() override { m_runtime.doEvents(); }

    // A key as the focused control of the window receives it, through the runtime's dispatch.
    static void sendKey(Win32Window &window, WPARAM vk, UINT message = WM_KEYDOWN)
    {
        HWND page = window.handle();
        SetForegroundWindow(page);
        SetActiveWindow(page);
        HWND focused = GetFocus();
        MSG msg{};
        msg.hwnd = focused && (focused == page || IsChild(page, focused)) ? focused : page;
        msg.message = message;
        msg.wParam = vk;
        msg.lParam = message == WM_SYSCHAR ? LPARAM(1 | (1 << 29)) : LPARAM(1);
        msg.time = GetMessageTime();
        form::win32::dispatchMessage(msg);
    }

private:
    static void typeChars(HWND edit, const std::string &text)
    {
        for (wchar_t unit : form::win32::wide(text))
            SendMessageW(edit, WM_CHAR, WPARAM(unit), 1);
    }

    static void CALLBACK watch(HWND, UINT, UINT_PTR, DWORD)
    {
        if (g_driver)
            g_driver->answerOpenBox();
    }

    void answerOpenBox()
    {
        HWND box = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM found) -> BOOL {
                wchar_t name[16] = {};
                GetClassNameW(hwnd, name, 16);
                if (lstrcmpW(name, L"#32770") != 0 || !IsWindowVisible(hwnd))
                    return TRUE;
                *reinterpret_cast<HWND *>(found) = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&box));
        if (!box)
            m_answered = nullptr;
        if (!box || box == m_answered)
            return;
        m_answered = box;
        wchar_t text[4096] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 4096);
        m_lastText = form::win32::utf8(text);
        g_seen.owner = GetWindow(box, GW_OWNER);
        g_seen.ownerEnabled = g_seen.owner && IsWindowEnabled(static_cast<HWND>(g_seen.owner));
        wchar_t caption[256] = {};
        GetWindowTextW(box, caption, 256);
        g_seen.caption = caption;
        int answer = GetDlgItem(box, IDOK) ? IDOK : IDNO;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
    }

    form::win32::Win32Runtime m_runtime;
    UINT_PTR m_watch = 0;
    std::deque<int> m_answers;
    std::string m_lastText;
    HWND m_answered = nullptr;
};

} // namespace

std::unique_ptr<form::testing::Driver> makeWin32Driver()
{
    return std::make_unique<Win32Driver>();
}

void pressWin32Key(form::Window &window, unsigned virtualKey, unsigned message)
{
    Win32Driver::sendKey(static_cast<Win32Window &>(window), virtualKey, message);
}

SeenMessageBox lastWin32MessageBox()
{
    return g_seen;
}
