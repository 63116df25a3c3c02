#pragma once

#include <memory>
#include <string>

#include "Files.h"

namespace installer {

// One installer at a time works on a game folder: an exclusive lock on "Quernel Setup.lock" in the
// backup area, held for a whole installation or removal. The system drops it when the process
// ends, however it ends, so a killed setup never keeps the folder.
class GameFolderLock
{
public:
    enum class State
    {
        Held,
        Busy,   // another setup is working on the game folder
        Failed, // no lock file could be made; error() says why
    };

    // Never waits. backupArea is the folder the lock file lives in (made when missing).
    static GameFolderLock tryLock(const std::string &backupArea);

    State state() const { return m_state; }
    bool held() const { return m_state == State::Held; }
    const std::string &error() const { return m_error; }

    // The backup area is being emptied by its last user: the lock file goes while still held.
    void removeLockFile();
    // Done with the game folder: the lock file goes, and the backup area when it is empty then (a
    // game folder without installations keeps nothing of the installer's).
    void leave(const std::string &backupArea);

private:
    State m_state = State::Failed;
    std::string m_error;
    base::files::FileLock m_lock;
    // A setup ended by a signal leaves no empty backup area behind.
    std::unique_ptr<base::files::PendingFolder> m_pendingArea;
};

// The lock file's name in the backup area.
std::string lockFileName();

// True when another setup holds the game folder now (for a window that waits for it).
bool gameFolderBusy(const std::string &gameFolder);

} // namespace installer
