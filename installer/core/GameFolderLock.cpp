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
    std::error_code ec;
    std::filesystem::create_directory(base::files::toPath(backupArea), ec);
    switch (lock.m_lock.tryAcquire(backupArea + '/' + lockFileName(), &lock.m_error)) {
    case base::files::FileLock::Outcome::Acquired:
        lock.m_state = State::Held;
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

bool gameFolderBusy(const std::string &gameFolder)
{
    const std::string area = backupAreaOf(gameFolder);
    if (area.empty() || !std::filesystem::is_directory(base::files::toPath(area)))
        return false;
    return GameFolderLock::tryLock(area).state() == GameFolderLock::State::Busy;
}

} // namespace installer
