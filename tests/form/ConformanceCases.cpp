#include "ConformanceCases.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "Form.h"
#include "LayoutRows.h"

using form::testing::Key;
namespace fs = std::filesystem;

namespace {

using form::testing::row;

form::PageLayout testLayout(const std::string &fileFolder)
{
    form::PageLayout layout;
    layout.title = "Conformance";
    layout.controls.push_back(row(form::Kind::TextBox, "txtName", -1, "", {240, 900, 3000, 330}));
    layout.controls.push_back(row(form::Kind::Option, "optA", 0, "A &0", {240, 1350, 1500, 300}));
    layout.controls.push_back(row(form::Kind::Option, "optA", 1, "A &1", {240, 1680, 1500, 300}));
    layout.controls.push_back(row(form::Kind::Option, "optB", 0, "B &0", {1900, 1350, 1500, 300}));
    layout.controls.push_back(row(form::Kind::Option, "optB", 1, "B &1", {1900, 1680, 1500, 300}));
    layout.controls.push_back(row(form::Kind::ProgressBar, "pgbBar", -1, "", {240, 2100, 6000, 300}));
    form::ControlRow delay = row(form::Kind::TextBox, "txtDelay", -1, "", {240, 2550, 510, 330});
    delay.maxLength = 2;
    layout.controls.push_back(delay);
    form::ControlRow upDown = row(form::Kind::UpDown, "udDelay", -1, "", {750, 2550, 240, 330});
    upDown.buddy = "txtDelay";
    layout.controls.push_back(upDown);
    form::ControlRow files = row(form::Kind::FileList, "File1", -1, "", {3600, 2550, 2400, 1400});
    files.pattern = "*.txt;*.RTF";
    layout.controls.push_back(files);
    (void)fileFolder;
    return layout;
}

struct Counter
{
    int count = 0;
    form::Handler handler()
    {
        return [this] { ++count; };
    }
};

} // namespace

void RuntimeConformance::SetUp()
{
    driver = GetParam().makeDriver();
    form::install(&driver->runtime());
}

void RuntimeConformance::TearDown()
{
    driver->settle();
    form::install(nullptr);
    driver.reset();
}

std::unique_ptr<form::Window> RuntimeConformance::openWindow(const std::string &fileFolder)
{
    auto window = driver->runtime().createWindow(testLayout(fileFolder));
    window->show();
    driver->settle();
    return window;
}

TEST_P(RuntimeConformance, TextChangesRaiseChangeWhetherTypedOrSetFromCode)
{
    auto window = openWindow();
    auto &box = window->control<form::TextBox>("txtName");
    Counter changes;
    box.Change = changes.handler();

    box.setText("abc");
    EXPECT_EQ(changes.count, 1);
    box.setText("abc"); // the same text is no change
    EXPECT_EQ(changes.count, 1);
    driver->type(box, "dé");
    EXPECT_EQ(box.text(), "abcdé");
    EXPECT_EQ(changes.count, 3) << "one change per character typed";
    box.setText("");
    EXPECT_EQ(changes.count, 4);
}

TEST_P(RuntimeConformance, OptionsInAGroupExcludeEachOtherAndOnlyTheirGroup)
{
    auto window = openWindow();
    auto &a0 = window->control<form::Option>("optA", 0);
    auto &a1 = window->control<form::Option>("optA", 1);
    auto &b0 = window->control<form::Option>("optB", 0);
    Counter clicksA0, clicksA1;
    a0.Click = clicksA0.handler();
    a1.Click = clicksA1.handler();

    EXPECT_FALSE(a0.isChecked() || a1.isChecked() || b0.isChecked()) << "nothing selected at load";
    driver->clickWithMouse(b0);
    driver->clickWithMouse(a0);
    EXPECT_TRUE(a0.isChecked());
    EXPECT_TRUE(b0.isChecked()) << "another group keeps its choice";
    driver->clickWithMouse(a1);
    EXPECT_FALSE(a0.isChecked());
    EXPECT_TRUE(a1.isChecked());
    EXPECT_EQ(clicksA0.count, 1);
    EXPECT_EQ(clicksA1.count, 1);

    a0.setChecked(true); // from code: raises Click as a click does
    EXPECT_EQ(clicksA0.count, 2);
    EXPECT_FALSE(a1.isChecked());
}

TEST_P(RuntimeConformance, ProgressBarClampsItsValueAndReadsBackItsRangeAsSet)
{
    struct Case
    {
        int min, max, value, expected;
    };
    const std::vector<Case> cases = {
        {0, 100, 50, 50}, {0, 100, 150, 100}, {0, 100, -5, 0},
        {0, 30, 30, 30},  {10, 5, 7, 10}, // min > max: an empty range reads as min
        {5, 5, 9, 5},
    };
    auto window = openWindow();
    auto &bar = window->control<form::ProgressBar>("pgbBar");
    EXPECT_EQ(bar.min(), 0);
    EXPECT_EQ(bar.max(), 100);
    EXPECT_EQ(bar.value(), 0);
    for (const Case &c : cases) {
        bar.setMin(c.min);
        bar.setMax(c.max);
        bar.setValue(c.value);
        EXPECT_EQ(bar.min(), c.min);
        EXPECT_EQ(bar.max(), c.max);
        EXPECT_EQ(bar.value(), c.expected) << c.min << ".." << c.max << " set to " << c.value;
    }
    bar.setSmooth(true);
    bar.setBorderStyle(1);
    bar.setBackColor(form::ProgressBar::SystemWindowBackground);
    EXPECT_TRUE(bar.smooth());
    EXPECT_EQ(bar.borderStyle(), 1);
    EXPECT_EQ(bar.backColor(), form::ProgressBar::SystemWindowBackground);
}

TEST_P(RuntimeConformance, UpDownStepsWithinItsRangeAlsoFromATypedValueOutsideIt)
{
    auto window = openWindow();
    auto &box = window->control<form::TextBox>("txtDelay");
    auto &upDown = window->control<form::UpDown>("udDelay");
    upDown.setRange(10, 99);
    upDown.setValue(30);
    box.setText("30");

    driver->clickArrow(upDown, true);
    EXPECT_EQ(box.text(), "31");
    driver->clickArrow(upDown, false);
    driver->clickArrow(upDown, false);
    EXPECT_EQ(box.text(), "29");
    EXPECT_EQ(upDown.value(), 29);

    struct Case
    {
        const char *typed;
        bool up;
        const char *expected;
    };
    const std::vector<Case> cases = {
        {"5", true, "11"},                     // typed below the range: clamped to 10, then one up
        {"5", false, "10"},                    // ...and down stays at the end
        {"99", true, "99"},                    // at the top
        {"0", true, "11"},   {"", true, "21"}, // no number: the step starts from the last value (20)
        {"ab", false, "19"},
    };
    for (const Case &c : cases) {
        upDown.setValue(20);
        driver->retype(box, c.typed);
        driver->clickArrow(upDown, c.up);
        EXPECT_EQ(box.text(), c.expected) << "typed \"" << c.typed << "\", " << (c.up ? "up" : "down");
    }
    upDown.setRange(50, 40); // max below min: min is the only value
    EXPECT_EQ(upDown.minimum(), 50);
    EXPECT_EQ(upDown.maximum(), 50);
    EXPECT_EQ(upDown.value(), 50);
}

TEST_P(RuntimeConformance, FileListFiltersBySemicolonPatternsWithoutRegardToCase)
{
    const fs::path folder = fs::temp_directory_path() / ("quernel-conformance-" + GetParam().name);
    fs::remove_all(folder);
    fs::create_directories(folder / "sub.txt");
    for (const char *name : {"a.TXT", "b.rtf", "notes.txtx", "c.doc", "Z.txt", ".hidden.txt"})
        std::ofstream(folder / name) << "x";

    auto window = openWindow();
    auto &files = window->control<form::FileList>("File1");
    EXPECT_EQ(files.pattern(), "*.txt;*.RTF");
    Counter pathChanges;
    files.PathChange = pathChanges.handler();
    files.setPath(folder.string());
    driver->settle();
    EXPECT_EQ(files.path(), folder.string());
    EXPECT_EQ(files.files(), (std::vector<std::string>{"a.TXT", "b.rtf", "Z.txt"}));
    EXPECT_EQ(pathChanges.count, 1);

    files.setPattern("*.DOC");
    driver->settle();
    EXPECT_EQ(files.files(), (std::vector<std::string>{"c.doc"}));

    Counter clicks;
    files.Click = clicks.handler();
    files.setFileName("c.doc");
    EXPECT_EQ(files.fileName(), "c.doc");
    EXPECT_EQ(clicks.count, 1);
    files.setFileName("missing.doc");
    EXPECT_EQ(files.fileName(), "");
    fs::remove_all(folder);
}

TEST_P(RuntimeConformance, EscapePressesCancelOnlyWhileEnabledAndEnterPressesNothing)
{
    auto window = openWindow();
    Counter cancels, nexts, backs;
    auto &cancel = window->control<form::Button>("cmdCancel");
    cancel.Click = cancels.handler();
    window->control<form::Button>("cmdNext").Click = nexts.handler();
    window->control<form::Button>("cmdBack").Click = backs.handler();

    driver->pressKey(*window, Key::Escape);
    EXPECT_EQ(cancels.count, 1);
    driver->pressKey(*window, Key::Enter);
    EXPECT_EQ(nexts.count + backs.count + cancels.count, 1) << "no page has a default button";

    cancel.setEnabled(false);
    driver->pressKey(*window, Key::Escape);
    EXPECT_EQ(cancels.count, 1);
    EXPECT_FALSE(window->control<form::Button>("cmdBack").isEnabled()) << "Back is disabled by design";
}

TEST_P(RuntimeConformance, AWindowDestroyedLaterSurvivesItsOwnHandler)
{
    std::unique_ptr<form::Window> window = openWindow();
    form::Window *raw = window.get();
    auto &next = raw->control<form::Button>("cmdNext");
    int runs = 0;
    std::string captionAfter;
    next.Click = [&] {
        ++runs;
        driver->runtime().destroyLater(std::move(window));
        // Still usable until the handler returns, but raises nothing any more.
        captionAfter = next.text();
        next.click();
    };
    driver->clickWithMouse(next);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(captionAfter, "&Next >>");
    EXPECT_FALSE(window);
    driver->settle(); // the window goes now
}

TEST_P(RuntimeConformance, MessageBoxAnswersArriveAsTheButtonsPressed)
{
    auto window = openWindow();
    struct Case
    {
        unsigned flags;
        int answer;
    };
    const std::vector<Case> cases = {
        {form::MB_YESNO | form::MB_ICONQUESTION | form::MB_DEFBUTTON2, form::IDYES},
        {form::MB_YESNO | form::MB_ICONQUESTION | form::MB_DEFBUTTON2, form::IDNO},
        {form::MB_ICONWARNING | form::MB_SYSTEMMODAL, form::IDOK},
        {form::MB_ICONINFORMATION, form::IDOK},
    };
    for (const Case &c : cases) {
        driver->answerNextMessageBox(c.answer);
        const std::string text = "Line one\r\nLine two with C:\\a\\long\\path\\setup.exe";
        EXPECT_EQ(driver->runtime().messageBox(text, c.flags, "Quernel 2.0"), c.answer);
        EXPECT_EQ(driver->lastMessageBoxText(), text) << "the text keeps its exact characters";
    }
}
