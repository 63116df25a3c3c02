#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Files.h"
#include "InstallRecord.h"
#include "Package.h"
#include "Sha256.h"

namespace installer {

// The player's answer when a file is in the game folder already.
enum class ReplaceAnswer
{
    Yes,
    No,
    YesToAll
};

// What became of one file of the package.
enum class FileOutcome
{
    Installed,
    Replaced,
    Skipped
};

struct InstallResult
{
    bool ok = false;
    bool cancelled = false;                // stopped by cancel(); error says so
    bool busy = false;                     // another setup works on the game folder: nothing was done
    std::vector<std::string> installed;    // copied into the game folder, in order
    std::vector<std::string> replaced;     // the part of installed whose original went into the backup
    std::vector<std::string> skipped;      // kept as they were, by the player's choice
    std::vector<std::string> notInstalled; // not copied because the installation was refused or stopped
    std::string backupFolder;              // where the replaced originals are; empty when none was replaced
    // The run's own folder in the backup area, holding its record (what it installed, with
    // digests) and the originals; empty when nothing was installed and no record was left.
    std::string recordFolder;
    std::string error; // one line: why the installation was refused or stopped
};

// A local date and time, to name the backup folder.
struct Timestamp
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
Timestamp localNow();

// The folder inside the game folder that holds the backup folders.
std::string backupRootName();
// Where the backups of a game folder go: "<game>/Quernel Backup", or the first "Quernel Backup (n)"
// that is a real folder or free when that name is a link or a file (package files' names aside:
// packageFiles). Empty when there is none.
std::string backupAreaOf(const std::string &gameFolder, const std::vector<std::string> &packageFiles = {});
// The folder, inside the game folder, that keeps the originals one run replaces:
// "Quernel Backup/<package name> <yyyy-MM-dd HH-mm-ss>", the name made safe as a folder name on
// every system and cut to MaxBackupNameBytes at a character boundary.
std::string backupFolderName(const std::string &packageName, const Timestamp &when);
constexpr std::size_t MaxBackupNameBytes = 100;

// Copies a package's files into a game folder. Everything that can be checked is checked before
// the first copy (preflight), and one installer at a time works on a game folder (its lock is held
// for the whole run). Each file goes in in three steps: the package's file and the copy of the
// original it replaces are made whole in temporaries and flushed, their digests taken from the
// bytes written; the run's journal gets the file's entry, flushed; only then do the copies take
// their places. Whatever instant the run is killed at, the record (InstallRecord) names every
// file it may have touched, so an Uninstallation can undo it. An original is replaced only after
// the player agrees.
class Installation
{
public:
    // Stages one copy (a backup or a package file); the default is copy.stage(...).
    using CopyFunction = std::function<base::files::CopyOutcome(
        base::files::StagedCopy &copy, const std::string &source, const std::string &target,
        const base::files::CopyOptions &options, std::string *error)>;
    using AskReplace = std::function<ReplaceAnswer(const std::string &fileName)>;
    // Before file number index (0-based) of count begins; (count, count, "") at the end.
    using Progress = std::function<void(int index, int count, const std::string &fileName)>;
    // Between the chunks of one file's copy: bytes copied of that file and its size.
    using BetweenChunks = std::function<void(std::uint64_t copied, std::uint64_t total)>;
    using FileDone = std::function<void(const std::string &fileName, FileOutcome outcome)>;

    Installation(Package package, std::string gameFolder);

    // Defaults: base::files::copyFile; the time of the run.
    void setCopyFunction(CopyFunction copy) { m_copy = std::move(copy); }
    void setBetweenChunks(BetweenChunks betweenChunks) { m_betweenChunks = std::move(betweenChunks); }
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    void setFileDone(FileDone fileDone) { m_fileDone = std::move(fileDone); }
    void setClock(std::function<Timestamp()> clock) { m_clock = std::move(clock); }

    // Why nothing may be copied (an empty text when all is well): a package file gone missing or
    // turned into a link, a game folder that cannot take the files, a folder or link in the way of
    // a file, an original that may not be replaced, not enough free space.
    std::string preflight() const;
    // The space part of the preflight: the files as the volume will take them (whole allocation
    // units), the backups and the record, with a margin.
    // The package's files that exist in the game folder already.
    std::vector<std::string> existingFiles() const;

    // Asks before each replacement (no asker: No). Progress, chunk and file callbacks run on the
    // calling thread.
    InstallResult run(const AskReplace &ask);

    // Stops a run at the next chunk: the file under way stays as it was, the files done stay
    // installed (with their backups). Safe from another thread or a callback.
    void cancel() { *m_cancelled = true; }

private:
    std::string target(const std::string &name) const;
    base::files::CopyOptions copyOptions();
    base::files::CopyOutcome stage(base::files::StagedCopy &copy, const std::string &source,
                                   const std::string &target, const base::files::CopyOptions &options,
                                   std::string *error);
    std::string backupRoot() const;
    std::string spaceProblem() const;
    std::string claimRunFolder(const std::string &root, const Timestamp &when, std::string *error) const;
    // Stages the copy of the original that file replaces (Copied), or finds it in the backup
    // already (SameFile); file then names the backup and the original's size and digest.
    base::files::CopyOutcome stageOriginal(const std::string &runFolder,
                                           const std::vector<RecordedFile> &done, RecordedFile &file,
                                           base::files::StagedCopy &backup, std::string *error);
    std::uint64_t nextSequence() const;

    Package m_package;
    std::string m_gameFolder;
    CopyFunction m_copy;
    BetweenChunks m_betweenChunks;
    Progress m_progress;
    FileDone m_fileDone;
    std::function<Timestamp()> m_clock;
    // Shared so that an Installation stays movable.
    std::shared_ptr<std::atomic<bool>> m_cancelled = std::make_shared<std::atomic<bool>>(false);
};

} // namespace installer
