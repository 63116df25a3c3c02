#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "InstallRecord.h"

namespace installer {

// A file an uninstallation leaves as it is, and why: changed since it was installed (another
// package replaced it, the player edited it), its original's backup missing or damaged, not a
// plain file any more, or a step that failed. reason is one line for the player.
struct LeftFile
{
    std::string name;
    std::string reason;
};

struct UninstallResult
{
    bool ok = false;        // every recorded installation was undone completely and its record is gone
    bool cancelled = false; // stopped by cancel(); error says so
    bool busy = false;      // another setup works on the game folder: nothing was done
    std::vector<std::string> removed;  // files the package added, deleted
    std::vector<std::string> restored; // originals put back in place of the package's files
    std::vector<LeftFile>
        left;          // kept as they are, each name once; their records stay (a later run can finish)
    std::string error; // one line: why it stopped or could not start
};

// Undoes the recorded installations of a package in a game folder, newest first. Only what is
// still exactly what the package wrote (same SHA-256) is removed, and an original goes back only
// from a backup whose digest matches the record; anything else is left and named. Each step is
// whole or nothing (an original comes back through a temporary renamed into place, and its backup
// is removed only after that), and a record lists what remains to be done, so a run that is
// killed or stopped half-way can be finished by the next. Nothing outside the game folder is
// touched.
class Uninstallation
{
public:
    // Before file index (0-based) of count; (count, count, "") at the end.
    using Progress = std::function<void(int index, int count, const std::string &fileName)>;

    // The installations of packageName recorded in gameFolder.
    Uninstallation(std::string gameFolder, std::string packageName);

    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // Newest first; empty when the package is not recorded in the game folder.
    const std::vector<InstallRecord> &installations() const { return m_installations; }

    // Why nothing can be undone (empty when all is well): no recorded installation of the package,
    // a game folder that is gone or cannot be written.
    std::string preflight() const;
    // What a run would leave as it is (each name once), found by reading the files now (nothing
    // is changed).
    std::vector<LeftFile> check() const;

    // Removes what an installer killed before it recorded anything left in the game folder: run's
    // folders with no record and the lock file. Nothing while another setup works on it.
    void removeWhatKilledRunsLeft() const;

    // Undoes what can be undone; every file is checked again just before it is touched.
    UninstallResult run();

    // Stops a run before the next file; safe from another thread or a callback.
    void cancel() { *m_cancelled = true; }

private:
    std::string m_gameFolder;
    std::string m_packageName;
    std::vector<InstallRecord> m_installations;
    Progress m_progress;
    std::shared_ptr<std::atomic<bool>> m_cancelled = std::make_shared<std::atomic<bool>>(false);
};

} // namespace installer
