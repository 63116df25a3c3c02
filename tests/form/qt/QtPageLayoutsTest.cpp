// The wizard's own page layouts on the Qt runtime: what the author sees of them that
// only the window system decides (window size, fonts, focus chain, mnemonics, eliding,
// wrapped text, real mouse clicks).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "FakePlatform.h"
#include "FileList.h"
#include "FrmARAddARFiles.h"
#include "FrmARCreate.h"
#include "FrmARDone.h"
#include "FrmARNew0.h"
#include "FrmARNew1.h"
#include "FrmARNew2.h"
#include "FrmARNew3.h"
#include "FrmARReadmeLocation.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "QtDriver.h"
#include "QtWindow.h"
#include "Vemko.h"

using namespace form;

namespace {

struct PageUnderTest
{
    const char *name;
    PageLayout (*layout)();
};

const PageUnderTest Pages[] = {
    {"FrmARNew0", FrmARNew0::layout},
    {"FrmARNew1", FrmARNew1::layout},
    {"FrmARReadmeLocation", FrmARReadmeLocation::layout},
    {"FrmARNew2", FrmARNew2::layout},
    {"FrmARNew3", FrmARNew3::layout},
    {"FrmARAddARFiles", FrmARAddARFiles::layout},
    {"FrmARCreate", FrmARCreate::layout},
    {"FrmARDone", FrmARDone::layout},
};

class QtPages : public ::testing::Test
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
    static QWidget *top(const Window &window) { return static_cast<const qt::QtWindow &>(window).widget(); }
    template <class W> static W *child(const Window &window, const char *name)
    {
        return top(window)->findChild<W *>(QString::fromLatin1(name));
    }
    // The names Tab visits from the first control of the tab order round to it again.
    static std::vector<std::string> focusChain(const Window &window)
    {
        const std::vector<ControlRow> all = allControls(window.layout());
        QWidget *start = qt::QtWindow::widgetOf(*window.find(all[tabOrder(all).front()].name));
        start = start->focusProxy() ? start->focusProxy() : start;
        std::vector<std::string> names;
        QWidget *x = start;
        do {
            QWidget *named = x;
            while (named &&
                   (named->objectName().isEmpty() || !window.find(named->objectName().toStdString())))
                named = named->parentWidget(); // the view inside a list
            if (!named) {
                names.push_back("?" + std::string(x->metaObject()->className()));
                break;
            }
            names.push_back(named->objectName().toStdString());
            do
                x = x->nextInFocusChain();
            while (!(x->focusPolicy() & Qt::TabFocus));
        } while (x != start);
        return names;
    }

    std::unique_ptr<form::testing::Driver> driver;
};

} // namespace

TEST_F(QtPages, EveryPageHasTheFixedWindowTheBannerFontNoDefaultButtonAndTheLayoutsTabOrder)
{
    QRect cancel, back, next;
    for (const PageUnderTest &page : Pages) {
        auto window = open(page.layout());
        QWidget *w = top(*window);
        EXPECT_EQ(w->windowTitle(), "Quernel 2.0") << page.name;
        EXPECT_EQ(w->size(), QSize(456, 323)) << page.name;
        EXPECT_EQ(w->minimumSize(), w->maximumSize()) << page.name;
        EXPECT_EQ(child<QLabel>(*window, "lblBanner")->font().family(), "Times New Roman") << page.name;
        for (QPushButton *b : w->findChildren<QPushButton *>())
            EXPECT_FALSE(b->isDefault() || b->autoDefault())
                << page.name << " " << b->objectName().toStdString();
        if (cancel.isNull()) {
            cancel = child<QPushButton>(*window, "cmdCancel")->geometry();
            back = child<QPushButton>(*window, "cmdBack")->geometry();
            next = child<QPushButton>(*window, "cmdNext")->geometry();
        }
        EXPECT_EQ(child<QPushButton>(*window, "cmdCancel")->geometry(), cancel) << page.name;
        EXPECT_EQ(child<QPushButton>(*window, "cmdBack")->geometry(), back) << page.name;
        EXPECT_EQ(child<QPushButton>(*window, "cmdNext")->geometry(), next) << page.name;

        const std::vector<ControlRow> all = allControls(window->layout());
        std::vector<std::string> order;
        for (std::size_t i : tabOrder(all))
            order.push_back(all[i].name);
        EXPECT_EQ(focusChain(*window), order) << page.name;
    }
}

TEST_F(QtPages, TabRunsThroughRowsThenBottomRowAndFocusStartsOnFirstField)
{
    auto details = open(FrmARNew1::layout());
    EXPECT_EQ(focusChain(*details),
              (std::vector<std::string>{"txtReadme", "cmdBrowse", "txtAName", "txtAEmail", "txtAWWW",
                                        "txtCopyright", "cmdCancel", "cmdBack", "cmdNext"}));
    EXPECT_EQ(top(*details)->focusWidget(), child<QWidget>(*details, "txtAName"));

    struct First
    {
        PageLayout (*layout)();
        const char *focus;
    };
    for (const First &f :
         {First{FrmARNew0::layout, "txtPackage"}, First{FrmARNew2::layout, "txtReadmeDelay"}}) {
        auto window = open(f.layout());
        EXPECT_EQ(top(*window)->focusWidget(), child<QWidget>(*window, f.focus)) << f.focus;
    }
}

TEST_F(QtPages, LabelsAreBuddiesOfTheirBoxesAndMnemonicsPressButtons)
{
    auto window = open(FrmARNew0::layout());
    EXPECT_EQ(child<QLabel>(*window, "lblPackage")->buddy(), child<QLineEdit>(*window, "txtPackage"));
    EXPECT_EQ(child<QLabel>(*window, "lblProject")->buddy(), child<QLineEdit>(*window, "txtProject"));
    EXPECT_EQ(child<QPushButton>(*window, "cmdNext")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
    EXPECT_EQ(child<QPushButton>(*window, "cmdCancel")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_C));
}

TEST_F(QtPages, TheAddedFilesListShowsTheEndOfALongPathAndTheWholeOneAsItsTip)
{
    auto window = open(FrmARAddARFiles::layout());
    const std::string deep = "/home/jo/" + std::string(40, 'a') + "/" + std::string(40, 'b') + "/x.ar";
    window->control<ListBox>("lstFile").addItem(deep);
    driver->settle();
    auto *list = child<QListWidget>(*window, "lstFile");
    EXPECT_EQ(list->textElideMode(), Qt::ElideLeft);
    EXPECT_LE(list->visualItemRect(list->item(0)).right(), list->viewport()->width());
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(list->item(0)->toolTip().toStdString(), deep);
}

TEST_F(QtPages, ARealDoubleClickOnTheFileListsSecondRowRaisesDblClickForThatFile)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quernel-qt-file-list";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const char *name : {"bikes.ar", "cars.ar", "city.ar"})
        std::ofstream(folder / name) << "x";

    auto window = open(FrmARAddARFiles::layout());
    auto &files = window->control<FileList>("File1");
    std::string clicked;
    files.DblClick = [&] { clicked = files.fileName(); };
    files.setPath(folder.string());
    driver->settle();
    auto *view = child<platform::FileList>(*window, "File1")->findChild<QAbstractItemView *>();
    ASSERT_NE(view, nullptr);
    const QPoint second = view->visualRect(view->model()->index(1, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    EXPECT_EQ(clicked, "cars.ar");
    std::filesystem::remove_all(folder);
}

TEST_F(QtPages, TheCompletionTextHasRoomOfItsOwn)
{
    auto window = open(FrmARDone::layout());
    auto *text = child<QLabel>(*window, "lblDebug");
    EXPECT_TRUE(text->wordWrap());
    EXPECT_LE(text->heightForWidth(text->width()), text->height());
    for (const char *name : {"txtFolder", "cmdTest", "cmdOpenFolder"}) {
        QWidget *w = child<QWidget>(*window, name);
        EXPECT_FALSE(w->geometry().intersects(text->geometry())) << name;
        EXPECT_LE(w->geometry().bottom(), 272) << name; // above the bottom separator
    }
}

// Real keys, clicks and a frame close on the real pages reach their handlers as on the fake.
TEST_F(QtPages, RealKeysClicksAndCloseReachThePagesHandlers)
{
    FakePlatform files;
    platform::install(&files);
    Vemko::ResetState();
    Vemko::PackageFolder = files.programFolder() + "/My Pack";
    std::filesystem::create_directories(Vemko::PackageFolder);

    FrmARNew2 &appearance = frmARNew2();
    appearance.show();
    auto *delay = child<QLineEdit>(appearance.window(), "txtReadmeDelay");
    delay->selectAll();
    QTest::keyClicks(delay, "1234");
    EXPECT_EQ(appearance.txtReadmeDelay()->text(), "12") << "two characters at the most";
    driver->clickArrow(*appearance.udDelay(), true);
    EXPECT_EQ(appearance.txtReadmeDelay()->text(), "13");
    auto *version2 = qt::QtWindow::widgetOf(*appearance.optMMV(1));
    QTest::mouseClick(version2, Qt::LeftButton, {}, QPoint(8, version2->height() / 2));
    EXPECT_EQ(ReadINI(Vemko::InstallFile(), "install.ini", "mmType", "-"), "2");

    // The frame's close asks the cancel question; No keeps the page.
    driver->answerNextMessageBox(IDNO);
    top(appearance.window())->close();
    driver->settle();
    EXPECT_EQ(driver->lastMessageBoxText(), "Are you sure you want to cancel the creation of '?'");
    EXPECT_TRUE(appearance.isVisible());

    // The locked readme box takes no typing; a click into it says how to pick a readme.
    FrmARNew1 &details = frmARNew1();
    details.show();
    auto *readme = child<QLineEdit>(details.window(), "txtReadme");
    QTest::keyClicks(readme, "typed");
    EXPECT_EQ(details.txtReadme()->text(), "");
    QTest::mouseClick(readme, Qt::LeftButton);
    driver->settle();
    EXPECT_EQ(driver->lastMessageBoxText(), "Use the Browse button to locate the readme file.");

    pages::releaseAll();
    driver->settle();
    platform::install(nullptr);
}
