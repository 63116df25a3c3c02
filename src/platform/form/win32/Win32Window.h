#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Form.h"

#include <windows.h>

// A page as a top-level Win32 window: the template's and the page's controls as native
// child controls, scaled for the monitor's DPI, with the keys of the dialog manager.
namespace form::win32 {

class Win32Window;

// What the window routes to a control's adapter: the notifications its native control sends.
class NativeControl
{
public:
    virtual ~NativeControl() = default;

    virtual HWND handle() const = 0;
    virtual void onCommand(WORD) {}
    // The answer to WM_NOTIFY.
    virtual LRESULT onNotify(const NMHDR &) { return 0; }
    virtual void onTimer() {}
    // Owner-drawn controls (the banner, elided list rows).
    virtual void onDrawItem(const DRAWITEMSTRUCT &) {}
};

// Control-independent state and geometry of one page window.
class Win32Window : public Window
{
public:
    explicit Win32Window(const PageLayout &layout);
    ~Win32Window() override;

    void show() override;
    void hide() override;
    bool isVisible() const override;
    Control *find(std::string_view name, int index = -1) const override;

    HWND handle() const { return m_hwnd; }
    const std::vector<std::unique_ptr<Control>> &controls() const { return m_controls; }
    // Pixels per inch / 96 of the window's monitor.
    double scale() const { return m_dpi / 96.0; }
    // The place of a layout rectangle in this window's pixels.
    RECT pixels(const Rect &twips) const;
    HFONT font() const { return m_font; }
    HFONT bannerFont() const { return m_bannerFont; }
    // Places a child at a layout rectangle with the message or the banner font, for the
    // window's DPI now and again whenever the DPI changes.
    void placeChild(HWND child, const Rect &twips, bool banner);

    // Raises an event unless the window is being destroyed. The handler may unload the page.
    void raise(const Handler &handler) const;
    // From now on no event reaches the window's controls.
    void shutDown();
    bool isShutDown() const { return m_doomed; }

    // Focus as the page sets it: given now when the window is active, else on activation.
    void focus(HWND control);
    bool hasFocus(HWND control) const;

    // The Win32Window of a page window's handle; nullptr for any other window.
    static Win32Window *fromHandle(HWND hwnd);
    // The control adapter of a form control (for drivers).
    static HWND handleOf(const Control &control);

    // The dialog manager's handling of a message for this page: Tab, mnemonics, Esc, Enter.
    bool preTranslate(MSG &msg);
    // The banner's background (white fading to the window colour) under a control of the banner.
    void paintBanner(HDC dc, HWND control, const RECT &area) const;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    // Fonts, window size and every child's place for a DPI; the window moves to where
    // Windows suggests, if it does.
    void applyDpi(UINT dpi, const RECT *suggested);
    void sizeFrame(const RECT *suggested);
    void createControls();
    void orderForTab(const std::vector<ControlRow> &all);
    NativeControl *nativeById(int id) const;
    NativeControl *nativeByHandle(HWND hwnd) const;
    void nextDialogControl(WPARAM wParam, LPARAM lParam);
    void pressEscape();

    struct Child
    {
        HWND hwnd;
        Rect place;
        bool banner;
    };
    void place(const Child &child) const;

    HWND m_hwnd = nullptr;
    UINT m_dpi = 96;
    HFONT m_font = nullptr;
    HFONT m_bannerFont = nullptr;
    bool m_doomed = false;
    bool m_shownOnce = false;
    bool m_skipNextDialogMove = false;
    HWND m_focus = nullptr;
    std::vector<std::unique_ptr<Control>> m_controls;
    std::vector<NativeControl *> m_natives; // by control id - FirstControlId
    std::vector<Child> m_children;
};

// Control ids start above the dialog manager's IDOK and IDCANCEL, which no control may have.
constexpr int FirstControlId = 100;

} // namespace form::win32
