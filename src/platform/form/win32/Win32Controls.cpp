#include "Win32Controls.h"

#include <algorithm>

#include "ControlRules.h"
#include "KeptUpDown.h"
#include "Text.h"
#include "Win32Lists.h"

#include <commctrl.h>
#include <uxtheme.h>

namespace form::win32 {

std::wstring wide(const std::string &utf8)
{
    return base::text::widen(utf8);
}

std::string utf8(const std::wstring &wide)
{
    return base::text::narrow(wide);
}

std::string windowText(HWND hwnd)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(hwnd, text.data(), int(text.size()))));
    return utf8(text);
}

HWND createChild(Win32Window &window, const ControlRow &layoutRow, int id, const wchar_t *className,
                 DWORD style, DWORD exStyle, const std::wstring &text)
{
    style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (!layoutRow.has(style::Hidden))
        style |= WS_VISIBLE;
    if (layoutRow.has(style::Disabled))
        style |= WS_DISABLED;
    if (layoutRow.takesFocus())
        style |= WS_TABSTOP | WS_GROUP; // options are grouped by name, not by z-order
    const RECT place = window.pixels(layoutRow.place);
    HWND hwnd = CreateWindowExW(exStyle, className, text.c_str(), style, place.left, place.top,
                                place.right - place.left, place.bottom - place.top, window.handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                nullptr);
    window.placeChild(hwnd, layoutRow.place, layoutRow.has(style::Banner));
    return hwnd;
}

namespace {

// The banner picture: white fading to the window colour.
class BannerPicture : public Native<Label>
{
public:
    using Native::Native;
    std::string text() const override { return windowText(m_hwnd); }
    void setText(const std::string &text) override { SetWindowTextW(m_hwnd, wide(text).c_str()); }
    void onDrawItem(const DRAWITEMSTRUCT &item) override
    {
        m_window.paintBanner(item.hDC, m_hwnd, item.rcItem);
    }
};

// A caption: a static, or the banner title drawn over the banner's background.
class StaticLabel : public Native<Label>
{
public:
    using Native::Native;
    std::string text() const override { return windowText(m_hwnd); }
    void setText(const std::string &text) override
    {
        SetWindowTextW(m_hwnd, wide(text).c_str());
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }
    void onDrawItem(const DRAWITEMSTRUCT &item) override
    {
        m_window.paintBanner(item.hDC, m_hwnd, item.rcItem);
        const std::wstring caption = wide(text());
        RECT area = item.rcItem;
        const int mode = SetBkMode(item.hDC, TRANSPARENT);
        HGDIOBJ old = SelectObject(item.hDC, m_window.bannerFont());
        SetTextColor(item.hDC, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(item.hDC, caption.c_str(), int(caption.size()), &area,
                  DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(item.hDC, old);
        SetBkMode(item.hDC, mode);
    }
};

class UpDownControl;

class EditBox : public Native<TextBox>
{
public:
    EditBox(const ControlRow &layoutRow, Win32Window &window, HWND hwnd) : Native(layoutRow, window, hwnd)
    {
        if (layoutRow.maxLength > 0)
            SendMessageW(hwnd, EM_SETLIMITTEXT, WPARAM(layoutRow.maxLength), 0);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditBox::subclassProc)));
    }

    std::string text() const override { return windowText(m_hwnd); }
    void setText(const std::string &text) override
    {
        std::string cut = maxLength() > 0 ? rules::firstCharacters(text, std::size_t(maxLength())) : text;
        if (layoutRow().has(style::MultiLine))
            cut = withCrLf(cut);
        if (cut == this->text())
            return;
        m_settingFromCode = true;
        SetWindowTextW(m_hwnd, wide(cut).c_str());
        m_settingFromCode = false;
        m_window.raise(Change);
    }
    int maxLength() const override { return layoutRow().maxLength; }
    bool isReadOnly() const override { return layoutRow().has(style::Locked); }

    void onCommand(WORD code) override
    {
        // A multi-line edit reports no change for text set from code, a single-line one does:
        // setText raises that one Change itself.
        if (code == EN_CHANGE && !m_settingFromCode)
            m_window.raise(Change);
    }

private:
    // The up-down whose buddy this box is: Up and Down step it.
    UpDownControl *upDown() const;

    static std::string withCrLf(const std::string &text)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
                out += '\r';
            out += text[i];
        }
        return out;
    }
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_editProc = nullptr;
    bool m_settingFromCode = false;
};

class PushButton : public Native<Button>
{
public:
    using Native::Native;
    std::string text() const override { return windowText(m_hwnd); }
    void setText(const std::string &text) override { SetWindowTextW(m_hwnd, wide(text).c_str()); }
    void click() override
    {
        if (isEnabled() && isVisible())
            m_window.raise(Click);
    }
    void onCommand(WORD code) override
    {
        if (code == BN_CLICKED)
            click();
    }
};

// An option button; the options of one name exclude each other, whatever their z-order.
class OptionButton : public Native<Option>
{
public:
    using Native::Native;
    std::string text() const override { return windowText(m_hwnd); }
    bool isChecked() const override { return SendMessageW(m_hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void setChecked(bool checked) override
    {
        if (checked == isChecked())
            return;
        if (checked)
            for (int i = 0;; ++i) {
                Control *member = m_window.find(name(), i);
                if (!member)
                    break;
                if (member != this)
                    SendMessageW(Win32Window::handleOf(*member), BM_SETCHECK, BST_UNCHECKED, 0);
            }
        SendMessageW(m_hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
        if (checked)
            m_window.raise(Click);
    }
    void click() override
    {
        if (isEnabled() && isVisible())
            setChecked(true);
    }
    void onCommand(WORD code) override
    {
        if (code == BN_CLICKED)
            click();
    }
};

class ListBoxControl : public Native<ListBox>
{
public:
    using Native::Native;
    void addItem(const std::string &text) override
    {
        SendMessageW(m_hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(text).c_str()));
    }
    void clear() override { SendMessageW(m_hwnd, LB_RESETCONTENT, 0, 0); }
    int count() const override { return int(SendMessageW(m_hwnd, LB_GETCOUNT, 0, 0)); }
    std::string item(int row) const override
    {
        if (row < 0 || row >= count())
            return {};
        std::wstring text(std::size_t(SendMessageW(m_hwnd, LB_GETTEXTLEN, WPARAM(row), 0)) + 1, L'\0');
        text.resize(std::size_t(
            SendMessageW(m_hwnd, LB_GETTEXT, WPARAM(row), reinterpret_cast<LPARAM>(text.data()))));
        return utf8(text);
    }
    int currentRow() const override { return int(SendMessageW(m_hwnd, LB_GETCURSEL, 0, 0)); }
    void setCurrentRow(int row) override
    {
        SendMessageW(m_hwnd, LB_SETCURSEL, row >= 0 && row < count() ? WPARAM(row) : WPARAM(-1), 0);
    }
    void onCommand(WORD code) override
    {
        if (code == LBN_DBLCLK)
            m_window.raise(DblClick);
    }
    // A row too long for the list shows its end: "...\folder\file".
    void onDrawItem(const DRAWITEMSTRUCT &draw) override
    {
        if (draw.itemID == UINT(-1))
            return;
        const bool selected = (draw.itemState & ODS_SELECTED) != 0;
        FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        SetTextColor(draw.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        SetBkMode(draw.hDC, TRANSPARENT);
        std::wstring text = wide(item(int(draw.itemID)));
        RECT area = draw.rcItem;
        area.left += 2;
        DrawTextW(draw.hDC, text.data(), int(text.size()), &area,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
        if (draw.itemState & ODS_FOCUS)
            DrawFocusRect(draw.hDC, &draw.rcItem);
    }
};

class ProgressBarControl : public Native<ProgressBar>
{
public:
    ProgressBarControl(const ControlRow &layoutRow, Win32Window &window, HWND hwnd)
        : Native(layoutRow, window, hwnd)
    {
        applySmooth();
        setBackColor(m_back);
        update();
    }
    int min() const override { return m_min; }
    void setMin(int min) override
    {
        m_min = min;
        update();
    }
    int max() const override { return m_max; }
    void setMax(int max) override
    {
        m_max = max;
        update();
    }
    int value() const override { return rules::progressValue(m_value, m_min, m_max); }
    void setValue(int value) override
    {
        m_value = rules::progressValue(value, m_min, m_max);
        update();
    }
    bool smooth() const override { return m_smooth; }
    void setSmooth(bool smooth) override
    {
        m_smooth = smooth;
        applySmooth();
    }
    int borderStyle() const override { return m_border; }
    void setBorderStyle(int style) override
    {
        m_border = style;
        setStyleBit(WS_BORDER, style != 0);
    }
    std::uint32_t backColor() const override { return m_back; }
    void setBackColor(std::uint32_t color) override
    {
        m_back = color;
        // OLE system colours carry the GetSysColor index in their low byte.
        const COLORREF rgb =
            (color & 0x80000000u) ? GetSysColor(int(color & 0xFF)) : COLORREF(color & 0xFFFFFF);
        SendMessageW(m_hwnd, PBM_SETBKCOLOR, 0, LPARAM(rgb));
    }

private:
    // The native bar shows the range when it is not empty; an empty one shows nothing done.
    void update()
    {
        if (m_max > m_min) {
            SendMessageW(m_hwnd, PBM_SETRANGE32, WPARAM(m_min), LPARAM(m_max));
            SendMessageW(m_hwnd, PBM_SETPOS, WPARAM(value()), 0);
        } else {
            SendMessageW(m_hwnd, PBM_SETRANGE32, 0, 1);
            SendMessageW(m_hwnd, PBM_SETPOS, 0, 0);
        }
    }
    // Blocks show only without the visual style, which draws every bar smooth.
    void applySmooth()
    {
        setStyleBit(PBS_SMOOTH, m_smooth);
        if (m_smooth)
            SetWindowTheme(m_hwnd, nullptr, nullptr);
        else
            SetWindowTheme(m_hwnd, L"", L"");
        setBackColor(m_back);
    }
    void setStyleBit(DWORD bit, bool on)
    {
        const LONG style = GetWindowLongW(m_hwnd, GWL_STYLE);
        SetWindowLongW(m_hwnd, GWL_STYLE, on ? LONG(style | bit) : LONG(style & ~LONG(bit)));
        SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }

    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    bool m_smooth = false;
    int m_border = 0;
    std::uint32_t m_back = SystemButtonFace;
};

// The up-down keeps its value itself: the native control only reports its arrows.
class UpDownControl : public rules::KeptUpDown<Native<UpDown>>
{
public:
    UpDownControl(const ControlRow &layoutRow, Win32Window &window, HWND hwnd)
        : KeptUpDown(layoutRow, window, hwnd)
    {
        SendMessageW(hwnd, UDM_SETRANGE32, 0, 100); // only the direction of its steps counts
        SendMessageW(hwnd, UDM_SETPOS32, 0, 50);
    }
    LRESULT onNotify(const NMHDR &header) override
    {
        if (header.code != UDN_DELTAPOS)
            return 0;
        const auto &change = reinterpret_cast<const NMUPDOWN &>(header);
        if (change.iDelta != 0)
            step(change.iDelta > 0 ? 1 : -1);
        return TRUE; // the native position stays: the value lives here
    }

protected:
    TextBox *buddyBox() const override
    {
        return layoutRow().buddy.empty() ? nullptr
                                         : dynamic_cast<TextBox *>(m_window.find(layoutRow().buddy));
    }
    bool canStep() const override { return isEnabled() && !m_window.isShutDown(); }
};

UpDownControl *EditBox::upDown() const
{
    for (const auto &control : m_window.controls())
        if (auto *upDown = dynamic_cast<UpDownControl *>(control.get());
            upDown && upDown->layoutRow().buddy == name())
            return upDown;
    return nullptr;
}

LRESULT CALLBACK EditBox::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *box = reinterpret_cast<EditBox *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN))
        if (UpDownControl *upDown = box->upDown()) {
            upDown->step(wParam == VK_UP ? 1 : -1);
            return 0;
        }
    const LRESULT result = CallWindowProcW(box->m_editProc, hwnd, message, wParam, lParam);
    if (message == WM_LBUTTONDOWN)
        box->m_window.raise(box->Click);
    return result;
}

class TimerControl : public Native<Timer>
{
public:
    TimerControl(const ControlRow &layoutRow, Win32Window &window, HWND hwnd, int id)
        : Native(layoutRow, window, hwnd), m_id(id), m_interval(layoutRow.interval)
    {
        if (m_interval > 0)
            start();
    }
    ~TimerControl() override { KillTimer(m_window.handle(), UINT_PTR(m_id)); }
    int interval() const override { return m_interval; }
    void setInterval(int milliseconds) override
    {
        m_interval = milliseconds;
        if (m_active)
            start();
    }
    bool isActive() const override { return m_active; }
    void start() override
    {
        m_active = true;
        if (m_interval > 0)
            SetTimer(m_window.handle(), UINT_PTR(m_id), UINT(m_interval), nullptr);
        else
            KillTimer(m_window.handle(), UINT_PTR(m_id));
    }
    void stop() override
    {
        m_active = false;
        KillTimer(m_window.handle(), UINT_PTR(m_id));
    }
    void onTimer() override
    {
        if (m_active)
            m_window.raise(Tick);
    }

private:
    int m_id;
    int m_interval;
    bool m_active = false;
};

class AnimationControl : public Native<Animation>
{
public:
    using Native::Native;
    bool open(const std::string &path, std::string *error) override
    {
        close();
        m_open = SendMessageW(m_hwnd, ACM_OPENW, 0, reinterpret_cast<LPARAM>(wide(path).c_str())) != 0;
        if (!m_open && error)
            *error = "Cannot open the animation " + path + ": not a file the animation control can play";
        return m_open;
    }
    bool isOpen() const override { return m_open; }
    void play() override
    {
        if (m_open)
            m_playing = SendMessageW(m_hwnd, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF)) != 0;
    }
    void stop() override
    {
        SendMessageW(m_hwnd, ACM_STOP, 0, 0);
        m_playing = false;
    }
    bool isPlaying() const override { return m_playing; }
    void close() override
    {
        if (m_open)
            SendMessageW(m_hwnd, ACM_OPENW, 0, 0);
        m_open = m_playing = false;
    }

private:
    bool m_open = false;
    bool m_playing = false;
};

DWORD lineStyle(const ControlRow &layoutRow)
{
    return layoutRow.place.width >= layoutRow.place.height ? SS_ETCHEDHORZ : SS_ETCHEDVERT;
}

} // namespace

std::unique_ptr<Control> makeControl(const ControlRow &layoutRow, Win32Window &window, int id)
{
    const std::wstring caption = wide(layoutRow.caption);
    switch (layoutRow.kind) {
    case Kind::Picture:
        return std::make_unique<BannerPicture>(layoutRow, window,
                                               createChild(window, layoutRow, id, L"STATIC", SS_OWNERDRAW));
    case Kind::Label: {
        // A caption wraps only where its layout row says so; its explicit line breaks show either
        // way. "&" marks a mnemonic only on a label that names a buddy, as on Qt: elsewhere it is
        // a character of the text, such as a path's.
        DWORD style = layoutRow.has(style::WordWrap) ? SS_LEFT : SS_LEFTNOWORDWRAP;
        if (layoutRow.has(style::Banner))
            style = SS_OWNERDRAW;
        if (layoutRow.buddy.empty())
            style |= SS_NOPREFIX;
        return std::make_unique<StaticLabel>(
            layoutRow, window, createChild(window, layoutRow, id, L"STATIC", style, 0, caption));
    }
    case Kind::Frame:
        return std::make_unique<StaticLabel>(layoutRow, window,
                                             createChild(window, layoutRow, id, L"STATIC", 0));
    case Kind::Line:
        return std::make_unique<StaticLabel>(
            layoutRow, window, createChild(window, layoutRow, id, L"STATIC", lineStyle(layoutRow)));
    case Kind::TextBox: {
        DWORD style = ES_AUTOHSCROLL | ES_LEFT;
        if (layoutRow.has(style::Locked))
            style |= ES_READONLY;
        if (layoutRow.has(style::MultiLine))
            style = (style & ~DWORD(ES_AUTOHSCROLL)) | ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL;
        return std::make_unique<EditBox>(
            layoutRow, window, createChild(window, layoutRow, id, L"EDIT", style, WS_EX_CLIENTEDGE, caption));
    }
    case Kind::Button:
        return std::make_unique<PushButton>(
            layoutRow, window, createChild(window, layoutRow, id, L"BUTTON", BS_PUSHBUTTON, 0, caption));
    case Kind::Option:
        return std::make_unique<OptionButton>(
            layoutRow, window, createChild(window, layoutRow, id, L"BUTTON", BS_RADIOBUTTON, 0, caption));
    case Kind::ListBox: {
        DWORD style = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
        if (layoutRow.has(style::ElideLeft))
            style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
        return std::make_unique<ListBoxControl>(
            layoutRow, window, createChild(window, layoutRow, id, L"LISTBOX", style, WS_EX_CLIENTEDGE));
    }
    case Kind::DriveList:
        return makeDriveList(layoutRow, window, id);
    case Kind::DirList:
        return makeDirList(layoutRow, window, id);
    case Kind::FileList:
        return makeFileList(layoutRow, window, id);
    case Kind::ProgressBar:
        return std::make_unique<ProgressBarControl>(layoutRow, window,
                                                    createChild(window, layoutRow, id, PROGRESS_CLASSW, 0));
    case Kind::UpDown: {
        return std::make_unique<UpDownControl>(layoutRow, window,
                                               createChild(window, layoutRow, id, UPDOWN_CLASSW, 0));
    }
    case Kind::Timer: {
        ControlRow hidden = layoutRow;
        hidden.flags |= style::Hidden;
        return std::make_unique<TimerControl>(layoutRow, window,
                                              createChild(window, hidden, id, L"STATIC", 0), id);
    }
    case Kind::Animation:
        return std::make_unique<AnimationControl>(
            layoutRow, window, createChild(window, layoutRow, id, ANIMATE_CLASSW, ACS_CENTER));
    }
    return std::make_unique<StaticLabel>(layoutRow, window,
                                         createChild(window, layoutRow, id, L"STATIC", SS_LEFT, 0, caption));
}

} // namespace form::win32
