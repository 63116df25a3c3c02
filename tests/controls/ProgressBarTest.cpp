#include "ProgressBar.h"

#include <climits>

#include <gtest/gtest.h>

#include <QImage>
#include <QPalette>
#include <QSignalSpy>

using platform::ProgressBar;

namespace {

// Colours no style would pick, so every pixel tells which part drew it.
const QColor Base(20, 200, 20);
const QColor Button(200, 200, 20);
const QColor Highlight(20, 20, 220);
const QColor Dark(100, 0, 0);
const QColor Light(255, 170, 170);

class ProgressBarPaint : public ::testing::Test
{
protected:
    ProgressBarPaint()
    {
        QPalette palette;
        palette.setColor(QPalette::Base, Base);
        palette.setColor(QPalette::Button, Button);
        palette.setColor(QPalette::Highlight, Highlight);
        palette.setColor(QPalette::Dark, Dark);
        palette.setColor(QPalette::Light, Light);
        bar.setPalette(palette);
        bar.resize(200, 17);
    }

    QImage image() { return bar.grab().toImage(); }

    // The colour of each column along the middle row of the bar.
    QList<QColor> middleRow()
    {
        const QImage img = image();
        QList<QColor> row;
        for (int x = 0; x < img.width(); ++x)
            row.append(img.pixelColor(x, img.height() / 2));
        return row;
    }

    static int filledColumns(const QList<QColor> &row) { return int(row.count(Highlight)); }

    ProgressBar bar;
};

} // namespace

TEST(ProgressBar, StartsWithTheStandardLook)
{
    ProgressBar bar;
    EXPECT_EQ(bar.min(), 0);
    EXPECT_EQ(bar.max(), 100);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_FALSE(bar.smooth());
    EXPECT_EQ(bar.borderStyle(), 0);
    EXPECT_EQ(bar.backColor(), ProgressBar::SystemButtonFace);
}

TEST(ProgressBar, PropertiesReadBackAsSet)
{
    ProgressBar bar;
    bar.setMin(-5);
    bar.setMax(250);
    bar.setValue(42);
    bar.setSmooth(true);
    bar.setBorderStyle(1);
    bar.setBackColor(0x00123456);
    EXPECT_EQ(bar.min(), -5);
    EXPECT_EQ(bar.max(), 250);
    EXPECT_EQ(bar.value(), 42);
    EXPECT_TRUE(bar.smooth());
    EXPECT_EQ(bar.borderStyle(), 1);
    EXPECT_EQ(bar.backColor(), 0x00123456u);

    // An inverted range is kept as given: the caller may be halfway through setting it.
    bar.setMin(9);
    bar.setMax(3);
    EXPECT_EQ(bar.min(), 9);
    EXPECT_EQ(bar.max(), 3);
}

TEST(ProgressBar, ValueIsClampedIntoTheRange)
{
    struct Row
    {
        int min, max, set, expected;
    };
    const Row rows[] = {
        {0, 10, -3, 0},
        {0, 10, 11, 10},
        {0, 10, 7, 7},
        {-20, -10, 0, -10},
        {-20, -10, -30, -20},
        {5, 5, 9, 5},
        {10, 0, 5, 10},
        {10, 0, -1, 10},
        {INT_MIN, INT_MAX, 0, 0},
        {INT_MIN, INT_MAX, INT_MAX, INT_MAX},
    };
    for (const Row &row : rows) {
        ProgressBar bar;
        bar.setMin(row.min);
        bar.setMax(row.max);
        bar.setValue(row.set);
        EXPECT_EQ(bar.value(), row.expected) << row.min << ".." << row.max << " set " << row.set;
    }
}

TEST(ProgressBar, SignalsOnlyRealChanges)
{
    ProgressBar bar;
    bar.setMax(10);
    QSignalSpy changed(&bar, &ProgressBar::valueChanged);
    bar.setValue(3);
    bar.setValue(3);
    bar.setValue(50); // clamped to 10
    bar.setValue(11); // still 10
    bar.setMax(5);    // shrinking the range pulls the value in
    bar.setMin(6);    // inverted: only min is left
    const QList<int> expected{3, 10, 5, 6};
    QList<int> seen;
    for (const QList<QVariant> &args : changed)
        seen.append(args.at(0).toInt());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(bar.value(), 6);
}

TEST_F(ProgressBarPaint, DegenerateRangesPaintWithoutFill)
{
    struct Row
    {
        int min, max, value;
    };
    const Row rows[] = {{0, 0, 0}, {7, 7, 7}, {10, 0, 5}, {0, -1, 0}, {INT_MAX, INT_MIN, 0}};
    for (bool smooth : {false, true}) {
        bar.setSmooth(smooth);
        for (const Row &row : rows) {
            bar.setMin(row.min);
            bar.setMax(row.max);
            bar.setValue(row.value);
            EXPECT_EQ(filledColumns(middleRow()), 0) << row.min << ".." << row.max;
        }
    }
}

TEST_F(ProgressBarPaint, FillFollowsTheValueInAnyRange)
{
    bar.setSmooth(true);
    const int area = bar.width() - 2; // 1-pixel padding on each side, no border
    struct Row
    {
        int min, max, value, expected;
    };
    const Row rows[] = {
        {0, 100, 0, 0},         {0, 100, 100, area},
        {0, 100, 50, area / 2}, {-100, -50, -75, area / 2},
        {-10, 10, 0, area / 2}, {INT_MIN, INT_MAX, INT_MAX, area},
        {0, 3, 1, area / 3},
    };
    for (const Row &row : rows) {
        bar.setMin(row.min);
        bar.setMax(row.max);
        bar.setValue(row.value);
        EXPECT_EQ(filledColumns(middleRow()), row.expected)
            << row.min << ".." << row.max << " = " << row.value;
    }
}

TEST_F(ProgressBarPaint, StandardStyleDrawsBlocksWithGaps)
{
    bar.setValue(60);
    const QList<QColor> row = middleRow();
    const int block = bar.blockWidth();
    EXPECT_EQ(block, (bar.height() - 2) * 2 / 3);

    // From the first filled column: block, gap of background, block, ...
    const int first = int(row.indexOf(Highlight));
    ASSERT_EQ(first, 1);
    for (int x = first; x < first + 3 * (block + ProgressBar::BlockGap); ++x) {
        const bool inBlock = (x - first) % (block + ProgressBar::BlockGap) < block;
        EXPECT_EQ(row[x], inBlock ? Highlight : Button) << "column " << x;
    }
}

TEST_F(ProgressBarPaint, SmoothStyleHasNoGaps)
{
    bar.setSmooth(true);
    bar.setValue(60);
    const QList<QColor> row = middleRow();
    const int first = int(row.indexOf(Highlight));
    const int last = int(row.lastIndexOf(Highlight));
    ASSERT_GE(first, 0);
    for (int x = first; x <= last; ++x)
        EXPECT_EQ(row[x], Highlight) << "column " << x;
}

TEST_F(ProgressBarPaint, FullBarReachesTheEndInBothStyles)
{
    for (int width : {200, 201, 202, 203, 50, 11}) {
        bar.resize(width, 17);
        bar.setValue(bar.max());
        for (bool smooth : {false, true}) {
            bar.setSmooth(smooth);
            const QList<QColor> row = middleRow();
            EXPECT_EQ(row[width - 2], Highlight) << "width " << width << " smooth " << smooth;
            EXPECT_EQ(row[width - 1], Button) << "width " << width << " smooth " << smooth;
        }
        bar.setValue(0);
        EXPECT_EQ(filledColumns(middleRow()), 0);
    }
}

TEST_F(ProgressBarPaint, BorderStyleOneDrawsASunkenLine)
{
    bar.setValue(100);
    bar.setBorderStyle(0);
    QImage img = image();
    EXPECT_EQ(img.pixelColor(0, 0), Button);
    EXPECT_EQ(img.pixelColor(0, 8), Button);
    EXPECT_EQ(img.pixelColor(199, 16), Button);

    bar.setBorderStyle(1);
    img = image();
    EXPECT_EQ(img.pixelColor(0, 8), Dark);
    EXPECT_EQ(img.pixelColor(100, 0), Dark);
    EXPECT_EQ(img.pixelColor(199, 8), Light);
    EXPECT_EQ(img.pixelColor(100, 16), Light);
    // Inside the border, the padding and then the fill.
    EXPECT_EQ(img.pixelColor(1, 8), Button);
    EXPECT_EQ(img.pixelColor(2, 8), Highlight);
    EXPECT_EQ(img.pixelColor(197, 8), Highlight);
}

TEST_F(ProgressBarPaint, BackColorMapsSystemColoursToThePalette)
{
    struct Row
    {
        quint32 code;
        QColor expected;
    };
    const Row rows[] = {
        {ProgressBar::SystemWindowBackground, Base},
        {ProgressBar::SystemButtonFace, Button},
        {0x00FF8040, QColor(0x40, 0x80, 0xFF)},
        {0x00000000, QColor(0, 0, 0)},
    };
    bar.setValue(0);
    for (const Row &row : rows) {
        bar.setBackColor(row.code);
        EXPECT_EQ(image().pixelColor(100, 8), row.expected) << Qt::hex << row.code;
    }
}
