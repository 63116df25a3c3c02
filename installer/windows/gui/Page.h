#pragma once

#include <functional>
#include <string>

#include <windows.h>

namespace installer::win {

// One step of the setup window: a child dialog from its template in dialogs.rc, placed in the
// frame's step area, and what the header and the forward button show while it is current.
class Page
{
public:
    explicit Page(int templateId) : m_templateId(templateId) {}
    virtual ~Page() = default;
    Page(const Page &) = delete;
    Page &operator=(const Page &) = delete;

    // Creates the dialog, hidden, inside frame at area (client coordinates of frame).
    bool create(HINSTANCE instance, HWND frame, const RECT &area);
    HWND hwnd() const { return m_hwnd; }

    virtual std::string title() const = 0;
    virtual std::string subtitle() const = 0;
    virtual std::string nextText() const;
    // Whether the forward button may be pressed now.
    virtual bool isComplete() const { return true; }
    // The step has just become the current one.
    virtual void enter() {}
    // The control that has the focus when the step is shown; null for the forward button.
    virtual HWND firstFocus() const { return nullptr; }

    // Called when isComplete() may have changed.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

protected:
    virtual void onInit() = 0;
    virtual bool onCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    // Any other message; true when handled, with the dialog procedure's result in *result.
    virtual bool onMessage(UINT /*message*/, WPARAM, LPARAM, INT_PTR * /*result*/) { return false; }

    HWND item(int id) const { return ::GetDlgItem(m_hwnd, id); }
    void setItem(int id, const std::string &utf8) const;
    void changed() const;

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    HWND m_hwnd = nullptr;
    std::function<void()> m_onChange;
};

// The progress bar smooth, or in the classic blocks ([Progress Bar] Smooth of install.ini). Themed
// bars are always smooth, so a block bar is drawn without the theme.
void styleProgressBar(HWND bar, bool smooth);

// Keys that a multi-line control would keep (Enter, Tab, Esc) go to the dialog manager instead,
// so that they press the default button, move the focus and cancel as everywhere else; and the
// focus arriving by Tab selects nothing.
void leaveDialogKeysToDialog(HWND control);

} // namespace installer::win
