#include "Layout.h"

#include <algorithm>
#include <cmath>

namespace form {

namespace {

constexpr int BannerHeight = 750;
constexpr int ButtonWidth = 1320;
constexpr int ButtonHeight = 375;
constexpr int ButtonTop = 4290;
constexpr int BottomBorderTop = 4140;
// Controls whose tops lie this close are one row of the page.
constexpr int RowTolerance = 120;

ControlRow templateControl(Kind kind, const char *name, std::string caption, Rect place, unsigned flags = 0)
{
    ControlRow layoutRow;
    layoutRow.kind = kind;
    layoutRow.name = name;
    layoutRow.caption = std::move(caption);
    layoutRow.place = place;
    layoutRow.flags = flags;
    return layoutRow;
}

bool isBottomRow(const ControlRow &layoutRow)
{
    return layoutRow.name == "cmdCancel" || layoutRow.name == "cmdBack" || layoutRow.name == "cmdNext";
}

} // namespace

bool ControlRow::takesFocus() const
{
    switch (kind) {
    case Kind::TextBox:
    case Kind::Button:
    case Kind::Option:
    case Kind::ListBox:
    case Kind::DriveList:
    case Kind::DirList:
    case Kind::FileList:
        return true;
    default:
        return false;
    }
}

std::vector<ControlRow> allControls(const PageLayout &layout)
{
    std::vector<ControlRow> all;
    all.reserve(layout.controls.size() + 7);
    all.push_back(templateControl(Kind::Picture, "Picture1", "", {0, 0, ClientWidth, BannerHeight}));
    all.push_back(
        templateControl(Kind::Label, "lblBanner", layout.title, {210, 135, 5490, 480}, style::Banner));
    all.push_back(templateControl(Kind::Line, "fraTopBorder", "", {0, BannerHeight, ClientWidth, 30}));
    all.push_back(templateControl(Kind::Line, "fraBottomBorder", "", {0, BottomBorderTop, ClientWidth, 30}));
    const auto button = [&](const char *name, const std::string &caption, int left, bool enabled) {
        all.push_back(templateControl(Kind::Button, name, caption,
                                      {left, ButtonTop, ButtonWidth, ButtonHeight},
                                      enabled ? style::None : style::Disabled));
    };
    button("cmdCancel", layout.cancelCaption, 120, layout.cancelEnabled);
    button("cmdBack", layout.backCaption, ClientWidth - 120 - 2 * ButtonWidth - 60, layout.backEnabled);
    button("cmdNext", layout.nextCaption, ClientWidth - 120 - ButtonWidth, layout.nextEnabled);
    all.insert(all.end(), layout.controls.begin(), layout.controls.end());
    return all;
}

std::vector<std::size_t> tabOrder(const std::vector<ControlRow> &controls)
{
    std::vector<std::size_t> rows;
    std::vector<std::size_t> bottom;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (!controls[i].takesFocus())
            continue;
        (isBottomRow(controls[i]) ? bottom : rows).push_back(i);
    }
    const auto place = [&](std::size_t i) { return controls[i].place; };
    std::stable_sort(rows.begin(), rows.end(), [&](auto a, auto b) { return place(a).top < place(b).top; });
    for (std::size_t rowStart = 0; rowStart < rows.size();) {
        std::size_t rowEnd = rowStart + 1;
        while (rowEnd < rows.size() && place(rows[rowEnd]).top - place(rows[rowStart]).top <= RowTolerance)
            ++rowEnd;
        std::stable_sort(rows.begin() + static_cast<std::ptrdiff_t>(rowStart),
                         rows.begin() + static_cast<std::ptrdiff_t>(rowEnd),
                         [&](auto a, auto b) { return place(a).left < place(b).left; });
        rowStart = rowEnd;
    }
    // Cancel, Back, Next: left to right, as they stand.
    std::stable_sort(bottom.begin(), bottom.end(),
                     [&](auto a, auto b) { return place(a).left < place(b).left; });
    rows.insert(rows.end(), bottom.begin(), bottom.end());
    return rows;
}

int initialFocus(const std::vector<ControlRow> &controls)
{
    const std::vector<std::size_t> order = tabOrder(controls);
    for (std::size_t i : order) {
        const ControlRow &c = controls[i];
        if (c.kind == Kind::TextBox && !c.has(style::Locked) && !c.has(style::Disabled))
            return static_cast<int>(i);
    }
    return order.empty() ? -1 : static_cast<int>(order.front());
}

PixelRect toPixels(const Rect &twips, double scale)
{
    const auto px = [scale](int t) { return static_cast<int>(std::lround(t * scale / TwipsPerPixel)); };
    // Edges are rounded, so that neighbours that touch in twips touch in pixels.
    const int x = px(twips.left);
    const int y = px(twips.top);
    return {x, y, px(twips.right()) - x, px(twips.bottom()) - y};
}

} // namespace form
