#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace installer {

// One file an installation wrote into the game folder.
struct RecordedFile
{
    std::string name; // bare name in the game folder, as installed
    std::uint64_t size = 0;
    std::string sha256; // lower-case hex digest of what was written
    // The game folder's own file that this one replaced: its copy lies in the installation's
    // folder under backupName (a bare name; usually the file's own name).
    bool replacedOriginal = false;
    std::string backupName;
    std::uint64_t originalSize = 0;
    std::string originalSha256;
};

// What one run of the installer did to a game folder. It lives in the run's own folder of the
// backup area ("<game>/Quernel Backup/<package> <date time>/"), beside the originals that run
// replaced, as text files in the profile format (UTF-8, CR LF), so that a player can read them:
// - the summary, "Quernel Installation.ini", replaced whole whenever it changes: the package, the
//   time, the run's place in the order of installations, whether it completed, and the files that
//   a partial removal left to do;
// - the journal, "Quernel Journal.ini", to which the installer appends one entry per file, flushed
//   to disk before it touches that file or its backup. A file's entry therefore always leads the
//   file: whatever instant a run is killed at, the record names everything it may have changed.
struct InstallRecord
{
    std::string folder;      // the run's folder in the backup area (absolute); the record is inside
    std::string packageName; // "Name" of the package's install.ini
    std::string installedAt; // local time, "yyyy-MM-dd HH:mm:ss", for display only
    // False while the run is under way and for a run that stopped (failed, cancelled); the files
    // are then exactly those it had done when the record was last written.
    bool complete = false;
    std::vector<RecordedFile> files; // in the order they were installed
    // The order of installations in the game folder, whatever the clock said: each run takes one
    // more than the highest it finds. 0 in records written before it was kept.
    std::uint64_t sequence = 0;
    // A package that came as one file: the SHA-256 of its zip archive, which names the download
    // it was installed from. Empty for a package folder.
    std::string archiveSha256;

    std::string path() const;        // folder + '/' + recordFileName(): the summary
    std::string journalPath() const; // folder + '/' + journalFileName()
};

// The record's file name inside the run's folder: "Quernel Installation.ini". A package file of
// that name (in any letter case) keeps its original's copy under another backupName.
std::string recordFileName();
std::string journalFileName();
// Where Windows' list of installed programs is kept up, a copy of the installer beside the record
// runs the removal: "Quernel Uninstall.exe". It goes with the record.
std::string keptInstallerFileName();

// The record as bytes and back. Parsing refuses (false, with a one-line reason) a record whose
// file names are not bare names, whose digests are not 64 hex digits, or that is not a record.
std::string recordToBytes(const InstallRecord &record);
bool recordFromBytes(std::string_view bytes, InstallRecord *record, std::string *error);

// One journal entry: the file's section, numbered, closed by "End=<number>" so that an entry a
// kill cut short is known as such.
std::string journalEntryBytes(std::size_t number, const RecordedFile &file);
// The entries of a journal, numbered on from firstNumber. A last entry cut short is dropped (its
// file was never touched); any other damage refuses the journal.
bool journalFromBytes(std::string_view bytes, std::size_t firstNumber, std::vector<RecordedFile> *files,
                      std::string *error);

// Writes the summary, record.path(), whole or not at all (flushed to disk before it takes the old
// one's place), with record.files as its own file sections.
bool writeRecord(const InstallRecord &record, std::string *error);
// Appends one entry to the run's journal and flushes it; number counts the journal's entries from 1.
bool appendToJournal(const InstallRecord &record, std::size_t number, const RecordedFile &file,
                     std::string *error);
// Writes the summary with record.files as what is left to do, then drops the journal those files
// came from (a kill between the two leaves entries twice, which a removal judges twice alike).
bool rewriteRecord(const InstallRecord &record, std::string *error);
// Reads the record in a run's folder: the summary's files, then the journal's. Only regular files
// (no link) inside a real folder are read. A summary found missing while its temporary is there
// (a replacement caught half-way) is read from the temporary when that is whole.
std::optional<InstallRecord> readRecord(const std::string &folder, std::string *error);
// Removes the journal, then the summary, what temporaries a killed run left in the run's folder,
// and then that folder and the backup area when they are empty.
bool removeRecord(const InstallRecord &record, std::string *error);

// Run folders that a killed installer left before it recorded anything (empty, or holding only
// temporaries), for the holder of the game folder's lock to remove.
std::vector<std::string> strayRunFolders(const std::string &gameFolder);
// Removes them (their temporaries, then the folders); for the holder of the game folder's lock.
void removeStrayRunFolders(const std::string &gameFolder);

// Every installation recorded in the game folder, oldest first (by sequence, then installedAt,
// then by the number a run's folder got when its name was taken: "... (2)" after the plain name).
// Only real folders are searched ("Quernel Backup" and "Quernel Backup (n)", never through a
// link). Records that cannot be read are named in unreadable ("<path>: <reason>") when given.
std::vector<InstallRecord> recordedInstallations(const std::string &gameFolder,
                                                 std::vector<std::string> *unreadable = nullptr);
// Those of one package, newest first: the name matched exactly, or failing that in any letter case.
std::vector<InstallRecord> installationsOf(const std::string &gameFolder, std::string_view packageName);

} // namespace installer
