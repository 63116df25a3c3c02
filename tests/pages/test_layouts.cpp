// Every page's layout, checked as data without a window system: the controls the pages
// name, where they lie, the order Tab visits them and what their buddies name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "Layout.h"
#include "Pages.h"

namespace {

using form::ControlRow;
using form::Kind;

// Controls whose tops lie this close are one row for the reader (8 pixels).
constexpr int RowBand = 120;

std::vector<ControlRow> controlsOf(const std::string &page)
{
    for (const pages::NamedLayout &named : pages::layouts())
        if (named.page == page)
            return form::allControls(named.layout);
    ADD_FAILURE() << "no page " << page;
    return {};
}

const ControlRow *findIn(const std::vector<ControlRow> &controls, const std::string &name, int index = -1)
{
    for (const ControlRow &c : controls)
        if (c.name == name && c.index == index)
            return &c;
    return nullptr;
}

bool overlap(const form::Rect &a, const form::Rect &b)
{
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

bool inside(const form::Rect &inner, const form::Rect &outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}

// Controls that may share room: a frame's own members inside it, labels on the banner
// picture, and a label that runs on beneath its own buddy box (which starts past the
// label's caption and hides its free end).
bool mayShare(const ControlRow &a, const ControlRow &b)
{
    const auto holds = [](const ControlRow &outer, const ControlRow &inner) {
        if (outer.kind == Kind::Frame)
            return inside(inner.place, outer.place);
        if (outer.kind == Kind::Picture)
            return inner.kind == Kind::Label && inside(inner.place, outer.place);
        return false;
    };
    const auto underBuddy = [](const ControlRow &label, const ControlRow &box) {
        return label.kind == Kind::Label && label.buddy == box.name && box.place.left > label.place.left;
    };
    return holds(a, b) || holds(b, a) || underBuddy(a, b) || underBuddy(b, a);
}

std::vector<std::string> allPages()
{
    std::vector<std::string> names;
    for (const pages::NamedLayout &named : pages::layouts())
        names.push_back(named.page);
    return names;
}

} // namespace

TEST(PageLayouts, EveryPageIsListedOnce)
{
    const std::vector<std::string> names = allPages();
    EXPECT_EQ(names, (std::vector<std::string>{"FrmARNew0", "FrmARNew1", "FrmARReadmeLocation", "FrmARNew2",
                                               "FrmARNew3", "FrmARAddARFiles", "FrmARCreate", "FrmARDone"}));
}

TEST(PageLayouts, EveryControlThePagesNameIsThereWithItsCaption)
{
    const std::string readmeInstruction =
        "Please locate your AR Package Readme file.  It must be in the .RTF or "
        ".TXT formats.  Information will appear here.";
    const std::string completion =
        "Creation of your setup package is now completed.  You should test it to ensure that it's built "
        "correctly.  If there's a problem, modify install.ini (which is the complete driving force for the "
        "Quernel), and add / remove .AR files as needed from the folder.";
    struct Row
    {
        const char *page;
        const char *name;
        int index;
        std::string caption;
    };
    const Row rows[] = {
        {"FrmARNew0", "lblBanner", -1, "Create Package Folder"},
        {"FrmARNew0", "lblPackage", -1, "Package Name:"},
        {"FrmARNew0", "txtPackage", -1, ""},
        {"FrmARNew0", "lblProject", -1, "Package Folder:"},
        {"FrmARNew0", "txtProject", -1, ""},
        {"FrmARNew0", "cmdCancel", -1, "&Cancel"},
        {"FrmARNew0", "cmdBack", -1, "<< &Back"},
        {"FrmARNew0", "cmdNext", -1, "&Next >>"},
        {"FrmARNew1", "lblBanner", -1, "AR Package Details"},
        {"FrmARNew1", "lblReadme", -1, "Readme File:"},
        {"FrmARNew1", "txtReadme", -1, ""},
        {"FrmARNew1", "cmdBrowse", -1, "&Browse..."},
        {"FrmARNew1", "lblAName", -1, "Author's Name:"},
        {"FrmARNew1", "txtAName", -1, ""},
        {"FrmARNew1", "lblAEmail", -1, "Author's Email:"},
        {"FrmARNew1", "txtAEmail", -1, ""},
        {"FrmARNew1", "lblAWWW", -1, "Web Site:"},
        {"FrmARNew1", "txtAWWW", -1, ""},
        {"FrmARNew1", "lblCopyright", -1, "Copyight:"},
        {"FrmARNew1", "txtCopyright", -1, ""},
        {"FrmARReadmeLocation", "lblBanner", -1, "Locate Readme File"},
        {"FrmARReadmeLocation", "Drive1", -1, ""},
        {"FrmARReadmeLocation", "Dir1", -1, ""},
        {"FrmARReadmeLocation", "File1", -1, ""},
        {"FrmARReadmeLocation", "lblVolume", -1, "Volume:"},
        {"FrmARReadmeLocation", "lblFolder", -1, "Folder:"},
        {"FrmARReadmeLocation", "lblFile", -1, "File:"},
        {"FrmARReadmeLocation", "lblPath", -1, readmeInstruction},
        {"FrmARReadmeLocation", "cmdNext", -1, "&Open"},
        {"FrmARNew2", "lblBanner", -1, "Configure Quernel User Interface"},
        {"FrmARNew2", "lblPGBDisplay", -1, "Progress Bar Display:"},
        {"FrmARNew2", "optPGBDisplay", 0, "&Smooth Display"},
        {"FrmARNew2", "optPGBDisplay", 1, "&Windows Standard"},
        {"FrmARNew2", "cmdStart", -1, "&Start Example"},
        {"FrmARNew2", "lblExample", -1, "Progress Bar Example:"},
        {"FrmARNew2", "pgbStatus", -1, ""},
        {"FrmARNew2", "tmrExample", -1, ""},
        {"FrmARNew2", "lineReadBarSep", -1, ""},
        {"FrmARNew2", "lblReadmeDelay", -1, "Readme Delay:"},
        {"FrmARNew2", "txtReadmeDelay", -1, ""},
        {"FrmARNew2", "udDelay", -1, ""},
        {"FrmARNew2", "lblHowDelay", -1, "(use the up/down arrows to change between 10 and 99 seconds)"},
        {"FrmARNew2", "lineMMVersionSep", -1, ""},
        {"FrmARNew2", "fraMMV", -1, ""},
        {"FrmARNew2", "lblVersion", -1, "Midtown Madness Version Needed"},
        {"FrmARNew2", "optMMV", 0, "Midtown Madness &1"},
        {"FrmARNew2", "optMMV", 1, "Midtown Madness &2"},
        {"FrmARNew3", "lblBanner", -1, "Add .AR File(s)"},
        {"FrmARNew3", "cmdAddAR", -1, "Add &AR Files..."},
        {"FrmARNew3", "txtFiles", -1, ""},
        {"FrmARNew3", "lblSize", -1, "Package Size in kilobytes (uncompressed):"},
        {"FrmARNew3", "cmdNext", -1, "&Create Setup"},
        {"FrmARAddARFiles", "lblBanner", -1, "Add .AR File(s)"},
        {"FrmARAddARFiles", "lblAmount", -1, "Amount of files in package: 0"},
        {"FrmARAddARFiles", "Drive1", -1, ""},
        {"FrmARAddARFiles", "Dir1", -1, ""},
        {"FrmARAddARFiles", "File1", -1, ""},
        {"FrmARAddARFiles", "lblVolume", -1, "Volume:"},
        {"FrmARAddARFiles", "lblFolder", -1, "Folder:"},
        {"FrmARAddARFiles", "lblFile", -1, "File:"},
        {"FrmARAddARFiles", "lblAddFile", -1, "Double-click on a file to add it to your package"},
        {"FrmARAddARFiles", "lstFile", -1, ""},
        {"FrmARAddARFiles", "cmdBack", -1, "&Help"},
        {"FrmARAddARFiles", "cmdNext", -1, "&Add"},
        {"FrmARCreate", "lblBanner", -1, "Creating Package"},
        {"FrmARCreate", "Animation1", -1, ""},
        {"FrmARCreate", "lblStatus", -1, "lblStatus"},
        {"FrmARCreate", "pgbStatus", -1, ""},
        {"FrmARDone", "lblBanner", -1, "Creation Complete"},
        {"FrmARDone", "lblDebug", -1, completion},
        {"FrmARDone", "lblFolder", -1, "Package Folder:"},
        {"FrmARDone", "txtFolder", -1, ""},
        {"FrmARDone", "cmdTest", -1, "&Test Package"},
        {"FrmARDone", "cmdOpenFolder", -1, "&Open Folder"},
        {"FrmARDone", "cmdZip", -1, "Save as &Zip..."},
        {"FrmARDone", "lblZip", -1, ""},
        {"FrmARDone", "txtZip", -1, ""},
        {"FrmARDone", "cmdSetup", -1, "Save as &Setup..."},
        {"FrmARDone", "lblSetup", -1, ""},
        {"FrmARDone", "txtSetup", -1, ""},
        {"FrmARDone", "cmdNext", -1, "&Finish"},
    };
    for (const Row &row : rows) {
        const std::vector<ControlRow> controls = controlsOf(row.page);
        const ControlRow *c = findIn(controls, row.name, row.index);
        ASSERT_NE(c, nullptr) << row.page << " " << row.name << "(" << row.index << ")";
        EXPECT_EQ(c->caption, row.caption) << row.page << " " << row.name;
    }
}

TEST(PageLayouts, ControlsLieInTheClientAreaWithoutOverlapping)
{
    // The look the wizard has always had, kept: the delay caption's box reaches two pixels
    // into the explanation beneath it (both labels, neither with a background).
    const std::set<std::string> keptOverlaps = {"FrmARNew2 lblReadmeDelay lblHowDelay"};
    const form::Rect client{0, 0, form::ClientWidth, form::ClientHeight};
    for (const std::string &page : allPages()) {
        const std::vector<ControlRow> controls = controlsOf(page);
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const ControlRow &a = controls[i];
            EXPECT_TRUE(inside(a.place, client)) << page << " " << a.name;
            for (std::size_t j = i + 1; j < controls.size(); ++j) {
                const ControlRow &b = controls[j];
                if (keptOverlaps.contains(page + " " + a.name + " " + b.name))
                    continue;
                EXPECT_FALSE(overlap(a.place, b.place) && !mayShare(a, b))
                    << page << ": " << a.name << " and " << b.name;
            }
        }
    }
}

TEST(PageLayouts, TabVisitsEveryStopInReadingOrderEndingCancelBackNext)
{
    for (const std::string &page : allPages()) {
        const std::vector<ControlRow> controls = controlsOf(page);
        const std::vector<std::size_t> order = form::tabOrder(controls);
        std::size_t stops = 0;
        for (const ControlRow &c : controls)
            stops += c.takesFocus() ? 1 : 0;
        ASSERT_EQ(order.size(), stops) << page;
        ASSERT_EQ(std::set<std::size_t>(order.begin(), order.end()).size(), stops) << page;
        ASSERT_GE(order.size(), 3u) << page;
        const std::size_t pageStops = order.size() - 3;
        EXPECT_EQ(controls[order[pageStops]].name, "cmdCancel") << page;
        EXPECT_EQ(controls[order[pageStops + 1]].name, "cmdBack") << page;
        EXPECT_EQ(controls[order[pageStops + 2]].name, "cmdNext") << page;
        // No stop comes after one lower down the page, nor after one to its right on its row.
        for (std::size_t i = 0; i < pageStops; ++i)
            for (std::size_t j = i + 1; j < pageStops; ++j) {
                const form::Rect &before = controls[order[i]].place;
                const form::Rect &after = controls[order[j]].place;
                const bool sameRow = std::abs(after.top - before.top) <= RowBand;
                EXPECT_TRUE(sameRow ? after.left > before.left : after.top > before.top)
                    << page << ": " << controls[order[i]].name << " before " << controls[order[j]].name;
            }
    }
}

TEST(PageLayouts, BuddiesNameControlsOfTheirPage)
{
    for (const std::string &page : allPages()) {
        const std::vector<ControlRow> controls = controlsOf(page);
        for (const ControlRow &c : controls) {
            if (c.buddy.empty())
                continue;
            const ControlRow *buddy = findIn(controls, c.buddy);
            ASSERT_NE(buddy, nullptr) << page << " " << c.name << " names " << c.buddy;
            if (c.kind == Kind::UpDown)
                EXPECT_EQ(buddy->kind, Kind::TextBox) << page << " " << c.name;
            else
                EXPECT_TRUE(buddy->takesFocus())
                    << page << " " << c.name << "'s mnemonic focuses " << c.buddy;
        }
    }
}
