#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Layout.h"

namespace {

form::ControlRow at(form::Kind kind, const char *name, int left, int top)
{
    form::ControlRow layoutRow;
    layoutRow.kind = kind;
    layoutRow.name = name;
    layoutRow.place = {left, top, 600, 300};
    return layoutRow;
}

std::vector<std::string> namesInTabOrder(const form::PageLayout &layout)
{
    const auto all = form::allControls(layout);
    std::vector<std::string> names;
    for (std::size_t i : form::tabOrder(all))
        names.push_back(all[i].name);
    return names;
}

} // namespace

TEST(LayoutRules, TabOrderReadsRowsTopToBottomLeftToRightThenTheBottomRow)
{
    form::PageLayout layout;
    layout.title = "T";
    // Listed out of order; the second row's tops differ by less than a row's tolerance.
    layout.controls = {
        at(form::Kind::Button, "cmdRight", 4000, 1260), at(form::Kind::TextBox, "txtFirst", 200, 900),
        at(form::Kind::Label, "lblSkipped", 100, 900), at(form::Kind::Option, "optLeft", 200, 1200),
        at(form::Kind::TextBox, "txtLast", 200, 3000)};
    EXPECT_EQ(namesInTabOrder(layout), (std::vector<std::string>{"txtFirst", "optLeft", "cmdRight", "txtLast",
                                                                 "cmdCancel", "cmdBack", "cmdNext"}));
}

TEST(LayoutRules, FirstFocusGoesToTheFirstBoxTheAuthorCanTypeInto)
{
    form::PageLayout layout;
    form::ControlRow locked = at(form::Kind::TextBox, "txtLocked", 200, 900);
    locked.flags = form::style::Locked;
    layout.controls = {locked, at(form::Kind::Button, "cmdBrowse", 200, 1500),
                       at(form::Kind::TextBox, "txtOpen", 200, 2000)};
    const auto all = form::allControls(layout);
    ASSERT_GE(form::initialFocus(all), 0);
    EXPECT_EQ(all[std::size_t(form::initialFocus(all))].name, "txtOpen");

    layout.controls = {locked, at(form::Kind::Button, "cmdBrowse", 200, 1500)};
    const auto noTyping = form::allControls(layout);
    EXPECT_EQ(noTyping[std::size_t(form::initialFocus(noTyping))].name, "txtLocked") << "else the first stop";
}

TEST(LayoutRules, TemplateRowHasItsCaptionsPlacesAndStates)
{
    form::PageLayout layout;
    layout.title = "Add .AR File(s)";
    layout.backCaption = "&Help";
    layout.backEnabled = true;
    const auto all = form::allControls(layout);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(all[1].name, "lblBanner");
    EXPECT_EQ(all[1].caption, "Add .AR File(s)");
    const auto find = [&](const std::string &name) {
        for (const auto &c : all)
            if (c.name == name)
                return c;
        return form::ControlRow{};
    };
    EXPECT_EQ(find("cmdBack").caption, "&Help");
    EXPECT_FALSE(find("cmdBack").has(form::style::Disabled));
    EXPECT_EQ(find("cmdNext").caption, "&Next >>");
    EXPECT_EQ(find("cmdCancel").caption, "&Cancel");
    // Today's pixel places at 96 dpi, right-aligned with an 8-pixel margin.
    const form::PixelRect next = form::toPixels(find("cmdNext").place);
    EXPECT_EQ(next.x + next.width, 456 - 8);
    EXPECT_EQ(next.y, 286);
    const form::PixelRect back = form::toPixels(find("cmdBack").place);
    EXPECT_EQ(back.x + back.width + 4, next.x);
    EXPECT_EQ(form::toPixels({0, 0, form::ClientWidth, form::ClientHeight}).width, 456);
    EXPECT_EQ(form::toPixels({0, 0, form::ClientWidth, form::ClientHeight}).height, 323);
    // Scaled for a 150 % screen, neighbours still touch.
    const form::PixelRect a = form::toPixels({0, 0, 1000, 100}, 1.5);
    const form::PixelRect b = form::toPixels({1000, 0, 1000, 100}, 1.5);
    EXPECT_EQ(a.x + a.width, b.x);
}
