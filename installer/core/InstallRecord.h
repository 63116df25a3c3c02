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
// replaced, as a text file in the profile format (UTF-8, CR LF), so that a player can read it.
struct InstallRecord
{
    std::string folder;      // the run's folder in the backup area (absolute); the record is inside
    std::string packageName; // "Name" of the package's install.ini
    std::string installedAt; // local time, "yyyy-MM-dd HH:mm:ss"
    // False while the run is under way and for a run that stopped (failed, cancelled); the files
    // are then exactly those it had done when the record was last written.
    bool complete = false;
    std::vector<RecordedFile> files; // in the order they were installed

    std::string path() const; // folder + '/' + recordFileName()
};

// The record's file name inside the run's folder: "Quernel Installation.ini". A package file of
// that name (in any letter case) keeps its original's copy under another backupName.
std::string recordFileName();

// The record as bytes and back. Parsing refuses (false, with a one-line reason) a record whose
// file names are not bare names, whose digests are not 64 hex digits, or that is not a record.
std::string recordToBytes(const InstallRecord &record);
bool recordFromBytes(std::string_view bytes, InstallRecord *record, std::string *error);

// Writes record.path() whole or not at all (flushed to disk before it takes the old one's place).
bool writeRecord(const InstallRecord &record, std::string *error);
// Reads the record in a run's folder; only a regular file (no link) inside a real folder is read.
std::optional<InstallRecord> readRecord(const std::string &folder, std::string *error);
// Removes the record file and then the run's folder and the backup area when they are empty.
bool removeRecord(const InstallRecord &record, std::string *error);

// Every installation recorded in the game folder, oldest first (by installedAt, then by the
// number a run's folder got when its name was taken: "... (2)" after the plain name). Only real
// folders are searched ("Quernel Backup" and "Quernel Backup (n)", never through a link). Records
// that cannot be read are named in unreadable ("<path>: <reason>") when given.
std::vector<InstallRecord> recordedInstallations(const std::string &gameFolder,
                                                 std::vector<std::string> *unreadable = nullptr);
// Those of one package, newest first: the name matched exactly, or failing that in any letter case.
std::vector<InstallRecord> installationsOf(const std::string &gameFolder, std::string_view packageName);

} // namespace installer
