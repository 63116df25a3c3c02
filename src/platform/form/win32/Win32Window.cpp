#include "Win32Window.h"

#include <cmath>

#include "Win32Controls.h"

#include <commctrl.h>

namespace form::win32 {

namespace {

constexpr const wchar_t *PageClass = L"QuernelFormPage";
constexpr DWORD PageStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

void registerPageClass()
{
    static bool registered = false;
    if (registered)
        return;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                        ICC_UPDOWN_CLASS | ICC_ANIMATE_CLASS |
                                                        ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW; // replaced per window once its object is attached
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = PageClass;
    RegisterClassExW(&wc);
    registered = true;
}

// The window's DPI: per monitor where Windows tells it (10 and later), else 96.
UINT dpiOf(HWND hwnd)
{
    using GetDpiForWindowFn = UINT(WINAPI *)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpi ? getDpi(hwnd) : 0;
    return dpi ? dpi : 96;
}

HFONT messageFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, int(dpi), systemDpi ? systemDpi : 96);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HFONT createBannerFont(UINT dpi)
{
    const std::wstring face = wide(BannerFont);
    return CreateFontW(-MulDiv(22, int(dpi), 96), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_ROMAN,
                       face.c_str());
}

void deleteFont(HFONT font)
{
    if (font && font != GetStockObject(DEFAULT_GUI_FONT))
        DeleteObject(font);
}

// An owner-drawn list keeps the row height it was given, whatever its font: it grows with the DPI.
void scaleOwnerDrawnRows(HWND hwnd, UINT from, UINT to)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (from == to || lstrcmpiW(name, L"ListBox") != 0 ||
        !(GetWindowLongW(hwnd, GWL_STYLE) & LBS_OWNERDRAWFIXED))
        return;
    const int height = int(SendMessageW(hwnd, LB_GETITEMHEIGHT, 0, 0));
    SendMessageW(hwnd, LB_SETITEMHEIGHT, 0, MAKELPARAM(MulDiv(height, int(to), int(from)), 0));
}

bool isStatic(HWND hwnd)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    return lstrcmpiW(name, L"Static") == 0;
}

} // namespace

Win32Window::Win32Window(const PageLayout &layout) : Window(layout)
{
    registerPageClass();
    const std::wstring caption = wide(WindowCaption);
    m_hwnd = CreateWindowExW(0, PageClass, caption.c_str(), PageStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::windowProc));
    applyDpi(dpiOf(m_hwnd), nullptr);
    createControls();
}

Win32Window::~Win32Window()
{
    m_doomed = true;
    if (m_hwnd) {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hwnd);
    }
    m_controls.clear();
    deleteFont(m_font);
    deleteFont(m_bannerFont);
}

void Win32Window::applyDpi(UINT dpi, const RECT *suggested)
{
    const UINT before = m_dpi;
    m_dpi = dpi;
    const HFONT oldFont = m_font;
    const HFONT oldBannerFont = m_bannerFont;
    m_font = messageFont(dpi);
    m_bannerFont = createBannerFont(dpi);
    sizeFrame(suggested);
    for (const Child &child : m_children) {
        place(child);
        scaleOwnerDrawnRows(child.hwnd, before, dpi);
    }
    deleteFont(oldFont); // no child uses them any more
    deleteFont(oldBannerFont);
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The frame around a client area of the template's size at the window's DPI: at the suggested
// place when there is one, with the size corrected by the borders the window really has.
void Win32Window::sizeFrame(const RECT *suggested)
{
    const PixelRect client = toPixels({0, 0, ClientWidth, ClientHeight}, scale());
    RECT frame{0, 0, client.width, client.height};
    if (suggested)
        frame = *suggested;
    else
        AdjustWindowRectEx(&frame, PageStyle, FALSE, 0);
    SetWindowPos(m_hwnd, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE));
    RECT inner;
    GetClientRect(m_hwnd, &inner);
    if (inner.right != client.width || inner.bottom != client.height) {
        GetWindowRect(m_hwnd, &frame);
        SetWindowPos(m_hwnd, nullptr, 0, 0, frame.right - frame.left + client.width - inner.right,
                     frame.bottom - frame.top + client.height - inner.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Win32Window::placeChild(HWND child, const Rect &twips, bool banner)
{
    m_children.push_back({child, twips, banner});
    place(m_children.back());
}

void Win32Window::place(const Child &child) const
{
    const RECT area = pixels(child.place);
    SetWindowPos(child.hwnd, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(child.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(child.banner ? m_bannerFont : m_font),
                 TRUE);
}

void Win32Window::createControls()
{
    const std::vector<ControlRow> all = allControls(layout());
    for (std::size_t i = 0; i < all.size(); ++i) {
        m_controls.push_back(makeControl(all[i], *this, FirstControlId + int(i)));
        m_natives.push_back(dynamic_cast<NativeControl *>(m_controls.back().get()));
    }
    orderForTab(all);
    const int first = initialFocus(all);
    if (first >= 0)
        m_focus = m_natives[std::size_t(first)]->handle();
}

// Z-order is the order Tab and the dialog manager's mnemonics follow: the tab order, each
// label just before the control it names; other controls after them, frames and the banner
// picture at the bottom so that what they hold is drawn on top. A label that runs on beneath its
// box (the box covers the label's free end) goes just after the box, so that the box is drawn
// over it; its mnemonic reaches the box all the same (see WM_NEXTDLGCTL below).
void Win32Window::orderForTab(const std::vector<ControlRow> &all)
{
    std::vector<bool> placed(all.size(), false);
    HWND after = HWND_TOP;
    const auto place = [&](std::size_t i) {
        SetWindowPos(m_natives[i]->handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = m_natives[i]->handle();
        placed[i] = true;
    };
    // The box lies across the label's width and overlaps it from above or below.
    const auto covers = [](const Rect &label, const Rect &box) {
        return box.left >= label.left && box.left + box.width <= label.left + label.width &&
               box.top < label.top + label.height && label.top < box.top + box.height;
    };
    for (std::size_t i : tabOrder(all)) {
        std::vector<std::size_t> beneath;
        for (std::size_t j = 0; j < all.size(); ++j) {
            if (placed[j] || all[j].kind != Kind::Label || all[j].buddy.empty() ||
                all[j].buddy != all[i].name)
                continue;
            if (covers(all[j].place, all[i].place))
                beneath.push_back(j);
            else
                place(j);
        }
        place(i);
        for (std::size_t j : beneath)
            place(j);
    }
    for (bool bottom : {false, true})
        for (std::size_t i = 0; i < all.size(); ++i) {
            const bool isBottom = all[i].kind == Kind::Frame || all[i].kind == Kind::Picture;
            if (!placed[i] && isBottom == bottom)
                place(i);
        }
}

void Win32Window::show()
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        RECT frame;
        GetWindowRect(m_hwnd, &frame);
        MONITORINFO monitor{sizeof(monitor)};
        GetMonitorInfoW(MonitorFromWindow(m_hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT &work = monitor.rcWork;
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        SetWindowPos(m_hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                     work.top + (work.bottom - work.top - height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    SetActiveWindow(m_hwnd);
    if (m_focus && GetActiveWindow() == m_hwnd)
        SetFocus(m_focus);
}

void Win32Window::hide()
{
    ShowWindow(m_hwnd, SW_HIDE);
}

bool Win32Window::isVisible() const
{
    return IsWindowVisible(m_hwnd) != FALSE;
}

Control *Win32Window::find(std::string_view name, int index) const
{
    for (const auto &c : m_controls)
        if (c->name() == name && c->index() == index)
            return c.get();
    return nullptr;
}

RECT Win32Window::pixels(const Rect &twips) const
{
    const PixelRect p = toPixels(twips, scale());
    return {p.x, p.y, p.x + p.width, p.y + p.height};
}

void Win32Window::raise(const Handler &handler) const
{
    if (m_doomed || !handler)
        return;
    const Handler call = handler; // the handler may replace itself
    call();
}

void Win32Window::shutDown()
{
    m_doomed = true;
    hide();
}

void Win32Window::focus(HWND control)
{
    m_focus = control;
    if (GetActiveWindow() == m_hwnd)
        SetFocus(control);
}

bool Win32Window::hasFocus(HWND control) const
{
    return GetActiveWindow() == m_hwnd ? GetFocus() == control : m_focus == control;
}

Win32Window *Win32Window::fromHandle(HWND hwnd)
{
    wchar_t name[32] = {};
    if (!hwnd || !GetClassNameW(hwnd, name, 32) || lstrcmpW(name, PageClass) != 0)
        return nullptr;
    return reinterpret_cast<Win32Window *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HWND Win32Window::handleOf(const Control &control)
{
    const auto *native = dynamic_cast<const NativeControl *>(&control);
    return native ? native->handle() : nullptr;
}

NativeControl *Win32Window::nativeById(int id) const
{
    const int i = id - FirstControlId;
    return i >= 0 && i < int(m_natives.size()) ? m_natives[std::size_t(i)] : nullptr;
}

NativeControl *Win32Window::nativeByHandle(HWND hwnd) const
{
    return hwnd && GetParent(hwnd) == m_hwnd ? nativeById(GetDlgCtrlID(hwnd)) : nullptr;
}

bool Win32Window::preTranslate(MSG &msg)
{
    return IsDialogMessageW(m_hwnd, &msg) != FALSE;
}

void Win32Window::pressEscape()
{
    if (auto *cancel = dynamic_cast<Button *>(find("cmdCancel")); cancel && cancel->isEnabled())
        cancel->click();
}

// The dialog manager moves the focus by this message: Tab, and a label's mnemonic (focus
// the label, then the next control). A label's mnemonic focuses the label's buddy.
void Win32Window::nextDialogControl(WPARAM wParam, LPARAM lParam)
{
    if (!lParam && m_skipNextDialogMove) {
        m_skipNextDialogMove = false;
        return;
    }
    HWND target =
        lParam ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(m_hwnd, GetFocus(), wParam != 0);
    if (lParam && isStatic(target) && nativeByHandle(target)) {
        const Control &label = *m_controls[std::size_t(GetDlgCtrlID(target) - FirstControlId)];
        if (Control *buddy = label.layoutRow().buddy.empty() ? nullptr : find(label.layoutRow().buddy)) {
            target = handleOf(*buddy);
            m_skipNextDialogMove = true;
        }
    }
    if (!target)
        return;
    SetFocus(target);
    if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(target, EM_SETSEL, 0, -1);
}

void Win32Window::paintBanner(HDC dc, HWND control, const RECT &area) const
{
    POINT origin{0, 0};
    MapWindowPoints(control, m_hwnd, &origin, 1);
    RECT client;
    GetClientRect(m_hwnd, &client);
    const COLORREF end = GetSysColor(COLOR_BTNFACE);
    const double width = std::max<LONG>(1, client.right);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DC_BRUSH));
    for (LONG x = area.left; x < area.right; ++x) {
        const double t = std::clamp((x + origin.x) / width, 0.0, 1.0);
        const auto mix = [t](int to) { return int(std::lround(255 + (to - 255) * t)); };
        SetDCBrushColor(dc, RGB(mix(GetRValue(end)), mix(GetGValue(end)), mix(GetBValue(end))));
        PatBlt(dc, x, area.top, 1, area.bottom - area.top, PATCOPY);
    }
    SelectObject(dc, old);
}

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *window = reinterpret_cast<Win32Window *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return window ? window->handle(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDOK)
            return 0; // Enter: no page has a default button
        if (id == IDCANCEL) {
            pressEscape();
            return 0;
        }
        if (NativeControl *native = nativeById(id))
            native->onCommand(HIWORD(wParam));
        return 0;
    }
    case DM_GETDEFID:
        return 0;
    case WM_NEXTDLGCTL:
        nextDialogControl(wParam, lParam);
        return 0;
    case WM_NOTIFY: {
        const auto *header = reinterpret_cast<const NMHDR *>(lParam);
        NativeControl *native = nativeById(int(header->idFrom));
        return native ? native->onNotify(*header) : 0;
    }
    case WM_TIMER:
        if (NativeControl *native = nativeById(int(wParam)))
            native->onTimer();
        return 0;
    case WM_DRAWITEM:
        if (NativeControl *native = nativeById(int(wParam))) {
            native->onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        raise(CloseRequest);
        return 0; // refused: the page decides
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (HWND focused = GetFocus(); focused && GetParent(focused) == m_hwnd)
                m_focus = focused;
        } else if (m_focus && IsWindow(m_focus)) {
            SetFocus(m_focus);
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (m_focus && IsWindow(m_focus))
            SetFocus(m_focus);
        return 0;
    case WM_DPICHANGED:
        applyDpi(LOWORD(wParam), reinterpret_cast<const RECT *>(lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

} // namespace form::win32
