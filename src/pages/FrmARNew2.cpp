#include "FrmARNew2.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FrmARNew3.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Vemko.h"

namespace {

// The length in bytes of the white space at the front of s (its back, if fromBack), 0 if
// none: ASCII white space and the Unicode blanks, as the delay's trimming has always taken them.
std::size_t spaceLength(std::string_view s, bool fromBack)
{
    static constexpr std::string_view Blanks[] = {
        "\u0085", "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006",
        "\u2007", "\u2008", "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};
    if (s.empty())
        return 0;
    const char c = fromBack ? s.back() : s.front();
    if (c == ' ' || (c >= '\t' && c <= '\r'))
        return 1;
    for (std::string_view blank : Blanks)
        if (fromBack ? s.ends_with(blank) : s.starts_with(blank))
            return blank.size();
    return 0;
}

std::string_view trimmed(std::string_view s)
{
    while (std::size_t n = spaceLength(s, false))
        s.remove_prefix(n);
    while (std::size_t n = spaceLength(s, true))
        s.remove_suffix(n);
    return s;
}

// The whole number the text holds once trimmed (an optional sign, then decimal digits), if any.
std::optional<int> wholeNumber(std::string_view text)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    value = negative ? -value : value;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

const std::string MessageTitle = "Quernel Vemko";

} // namespace

FrmARNew2::FrmARNew2() : Page(layout()) {}

form::PageLayout FrmARNew2::layout()
{
    using form::Kind;
    form::PageLayout page;
    page.title = "Configure Quernel User Interface";
    page.controls = {
        {.kind = Kind::Label,
         .name = "lblPGBDisplay",
         .caption = "Progress Bar Display:",
         .place = {240, 900, 3000, 270}},
        {.kind = Kind::Option,
         .name = "optPGBDisplay",
         .index = 0,
         .caption = "&Smooth Display",
         .place = {420, 1200, 2550, 300}},
        {.kind = Kind::Option,
         .name = "optPGBDisplay",
         .index = 1,
         .caption = "&Windows Standard",
         .place = {420, 1515, 2550, 300}},
        {.kind = Kind::Button,
         .name = "cmdStart",
         .caption = "&Start Example",
         .place = {4740, 1260, 1860, 375}},
        {.kind = Kind::Label,
         .name = "lblExample",
         .caption = "Progress Bar Example:",
         .place = {240, 1890, 3000, 270}},
        {.kind = Kind::ProgressBar, .name = "pgbStatus", .place = {240, 2190, 6360, 300}},
        // Enabled from the start: its first tick finds nothing to count down and settles
        // the page in its idle state.
        {.kind = Kind::Timer, .name = "tmrExample", .interval = 1000},
        {.kind = Kind::Line, .name = "lineReadBarSep", .place = {120, 2640, 6600, 30}},
        {.kind = Kind::Label,
         .name = "lblReadmeDelay",
         .caption = "Readme Delay:",
         .place = {240, 2820, 1800, 270},
         .buddy = "txtReadmeDelay"},
        {.kind = Kind::TextBox, .name = "txtReadmeDelay", .place = {240, 3120, 510, 330}, .maxLength = 2},
        {.kind = Kind::UpDown, .name = "udDelay", .place = {750, 3120, 240, 330}, .buddy = "txtReadmeDelay"},
        {.kind = Kind::Label,
         .name = "lblHowDelay",
         .caption = "(use the up/down arrows to change between 10 and 99 seconds)",
         .place = {1110, 3060, 2190, 900},
         .flags = form::style::WordWrap},
        {.kind = Kind::Line, .name = "lineMMVersionSep", .place = {3420, 2760, 30, 1260}},
        // The version frame and, within it, its title and the two options.
        {.kind = Kind::Frame, .name = "fraMMV", .place = {3570, 2760, 3150, 1290}},
        {.kind = Kind::Label,
         .name = "lblVersion",
         .caption = "Midtown Madness Version Needed",
         .place = {3570, 2790, 3150, 270}},
        {.kind = Kind::Option,
         .name = "optMMV",
         .index = 0,
         .caption = "Midtown Madness &1",
         .place = {3720, 3150, 2850, 300}},
        {.kind = Kind::Option,
         .name = "optMMV",
         .index = 1,
         .caption = "Midtown Madness &2",
         .place = {3720, 3510, 2850, 300}},
    };
    return page;
}

void FrmARNew2::build(form::Window &w)
{
    for (int i = 0; i < 2; ++i) {
        m_optPGBDisplay[i] = &w.control<form::Option>("optPGBDisplay", i);
        m_optMMV[i] = &w.control<form::Option>("optMMV", i);
    }
    m_cmdStart = &w.control<form::Button>("cmdStart");
    m_pgbStatus = &w.control<form::ProgressBar>("pgbStatus");
    m_tmrExample = &w.control<form::Timer>("tmrExample");
    m_txtReadmeDelay = &w.control<form::TextBox>("txtReadmeDelay");
    m_udDelay = &w.control<form::UpDown>("udDelay");
    m_udDelay->setRange(10, 99);
    m_udDelay->setIncrement(1);
    m_udDelay->setValue(30);

    for (int i = 0; i < 2; ++i) {
        m_optPGBDisplay[i]->Click = [this, i] { optPGBDisplay_Click(i); };
        m_optMMV[i]->Click = [this, i] { optMMV_Click(i); };
    }
    m_cmdStart->Click = [this] { cmdStart_Click(); };
    m_tmrExample->Tick = [this] { tmrExample_Timer(); };
    w.control<form::Button>("cmdNext").Click = [this] { cmdNext_Click(); };
    w.control<form::Button>("cmdCancel").Click = [this] { cmdCancel_Click(); };
}

void FrmARNew2::Form_Load()
{
    m_txtReadmeDelay->setText("30");
}

void FrmARNew2::optMMV_Click(int index)
{
    WriteINI(Vemko::InstallFile(), package::text(package::section::Main), package::text(package::key::mmType),
             index == 0 ? "1" : "2");
}

void FrmARNew2::optPGBDisplay_Click(int index)
{
    using form::ProgressBar;
    const bool smooth = index == 0;
    WriteINI(Vemko::InstallFile(), package::text(package::section::ProgressBar),
             package::text(package::key::Smooth), smooth ? "True" : "False");
    m_pgbStatus->setBorderStyle(smooth ? 1 : 0);
    m_pgbStatus->setBackColor(smooth ? ProgressBar::SystemWindowBackground : ProgressBar::SystemButtonFace);
    m_pgbStatus->setSmooth(smooth);
}

void FrmARNew2::cmdStart_Click()
{
    const std::optional<int> n = wholeNumber(m_txtReadmeDelay->text());
    // A run needs a count that reaches 0: an empty box, letters, 0 or a negative
    // number would never finish or finish at once.
    if (!n || *n < 1 || *n > 99) {
        form::runtime().messageBox("The readme delay must be a number of seconds from 1 to 99.",
                                   form::MB_ICONWARNING, MessageTitle);
        return;
    }
    m_pgbStatus->setMax(*n);
    Vemko::ExampleCountdown = static_cast<std::int16_t>(m_pgbStatus->max());
    m_pgbStatus->setMin(0);
    m_tmrExample->start();
    m_cmdStart->setEnabled(false);
}

void FrmARNew2::tmrExample_Timer()
{
    if (Vemko::ExampleCountdown != 0) {
        Vemko::ExampleCountdown = static_cast<std::int16_t>(Vemko::ExampleCountdown - 1);
        m_pgbStatus->setValue(Vemko::ExampleCountdown);
        return;
    }
    m_pgbStatus->setValue(0);
    m_cmdStart->setEnabled(true);
    m_tmrExample->stop();
}

void FrmARNew2::cmdNext_Click()
{
    if (!m_optMMV[0]->isChecked() && !m_optMMV[1]->isChecked()) {
        form::runtime().messageBox("You need to select the required version of Midtown Madness!",
                                   form::MB_ICONWARNING, MessageTitle);
        return;
    }
    WriteINI(Vemko::InstallFile(), package::text(package::section::Main), package::text(package::key::Timer),
             m_txtReadmeDelay->text());
    frmARNew3().show();
    hide(); // not unloaded: a running example finishes unseen
}

void FrmARNew2::cmdCancel_Click()
{
    Vemko::ConfirmCancel();
}

void FrmARNew2::frameCloseRequested()
{
    cmdCancel_Click();
}
