#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARReadmeLocation.h"
#include "Layout.h"

namespace {

using Names = std::vector<std::string>;

struct PageCase
{
    const char *page;
    form::PageLayout (*layout)();
    Names tabOrder; // option members as name(index)
    std::string firstFocus;
};

std::string label(const form::ControlRow &c)
{
    return c.index < 0 ? c.name : c.name + "(" + std::to_string(c.index) + ")";
}

const PageCase Pages[] = {
    {"NamePage",
     FrmARNew0::layout,
     {"txtPackage", "txtProject", "cmdCancel", "cmdBack", "cmdNext"},
     "txtPackage"},
    {"DetailsPage",
     FrmARNew1::layout,
     {"txtReadme", "cmdBrowse", "txtAName", "txtAEmail", "txtAWWW", "txtCopyright", "cmdCancel", "cmdBack",
      "cmdNext"},
     "txtAName"},
    {"ReadmePicker",
     FrmARReadmeLocation::layout,
     {"Drive1", "Dir1", "File1", "cmdCancel", "cmdBack", "cmdNext"},
     "Drive1"},
    // The version options sit in their frame and are reached where the frame stands.
    {"AppearancePage",
     FrmARNew2::layout,
     {"optPGBDisplay(0)", "cmdStart", "optPGBDisplay(1)", "txtReadmeDelay", "optMMV(0)", "optMMV(1)",
      "cmdCancel", "cmdBack", "cmdNext"},
     "txtReadmeDelay"},
};

// Names the case in test names, not its bytes.
void PrintTo(const PageCase &c, std::ostream *out)
{
    *out << c.page;
}

class PageLayouts : public ::testing::TestWithParam<PageCase>
{
};

} // namespace

// Every control lies between the banner and the bottom row, a buddy names a control of
// the page, Tab runs row by row and the focus starts on the first field to type into.
TEST_P(PageLayouts, ControlsStayInThePageAreaAndTabRunsRowByRow)
{
    const PageCase &c = GetParam();
    const std::vector<form::ControlRow> all = form::allControls(c.layout());
    const auto has = [&](const std::string &name) {
        for (const form::ControlRow &s : all)
            if (s.name == name)
                return true;
        return false;
    };
    for (const form::ControlRow &s : c.layout().controls) {
        if (s.kind == form::Kind::Timer)
            continue; // invisible
        EXPECT_GE(s.place.top, 780) << label(s);
        EXPECT_LE(s.place.bottom(), 4140) << label(s);
        EXPECT_GE(s.place.left, 0) << label(s);
        EXPECT_LE(s.place.right(), form::ClientWidth) << label(s);
        if (!s.buddy.empty())
            EXPECT_TRUE(has(s.buddy)) << label(s) << " -> " << s.buddy;
    }
    Names order;
    for (std::size_t i : form::tabOrder(all))
        order.push_back(label(all[i]));
    EXPECT_EQ(order, c.tabOrder);
    EXPECT_EQ(all[std::size_t(form::initialFocus(all))].name, c.firstFocus);
}

INSTANTIATE_TEST_SUITE_P(Pages, PageLayouts, ::testing::ValuesIn(Pages),
                         [](const ::testing::TestParamInfo<PageCase> &info) { return info.param.page; });

TEST(AppearanceLayout, TheVersionFrameHoldsItsTitleAndOptions)
{
    const form::PageLayout page = FrmARNew2::layout();
    const auto find = [&](const std::string &name, int index = -1) {
        for (const form::ControlRow &s : page.controls)
            if (s.name == name && s.index == index)
                return s.place;
        ADD_FAILURE() << name;
        return form::Rect{};
    };
    const form::Rect frame = find("fraMMV");
    for (const form::Rect inner : {find("lblVersion"), find("optMMV", 0), find("optMMV", 1)}) {
        EXPECT_GE(inner.left, frame.left);
        EXPECT_GE(inner.top, frame.top);
        EXPECT_LE(inner.right(), frame.right());
        EXPECT_LE(inner.bottom(), frame.bottom());
    }
}
