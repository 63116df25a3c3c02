#include "DirList.h"
#include "FolderListing.h"

#include <sys/stat.h>

#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "TestFolders.h"
#include "TestLists.h"

using namespace browsetest;
using platform::DirList;
using platform::Volume;

namespace {

struct Message
{
    QString title;
    QString text;
};

class DirListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = QFileInfo(m_temp.path()).canonicalFilePath();
        for (const char *name : {"a/b/Zed", "a/b/alpha", "a/b/.hidden", "a/b/Mid", "a/other"})
            makeFolder(m_root, name);
        makeFile(m_root, "a/b/file.txt");
        // The temporary folder plays a volume of its own.
        m_list.setVolumes({{"/", "root", "ext4", ""}, {m_root, "TEMP", "ext4", ""}});
        m_list.setMessageHandler([this](const QString &title, const QString &text) {
            m_messages.push_back({title, text});
        });
        m_list.resize(300, 400);
        m_list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_list));
    }

    QListView *view() const { return m_list.findChild<QListView *>(); }
    int rowOf(const QString &path) const { return int(m_list.entries().indexOf(path)); }

    QTemporaryDir m_temp;
    QString m_root;
    DirList m_list;
    std::vector<Message> m_messages;
};

} // namespace

TEST_F(DirListTest, ShowsChainFromVolumeRootThenSubfoldersSortedHiddenLast)
{
    QSignalSpy changes(&m_list, &DirList::change);
    m_list.setPath(m_root + "/a/b/");

    EXPECT_EQ(m_list.path(), m_root + "/a/b");
    EXPECT_EQ(m_list.volumeRoot(), m_root);
    EXPECT_EQ(m_list.entries(),
              (QStringList{m_root, m_root + "/a", m_root + "/a/b", m_root + "/a/b/alpha", m_root + "/a/b/Mid",
                           m_root + "/a/b/Zed", m_root + "/a/b/.hidden"}));
    const QAbstractItemModel *model = view()->model();
    EXPECT_EQ(model->index(0, 0).data().toString(), m_root);
    EXPECT_EQ(model->index(2, 0).data().toString(), "b");
    EXPECT_EQ(model->index(3, 0).data().toString(), "alpha");
    EXPECT_EQ(view()->currentIndex().row(), 2) << "the current folder is the highlighted one";
    EXPECT_EQ(changes.count(), 1);

    m_list.setPath(m_root + "/a/./b");
    EXPECT_EQ(changes.count(), 1) << "the same folder again is no change";
}

TEST_F(DirListTest, DeeperRowsAreIndentedFurther)
{
    m_list.setPath(m_root + "/a/b");
    // The indent is drawn by the item delegate, which asks for room for it.
    QStyleOptionViewItem option;
    option.initFrom(view());
    const auto width = [&](int row) {
        return view()->itemDelegate()->sizeHint(option, view()->model()->index(row, 0)).width() -
               option.fontMetrics.horizontalAdvance(view()->model()->index(row, 0).data().toString());
    };
    EXPECT_LT(width(0), width(1));
    EXPECT_LT(width(1), width(2));
    EXPECT_LT(width(2), width(3));
    EXPECT_EQ(width(3), width(4)) << "sub-folders share one level";
}

TEST_F(DirListTest, OpeningAnEntryMovesThereAndRaisesChangeOnce)
{
    m_list.setPath(m_root + "/a/b");
    QSignalSpy changes(&m_list, &DirList::change);

    m_list.openEntry(rowOf(m_root + "/a/b/Mid"));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(m_list.path(), m_root + "/a/b/Mid");
    EXPECT_EQ(m_list.entries(), (QStringList{m_root, m_root + "/a", m_root + "/a/b", m_root + "/a/b/Mid"}));

    m_list.openEntry(1);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(m_list.path(), m_root + "/a");
    EXPECT_EQ(m_list.entries(), (QStringList{m_root, m_root + "/a", m_root + "/a/b", m_root + "/a/other"}));

    m_list.openEntry(1); // the current folder itself
    m_list.openEntry(99);
    m_list.openEntry(-1);
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(DirListTest, DoubleClickAndEnterOpenTheEntry)
{
    m_list.setPath(m_root + "/a/b");
    QSignalSpy changes(&m_list, &DirList::change);

    const QRect zed = view()->visualRect(view()->model()->index(rowOf(m_root + "/a/b/Zed"), 0));
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, zed.center());
    EXPECT_EQ(changes.count(), 0) << "a single click only highlights";
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, zed.center());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(m_list.path(), m_root + "/a/b/Zed");

    view()->setFocus();
    view()->setCurrentIndex(view()->model()->index(0, 0));
    QTest::keyClick(view(), Qt::Key_Return);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(m_list.path(), m_root);
    EXPECT_EQ(m_list.entries(), (QStringList{m_root, m_root + "/a"}));
}

TEST_F(DirListTest, TheFocusedListMarksItsRowAndArrowsMoveTheHighlight)
{
    m_list.setPath(m_root + "/a/b");
    QSignalSpy changes(&m_list, &DirList::change);
    focusByTab(view());
    EXPECT_TRUE(showsFocusMark(view(), 2)) << "the current folder";
    QTest::keyClick(view(), Qt::Key_Down);
    EXPECT_EQ(view()->selectionModel()->selectedIndexes().value(0).row(), 3);
    EXPECT_TRUE(showsFocusMark(view(), 3));
    EXPECT_FALSE(showsFocusMark(view(), 2));
    QTest::keyClick(view(), Qt::Key_Up);
    QTest::keyClick(view(), Qt::Key_Up);
    EXPECT_EQ(view()->selectionModel()->selectedIndexes().value(0).row(), 1);
    EXPECT_EQ(changes.count(), 0) << "moving the highlight opens nothing";
    EXPECT_EQ(m_list.path(), m_root + "/a/b");
}

TEST_F(DirListTest, RootOfTheSystemIsPlainSlash)
{
    m_list.setVolumes({{"/", "root", "ext4", ""}});
    m_list.setPath("//");
    EXPECT_EQ(m_list.path(), "/");
    EXPECT_EQ(m_list.volumeRoot(), "/");
    const QStringList entries = m_list.entries();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.first(), "/");
    for (const QString &entry : entries.mid(1)) {
        EXPECT_TRUE(entry.startsWith('/') && !entry.startsWith("//") && entry.count('/') == 1)
            << entry.toStdString();
    }
    EXPECT_EQ(entries.size(), platform::listSubfolders(QStringLiteral("/")).size() + 1);

    m_list.setPath(m_root + "/a");
    EXPECT_EQ(m_list.entries().first(), "/") << "without a volume of its own, the chain starts at /";
    EXPECT_EQ(m_list.entries().at(1), "/" + m_root.section('/', 1, 1));
}

TEST_F(DirListTest, FolderGoneWhenOpenedKeepsThePlaceAndSaysWhy)
{
    m_list.setPath(m_root + "/a");
    const QStringList before = m_list.entries();
    QSignalSpy changes(&m_list, &DirList::change);
    ASSERT_TRUE(QDir(m_root + "/a/other").removeRecursively());

    m_list.openEntry(rowOf(m_root + "/a/other"));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(m_list.path(), m_root + "/a");
    EXPECT_EQ(m_list.entries(), before);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].title, "Quernel 2.0");
    EXPECT_TRUE(m_messages[0].text.contains(m_root + "/a/other")) << m_messages[0].text.toStdString();
    EXPECT_TRUE(m_messages[0].text.contains(reason(ENOENT))) << m_messages[0].text.toStdString();
}

TEST_F(DirListTest, UnreadableFolderKeepsThePlaceAndSaysWhy)
{
    m_list.setPath(m_root + "/a/b");
    const QString locked = m_root + "/a/b/Mid";
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    if (permissionsBypassed(locked)) {
        ::chmod(QFile::encodeName(locked).constData(), 0755);
        GTEST_SKIP() << "this user reads folders whatever their permissions";
    }
    QSignalSpy changes(&m_list, &DirList::change);
    m_list.openEntry(rowOf(locked));
    ::chmod(QFile::encodeName(locked).constData(), 0755);

    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(m_list.path(), m_root + "/a/b");
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_TRUE(m_messages[0].text.contains(reason(EACCES))) << m_messages[0].text.toStdString();
}

TEST(DirListStart, StartsAtTheCurrentFolder)
{
    QTemporaryDir temp;
    const QString here = makeFolder(QFileInfo(temp.path()).canonicalFilePath(), "start/here");
    const CurrentFolder current(here);
    const DirList list;
    EXPECT_EQ(list.path(), here);
    EXPECT_EQ(list.entries().last(), here);
}
