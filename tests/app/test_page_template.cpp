#include <string>
#include <vector>

#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "Pages.h"
#include "WizardFixture.h"

namespace {
using PageTemplate = WizardFixture;
} // namespace

TEST_F(PageTemplate, EveryPageSharesCaptionBannerSizeAndBottomRow)
{
    FrmARNew0 &page = frmARNew0();
    form::Window &w = page.window();
    EXPECT_EQ(std::string(form::WindowCaption), "Quernel 2.0");
    const form::PixelRect client = form::toPixels({0, 0, form::ClientWidth, form::ClientHeight});
    EXPECT_EQ(client.width, 456);
    EXPECT_EQ(client.height, 323);
    // Qt runtime: the window's title, its fixed 456 x 323 client size and fixed border.
    EXPECT_EQ(page.lblBanner()->text(), "Create Package Folder");
    EXPECT_TRUE(page.lblBanner()->layoutRow().has(form::style::Banner));
    EXPECT_EQ(std::string(form::BannerFont), "Times New Roman"); // Qt runtime: the banner's font family
    EXPECT_EQ(page.cmdCancel()->text(), "&Cancel");
    EXPECT_EQ(page.cmdBack()->text(), "<< &Back");
    EXPECT_EQ(page.cmdNext()->text(), "&Next >>");
    EXPECT_FALSE(page.cmdBack()->isEnabled());
    EXPECT_TRUE(page.cmdNext()->isEnabled());
    // No default button: Enter presses nothing (Qt runtime: no button is default or auto-default).
    int presses = 0;
    for (const char *name : {"cmdCancel", "cmdBack", "cmdNext"})
        w.control<form::Button>(name).Click = [&] { ++presses; };
    pressKey(w, Key::Enter);
    EXPECT_EQ(presses, 0);
    ASSERT_NE(w.find("Picture1"), nullptr);
    ASSERT_NE(w.find("fraTopBorder"), nullptr);
    ASSERT_NE(w.find("fraBottomBorder"), nullptr);

    FrmARNew1 &details = frmARNew1();
    EXPECT_EQ(details.cmdCancel()->layoutRow().place, page.cmdCancel()->layoutRow().place);
    EXPECT_EQ(details.cmdBack()->layoutRow().place, page.cmdBack()->layoutRow().place);
    EXPECT_EQ(details.cmdNext()->layoutRow().place, page.cmdNext()->layoutRow().place);
}

TEST_F(PageTemplate, TabRunsThroughRowsThenBottomRowAndFocusStartsOnFirstField)
{
    FrmARNew1 &page = frmARNew1();
    page.show();
    // Qt runtime: the same order along the window's focus chain.
    const std::vector<form::ControlRow> all = form::allControls(page.layout());
    std::vector<std::string> order;
    for (std::size_t i : form::tabOrder(all))
        order.push_back(all[i].name);
    EXPECT_EQ(order, (std::vector<std::string>{"txtReadme", "cmdBrowse", "txtAName", "txtAEmail", "txtAWWW",
                                               "txtCopyright", "cmdCancel", "cmdBack", "cmdNext"}));
    EXPECT_TRUE(page.txtAName()->hasFocus()); // the first field the author can type into
}

TEST_F(PageTemplate, LabelsAreBuddiesOfTheirBoxesAndEscPressesCancelOnlyWhileEnabled)
{
    FrmARNew0 &page = frmARNew0();
    page.show();
    form::Window &w = page.window();
    EXPECT_EQ(w.control<form::Label>("lblPackage").layoutRow().buddy, "txtPackage");
    EXPECT_EQ(w.control<form::Label>("lblProject").layoutRow().buddy, "txtProject");
    // Qt runtime: the buddies are the boxes' widgets, Alt+N presses Next and Alt+C Cancel.

    int cancels = 0;
    page.cmdCancel()->Click = [&] { ++cancels; };
    pressKey(w, Key::Escape);
    EXPECT_EQ(cancels, 1);
    page.cmdCancel()->setEnabled(false);
    pressKey(w, Key::Escape);
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(fake->messageBoxes.empty());
}
