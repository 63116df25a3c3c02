#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "FileOps.h"

using platform::CopyOutcome;
namespace fileops = platform::fileops;

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

class FileOpsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString at(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
};

} // namespace

TEST_F(FileOpsTest, CopyReplacesTargetWithSourceBytesAndLeavesNoTemporary)
{
    QByteArray big(3 * 4096 + 17, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    write(at("src.ar"), big);
    QDir().mkdir(at("pkg"));
    write(at("pkg/src.ar"), "old contents");

    int chunks = 0;
    QString error;
    EXPECT_EQ(fileops::copyFile(
                  at("src.ar"), at("pkg/src.ar"), &error, [&] { ++chunks; }, 4096),
              CopyOutcome::Copied)
        << error.toStdString();
    EXPECT_EQ(read(at("pkg/src.ar")), big);
    EXPECT_EQ(chunks, 4);
    EXPECT_EQ(entries(at("pkg")), QStringList{"src.ar"});
}

TEST_F(FileOpsTest, CopyKeepsTheSourcePermissions)
{
    write(at("setup.exe"), "#!/bin/sh\n");
    QFile::setPermissions(at("setup.exe"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkdir(at("pkg"));
    ASSERT_EQ(fileops::copyFile(at("setup.exe"), at("pkg/setup.exe"), nullptr), CopyOutcome::Copied);
    EXPECT_TRUE(QFileInfo(at("pkg/setup.exe")).isExecutable());
}

TEST_F(FileOpsTest, CopyOntoItselfIsRecognisedAndLeavesTheFileWhole)
{
    write(at("readme.txt"), "keep me");
    // A doubled separator names the same file.
    EXPECT_EQ(fileops::copyFile(at("readme.txt"), dir.path() + "//readme.txt", nullptr),
              CopyOutcome::SameFile);
    EXPECT_EQ(read(at("readme.txt")), "keep me");
}

TEST_F(FileOpsTest, FailedCopiesNameTheFileAndChangeNothing)
{
    QString error;
    EXPECT_EQ(fileops::copyFile(at("gone.ar"), at("x.ar"), &error), CopyOutcome::Failed);
    EXPECT_TRUE(error.contains(at("gone.ar"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(at("x.ar")));

    write(at("a.ar"), "data");
    error.clear();
    EXPECT_EQ(fileops::copyFile(at("a.ar"), at("missing/a.ar"), &error), CopyOutcome::Failed);
    EXPECT_TRUE(error.contains(at("missing/a.ar"))) << error.toStdString();

    write(at("locked.ar"), "locked");
    QFile::setPermissions(at("locked.ar"), QFile::ReadOwner);
    if (QFileInfo(at("locked.ar")).isWritable())
        GTEST_SKIP() << "running with rights that ignore file permissions";
    EXPECT_EQ(fileops::copyFile(at("a.ar"), at("locked.ar"), &error), CopyOutcome::Failed);
    EXPECT_EQ(read(at("locked.ar")), "locked");
}

TEST_F(FileOpsTest, CopyInterruptedBetweenChunksLeavesTheOldTargetAndNoTemporary)
{
    write(at("src.ar"), QByteArray(10000, 'n'));
    QDir().mkdir(at("pkg"));
    write(at("pkg/src.ar"), "previous");
    struct Stop
    {
    };
    EXPECT_THROW(fileops::copyFile(
                     at("src.ar"), at("pkg/src.ar"), nullptr, [] { throw Stop{}; }, 4096),
                 Stop);
    EXPECT_EQ(read(at("pkg/src.ar")), "previous");
    EXPECT_EQ(entries(at("pkg")), QStringList{"src.ar"});
}

TEST_F(FileOpsTest, ACopyUnderWayShowsNoFileInTheTargetFolder)
{
    write(at("src.ar"), QByteArray(10000, 'n'));
    QDir().mkdir(at("pkg"));
    QStringList during;
    struct Stop
    {
    };
    try {
        fileops::copyFile(
            at("src.ar"), at("pkg/src.ar"), nullptr,
            [&] {
                during << entries(at("pkg"));
                fileops::removePendingFiles(); // what ending the program does
                throw Stop{};
            },
            4096);
    } catch (const Stop &) {
    }
    // Whether the copy is unnamed or hidden under a temporary name, nothing is
    // left once the program ends.
    EXPECT_TRUE(during.isEmpty() || during.first().startsWith(".src.ar.")) << during.join(",").toStdString();
    EXPECT_TRUE(entries(at("pkg")).isEmpty());
}

TEST_F(FileOpsTest, FolderLengthAndDelete)
{
    QString error;
    EXPECT_TRUE(fileops::createFolder(at("New Project Folder"), &error));
    EXPECT_FALSE(fileops::createFolder(at("New Project Folder"), &error)); // exists: a failure
    EXPECT_FALSE(fileops::createFolder(at("a/b"), &error));                // one level only

    write(at("f.ar"), QByteArray(4096, 'x'));
    EXPECT_EQ(fileops::fileLength(dir.path() + "//f.ar", &error), 4096);
    EXPECT_EQ(fileops::fileLength(at("none.ar"), &error), -1);
    EXPECT_TRUE(error.contains("none.ar"));

    EXPECT_TRUE(fileops::deleteFile(at("f.ar"), &error));
    EXPECT_FALSE(QFile::exists(at("f.ar")));
    EXPECT_FALSE(fileops::deleteFile(at("f.ar"), &error));
}
