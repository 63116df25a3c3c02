#include <gtest/gtest.h>

#include "FileOps.h"
#include "Installation.h"
#include "PackageFixture.h"

using namespace installer;
using namespace installer_test;
using platform::CopyOutcome;

namespace {

class InstallationTest : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeTypicalPackage();
        WriteINI(ini(), "Files", "File3", "track.ar");
        WriteINI(ini(), "install.ini", "TotalFiles", " 3");
        writeFile(inPackage("track.ar"), trackBytes);
        writeGameFolder();
        QString error;
        ASSERT_TRUE(loadPackage(packageFolder(), &package, &error)) << error.toStdString();
    }

    Installation installation()
    {
        Installation i(package, gameFolder());
        i.setClock([] { return QDateTime(QDate(2024, 5, 17), QTime(9, 5, 3)); });
        return i;
    }
    QString backupFolder() const { return gameFolder() + "/Quernel Backup/My Pack 2024-05-17 09-05-03"; }

    // Answers in turn, recording each question.
    Installation::AskReplace answers(std::initializer_list<ReplaceAnswer> list)
    {
        m_answers = list;
        return [this](const QString &name) {
            asked.append(name);
            return m_answers.isEmpty() ? ReplaceAnswer::No : m_answers.takeFirst();
        };
    }

    Package package;
    QStringList asked;
    const QByteArray trackBytes = archiveBytes("tr", 5000);

private:
    QList<ReplaceAnswer> m_answers;
};

} // namespace

TEST_F(InstallationTest, CopiesEveryFileAndKeepsTheReplacedOriginal)
{
    writeFile(inGame("track.ar"), "the original track");
    const auto before = listing(packageFolder());

    QStringList progress;
    QStringList done;
    Installation i = installation();
    i.setProgress([&](int index, int count, const QString &name) {
        progress.append(QStringLiteral("%1/%2 %3").arg(index).arg(count).arg(name));
    });
    i.setFileDone([&](const QString &name, FileOutcome o) { done.append(name + QString::number(int(o))); });
    const InstallResult r = i.run(answers({ReplaceAnswer::Yes, ReplaceAnswer::Yes}));

    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(asked, (QStringList{"city.ar", "track.ar"}));
    EXPECT_EQ(r.installed, (QStringList{"city.ar", "cars.ar", "track.ar"}));
    EXPECT_EQ(r.replaced, (QStringList{"city.ar", "track.ar"}));
    EXPECT_TRUE(r.skipped.isEmpty());
    EXPECT_EQ(r.backupFolder, backupFolder());
    EXPECT_EQ(progress, (QStringList{"0/3 city.ar", "1/3 cars.ar", "2/3 track.ar", "3/3 "}));
    EXPECT_EQ(done, (QStringList{"city.ar1", "cars.ar0", "track.ar1"}));

    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    EXPECT_EQ(readFile(inGame("track.ar")), trackBytes);
    EXPECT_EQ(readFile(backupFolder() + "/city.ar"), "the original city");
    EXPECT_EQ(readFile(backupFolder() + "/track.ar"), "the original track");
    const auto game = listing(gameFolder());
    EXPECT_EQ(game.keys(),
              (QStringList{"Midtown2.exe", "Quernel Backup", "Quernel Backup/My Pack 2024-05-17 09-05-03",
                           "Quernel Backup/My Pack 2024-05-17 09-05-03/city.ar",
                           "Quernel Backup/My Pack 2024-05-17 09-05-03/track.ar", "assets.ar", "cars.ar",
                           "city.ar", "track.ar"}));
    EXPECT_EQ(listing(packageFolder()), before);
}

TEST_F(InstallationTest, NoKeepsAFileAndYesToAllStopsAsking)
{
    writeFile(inGame("cars.ar"), "the original cars");
    writeFile(inGame("track.ar"), "the original track");
    InstallResult r = installation().run(answers({ReplaceAnswer::No, ReplaceAnswer::YesToAll}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(asked, (QStringList{"city.ar", "cars.ar"})); // track.ar was not asked about
    EXPECT_EQ(r.skipped, QStringList{"city.ar"});
    EXPECT_EQ(r.installed, (QStringList{"cars.ar", "track.ar"}));
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
    EXPECT_FALSE(QFile::exists(backupFolder() + "/city.ar"));
    EXPECT_EQ(readFile(backupFolder() + "/cars.ar"), "the original cars");
    EXPECT_EQ(readFile(inGame("track.ar")), trackBytes);
}

TEST_F(InstallationTest, NothingReplacedMeansNoBackupFolder)
{
    const InstallResult r = installation().run(answers({ReplaceAnswer::No}));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.backupFolder.isEmpty());
    EXPECT_FALSE(QFile::exists(gameFolder() + "/Quernel Backup"));
}

TEST_F(InstallationTest, ASecondRunInTheSameSecondGetsItsOwnBackup)
{
    ASSERT_TRUE(installation().run(answers({ReplaceAnswer::YesToAll})).ok);
    const InstallResult again = installation().run(answers({ReplaceAnswer::YesToAll}));
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.backupFolder, backupFolder() + " (2)");
    EXPECT_EQ(again.replaced, (QStringList{"city.ar", "cars.ar", "track.ar"}));
    EXPECT_EQ(readFile(again.backupFolder + "/cars.ar"), carsBytes);
    EXPECT_EQ(readFile(backupFolder() + "/city.ar"), "the original city"); // the first backup is untouched
}

TEST_F(InstallationTest, AFullDiskStopsWithWholeFilesAndSaysWhatWasNotInstalled)
{
    writeFile(inGame("track.ar"), "the original track");
    int calls = 0;
    Installation i = installation();
    // The copies in order: backup of city.ar, city.ar, cars.ar, backup of track.ar, track.ar.
    i.setCopyFunction([&](const QString &source, const QString &target, QString *error) {
        if (++calls == 5) {
            *error = target + ": No space left on device";
            return CopyOutcome::Failed;
        }
        return platform::fileops::copyFile(source, target, error);
    });
    const InstallResult r = i.run(answers({ReplaceAnswer::YesToAll}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.installed, (QStringList{"city.ar", "cars.ar"}));
    EXPECT_EQ(r.notInstalled, QStringList{"track.ar"});
    EXPECT_TRUE(r.error.contains("track.ar could not be copied")) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("No space left on device"));
    EXPECT_TRUE(r.error.endsWith("Not installed: track.ar."));
    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    EXPECT_EQ(readFile(inGame("track.ar")), "the original track");
    // The backup keeps what was replaced, and only that.
    EXPECT_EQ(r.replaced, QStringList{"city.ar"});
    EXPECT_EQ(QDir(r.backupFolder).entryList(QDir::Files | QDir::Hidden), QStringList{"city.ar"});
}

TEST_F(InstallationTest, AFailureBeforeAnythingWasReplacedLeavesNoBackupFolder)
{
    Installation i = installation();
    i.setCopyFunction([&](const QString &, const QString &target, QString *error) {
        *error = target + ": No space left on device";
        return CopyOutcome::Failed;
    });
    const InstallResult r = i.run(answers({ReplaceAnswer::Yes}));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.startsWith("city.ar could not be backed up")) << r.error.toStdString();
    EXPECT_EQ(r.notInstalled, (QStringList{"city.ar", "cars.ar", "track.ar"}));
    EXPECT_TRUE(r.backupFolder.isEmpty());
    EXPECT_FALSE(QFile::exists(gameFolder() + "/Quernel Backup"));
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
}

TEST_F(InstallationTest, PreflightRefusesBeforeAnythingIsCopied)
{
    const auto before = listing(root.path());
    auto refused = [&](const char *why) {
        Installation i = installation();
        int copies = 0;
        i.setCopyFunction([&](const QString &, const QString &, QString *) {
            ++copies;
            return CopyOutcome::Copied;
        });
        const InstallResult r = i.run(answers({ReplaceAnswer::YesToAll}));
        EXPECT_FALSE(r.ok) << why;
        EXPECT_EQ(copies, 0) << why;
        EXPECT_TRUE(asked.isEmpty()) << why;
        return r.error;
    };

    // The last file vanished after the package was read.
    QFile::rename(inPackage("track.ar"), at("track.ar"));
    EXPECT_TRUE(refused("missing").contains("track.ar is missing from the package folder"));
    QFile::rename(at("track.ar"), inPackage("track.ar"));

    QDir().mkpath(inGame("track.ar"));
    EXPECT_TRUE(refused("folder in the way").contains("track.ar in the game folder is not a plain file"));
    QDir().rmdir(inGame("track.ar"));

    package.files.append("../escape.ar");
    EXPECT_TRUE(refused("escape").contains("not a plain file name"));
    package.files.removeLast();

    EXPECT_EQ(listing(root.path()), before);
}

TEST(BackupFolderName, IsSafeOnEverySystem)
{
    const QDateTime when(QDate(2001, 2, 3), QTime(4, 5, 6));
    EXPECT_EQ(backupFolderName("My Pack", when), "Quernel Backup/My Pack 2001-02-03 04-05-06");
    EXPECT_EQ(backupFolderName("A/B:C*?\"<>|\\", when), "Quernel Backup/A_B_C_______ 2001-02-03 04-05-06");
    EXPECT_EQ(backupFolderName("  ", when), "Quernel Backup/Package 2001-02-03 04-05-06");
    EXPECT_EQ(backupFolderName("..", when), "Quernel Backup/Package 2001-02-03 04-05-06");
    EXPECT_EQ(backupFolderName("Pack.", when), "Quernel Backup/Pack 2001-02-03 04-05-06");
}
