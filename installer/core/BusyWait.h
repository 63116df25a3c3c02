#pragma once

#include <functional>
#include <string>

namespace installer {

// A window's wait for a game folder that another setup holds: after the player chose to wait, each
// tick of the window's timer looks at the folder again, and once it is free the installation or
// removal starts again. Nothing blocks: the window stays responsive, and Cancel drops the wait.
class BusyWait
{
public:
    using FolderBusy = std::function<bool(const std::string &gameFolder)>;

    // folderBusy: gameFolderBusy, or a stand-in in tests.
    explicit BusyWait(FolderBusy folderBusy);

    // The player agreed to wait (and is not asked again until the run gets through or is
    // cancelled): waits for gameFolder, and retry starts the run again once it is free.
    void begin(std::string gameFolder, std::function<void()> retry);
    bool waiting() const { return static_cast<bool>(m_retry); }
    bool agreed() const { return m_agreed; }
    // True when the folder was free: the wait is over and retry was called.
    bool tick();
    // Nothing is retried; the next busy run asks again.
    void cancel();
    // The run got through: the next busy run asks again.
    void finished() { m_agreed = false; }

private:
    FolderBusy m_folderBusy;
    std::string m_gameFolder;
    std::function<void()> m_retry;
    bool m_agreed = false;
};

// How often a waiting window looks at the game folder again.
constexpr int BusyPollMilliseconds = 250;

} // namespace installer
