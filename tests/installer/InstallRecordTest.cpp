#include <gtest/gtest.h>

#include "InstallRecord.h"
#include "PackageFixture.h"

namespace installer_test {
namespace {

using installer::InstallRecord;
using installer::RecordedFile;

const std::string DigestA(64, 'a');
const std::string DigestB(64, 'b');

InstallRecord sampleRecord(const std::string &folder, const std::string &package, const std::string &when)
{
    InstallRecord record;
    record.folder = folder;
    record.packageName = package;
    record.installedAt = when;
    record.complete = true;
    record.files.push_back({"city.ar", 70000, DigestA, false, {}, 0, {}});
    record.files.push_back(
        {"Quernel Installation.ini", 12, DigestB, true, "Quernel Installation.ini (original)", 34, DigestA});
    return record;
}

class InstallRecordTest : public PackageFixture
{
protected:
    std::string runFolder(const std::string &leaf, const std::string &area = "Quernel Backup") const
    {
        return inGame(area + '/' + leaf);
    }

    void writeSample(const std::string &folder, const std::string &package, const std::string &when)
    {
        fs::create_directories(folder);
        std::string error;
        ASSERT_TRUE(installer::writeRecord(sampleRecord(folder, package, when), &error)) << error;
    }
};

TEST_F(InstallRecordTest, WritesReadableTextAndReadsItBack)
{
    const InstallRecord record =
        sampleRecord(runFolder("My Pack 2026-12-07 16-50-03"), "My Pack", "2026-12-07 16:50:03");
    EXPECT_EQ(
        installer::recordToBytes(record),
        "[Installation]\r\nPackage=My Pack\r\nInstalled=2026-12-07 16:50:03\r\nComplete=Yes\r\nFiles=2\r\n"
        "[File1]\r\nName=city.ar\r\nSize=70000\r\nSHA256=" +
            DigestA +
            "\r\nOriginal=No\r\n"
            "[File2]\r\nName=Quernel Installation.ini\r\nSize=12\r\nSHA256=" +
            DigestB +
            "\r\nOriginal=Yes\r\nBackup=Quernel Installation.ini (original)\r\nOriginalSize=34\r\n"
            "OriginalSHA256=" +
            DigestA + "\r\n");
    writeSample(record.folder, record.packageName, record.installedAt);
    EXPECT_TRUE(fs::is_regular_file(record.folder + "/Quernel Installation.ini"));

    std::string error;
    const std::optional<InstallRecord> read = installer::readRecord(record.folder, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(installer::recordToBytes(*read), installer::recordToBytes(record));
    EXPECT_EQ(read->folder, record.folder);
    EXPECT_EQ(read->files[1].backupName, "Quernel Installation.ini (original)");
}

TEST_F(InstallRecordTest, RefusesRecordsThatWouldReachOutsideOrMakeNoSense)
{
    const std::string good = installer::recordToBytes(sampleRecord("", "P", "2026-01-01 00:00:00"));
    auto replaced = [&good](const std::string &from, const std::string &to) {
        std::string bytes = good;
        bytes.replace(bytes.find(from), from.size(), to);
        return bytes;
    };
    const struct
    {
        std::string bytes;
        std::string reason;
    } cases[] = {
        {"[Other]\r\na=b\r\n", "not an installation record"},
        {replaced("Name=city.ar", "Name=../city.ar"), "\"../city.ar\" is not a plain file name"},
        {replaced("Name=city.ar", "Name=/etc/passwd"), "is not a plain file name"},
        {replaced("Backup=Quernel Installation.ini (original)", "Backup=.."), "is not a plain file name"},
        {replaced("SHA256=" + DigestA, "SHA256=abc"), "not a SHA-256 digest"},
        {replaced("Size=70000", "Size=-1"), "Size is not a number"},
        {replaced("Files=2", "Files=3"), "[File3] has no Name"},
        {replaced("Complete=Yes", "Complete=maybe"), "neither Yes nor No"},
    };
    for (const auto &c : cases) {
        InstallRecord record;
        std::string error;
        EXPECT_FALSE(installer::recordFromBytes(c.bytes, &record, &error)) << c.bytes;
        EXPECT_TRUE(contains(error, c.reason)) << error;
    }
}

TEST_F(InstallRecordTest, ListsOnlyRealFoldersOfTheGameOldestFirst)
{
    writeSample(runFolder("B 2026-01-02 00-00-00 (2)"), "Other", "2026-01-02 00:00:00");
    writeSample(runFolder("B 2026-01-02 00-00-00"), "My Pack", "2026-01-02 00:00:00");
    writeSample(runFolder("A 2026-01-01 00-00-00", "Quernel Backup (2)"), "my pack", "2026-01-01 00:00:00");
    fs::create_directories(runFolder("Old backup without record"));
    // Records reached through links are never read: they could lead out of the game folder.
    writeSample(at("Elsewhere/Run"), "My Pack", "2030-01-01 00:00:00");
    fs::create_symlink(at("Elsewhere"), inGame("Quernel Backup (3)"));
    fs::create_symlink(at("Elsewhere/Run"), runFolder("Linked run"));
    writeFile(runFolder("Broken/Quernel Installation.ini"), "[Installation]\r\nPackage=X\r\n");

    std::vector<std::string> unreadable;
    const std::vector<InstallRecord> all = installer::recordedInstallations(gameFolder(), &unreadable);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].packageName, "my pack");
    EXPECT_EQ(all[1].packageName, "My Pack");
    EXPECT_EQ(all[2].packageName, "Other");
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_TRUE(contains(unreadable[0], "Broken")) << unreadable[0];

    // By name: exact matches, newest first; failing those, any letter case.
    const auto mine = installer::installationsOf(gameFolder(), "My Pack");
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine[0].folder, runFolder("B 2026-01-02 00-00-00"));
    EXPECT_EQ(installer::installationsOf(gameFolder(), "MY PACK").size(), 2u);
    EXPECT_TRUE(installer::installationsOf(gameFolder(), "Nobody").empty());
}

TEST_F(InstallRecordTest, RemovingTheRecordKeepsFoldersThatStillHoldOriginals)
{
    const std::string kept = runFolder("Kept 2026-01-01 00-00-00");
    const std::string emptied = runFolder("Emptied 2026-01-01 00-00-00");
    writeSample(kept, "Kept", "2026-01-01 00:00:00");
    writeSample(emptied, "Emptied", "2026-01-01 00:00:00");
    writeFile(kept + "/city.ar", "original");

    std::string error;
    ASSERT_TRUE(installer::removeRecord(*installer::readRecord(emptied, &error), &error)) << error;
    EXPECT_FALSE(fs::exists(emptied));
    ASSERT_TRUE(installer::removeRecord(*installer::readRecord(kept, &error), &error)) << error;
    EXPECT_EQ(readFile(kept + "/city.ar"), "original");
    EXPECT_TRUE(fs::exists(inGame("Quernel Backup")));

    fs::remove(kept + "/city.ar");
    writeSample(kept, "Kept", "2026-01-01 00:00:00");
    ASSERT_TRUE(installer::removeRecord(*installer::readRecord(kept, &error), &error)) << error;
    EXPECT_FALSE(fs::exists(inGame("Quernel Backup")));
}

} // namespace
} // namespace installer_test

namespace installer_test {
namespace {

// The journal as a kill at any byte of an append leaves it: whole entries are read, the entry
// cut short is dropped (its file was never touched), damage before the last entry refuses it.
TEST_F(InstallRecordTest, AJournalCutShortKeepsItsWholeEntries)
{
    const InstallRecord sample = sampleRecord("", "P", "2026-01-01 00:00:00");
    const std::string first = installer::journalEntryBytes(1, sample.files[0]);
    const auto replaced = [](std::string bytes, const std::string &from, const std::string &to) {
        return bytes.replace(bytes.find(from), from.size(), to);
    };
    const std::string second = installer::journalEntryBytes(2, sample.files[1]);
    EXPECT_TRUE(first.ends_with("End=1\r\n")) << first;
    for (std::size_t cut = 0; cut <= second.size(); ++cut) {
        std::vector<RecordedFile> files;
        std::string error;
        ASSERT_TRUE(installer::journalFromBytes(first + second.substr(0, cut), 1, &files, &error))
            << "cut at " << cut << ": " << error;
        // Whole once its closing "End=2" is there, with or without the line's end.
        EXPECT_EQ(files.size(), cut + 2 >= second.size() ? 2u : 1u) << "cut at " << cut;
    }
    const struct
    {
        std::string bytes;
        std::string reason;
    } damaged[] = {
        {first.substr(0, first.size() - 7) + second, "[File1] has no End"},
        {installer::journalEntryBytes(5, sample.files[0]) + second, "[File1] has no End"},
        // Whole, last, and leading out of the game folder: refused, not taken for a cut.
        {first + replaced(second, "Backup=Quernel Installation.ini (original)", "Backup=../x.ar"),
         "is not a plain file name"},
        {"junk\r\n" + first + second, "does not begin with an entry"},
    };
    for (const auto &c : damaged) {
        std::vector<RecordedFile> files;
        std::string error;
        EXPECT_FALSE(installer::journalFromBytes(c.bytes, 1, &files, &error)) << c.bytes;
        EXPECT_TRUE(contains(error, c.reason)) << error;
    }
}

// A record is the summary's files and then the journal's; a summary caught half-way through its
// replacement (only its temporary there) is read from the temporary when that is whole.
TEST_F(InstallRecordTest, ReadsTheJournalAndASummaryFoundOnlyAsItsTemporary)
{
    const std::string folder = runFolder("P 2026-01-01 00-00-00");
    fs::create_directories(folder);
    InstallRecord summary = sampleRecord(folder, "P", "2026-01-01 00:00:00");
    const RecordedFile journalled = summary.files[1];
    summary.files.pop_back();
    summary.sequence = 7;
    std::string error;
    ASSERT_TRUE(installer::writeRecord(summary, &error)) << error;
    ASSERT_TRUE(installer::appendToJournal(summary, 1, journalled, &error)) << error;
    auto read = installer::readRecord(folder, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->sequence, 7u);
    ASSERT_EQ(read->files.size(), 2u);
    EXPECT_EQ(read->files[1].backupName, journalled.backupName);

    const std::string temporary = folder + "/.Quernel Installation.ini.writing";
    fs::rename(summary.path(), temporary);
    EXPECT_EQ(installer::installationsOf(gameFolder(), "P").size(), 1u);
    writeFile(temporary, installer::recordToBytes(summary).substr(0, 60)); // cut short: not a record
    EXPECT_FALSE(installer::readRecord(folder, &error));

    // What a removal leaves to do goes into the summary, and the journal it came from goes.
    writeFile(temporary, installer::recordToBytes(summary));
    read = installer::readRecord(folder, &error);
    ASSERT_TRUE(read) << error;
    read->files.erase(read->files.begin());
    ASSERT_TRUE(installer::rewriteRecord(*read, &error)) << error;
    EXPECT_FALSE(fs::exists(summary.journalPath()));
    read = installer::readRecord(folder, &error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->files.size(), 1u);
    EXPECT_EQ(read->files[0].name, journalled.name);
}

} // namespace
} // namespace installer_test
