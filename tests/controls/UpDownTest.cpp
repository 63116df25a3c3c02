#include "UpDown.h"

#include <climits>
#include <ostream>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using platform::UpDown;

QT_BEGIN_NAMESPACE
// Readable failure messages for texts.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// The readme delay of the appearance page: a 2-character box with arrows for
// 10..99, loaded with 30.
class UpDownTest : public ::testing::Test
{
protected:
    UpDownTest()
    {
        box = new QLineEdit(&window);
        box->setMaxLength(2);
        box->setGeometry(10, 10, 40, 21);
        spin = new UpDown(&window);
        spin->setGeometry(50, 10, 16, 21);
        spin->setBuddy(box);
        spin->setRange(10, 99);
        spin->setIncrement(1);
        spin->setValue(30);
        box->setText(QStringLiteral("30"));
        window.resize(100, 50);
        window.show();
    }

    void clickUp(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(spin->upButton(), Qt::LeftButton);
    }
    void clickDown(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(spin->downButton(), Qt::LeftButton);
    }

    QWidget window;
    QLineEdit *box = nullptr;
    UpDown *spin = nullptr;
};

} // namespace

TEST_F(UpDownTest, SettingTheValueLeavesTheBuddyAlone)
{
    EXPECT_EQ(spin->value(), 30);
    spin->setValue(50);
    EXPECT_EQ(spin->value(), 50);
    EXPECT_EQ(box->text(), "30");
}

TEST_F(UpDownTest, ArrowsAreStackedUpAboveDown)
{
    const QRect up = spin->upButton()->geometry();
    const QRect down = spin->downButton()->geometry();
    EXPECT_EQ(up.top(), 0);
    EXPECT_EQ(down.top(), up.bottom() + 1);
    EXPECT_EQ(down.bottom(), spin->height() - 1);
    EXPECT_EQ(up.width(), spin->width());
    EXPECT_TRUE(spin->upButton()->autoRepeat());
    EXPECT_TRUE(spin->downButton()->autoRepeat());
}

TEST_F(UpDownTest, OneUpClickWritesTheNextValue)
{
    QSignalSpy changed(spin, &UpDown::valueChanged);
    clickUp();
    EXPECT_EQ(box->text(), "31");
    EXPECT_EQ(spin->value(), 31);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 31);
}

TEST_F(UpDownTest, ArrowsStopAtTheEndsOfTheRange)
{
    clickUp(68);
    EXPECT_EQ(box->text(), "98");
    clickUp();
    EXPECT_EQ(box->text(), "99");
    QSignalSpy changed(spin, &UpDown::valueChanged);
    clickUp(3);
    EXPECT_EQ(box->text(), "99");
    EXPECT_EQ(changed.count(), 0);

    clickDown(88);
    EXPECT_EQ(box->text(), "11");
    clickDown(5);
    EXPECT_EQ(box->text(), "10");
    EXPECT_EQ(spin->value(), 10);
}

TEST_F(UpDownTest, TypedWholeNumberIsClampedThenStepped)
{
    struct Row
    {
        const char *typed;
        bool up;
        const char *expected;
    };
    const Row rows[] = {
        {"5", true, "11"},  {"5", false, "10"},  {"50", true, "51"},   {"50", false, "49"},
        {"-7", true, "11"}, {" 42", true, "43"}, {"+20", false, "19"}, {"99", true, "99"},
    };
    box->setMaxLength(8); // room for the blank and the sign
    for (const Row &row : rows) {
        box->setText(QString::fromLatin1(row.typed));
        row.up ? clickUp() : clickDown();
        EXPECT_EQ(box->text(), row.expected) << "typed '" << row.typed << "' " << (row.up ? "up" : "down");
        EXPECT_EQ(spin->value(), box->text().toInt());
    }
}

TEST_F(UpDownTest, TypedOutOfRangeBeyondTheBoxIsClampedToo)
{
    box->setMaxLength(32767);
    box->setText(QStringLiteral("150"));
    clickDown();
    EXPECT_EQ(box->text(), "98");
    box->setText(QStringLiteral("99999999999999")); // beyond int
    clickDown();
    EXPECT_EQ(box->text(), "98");
}

TEST_F(UpDownTest, TextThatIsNoWholeNumberContinuesFromTheLastValue)
{
    clickUp(); // 31
    for (const char *typed : {"abc", "", "3.5", "1e"}) {
        box->setText(QString::fromLatin1(typed));
        const int before = spin->value();
        clickUp();
        EXPECT_EQ(box->text(), QString::number(before + 1)) << "typed '" << typed << "'";
    }
    box->setText(QStringLiteral("x"));
    clickDown();
    EXPECT_EQ(box->text(), "34");
}

TEST_F(UpDownTest, ArrowKeysInTheBuddyStep)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->text(), "31");
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->text(), "29");
    // Other keys still type.
    box->selectAll();
    QTest::keyClicks(box, "77");
    EXPECT_EQ(box->text(), "77");
}

TEST_F(UpDownTest, IncrementAndRangeRules)
{
    spin->setIncrement(5);
    clickUp();
    EXPECT_EQ(box->text(), "35");
    spin->setValue(97);
    box->setText(QStringLiteral("97"));
    clickUp();
    EXPECT_EQ(box->text(), "99");

    spin->setIncrement(0);
    EXPECT_EQ(spin->increment(), 1);

    spin->setRange(50, 20);
    EXPECT_EQ(spin->minimum(), 50);
    EXPECT_EQ(spin->maximum(), 50);
    EXPECT_EQ(spin->value(), 50);
    spin->setRange(INT_MIN, INT_MAX);
    spin->setValue(INT_MAX);
    box->setText(QString());
    clickUp();
    EXPECT_EQ(spin->value(), INT_MAX);
}

TEST_F(UpDownTest, StepsWithoutABuddy)
{
    delete box;
    box = nullptr;
    EXPECT_EQ(spin->buddy(), nullptr);
    clickUp();
    EXPECT_EQ(spin->value(), 31);
    spin->stepDown();
    EXPECT_EQ(spin->value(), 30);
}
