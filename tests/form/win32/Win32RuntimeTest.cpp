#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ConformanceCases.h"
#include "Form.h"
#include "LayoutRows.h"
#include "OwnDesktop.h"
#include "Win32Driver.h"
#include "Win32Window.h"

#include <windows.h>

#include <commctrl.h>

INSTANTIATE_TEST_SUITE_P(Win32, RuntimeConformance,
                         ::testing::Values(RuntimeUnderTest{"win32", makeWin32Driver}),
                         [](const auto &info) { return info.param.name; });

namespace {

using form::win32::Win32Window;

using form::testing::row;

// A label whose mnemonic names a text box below another, two options and a plain button.
form::PageLayout keyboardLayout()
{
    form::PageLayout layout;
    layout.title = "Keys";
    layout.controls = {
        row(form::Kind::TextBox, "txtFirst", -1, "", {240, 900, 3000, 330}),
        row(form::Kind::Label, "lblName", -1, "Na&me:", {240, 1300, 1000, 250}, "txtName"),
        row(form::Kind::TextBox, "txtName", -1, "", {1300, 1300, 3000, 330}),
        row(form::Kind::Option, "optA", 0, "A &0", {240, 1800, 1500, 300}),
        row(form::Kind::Option, "optA", 1, "A &1", {240, 2130, 1500, 300}),
        row(form::Kind::Button, "cmdGo", -1, "&Go", {3600, 1800, 1200, 375}),
    };
    return layout;
}

// Whether a label draws anything below its first line of text.
bool inkBelowFirstLine(HWND label)
{
    RECT area;
    GetClientRect(label, &area);
    HDC screen = GetDC(label);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, oldFont);
    SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    const COLORREF background = GetPixel(dc, area.right - 1, area.bottom - 1);
    bool ink = false;
    for (int y = metrics.tmHeight; y < area.bottom && !ink; ++y)
        for (int x = 0; x < area.right && !ink; ++x)
            ink = GetPixel(dc, x, y) != background;
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(label, screen);
    return ink;
}

class Win32RuntimeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        driver = makeWin32Driver();
        form::install(&driver->runtime());
        window = driver->runtime().createWindow(keyboardLayout());
        window->show();
        driver->settle();
    }
    void TearDown() override
    {
        window.reset();
        driver->settle();
        form::install(nullptr);
    }
    HWND page() const { return static_cast<Win32Window &>(*window).handle(); }
    HWND handleOf(const char *name, int index = -1) const
    {
        return Win32Window::handleOf(*window->find(name, index));
    }

    std::unique_ptr<form::testing::Driver> driver;
    std::unique_ptr<form::Window> window;
};

TEST_F(Win32RuntimeTest, APageIsAFixedTopLevelWindowOfTheTemplateSize)
{
    RECT client;
    GetClientRect(page(), &client);
    EXPECT_EQ(client.right, 456);
    EXPECT_EQ(client.bottom, 323);
    wchar_t caption[64] = {};
    GetWindowTextW(page(), caption, 64);
    EXPECT_STREQ(caption, L"Quernel 2.0");
    const LONG style = GetWindowLongW(page(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD), 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(GetWindow(page(), GW_OWNER), nullptr);

    LOGFONTW banner{};
    auto font = reinterpret_cast<HFONT>(SendMessageW(handleOf("lblBanner"), WM_GETFONT, 0, 0));
    ASSERT_TRUE(font);
    GetObjectW(font, sizeof(banner), &banner);
    EXPECT_STREQ(banner.lfFaceName, L"Times New Roman");
    EXPECT_EQ(banner.lfWeight, FW_BOLD);
    EXPECT_EQ(window->control<form::Label>("lblBanner").text(), "Keys");
}

TEST_F(Win32RuntimeTest, ADpiChangeScalesTheClientAreaControlsAndFontsAndTakesTheSuggestedPlace)
{
    const auto fontHeight = [this](const char *name) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(handleOf(name), WM_GETFONT, 0, 0)), sizeof(font),
                   &font);
        return font.lfHeight;
    };
    const LONG messageAt96 = fontHeight("lblName");
    struct Case
    {
        UINT dpi;
        SIZE client;
        RECT label; // lblName at 240, 1300, 1000 x 250 twips
        LONG bannerHeight;
    };
    for (const Case &c : std::vector<Case>{{144, {684, 485}, {24, 130, 124, 155}, -33},
                                           {120, {570, 404}, {20, 108, 103, 129}, -28},
                                           {96, {456, 323}, {16, 87, 83, 103}, -22}}) {
        // Windows suggests the frame scaled as a whole, which need not match the borders.
        RECT suggested;
        GetWindowRect(page(), &suggested);
        suggested = {40, 30, 40 + MulDiv(suggested.right - suggested.left, int(c.dpi), 96),
                     30 + MulDiv(suggested.bottom - suggested.top, int(c.dpi), 96)};
        SendMessageW(page(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), reinterpret_cast<LPARAM>(&suggested));

        RECT client, frame, label;
        GetClientRect(page(), &client);
        EXPECT_EQ(client.right, c.client.cx) << c.dpi;
        EXPECT_EQ(client.bottom, c.client.cy) << c.dpi;
        GetWindowRect(page(), &frame);
        EXPECT_EQ(frame.left, 40) << c.dpi;
        EXPECT_EQ(frame.top, 30) << c.dpi;
        GetWindowRect(handleOf("lblName"), &label);
        MapWindowPoints(nullptr, page(), reinterpret_cast<POINT *>(&label), 2);
        EXPECT_EQ(label.left, c.label.left) << c.dpi;
        EXPECT_EQ(label.top, c.label.top) << c.dpi;
        EXPECT_EQ(label.right, c.label.right) << c.dpi;
        EXPECT_EQ(label.bottom, c.label.bottom) << c.dpi;
        EXPECT_EQ(fontHeight("lblBanner"), c.bannerHeight) << c.dpi;
        EXPECT_EQ(fontHeight("lblName"), MulDiv(messageAt96, int(c.dpi), 96)) << c.dpi;
        EXPECT_EQ(fontHeight("cmdGo"), fontHeight("lblName")) << c.dpi;
    }
}

TEST_F(Win32RuntimeTest, EnterPressesNothingAndEscapeOnlyAnEnabledCancelWhereverTheFocusIs)
{
    int cancels = 0, nexts = 0, goes = 0;
    window->control<form::Button>("cmdCancel").Click = [&] { ++cancels; };
    window->control<form::Button>("cmdNext").Click = [&] { ++nexts; };
    window->control<form::Button>("cmdGo").Click = [&] { ++goes; };
    for (const char *focus : {"txtFirst", "cmdGo", "cmdNext", "cmdCancel"}) {
        window->find(focus)->setFocus();
        ASSERT_EQ(GetFocus(), handleOf(focus));
        pressWin32Key(*window, VK_RETURN, WM_KEYDOWN);
        EXPECT_EQ(cancels + nexts + goes, 0) << "Enter with the focus on " << focus;
    }
    for (const bool enabled : {true, false}) {
        window->control<form::Button>("cmdCancel").setEnabled(enabled);
        for (const char *focus : {"txtFirst", "cmdGo"}) {
            window->find(focus)->setFocus();
            const int before = cancels;
            pressWin32Key(*window, VK_ESCAPE, WM_KEYDOWN);
            EXPECT_EQ(cancels - before, enabled ? 1 : 0) << "Esc with the focus on " << focus;
        }
    }
    EXPECT_EQ(nexts + goes, 0);
}

TEST_F(Win32RuntimeTest, TabFollowsTheLayoutsOrderFromTheFirstTextBox)
{
    EXPECT_EQ(GetFocus(), handleOf("txtFirst")) << "the first box one can type into";
    const std::vector<HWND> expected = {handleOf("txtName"), handleOf("optA", 0),   handleOf("cmdGo"),
                                        handleOf("optA", 1), handleOf("cmdCancel"), handleOf("cmdNext"),
                                        handleOf("txtFirst")}; // cmdBack is disabled
    for (std::size_t i = 0; i < expected.size(); ++i) {
        pressWin32Key(*window, VK_TAB, WM_KEYDOWN);
        EXPECT_EQ(GetFocus(), expected[i]) << "Tab " << i + 1;
    }
}

TEST_F(Win32RuntimeTest, MnemonicsPressButtonsCheckOptionsAndFocusALabelsBuddy)
{
    int goes = 0, a1 = 0;
    window->control<form::Button>("cmdGo").Click = [&] { ++goes; };
    window->control<form::Option>("optA", 1).Click = [&] { ++a1; };

    pressWin32Key(*window, 'm', WM_SYSCHAR);
    EXPECT_EQ(GetFocus(), handleOf("txtName")) << "Alt+M focuses the box the label names";
    pressWin32Key(*window, 'g', WM_SYSCHAR);
    EXPECT_EQ(goes, 1);
    pressWin32Key(*window, '1', WM_SYSCHAR);
    EXPECT_TRUE(window->control<form::Option>("optA", 1).isChecked());
    EXPECT_EQ(a1, 1);
    window->control<form::Button>("cmdGo").setEnabled(false);
    pressWin32Key(*window, 'g', WM_SYSCHAR);
    EXPECT_EQ(goes, 1) << "a disabled button's mnemonic does nothing";
}

TEST_F(Win32RuntimeTest, UpAndDownInTheBuddyStepTheUpDown)
{
    form::PageLayout layout;
    layout.title = "Spin";
    form::ControlRow box = row(form::Kind::TextBox, "txtDelay", -1, "", {240, 900, 510, 330});
    box.maxLength = 2;
    layout.controls = {box, row(form::Kind::UpDown, "udDelay", -1, "", {750, 900, 240, 330}, "txtDelay")};
    window = driver->runtime().createWindow(layout);
    window->show();
    auto &upDown = window->control<form::UpDown>("udDelay");
    upDown.setRange(10, 99);
    auto &delay = window->control<form::TextBox>("txtDelay");
    delay.setText("98");
    pressWin32Key(*window, VK_UP, WM_KEYDOWN);
    pressWin32Key(*window, VK_UP, WM_KEYDOWN);
    EXPECT_EQ(delay.text(), "99");
    delay.setText("123"); // cut to its two characters
    EXPECT_EQ(delay.text(), "12");
    pressWin32Key(*window, VK_DOWN, WM_KEYDOWN);
    EXPECT_EQ(delay.text(), "11");
}

TEST_F(Win32RuntimeTest, ALabelWrapsOnlyWhereItsRowSaysAndTakesAmpersandsAsMnemonicsOnlyWithABuddy)
{
    struct Case
    {
        const char *name;
        const char *caption;
        unsigned flags;
        const char *buddy;
        bool secondLine;
        bool noPrefix;
    };
    const std::vector<Case> cases = {
        {"lblWrapped", "several words wrapped here", form::style::WordWrap, "", true, true},
        {"lblSingle", "several words wrapped here", form::style::None, "", false, true},
        {"lblBroken", "one\r\ntwo", form::style::None, "", true, true},
        {"lblPath", "Tom & Jerry", form::style::None, "", false, true},
        {"lblNamed", "Na&me:", form::style::None, "txtNamed", false, false},
    };
    form::PageLayout layout;
    layout.title = "Labels";
    int top = 900;
    for (const Case &c : cases) {
        layout.controls.push_back(
            row(form::Kind::Label, c.name, -1, c.caption, {240, top, 1500, 750}, c.buddy));
        layout.controls.back().flags = c.flags;
        top += 750;
    }
    layout.controls.push_back(row(form::Kind::TextBox, "txtNamed", -1, "", {1800, 900, 3000, 330}));
    window = driver->runtime().createWindow(layout);
    window->show();
    driver->settle();
    for (const Case &c : cases) {
        EXPECT_EQ(inkBelowFirstLine(handleOf(c.name)), c.secondLine) << c.name;
        EXPECT_EQ((GetWindowLongW(handleOf(c.name), GWL_STYLE) & SS_NOPREFIX) != 0, c.noPrefix) << c.name;
    }
}

// A label that runs on beneath its box (the box covers its free end, as the completion page's
// rows do) lies beneath the box, so that the box and its text are drawn over it; a label beside
// its box stays just above it, where the dialog manager looks for what a label names. The
// mnemonic reaches the box either way.
TEST_F(Win32RuntimeTest, ABoxCoveringItsLabelsFreeEndIsDrawnOverIt)
{
    form::PageLayout layout;
    layout.title = "Rows";
    layout.controls = {
        row(form::Kind::Label, "lblWhere", -1, "&Where:", {360, 2430, 6120, 270}, "txtWhere"),
        row(form::Kind::TextBox, "txtWhere", -1, "C:\\Quernel\\My Pack", {1890, 2400, 4590, 330}),
        row(form::Kind::Label, "lblName", -1, "Na&me:", {360, 3000, 1000, 250}, "txtName"),
        row(form::Kind::TextBox, "txtName", -1, "", {1890, 3000, 3000, 330}),
    };
    window = driver->runtime().createWindow(layout);
    window->show();
    driver->settle();
    EXPECT_EQ(GetWindow(handleOf("txtWhere"), GW_HWNDNEXT), handleOf("lblWhere"));
    EXPECT_EQ(GetWindow(handleOf("lblName"), GW_HWNDNEXT), handleOf("txtName"));
    SetFocus(handleOf("txtName"));
    pressWin32Key(*window, 'w', WM_SYSCHAR);
    EXPECT_EQ(GetFocus(), handleOf("txtWhere")) << "Alt+W focuses the box the label names";
}

TEST_F(Win32RuntimeTest, TextBoxesAndTheProgressBarCarryTheirLayoutAndStateAsNativeStyles)
{
    form::PageLayout layout;
    layout.title = "Styles";
    form::ControlRow plain = row(form::Kind::TextBox, "txtPlain", -1, "", {240, 900, 3000, 330});
    plain.maxLength = 3;
    form::ControlRow locked = row(form::Kind::TextBox, "txtLocked", -1, "kept", {240, 1300, 3000, 330});
    locked.flags = form::style::Locked;
    form::ControlRow notes = row(form::Kind::TextBox, "txtNotes", -1, "", {240, 1700, 3000, 900});
    notes.flags = form::style::MultiLine | form::style::Locked;
    layout.controls = {plain, locked, notes,
                       row(form::Kind::ProgressBar, "pgbBar", -1, "", {240, 2700, 6000, 300})};
    window = driver->runtime().createWindow(layout);
    window->show();

    struct Case
    {
        const char *name;
        DWORD present, absent;
        int limit;
    };
    for (const Case &c : std::vector<Case>{
             {"txtPlain", ES_AUTOHSCROLL, ES_READONLY | ES_MULTILINE, 3},
             {"txtLocked", ES_AUTOHSCROLL | ES_READONLY, ES_MULTILINE, 0},
             {"txtNotes", ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL, 0, 0},
         }) {
        const DWORD style = DWORD(GetWindowLongW(handleOf(c.name), GWL_STYLE));
        EXPECT_EQ(style & c.present, c.present) << c.name;
        EXPECT_EQ(style & c.absent, 0u) << c.name;
        if (c.limit)
            EXPECT_EQ(SendMessageW(handleOf(c.name), EM_GETLIMITTEXT, 0, 0), c.limit) << c.name;
    }
    auto &plainBox = window->control<form::TextBox>("txtPlain");
    driver->type(plainBox, "abcdé");
    EXPECT_EQ(plainBox.text(), "abc") << "typing stops at the limit";
    auto &lockedBox = window->control<form::TextBox>("txtLocked");
    driver->type(lockedBox, "x");
    EXPECT_EQ(lockedBox.text(), "kept");
    window->control<form::TextBox>("txtNotes").setText("one\ntwo");
    EXPECT_EQ(SendMessageW(handleOf("txtNotes"), EM_GETLINECOUNT, 0, 0), 2);

    auto &bar = window->control<form::ProgressBar>("pgbBar");
    HWND native = handleOf("pgbBar");
    bar.setMin(10);
    bar.setMax(5);
    bar.setValue(7);
    EXPECT_EQ(SendMessageW(native, PBM_GETPOS, 0, 0), 0) << "an empty range shows nothing done";
    bar.setMax(20);
    bar.setValue(15);
    EXPECT_EQ(SendMessageW(native, PBM_GETRANGE, TRUE, 0), 10);
    EXPECT_EQ(SendMessageW(native, PBM_GETRANGE, FALSE, 0), 20);
    EXPECT_EQ(SendMessageW(native, PBM_GETPOS, 0, 0), 15);
    for (const bool on : {true, false}) {
        bar.setSmooth(on);
        bar.setBorderStyle(on ? 1 : 0);
        const LONG style = GetWindowLongW(native, GWL_STYLE);
        EXPECT_EQ((style & PBS_SMOOTH) != 0, on);
        EXPECT_EQ((style & WS_BORDER) != 0, on);
    }
}

TEST_F(Win32RuntimeTest, ATimerTicksUntilStoppedAndNotOnceItsWindowIsGivenUp)
{
    form::PageLayout layout;
    layout.title = "Clock";
    form::ControlRow clock = row(form::Kind::Timer, "tmrClock", -1, "", {0, 0, 100, 100});
    clock.interval = 30;
    layout.controls = {clock};
    window = driver->runtime().createWindow(layout);
    auto &timer = window->control<form::Timer>("tmrClock");
    EXPECT_TRUE(timer.isActive());
    int ticks = 0;
    timer.Tick = [&] { ++ticks; };
    const auto pumpFor = [&](DWORD milliseconds) {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;) {
            driver->settle();
            Sleep(5);
        }
    };
    pumpFor(300);
    EXPECT_GE(ticks, 3);
    timer.stop();
    const int stopped = ticks;
    pumpFor(150);
    EXPECT_EQ(ticks, stopped);

    timer.start();
    HWND pageWindow = page();
    const WPARAM timerId = WPARAM(GetDlgCtrlID(handleOf("tmrClock")));
    driver->runtime().destroyLater(std::move(window));
    SendMessageW(pageWindow, WM_TIMER, timerId, 0); // a period ends before the window goes
    EXPECT_EQ(ticks, stopped) << "no event once the window is given up";
    pumpFor(150);
    EXPECT_FALSE(IsWindow(pageWindow));
    EXPECT_EQ(ticks, stopped);
}

TEST_F(Win32RuntimeTest, TheAnimationPlaysOurClipAndRefusesWhatItCannotPlay)
{
    form::PageLayout layout;
    layout.title = "Copying";
    layout.controls = {row(form::Kind::Animation, "aniCopy", -1, "", {240, 900, 4800, 900})};
    window = driver->runtime().createWindow(layout);
    window->show();
    auto &animation = window->control<form::Animation>("aniCopy");
    const std::string corpus = QUERNEL_ANIMATION_CORPUS;
    ASSERT_TRUE(animation.open(corpus + "/valid-filecopy.avi"));
    animation.play();
    EXPECT_TRUE(animation.isPlaying());
    driver->settle();
    animation.stop();
    EXPECT_FALSE(animation.isPlaying());
    for (const char *refused : {"/../CMakeLists.txt", "/missing.avi"}) { // not a clip; no file
        std::string error;
        EXPECT_FALSE(animation.open(corpus + refused, &error)) << refused;
        EXPECT_FALSE(animation.isOpen());
        EXPECT_EQ(error.rfind("Cannot open the animation " + corpus + refused, 0), 0u) << error;
    }
}

TEST_F(Win32RuntimeTest, AMessageBoxIsOwnedByTheActivePageWhichTakesNoInputMeanwhile)
{
    driver->answerNextMessageBox(IDNO);
    EXPECT_EQ(driver->runtime().messageBox("Really?", MB_YESNO | MB_ICONQUESTION, "Quernel 2.0"), IDNO);
    const SeenMessageBox seen = lastWin32MessageBox();
    EXPECT_EQ(seen.owner, page());
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_EQ(seen.caption, L"Quernel 2.0");
    EXPECT_TRUE(IsWindowEnabled(page())) << "the page takes input again once the box is answered";
}

} // namespace

namespace {

constexpr const wchar_t *ChildMark = L"QUERNEL_FORM_TEST_ON_OWN_DESKTOP";

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (!GetEnvironmentVariableW(ChildMark, nullptr, 0))
        if (const int code = runOnOwnDesktop(L"QuernelFormTest", ChildMark); code != -1)
            return code;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
