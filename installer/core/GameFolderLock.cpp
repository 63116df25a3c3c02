#include "GameFolderLock.h"

#include <filesystem>

#include "Installation.h"

namespace installer {

std::string lockFileName()
{
    return "Quernel Setup.lock";
}

GameFolderLock GameFolderLock::tryLock(const std::string &backupArea)
{
    GameFolderLock lock;
    // A holder that leaves removes the area once it is empty: when that happened between the
    // area's making here and the lock file's, the area is made again (a lasting fault stays one).
    base::files::FileLock::Outcome outcome = base::files::FileLock::Outcome::Failed;
    for (int attempt = 0; attempt < 16 && outcome == base::files::FileLock::Outcome::Failed; ++attempt) {
        std::error_code ec;
        std::filesystem::create_directory(base::files::toPath(backupArea), ec);
        lock.m_error.clear();
        outcome = lock.m_lock.tryAcquire(backupArea + '/' + lockFileName(), &lock.m_error);
    }
    switch (outcome) {
    case base::files::FileLock::Outcome::Acquired:
        lock.m_state = State::Held;
        lock.m_pendingArea = std::make_unique<base::files::PendingFolder>(backupArea);
        break;
    case base::files::FileLock::Outcome::Busy:
        lock.m_state = State::Busy;
        break;
    case base::files::FileLock::Outcome::Failed:
        lock.m_state = State::Failed;
        break;
    }
    return lock;
}

void GameFolderLock::removeLockFile()
{
    if (held())
        m_lock.removeAndRelease();
    m_state = State::Failed;
}

void GameFolderLock::leave(const std::string &backupArea)
{
    if (!held())
        return;
    // The lock file is there only while a setup works; one that waits on it meanwhile notices
    // the file is gone and locks the one that has its name then.
    removeLockFile();
    std::error_code ec;
    std::filesystem::remove(base::files::toPath(backupArea), ec); // only when empty
}

bool gameFolderBusy(const std::string &gameFolder)
{
    const std::string area = backupAreaOf(gameFolder);
    if (area.empty() || !std::filesystem::is_directory(base::files::toPath(area)))
        return false;
    return GameFolderLock::tryLock(area).state() == GameFolderLock::State::Busy;
}

} // namespace installer
