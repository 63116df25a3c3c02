#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "Installation.h"
#include "Package.h"
#include "Page.h"

namespace installer::win {

class Prompts;

// Copies the files with a status line, the progress bar and a line per file. The copying runs on
// a worker thread; its progress and its questions come back to the window as messages.
class InstallPage : public Page
{
public:
    InstallPage(const Package &package, Prompts &prompts);
    ~InstallPage() override;

    std::string title() const override;
    std::string subtitle() const override;
    bool isComplete() const override { return m_done; }

    // Starts the installation (again, after a wait: the page starts empty); finished runs on the
    // window's thread with the result.
    void start(const std::string &gameFolder, std::function<void(const InstallResult &)> finished);
    void showStatus(const std::string &text);

protected:
    void onInit() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result) override;

private:
    void addLine(const std::string &text);

    const Package &m_package;
    Prompts &m_prompts;
    std::unique_ptr<Installation> m_installation;
    std::thread m_worker;
    InstallResult m_result; // written by the worker, read after it is joined
    std::function<void(const InstallResult &)> m_finished;
    bool m_done = false;
};

} // namespace installer::win
