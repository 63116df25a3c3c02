// The animation control as the creation page uses it: open a clip, play it in a loop
// while shown, draw it centred on the window's own colour.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "Animation.h"
#include "AviWriter.h"
#include "FilecopyClip.h"

using namespace clipmaker;
using platform::Animation;

namespace {

class AnimationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_clip = drawFilecopyClip();
        m_path = m_dir.filePath("filecopy.avi");
        QFile file(m_path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(filecopyAvi(m_clip));
    }

    // What the control should show of frame `index` at `offset`: the clip's colours,
    // and the window's colour wherever the clip has its background grey.
    void expectShows(Animation &animation, int index, QPoint offset)
    {
        const QImage shot = animation.grab().toImage();
        const QRgb window = animation.palette().color(QPalette::Window).rgb();
        const IndexedImage &frame = m_clip.frames[std::size_t(index)];
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const int cx = x - offset.x();
                const int cy = y - offset.y();
                QRgb expected = window;
                if (cx >= 0 && cy >= 0 && cx < frame.width && cy < frame.height && frame.at(cx, cy) != 0)
                    expected = 0xff000000u | m_clip.palette[frame.at(cx, cy)];
                ASSERT_EQ(shot.pixel(x, y), expected) << "frame " << index << " at " << x << "," << y;
            }
        }
    }

    QTemporaryDir m_dir;
    FilecopyClip m_clip;
    QString m_path;
};

} // namespace

TEST_F(AnimationTest, OpensAndPlaysInALoopAtTheClipsRate)
{
    Animation animation;
    animation.show();
    ASSERT_TRUE(animation.open(m_path));
    EXPECT_TRUE(animation.isOpen());
    EXPECT_TRUE(animation.isPlaying());
    EXPECT_EQ(animation.frameCount(), 20);
    EXPECT_EQ(animation.frameInterval(), 83);
    EXPECT_EQ(animation.sizeHint(), QSize(272, 60));
    EXPECT_EQ(animation.currentFrame(), 0);

    for (int i = 1; i < 20; ++i) {
        animation.advanceFrame();
        EXPECT_EQ(animation.currentFrame(), i);
    }
    animation.advanceFrame();
    EXPECT_EQ(animation.currentFrame(), 0);

    // And the timer moves it by itself.
    QTRY_VERIFY_WITH_TIMEOUT(animation.currentFrame() >= 2, 5000);
}

TEST_F(AnimationTest, DrawsTheFrameCentredOnTheWindowColour)
{
    Animation animation;
    animation.resize(372, 100);
    ASSERT_TRUE(animation.open(m_path));
    expectShows(animation, 0, {50, 20});
    for (int i = 0; i < 7; ++i)
        animation.advanceFrame();
    expectShows(animation, 7, {50, 20});

    animation.resize(272, 60);
    animation.advanceFrame();
    expectShows(animation, 8, {0, 0});
}

TEST_F(AnimationTest, TheTimerRunsOnlyWhileShown)
{
    Animation animation;
    ASSERT_TRUE(animation.open(m_path)); // opened before the page is shown, as a page's load does
    EXPECT_FALSE(animation.isPlaying());
    animation.show();
    EXPECT_TRUE(animation.isPlaying());
    animation.hide();
    EXPECT_FALSE(animation.isPlaying());
    animation.show();
    EXPECT_TRUE(animation.isPlaying());
    animation.close();
    EXPECT_FALSE(animation.isPlaying());
    EXPECT_FALSE(animation.isOpen());
    animation.hide();
    animation.show();
    EXPECT_FALSE(animation.isPlaying());
}

TEST_F(AnimationTest, AStoppedClipHoldsItsFrameUntilPlayedOrOpenedAgain)
{
    Animation animation;
    ASSERT_TRUE(animation.open(m_path));
    animation.show();
    animation.advanceFrame();
    animation.stop();
    EXPECT_FALSE(animation.isPlaying());
    EXPECT_EQ(animation.currentFrame(), 1);
    animation.hide();
    animation.show(); // showing again does not restart a stopped clip
    EXPECT_FALSE(animation.isPlaying());
    animation.play();
    EXPECT_TRUE(animation.isPlaying());
    EXPECT_EQ(animation.currentFrame(), 1);
    animation.stop();
    ASSERT_TRUE(animation.open(m_path));
    EXPECT_TRUE(animation.isPlaying());
    animation.close();
    animation.play(); // nothing open: nothing to play
    EXPECT_FALSE(animation.isPlaying());
}

TEST_F(AnimationTest, AClipThatCannotBeReadLeavesTheControlEmpty)
{
    QFile damaged(m_dir.filePath("damaged.avi"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(filecopyAvi(m_clip).left(1000));
    damaged.close();

    for (const QString &path : {m_dir.filePath("missing.avi"), damaged.fileName()}) {
        Animation animation;
        animation.resize(272, 60);
        animation.show();
        ASSERT_TRUE(animation.open(m_path)); // a clip that played before is gone afterwards
        QString error;
        EXPECT_FALSE(animation.open(path, &error));
        EXPECT_TRUE(error.startsWith(QDir::toNativeSeparators(path) + ": ")) << error.toStdString();
        EXPECT_FALSE(animation.isOpen());
        EXPECT_FALSE(animation.isPlaying());
        EXPECT_EQ(animation.frameCount(), 0);
        animation.advanceFrame();
        EXPECT_EQ(animation.currentFrame(), 0);

        const QImage shot = animation.grab().toImage();
        const QRgb window = animation.palette().color(QPalette::Window).rgb();
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                ASSERT_EQ(shot.pixel(x, y), window) << x << "," << y;
    }
}
