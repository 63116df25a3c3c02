#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

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
    PageWindow &w = page.window();
    EXPECT_EQ(w.windowTitle(), "Quernel 2.0");
    EXPECT_EQ(w.size(), QSize(456, 323));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()); // fixed border
    EXPECT_EQ(w.lblBanner->text(), "Create Package Folder");
    EXPECT_EQ(w.lblBanner->font().family(), "Times New Roman");
    EXPECT_EQ(w.cmdCancel->text(), "&Cancel");
    EXPECT_EQ(w.cmdBack->text(), "<< &Back");
    EXPECT_EQ(w.cmdNext->text(), "&Next >>");
    EXPECT_FALSE(w.cmdBack->isEnabled());
    EXPECT_TRUE(w.cmdNext->isEnabled());
    for (QPushButton *b : w.findChildren<QPushButton *>()) {
        EXPECT_FALSE(b->isDefault()) << b->objectName().toStdString();
        EXPECT_FALSE(b->autoDefault()) << b->objectName().toStdString();
    }
    ASSERT_NE(w.findChild<QWidget *>("Picture1"), nullptr);
    ASSERT_NE(w.findChild<QWidget *>("fraTopBorder"), nullptr);
    ASSERT_NE(w.findChild<QWidget *>("fraBottomBorder"), nullptr);

    PageWindow &details = frmARNew1().window();
    EXPECT_EQ(details.cmdCancel->geometry(), w.cmdCancel->geometry());
    EXPECT_EQ(details.cmdBack->geometry(), w.cmdBack->geometry());
    EXPECT_EQ(details.cmdNext->geometry(), w.cmdNext->geometry());
}

TEST_F(PageTemplate, TabRunsThroughRowsThenBottomRowAndFocusStartsOnFirstField)
{
    FrmARNew1 &page = frmARNew1();
    page.show();
    PageWindow &w = page.window();
    QStringList order;
    QWidget *start = w.findChild<QWidget *>("txtReadme");
    QWidget *x = start;
    do {
        order << x->objectName();
        x = x->nextInFocusChain();
        while (!(x->focusPolicy() & Qt::TabFocus))
            x = x->nextInFocusChain();
    } while (x != start);
    EXPECT_EQ(order, (QStringList{"txtReadme", "cmdBrowse", "txtAName", "txtAEmail", "txtAWWW",
                                  "txtCopyright", "cmdCancel", "cmdBack", "cmdNext"}));
    EXPECT_EQ(w.focusWidget(), page.txtAName()); // the first field the author can type into
}

TEST_F(PageTemplate, LabelsAreBuddiesOfTheirBoxesAndMnemonicsPressButtons)
{
    FrmARNew0 &page = frmARNew0();
    page.show();
    PageWindow &w = page.window();
    EXPECT_EQ(w.findChild<QLabel *>("lblPackage")->buddy(), page.txtPackage());
    EXPECT_EQ(w.findChild<QLabel *>("lblProject")->buddy(), page.txtProject());
    EXPECT_EQ(w.cmdNext->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
    EXPECT_EQ(w.cmdCancel->shortcut(), QKeySequence(Qt::ALT | Qt::Key_C));
}
