#pragma once

#include <string>
#include <string_view>
#include <vector>

// Page layouts as data: each page is a table of its controls on the shared page
// template. Places are in twips (1/1440 inch) in the 6840 x 4845 client area, so the
// runtimes scale them for the screen; 15 twips make a pixel at 96 dots per inch.
namespace form {

enum class Kind
{
    Picture, // the banner picture
    Label,   // a caption; also a frame's title
    Frame,   // a group box without a border, holding other controls
    Line,    // a separator line (a frame used as a line: horizontal or vertical by its shape)
    TextBox,
    Button,
    Option,
    ListBox,
    DriveList,
    DirList,
    FileList,
    ProgressBar,
    UpDown,
    Timer,
    Animation,
};

// Left, top, width and height in twips.
struct Rect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool operator==(const Rect &) const = default;
};

// Flags of a control row.
namespace style {
constexpr unsigned None = 0;
constexpr unsigned Locked = 1 << 0;    // a text box only code fills
constexpr unsigned MultiLine = 1 << 1; // a text box of several lines with a vertical scroll bar
constexpr unsigned WordWrap = 1 << 2;  // a label whose caption wraps, top-aligned
constexpr unsigned Disabled = 1 << 3;  // not enabled at design time
constexpr unsigned Hidden = 1 << 4;    // not visible at design time
constexpr unsigned Banner = 1 << 5;    // the banner title's typeface
constexpr unsigned ElideLeft = 1 << 6; // a list whose long rows show their end
} // namespace style

// One control of a page.
struct ControlRow
{
    Kind kind = Kind::Label;
    std::string name;
    int index = -1; // the member's index in a group of controls sharing the name, -1 if alone
    std::string caption;
    Rect place;
    // A label's buddy (the control its "&" mnemonic focuses) or an up-down's buddy text box.
    std::string buddy;
    unsigned flags = style::None;
    int maxLength = 0;   // of a text box; 0 for no limit
    int interval = 0;    // of a timer, in milliseconds; a timer with one starts enabled
    std::string pattern; // of a file list: ";"-separated name patterns

    bool has(unsigned flag) const { return (flags & flag) != 0; }
    // Whether Tab stops on the control.
    bool takesFocus() const;
};

// A page: its banner title and controls; captions and states of the template's
// bottom row where the page differs from the wizard's.
struct PageLayout
{
    std::string title;
    std::vector<ControlRow> controls;
    std::string cancelCaption = "&Cancel";
    std::string backCaption = "<< &Back";
    std::string nextCaption = "&Next >>";
    bool cancelEnabled = true;
    bool backEnabled = false;
    bool nextEnabled = true;
};

// The client area every page has, in twips.
constexpr int ClientWidth = 6840;
constexpr int ClientHeight = 4845;
constexpr int TwipsPerPixel = 15; // at 96 dots per inch
constexpr const char *WindowCaption = "Quernel 2.0";
constexpr const char *BannerFont = "Times New Roman";

// The template's controls (banner picture and title, the two border lines, cmdCancel,
// cmdBack, cmdNext) followed by the page's own, as one table in that order.
std::vector<ControlRow> allControls(const PageLayout &layout);

// The controls Tab stops on, in the order it visits them: the page's rows from top to
// bottom, each from left to right, then the bottom row; controls in a frame where the
// frame stands. Indices into allControls(layout).
std::vector<std::size_t> tabOrder(const std::vector<ControlRow> &controls);

// The first control of the tab order that the author can type into (a text box that
// is not locked), else the first of the tab order; -1 when there is none.
int initialFocus(const std::vector<ControlRow> &controls);

// Places in whole pixels for a scale (pixels per inch / 96 at 96 dpi: 1.0).
struct PixelRect
{
    int x, y, width, height;
};
PixelRect toPixels(const Rect &twips, double scale = 1.0);

} // namespace form
