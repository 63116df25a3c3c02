#include "FolderListing.h"

#include <sys/stat.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestFolders.h"

using namespace browsetest;

TEST(NamePatterns, MatchWholeNamesWithoutRegardToCase)
{
    struct Row
    {
        const char *patterns;
        const char *name;
        bool matches;
    };
    const Row rows[] = {
        {"*.rtf;*.txt", "README.TXT", true},
        {"*.rtf;*.txt", "notes.Rtf", true},
        {"*.rtf;*.txt", "readme.doc", false},
        {"*.rtf;*.txt", "readme.txt.bak", false},
        {"*.rtf;*.txt", "txt", false},
        {"*.rtf;*.txt", "readme.txt ", false},
        {" *.rtf ; *.txt ", "a.RTF", true},
        {"*.ar", "CITY.AR", true},
        {"*.ar", "city.ar.bak", false},
        {"*.ar", "car", false},
        {"*.ar", "x.ar", true},
        {"", "anything", true},
        {";;", "anything", true},
        {"*", "Makefile", true},
        {"*.*", "Makefile", true},
        {"readme.txt", "README.TXT", true},
        {"readme.txt", "readme.txt.bak", false},
        {"read??.*", "readme.txt", true},
        {"read??.*", "read.txt", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "abc", true},
        {"a*b*c", "aXXbYY", false},
        {"a*b*c", "aXcXbXc", true},
        {"*.tx?", "a.TXT", true},
        {"*.tx?", "a.tx", false},
        {"city*", "CITY.ar", true},
        {"*.\u00c4R", "x.\u00e4r", true},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(
            platform::NamePatterns(QString::fromUtf8(row.patterns)).matches(QString::fromUtf8(row.name)),
            row.matches)
            << '"' << row.patterns << "\" against \"" << row.name << '"';
    }
}

class FolderListing : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_temp.isValid()); }
    QString root() const { return m_temp.path(); }

    QTemporaryDir m_temp;
};

TEST_F(FolderListing, FilesMatchingThePatternsSortedWithoutCase)
{
    for (const char *name :
         {"README.TXT", "notes.Rtf", "readme.doc", "readme.txt.bak", ".hidden.txt", "b.txt", "A.txt"})
        makeFile(root(), name);
    makeFolder(root(), "folder.txt");
    makeLink("b.txt", root() + "/link.txt");
    makeLink("missing.txt", root() + "/dangling.txt");
    makeLink("folder.txt", root() + "/folderlink.txt");

    QString error = "stale";
    EXPECT_EQ(platform::listFiles(root(), "*.rtf;*.txt", &error),
              (QStringList{"A.txt", "b.txt", "link.txt", "notes.Rtf", "README.TXT"}));
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(FolderListing, ArPatternListsArchivesOnlyNotFoldersOrBackups)
{
    for (const char *name : {"CITY.AR", "city.ar.bak", "alpha.ar", "Zeta.Ar", "car"})
        makeFile(root(), name);
    makeFolder(root(), "x.ar");
    EXPECT_EQ(platform::listFiles(root(), "*.ar"), (QStringList{"alpha.ar", "CITY.AR", "Zeta.Ar"}));
}

TEST_F(FolderListing, NamesEqualButForCaseKeepAFixedOrder)
{
    for (const char *name : {"abc.txt", "ABC.txt", "Abd.txt", "abb.TXT"})
        makeFile(root(), name);
    EXPECT_EQ(platform::listFiles(root(), "*.txt"),
              (QStringList{"abb.TXT", "ABC.txt", "abc.txt", "Abd.txt"}));
}

TEST_F(FolderListing, SubfoldersSortedWithoutCaseHiddenOnesLast)
{
    for (const char *name : {"beta", "Alpha", ".wine", "gamma.d", ".Config", "Beta2"})
        makeFolder(root(), name);
    makeFile(root(), "file.txt");
    makeLink("Alpha", root() + "/linked");
    makeLink("file.txt", root() + "/filelink");

    QString error = "stale";
    EXPECT_EQ(platform::listSubfolders(root(), &error),
              (QStringList{"Alpha", "beta", "Beta2", "gamma.d", "linked", ".Config", ".wine"}));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(platform::listSubfolders(root() + "/Alpha").isEmpty());
}

TEST_F(FolderListing, MissingFolderOrFileGivesTheReason)
{
    const QString file = makeFile(root(), "plain.txt");
    QString error;
    EXPECT_TRUE(platform::listFiles(root() + "/missing", "*", &error).isEmpty());
    EXPECT_EQ(error, reason(ENOENT));
    EXPECT_TRUE(platform::listSubfolders(file, &error).isEmpty());
    EXPECT_EQ(error, reason(ENOTDIR));
    EXPECT_FALSE(platform::canListFolder(root() + "/missing", &error));
    EXPECT_EQ(error, reason(ENOENT));
    EXPECT_TRUE(platform::canListFolder(root(), &error));
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(FolderListing, UnreadableFolderGivesTheReason)
{
    const QString locked = makeFolder(root(), "locked");
    makeFile(locked, "inside.txt");
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    const bool bypassed = permissionsBypassed(locked);
    QString error;
    const QStringList files = platform::listFiles(locked, "*", &error);
    ::chmod(QFile::encodeName(locked).constData(), 0755);
    if (bypassed)
        GTEST_SKIP() << "this user reads folders whatever their permissions";
    EXPECT_TRUE(files.isEmpty());
    EXPECT_EQ(error, reason(EACCES));
}
