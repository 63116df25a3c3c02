#include "DriveList.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "TestFolders.h"

using namespace browsetest;
using platform::DriveList;

namespace {

class DriveListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        const QString base = QFileInfo(m_temp.path()).canonicalFilePath();
        m_one = makeFolder(base, "one");
        m_two = makeFolder(base, "two");
        makeFolder(m_one, "a/b");
        m_list.setVolumes({{"/", "root", "ext4", "/dev/sda1"},
                           {m_one, "ONE", "ext4", "/dev/sdb1"},
                           {m_two, "TWO", "vfat", "/dev/sdc1"},
                           {base + "/no-medium", "CDROM", "iso9660", "/dev/sr0"}});
        m_list.setMessageHandler(
            [this](const QString &title, const QString &text) { m_messages.append(title + "|" + text); });
        m_list.setDrive("/");
        m_list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_list));
    }

    QComboBox *combo() const { return m_list.findChild<QComboBox *>(); }

    QTemporaryDir m_temp;
    QString m_one;
    QString m_two;
    DriveList m_list;
    QStringList m_messages;
};

} // namespace

TEST_F(DriveListTest, ShowsEachVolumeByMountPointAndLabel)
{
    ASSERT_EQ(combo()->count(), 4);
    EXPECT_EQ(combo()->itemText(0), "/  [root]");
    EXPECT_EQ(combo()->itemText(1), m_one + "  [ONE]");
    EXPECT_EQ(combo()->currentText(), "/  [root]");
}

TEST_F(DriveListTest, PickingAnotherVolumeRaisesChange)
{
    QSignalSpy changes(&m_list, &DriveList::change);
    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Down);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(m_list.drive(), m_one);

    QTest::keyClick(combo(), Qt::Key_Down);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(m_list.drive(), m_two);
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(DriveListTest, SetDriveTakesTheVolumeOfAnyFolderOnIt)
{
    QSignalSpy changes(&m_list, &DriveList::change);
    m_list.setDrive(m_one + "/a/b");
    EXPECT_EQ(m_list.drive(), m_one);
    EXPECT_EQ(combo()->currentIndex(), 1);
    EXPECT_EQ(changes.count(), 1);

    m_list.setDrive(m_one);
    EXPECT_EQ(changes.count(), 1) << "the same volume again is no change";
}

TEST_F(DriveListTest, UnreadableVolumeReturnsToThePreviousOneAndSaysWhy)
{
    m_list.setDrive(m_two);
    QSignalSpy changes(&m_list, &DriveList::change);
    combo()->setFocus();
    QTest::keyClick(combo(), Qt::Key_Down); // onto the volume without a medium

    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(m_list.drive(), m_two);
    EXPECT_EQ(combo()->currentIndex(), 2);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith("Quernel 2.0|")) << m_messages[0].toStdString();
    EXPECT_TRUE(m_messages[0].contains(m_list.volumes().at(3).mountPoint)) << m_messages[0].toStdString();
    EXPECT_TRUE(m_messages[0].contains(reason(ENOENT))) << m_messages[0].toStdString();
}

TEST_F(DriveListTest, RemembersTheLastFolderVisitedOnEachVolume)
{
    EXPECT_EQ(m_list.lastFolderOn(m_one), m_one) << "a volume not visited yet opens at its root";

    m_list.rememberFolder(m_one + "/a/b/");
    m_list.rememberFolder(m_two);
    EXPECT_EQ(m_list.lastFolderOn(m_one), m_one + "/a/b");
    EXPECT_EQ(m_list.lastFolderOn(m_two), m_two);

    m_list.rememberFolder(m_one + "/a");
    EXPECT_EQ(m_list.lastFolderOn(m_one), m_one + "/a");

    m_list.rememberFolder(m_one + "/a/b");
    ASSERT_TRUE(QDir(m_one + "/a/b").removeRecursively());
    EXPECT_EQ(m_list.lastFolderOn(m_one), m_one + "/a") << "a folder gone since falls back to its parent";
}

TEST_F(DriveListTest, FollowsTheFolderBrowsedOntoAnotherVolumeWithoutChange)
{
    QSignalSpy changes(&m_list, &DriveList::change);
    m_list.rememberFolder(m_one + "/a");
    EXPECT_EQ(m_list.drive(), m_one);
    EXPECT_EQ(combo()->currentIndex(), 1);
    EXPECT_EQ(changes.count(), 0);

    m_list.setDrive("/");
    EXPECT_EQ(changes.count(), 1) << "the volume left behind can be picked again";
    EXPECT_EQ(m_list.lastFolderOn(m_one), m_one + "/a");
}

TEST(DriveListStart, StartsOnTheVolumeOfTheCurrentFolderAndRemembersIt)
{
    QTemporaryDir temp;
    const QString here = makeFolder(QFileInfo(temp.path()).canonicalFilePath(), "start");
    const CurrentFolder current(here);
    const DriveList list;
    EXPECT_EQ(list.drive(), platform::volumeOf(here, platform::browsableVolumes()));
    EXPECT_EQ(list.lastFolderOn(list.drive()), here);
    EXPECT_TRUE(list.findChild<QComboBox *>()->currentText().startsWith(list.drive() + "  ["));
}
