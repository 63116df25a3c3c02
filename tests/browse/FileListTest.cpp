#include "FileList.h"

#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "TestFolders.h"
#include "TestLists.h"

using namespace browsetest;
using platform::FileList;

namespace {

class FileListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_folder = QFileInfo(m_temp.path()).canonicalFilePath();
        for (const char *name :
             {"README.TXT", "notes.Rtf", "readme.doc", "readme.txt.bak", ".secret.txt", "a.txt"})
            makeFile(m_folder, name);
        makeFolder(m_folder, "folder.txt");
        m_list.setMessageHandler(
            [this](const QString &title, const QString &text) { m_messages.append(title + "|" + text); });
        m_list.setPattern("*.rtf;*.txt");
        m_list.setPath(m_folder);
        m_list.resize(300, 300);
        m_list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_list));
    }

    QListView *view() const { return m_list.findChild<QListView *>(); }
    QPoint centreOf(const QString &name) const
    {
        return view()->visualRect(view()->model()->index(int(m_list.files().indexOf(name)), 0)).center();
    }

    QTemporaryDir m_temp;
    QString m_folder;
    FileList m_list;
    QStringList m_messages;
};

} // namespace

TEST_F(FileListTest, ListsMatchingFilesWithNothingSelected)
{
    EXPECT_EQ(m_list.path(), m_folder);
    EXPECT_EQ(m_list.pattern(), "*.rtf;*.txt");
    EXPECT_EQ(m_list.files(), (QStringList{"a.txt", "notes.Rtf", "README.TXT"}));
    EXPECT_EQ(view()->model()->index(1, 0).data().toString(), "notes.Rtf");
    EXPECT_TRUE(m_list.fileName().isEmpty());

    m_list.setPattern("*.DOC");
    EXPECT_EQ(m_list.files(), QStringList{"readme.doc"});
}

TEST_F(FileListTest, ClickSelectsAndRaisesClickOnly)
{
    QSignalSpy clicks(&m_list, &FileList::click);
    QSignalSpy doubleClicks(&m_list, &FileList::dblClick);

    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, centreOf("notes.Rtf"));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(doubleClicks.count(), 0);
    EXPECT_EQ(m_list.fileName(), "notes.Rtf");

    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, centreOf("README.TXT"));
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(m_list.fileName(), "README.TXT");

    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, QPoint(5, view()->viewport()->height() - 3));
    EXPECT_EQ(m_list.fileName(), "README.TXT") << "a click below the last file leaves the selection";
}

TEST_F(FileListTest, DoubleClickRaisesDblClickOnTheSelectedFile)
{
    QSignalSpy clicks(&m_list, &FileList::click);
    QSignalSpy doubleClicks(&m_list, &FileList::dblClick);

    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, centreOf("a.txt"));
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, centreOf("a.txt"));
    EXPECT_EQ(doubleClicks.count(), 1);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(m_list.fileName(), "a.txt");
}

TEST_F(FileListTest, KeyboardMovesTheSelectionAndEnterActsAsDoubleClick)
{
    QSignalSpy clicks(&m_list, &FileList::click);
    QSignalSpy doubleClicks(&m_list, &FileList::dblClick);
    view()->setFocus();

    QTest::keyClick(view(), Qt::Key_Return);
    EXPECT_EQ(doubleClicks.count(), 0) << "Enter with nothing selected does nothing";

    QTest::keyClick(view(), Qt::Key_Down);
    const int afterFirstMove = int(clicks.count());
    EXPECT_GE(afterFirstMove, 1);
    QTest::keyClick(view(), Qt::Key_End);
    EXPECT_EQ(clicks.count(), afterFirstMove + 1);
    EXPECT_EQ(m_list.fileName(), "README.TXT");

    QTest::keyClick(view(), Qt::Key_Return);
    EXPECT_EQ(doubleClicks.count(), 1);
}

TEST_F(FileListTest, TheFocusedListMarksItsRowAndTheFirstArrowSelectsIt)
{
    focusByTab(view());
    EXPECT_TRUE(m_list.fileName().isEmpty());
    EXPECT_TRUE(showsFocusMark(view(), 0)) << "the row the arrows start from";
    QTest::keyClick(view(), Qt::Key_Down);
    EXPECT_EQ(m_list.fileName(), "a.txt");
    EXPECT_TRUE(showsFocusMark(view(), 0));
    QTest::keyClick(view(), Qt::Key_Down);
    EXPECT_EQ(m_list.fileName(), "notes.Rtf");
    EXPECT_TRUE(showsFocusMark(view(), 1));
    EXPECT_FALSE(showsFocusMark(view(), 0));
    QTest::keyClick(view(), Qt::Key_Up);
    EXPECT_EQ(m_list.fileName(), "a.txt");

    view()->clearFocus();
    EXPECT_FALSE(showsFocusMark(view(), 0)) << "no mark without the focus";
}

TEST_F(FileListTest, SetFileNameSelectsLikeAClick)
{
    QSignalSpy clicks(&m_list, &FileList::click);
    m_list.setFileName("README.TXT");
    EXPECT_EQ(m_list.fileName(), "README.TXT");
    EXPECT_EQ(clicks.count(), 1);

    m_list.setFileName("README.TXT");
    EXPECT_EQ(clicks.count(), 1) << "the same file again is no change";

    m_list.setFileName("readme.txt");
    EXPECT_TRUE(m_list.fileName().isEmpty()) << "names are matched exactly";
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(FileListTest, NewPathOrPatternRelistsWithNothingSelected)
{
    QSignalSpy clicks(&m_list, &FileList::click);
    m_list.setFileName("a.txt");
    makeFile(m_folder, "b.txt");

    m_list.setPath(m_folder);
    EXPECT_TRUE(m_list.fileName().isEmpty());
    EXPECT_EQ(m_list.files(), (QStringList{"a.txt", "b.txt", "notes.Rtf", "README.TXT"}));

    m_list.setFileName("b.txt");
    m_list.setPattern("*.txt");
    EXPECT_TRUE(m_list.fileName().isEmpty());
    EXPECT_EQ(clicks.count(), 2) << "only the two selections raised click";

    const QString sub = makeFolder(m_folder, "sub");
    makeFile(sub, "inner.TXT");
    m_list.setPath(sub + "/");
    EXPECT_EQ(m_list.path(), sub);
    EXPECT_EQ(m_list.files(), QStringList{"inner.TXT"});
}

TEST_F(FileListTest, UnreadableFolderKeepsTheListAndSaysWhy)
{
    m_list.setFileName("a.txt");
    m_list.setPath(m_folder + "/missing");
    EXPECT_EQ(m_list.path(), m_folder);
    EXPECT_EQ(m_list.files(), (QStringList{"a.txt", "notes.Rtf", "README.TXT"}));
    EXPECT_EQ(m_list.fileName(), "a.txt");
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith("Quernel 2.0|"));
    EXPECT_TRUE(m_messages[0].contains(m_folder + "/missing"));
    EXPECT_TRUE(m_messages[0].contains(reason(ENOENT)));
}

TEST(FileListStart, StartsAtTheCurrentFolderWithEveryFileAndNoSelection)
{
    QTemporaryDir temp;
    const QString here = makeFolder(QFileInfo(temp.path()).canonicalFilePath(), "start");
    makeFile(here, "Makefile");
    makeFile(here, "city.ar");
    const CurrentFolder current(here);
    const FileList list;
    EXPECT_EQ(list.path(), here);
    EXPECT_EQ(list.pattern(), "*.*");
    EXPECT_EQ(list.files(), (QStringList{"city.ar", "Makefile"}));
    EXPECT_TRUE(list.fileName().isEmpty());
}
