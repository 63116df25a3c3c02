#pragma once

#include <memory>
#include <string>

#include "Form.h"
#include "Win32Window.h"

// An adapter per control kind over a native Win32 control, each keeping the state the
// interface reads back where the native control does not keep it as the pages expect.
namespace form::win32 {

std::wstring wide(const std::string &utf8);
std::string utf8(const std::wstring &wide);
std::string windowText(HWND hwnd);

// What every adapter shares: the native control, enabled, visible, focus.
template <class Base> class Native : public Base, public NativeControl
{
public:
    Native(const ControlRow &layoutRow, Win32Window &window, HWND hwnd)
        : Base(layoutRow), m_window(window), m_hwnd(hwnd)
    {
    }

    HWND handle() const override { return m_hwnd; }
    bool isEnabled() const override { return IsWindowEnabled(m_hwnd) != FALSE; }
    void setEnabled(bool enabled) override { EnableWindow(m_hwnd, enabled ? TRUE : FALSE); }
    // The control's own visibility, whether its window is shown or not.
    bool isVisible() const override { return (GetWindowLongW(m_hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }
    void setVisible(bool visible) override { ShowWindow(m_hwnd, visible ? SW_SHOWNA : SW_HIDE); }
    void setFocus() override { m_window.focus(m_hwnd); }
    bool hasFocus() const override { return m_window.hasFocus(m_hwnd); }

protected:
    Win32Window &m_window;
    HWND m_hwnd;
};

// The native control and its adapter for one layout row, as a child of the window with that id.
std::unique_ptr<Control> makeControl(const ControlRow &layoutRow, Win32Window &window, int id);

// The child window of a control row: class, styles and place from the layout.
HWND createChild(Win32Window &window, const ControlRow &layoutRow, int id, const wchar_t *className,
                 DWORD style, DWORD exStyle = 0, const std::wstring &text = {});

} // namespace form::win32
