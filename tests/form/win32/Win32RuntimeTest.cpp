#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ConformanceCases.h"
#include "Form.h"
#include "Win32Driver.h"
#include "Win32Window.h"

#include <windows.h>

INSTANTIATE_TEST_SUITE_P(Win32, RuntimeConformance,
                         ::testing::Values(RuntimeUnderTest{"win32", makeWin32Driver}),
                         [](const auto &info) { return info.param.name; });

namespace {

using form::win32::Win32Window;

form::ControlSpec row(form::Kind kind, const char *name, int index, const char *caption, form::Rect place,
                      const char *buddy = "")
{
    form::ControlSpec spec;
    spec.kind = kind;
    spec.name = name;
    spec.index = index;
    spec.caption = caption;
    spec.place = place;
    spec.buddy = buddy;
    return spec;
}

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
    form::ControlSpec box = row(form::Kind::TextBox, "txtDelay", -1, "", {240, 900, 510, 330});
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

} // namespace

namespace {

constexpr const wchar_t *ChildMark = L"QUERNEL_FORM_TEST_ON_OWN_DESKTOP";

// Runs this program again on a desktop of its own and returns its exit code. Under Wine the
// child's windows are drawn on the display the test was given, whatever display (or none) the
// prefix's default desktop started with; on Windows they stay off the user's desktop.
int runOnOwnDesktop()
{
    wchar_t desktopName[] = L"QuernelFormTest";
    if (!CreateDesktopW(desktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr))
        return -1;
    SetEnvironmentVariableW(ChildMark, L"1");
    std::wstring desktop = std::wstring(L"WinSta0\\") + desktopName;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop.data();
    PROCESS_INFORMATION child{};
    std::wstring commandLine = GetCommandLineW();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &child))
        return -1;
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return int(code);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (!GetEnvironmentVariableW(ChildMark, nullptr, 0))
        if (const int code = runOnOwnDesktop(); code != -1)
            return code;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
