#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "Package.h"
#include "Page.h"
#include "Uninstallation.h"

namespace installer::win {

// Removes the package's files with a status line and the progress bar. The removal runs on a
// worker thread; its progress comes back to the window as messages.
class RemovingPage : public Page
{
public:
    explicit RemovingPage(const Package &package);
    ~RemovingPage() override;

    std::string title() const override;
    std::string subtitle() const override;
    bool isComplete() const override { return false; }

    // Starts the removal; finished runs on the window's thread with the result.
    void start(std::unique_ptr<Uninstallation> removal,
               std::function<void(const UninstallResult &)> finished);
    // Stops the removal before its next file; the result says it was cancelled.
    void cancel();
    void showStatus(const std::string &text);
    // Whether the removal is under way and not asked to stop.
    bool canCancel() const { return m_worker.joinable() && !m_cancelled; }

protected:
    void onInit() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result) override;

private:
    const Package &m_package;
    std::unique_ptr<Uninstallation> m_removal;
    std::thread m_worker;
    UninstallResult m_result; // written by the worker, read after it is joined
    std::function<void(const UninstallResult &)> m_finished;
    bool m_cancelled = false;
};

} // namespace installer::win
