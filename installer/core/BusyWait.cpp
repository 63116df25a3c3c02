#include "BusyWait.h"

#include <utility>

namespace installer {

BusyWait::BusyWait(FolderBusy folderBusy) : m_folderBusy(std::move(folderBusy)) {}

void BusyWait::begin(std::string gameFolder, std::function<void()> retry)
{
    m_gameFolder = std::move(gameFolder);
    m_retry = std::move(retry);
    m_agreed = true;
}

bool BusyWait::tick()
{
    if (!m_retry || m_folderBusy(m_gameFolder))
        return false;
    // Cleared first: the retry may find the folder taken again and begin a new wait.
    std::function<void()> retry = std::exchange(m_retry, nullptr);
    retry();
    return true;
}

void BusyWait::cancel()
{
    m_retry = nullptr;
    m_agreed = false;
}

} // namespace installer
