// What only the Qt runtime shows: the template's pixels and fonts, the widget each
// layout row becomes and its style, the focus chain, mnemonics and the window's life.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include "FileList.h"
#include "MultiLineTextBox.h"
#include "QtDriver.h"
#include "QtWindow.h"
#include "UpDown.h"

using namespace form;
using form::qt::QtWindow;

namespace {

ControlRow row(Kind kind, const char *name, QRect px, const char *caption = "", unsigned flags = style::None)
{
    ControlRow layoutRow;
    layoutRow.kind = kind;
    layoutRow.name = name;
    layoutRow.caption = caption;
    layoutRow.place = {px.x() * TwipsPerPixel, px.y() * TwipsPerPixel, px.width() * TwipsPerPixel,
                       px.height() * TwipsPerPixel};
    layoutRow.flags = flags;
    return layoutRow;
}

ControlRow buddied(ControlRow layoutRow, const char *buddy)
{
    layoutRow.buddy = buddy;
    return layoutRow;
}

// The details page as it stood: a caption and a box per row, a locked box with a button beside it.
PageLayout detailsLayout()
{
    PageLayout layout;
    layout.title = "AR Package Details";
    const auto field = [&](const char *label, const char *caption, const char *box, int y, int width = 300,
                           unsigned flags = style::None) {
        layout.controls.push_back(buddied(row(Kind::Label, label, {20, y, 110, 22}, caption), box));
        layout.controls.push_back(row(Kind::TextBox, box, {136, y, width, 22}, "", flags));
    };
    field("lblReadme", "Readme File:", "txtReadme", 76, 208, style::Locked);
    layout.controls.push_back(row(Kind::Button, "cmdBrowse", {352, 75, 84, 24}, "&Browse..."));
    field("lblAName", "Author's Name:", "txtAName", 112);
    field("lblAEmail", "Author's Email:", "txtAEmail", 148);
    field("lblAWWW", "Web Site:", "txtAWWW", 184);
    field("lblCopyright", "Copyight:", "txtCopyright", 220);
    return layout;
}

// One row of every other kind, styled as the pages style them.
PageLayout kindsLayout()
{
    PageLayout layout;
    layout.title = "Kinds";
    layout.nextCaption = "&Finish";
    layout.cancelEnabled = false;
    layout.controls = {
        row(Kind::Label, "lblHow", {74, 60, 146, 60}, "(use the up/down arrows)", style::WordWrap),
        row(Kind::Line, "lineAcross", {8, 176, 440, 2}),
        row(Kind::Line, "lineDown", {228, 184, 2, 84}),
        row(Kind::Frame, "fraMMV", {238, 184, 210, 86}),
        row(Kind::Label, "lblVersion", {238, 186, 210, 18}, "Midtown Madness Version Needed"),
        row(Kind::Option, "optMMV", {248, 210, 190, 20}, "Midtown Madness &1"),
        row(Kind::Option, "optMMV", {248, 234, 190, 20}, "Midtown Madness &2"),
        row(Kind::TextBox, "txtFiles", {16, 92, 150, 60}, "", style::Locked | style::MultiLine),
        row(Kind::ListBox, "lstFile", {240, 56, 204, 110}, "", style::ElideLeft),
        row(Kind::TextBox, "txtDelay", {16, 208, 34, 22}),
        buddied(row(Kind::UpDown, "udDelay", {50, 208, 16, 22}), "txtDelay"),
        row(Kind::Timer, "tmrExample", {0, 0, 0, 0}),
        row(Kind::TextBox, "txtZip", {110, 250, 100, 22}, "", style::Locked | style::Hidden),
        row(Kind::FileList, "File1", {16, 160, 60, 40}),
    };
    layout.controls[5].index = 0;
    layout.controls[6].index = 1;
    layout.controls[9].maxLength = 2;
    layout.controls[11].interval = 1000;
    return layout;
}

class QtRuntimeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        driver = makeQtDriver();
        form::install(&driver->runtime());
    }
    void TearDown() override
    {
        driver->settle();
        form::install(nullptr);
    }

    std::unique_ptr<Window> open(const PageLayout &layout)
    {
        auto window = driver->runtime().createWindow(layout);
        window->show();
        driver->settle();
        return window;
    }
    static QWidget *top(const Window &window) { return static_cast<const QtWindow &>(window).widget(); }
    template <class W> static W *child(const Window &window, const char *name)
    {
        return top(window)->findChild<W *>(QString::fromLatin1(name));
    }

    std::unique_ptr<form::testing::Driver> driver;
};

} // namespace

TEST_F(QtRuntimeTest, TheTemplateKeepsCaptionSizeBannerLinesAndBottomRowInPlace)
{
    auto window = open(detailsLayout());
    QWidget *w = top(*window);
    EXPECT_EQ(w->windowTitle(), "Quernel 2.0");
    EXPECT_EQ(w->size(), QSize(456, 323));
    EXPECT_EQ(w->minimumSize(), w->maximumSize()); // fixed border

    auto *banner = child<QLabel>(*window, "lblBanner");
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->text(), "AR Package Details");
    EXPECT_EQ(banner->font().family(), "Times New Roman");
    EXPECT_EQ(banner->font().pixelSize(), 22);
    EXPECT_TRUE(banner->font().bold());
    auto *picture = child<QLabel>(*window, "Picture1");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(banner->parentWidget(), picture);
    EXPECT_EQ(picture->geometry(), QRect(0, 0, 456, 50));
    EXPECT_EQ(picture->pixmap().size(), QSize(456, 50));
    EXPECT_EQ(banner->geometry(), QRect(14, 9, 366, 32));

    struct Placed
    {
        const char *name;
        QRect geometry;
    };
    for (const Placed &p :
         {Placed{"fraTopBorder", {0, 50, 456, 2}}, Placed{"fraBottomBorder", {0, 276, 456, 2}}}) {
        auto *line = child<QFrame>(*window, p.name);
        ASSERT_NE(line, nullptr) << p.name;
        EXPECT_EQ(line->geometry(), p.geometry) << p.name;
        EXPECT_EQ(line->frameShape(), QFrame::HLine) << p.name;
        EXPECT_EQ(line->frameShadow(), QFrame::Sunken) << p.name;
    }
    for (const Placed &p : {Placed{"cmdCancel", {8, 286, 88, 25}}, Placed{"cmdBack", {268, 286, 88, 25}},
                            Placed{"cmdNext", {360, 286, 88, 25}}})
        EXPECT_EQ(child<QPushButton>(*window, p.name)->geometry(), p.geometry) << p.name;
    EXPECT_EQ(child<QPushButton>(*window, "cmdCancel")->text(), "&Cancel");
    EXPECT_EQ(child<QPushButton>(*window, "cmdBack")->text(), "<< &Back");
    EXPECT_EQ(child<QPushButton>(*window, "cmdNext")->text(), "&Next >>");
    EXPECT_FALSE(child<QPushButton>(*window, "cmdBack")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(*window, "cmdNext")->isEnabled());
    for (QPushButton *b : w->findChildren<QPushButton *>()) {
        EXPECT_FALSE(b->isDefault()) << b->objectName().toStdString();
        EXPECT_FALSE(b->autoDefault()) << b->objectName().toStdString();
    }

    auto other = open(kindsLayout()); // the captions and states a page gives its bottom row
    EXPECT_EQ(child<QPushButton>(*other, "cmdNext")->text(), "&Finish");
    EXPECT_FALSE(child<QPushButton>(*other, "cmdCancel")->isEnabled());
    EXPECT_EQ(child<QPushButton>(*other, "cmdNext")->geometry(),
              child<QPushButton>(*window, "cmdNext")->geometry());
}

TEST_F(QtRuntimeTest, TabRunsThroughRowsThenBottomRowAndFocusStartsOnFirstField)
{
    auto window = open(detailsLayout());
    QStringList order;
    QWidget *start = child<QWidget>(*window, "txtReadme");
    QWidget *x = start;
    do {
        order << x->objectName();
        x = x->nextInFocusChain();
        while (!(x->focusPolicy() & Qt::TabFocus))
            x = x->nextInFocusChain();
    } while (x != start);
    EXPECT_EQ(order, (QStringList{"txtReadme", "cmdBrowse", "txtAName", "txtAEmail", "txtAWWW",
                                  "txtCopyright", "cmdCancel", "cmdBack", "cmdNext"}));
    EXPECT_EQ(top(*window)->focusWidget(), child<QWidget>(*window, "txtAName")); // the first one typed into
    EXPECT_TRUE(window->control<TextBox>("txtAName").hasFocus());
}

TEST_F(QtRuntimeTest, LabelsAreBuddiesOfTheirBoxesAndMnemonicsPressButtons)
{
    auto window = open(detailsLayout());
    EXPECT_EQ(child<QLabel>(*window, "lblAName")->buddy(), child<QWidget>(*window, "txtAName"));
    EXPECT_EQ(child<QLabel>(*window, "lblReadme")->buddy(), child<QWidget>(*window, "txtReadme"));
    EXPECT_TRUE(child<QLineEdit>(*window, "txtReadme")->isReadOnly());
    EXPECT_EQ(child<QPushButton>(*window, "cmdNext")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
    EXPECT_EQ(child<QPushButton>(*window, "cmdCancel")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_C));
    EXPECT_EQ(child<QPushButton>(*window, "cmdBrowse")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_B));
}

TEST_F(QtRuntimeTest, EachRowBecomesTodaysWidgetWithItsStyle)
{
    auto window = open(kindsLayout());

    auto *how = child<QLabel>(*window, "lblHow");
    EXPECT_TRUE(how->wordWrap());
    EXPECT_EQ(how->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_EQ(how->textFormat(), Qt::PlainText);
    EXPECT_EQ(child<QFrame>(*window, "lineAcross")->frameShape(), QFrame::HLine);
    EXPECT_EQ(child<QFrame>(*window, "lineDown")->frameShape(), QFrame::VLine);
    EXPECT_EQ(child<QFrame>(*window, "lineDown")->geometry(), QRect(228, 184, 2, 84));

    // A frame holds what lies within it, placed relative to it.
    auto *frame = child<QFrame>(*window, "fraMMV");
    EXPECT_EQ(frame->frameShape(), QFrame::NoFrame);
    QList<QRadioButton *> options = top(*window)->findChildren<QRadioButton *>("optMMV");
    ASSERT_EQ(options.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(options[i]->parentWidget(), frame);
        EXPECT_EQ(options[i]->property("index").toInt(), i);
        EXPECT_FALSE(options[i]->isChecked());
    }
    EXPECT_EQ(options[1]->geometry(), QRect(10, 50, 190, 20));
    EXPECT_EQ(child<QLabel>(*window, "lblVersion")->geometry(), QRect(0, 2, 210, 18));
    ASSERT_NE(options[0]->group(), nullptr);
    EXPECT_EQ(options[0]->group(), options[1]->group());

    auto *files = child<platform::MultiLineTextBox>(*window, "txtFiles");
    ASSERT_NE(files, nullptr);
    EXPECT_TRUE(files->isReadOnly());
    EXPECT_EQ(files->textInteractionFlags(), Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    EXPECT_EQ(files->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    auto &filesBox = window->control<TextBox>("txtFiles");
    filesBox.setText("C:\\one.ar\r\nC:\\two.ar");
    EXPECT_EQ(files->toPlainText(), "C:\\one.ar\nC:\\two.ar");
    EXPECT_EQ(filesBox.text(), "C:\\one.ar\r\nC:\\two.ar");

    // The list shows the end of a long path, the file's name, and the whole path as its tip.
    auto *list = child<QListWidget>(*window, "lstFile");
    EXPECT_EQ(list->textElideMode(), Qt::ElideLeft);
    const std::string deep = "/home/jo/" + std::string(120, 'd') + "/x.ar";
    window->control<ListBox>("lstFile").addItem(deep);
    driver->settle();
    EXPECT_LE(list->visualItemRect(list->item(0)).right(), list->viewport()->width());
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(list->item(0)->toolTip().toStdString(), deep);
    // A row added below the visible ones is scrolled into view.
    for (int i = 1; i <= 20; ++i)
        window->control<ListBox>("lstFile").addItem("/mods/file" + std::to_string(i) + ".ar");
    driver->settle();
    EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->item(20))));
    EXPECT_FALSE(list->viewport()->rect().intersects(list->visualItemRect(list->item(0))));

    auto *delay = child<QLineEdit>(*window, "txtDelay");
    EXPECT_EQ(delay->maxLength(), 2);
    EXPECT_EQ(child<platform::UpDown>(*window, "udDelay")->buddy(), delay);
    auto *timer = top(*window)->findChild<QTimer *>("tmrExample");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_TRUE(child<QLineEdit>(*window, "txtZip")->isHidden());
    EXPECT_FALSE(window->control<TextBox>("txtZip").isVisible());
    EXPECT_TRUE(window->control<TextBox>("txtDelay").isVisible());
    EXPECT_EQ(child<platform::FileList>(*window, "File1")->pattern(), "*.*");
}

TEST_F(QtRuntimeTest, ALockedBoxShowsWhereItsTextStarts)
{
    auto window = open(detailsLayout());
    window->control<TextBox>("txtReadme").setText("/home/jo/" + std::string(200, 'p') + "/readme.txt");
    EXPECT_EQ(child<QLineEdit>(*window, "txtReadme")->cursorPosition(), 0);
}

TEST_F(QtRuntimeTest, TheFrameCloseIsRefusedAndHandedToThePage)
{
    auto window = open(detailsLayout());
    int requests = 0;
    window->CloseRequest = [&] { ++requests; };
    EXPECT_FALSE(top(*window)->close());
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(QtRuntimeTest, ADestroyedWindowRaisesNothingAndGoesWithItsWidgets)
{
    auto window = open(kindsLayout());
    auto &delay = window->control<TextBox>("txtDelay");
    int changes = 0, ticks = 0, closes = 0;
    delay.Change = [&] { ++changes; };
    window->control<Timer>("tmrExample").Tick = [&] { ++ticks; };
    window->CloseRequest = [&] { ++closes; };
    QPointer<QWidget> widget = top(*window);
    QPointer<QLineEdit> box = child<QLineEdit>(*window, "txtDelay");
    QPointer<QTimer> timer = widget->findChild<QTimer *>("tmrExample");

    driver->runtime().destroyLater(std::move(window));
    EXPECT_FALSE(widget->isVisible());
    EXPECT_FALSE(timer->isActive());
    box->setText("42");
    widget->close();
    EXPECT_EQ(changes + ticks + closes, 0);

    driver->settle();
    EXPECT_TRUE(widget.isNull());
    EXPECT_TRUE(box.isNull());
}
