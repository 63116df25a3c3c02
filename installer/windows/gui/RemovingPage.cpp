#include "RemovingPage.h"

#include <commctrl.h>

#include "SetupTexts.h"
#include "resource.h"

namespace installer::win {

namespace {

// From the worker to the window. Sent (the worker waits), so the data may live on its stack.
constexpr UINT WM_REMOVAL_PROGRESS = WM_APP + 1; // wParam: index, lParam: const Progress *
// Posted as the worker's last act.
constexpr UINT WM_REMOVAL_FINISHED = WM_APP + 2;

struct Progress
{
    int count;
    const std::string *fileName;
};

} // namespace

RemovingPage::RemovingPage(const Package &package) : Page(IDD_REMOVING), m_package(package) {}

RemovingPage::~RemovingPage()
{
    // The window does not close while files are removed; this is the last guard.
    if (m_worker.joinable()) {
        m_removal->cancel();
        m_worker.join();
    }
}

std::string RemovingPage::title() const
{
    return texts::removingTitle();
}

std::string RemovingPage::subtitle() const
{
    return texts::removingSubtitle(m_package);
}

void RemovingPage::onInit()
{
    styleProgressBar(item(IDC_REMOVING_BAR), m_package.smooth);
}

void RemovingPage::start(std::unique_ptr<Uninstallation> removal,
                         std::function<void(const UninstallResult &)> finished)
{
    m_finished = std::move(finished);
    m_removal = std::move(removal);
    m_cancelled = false;
    setItem(IDC_REMOVING_STATUS, "");
    ::SendDlgItemMessageW(hwnd(), IDC_REMOVING_BAR, PBM_SETPOS, 0, 0);
    HWND page = hwnd();
    m_removal->setProgress([page](int index, int count, const std::string &name) {
        Progress progress{count, &name};
        ::SendMessageW(page, WM_REMOVAL_PROGRESS, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(&progress));
    });
    m_worker = std::thread([this, page] {
        m_result = m_removal->run();
        ::PostMessageW(page, WM_REMOVAL_FINISHED, 0, 0);
    });
}

void RemovingPage::showStatus(const std::string &text)
{
    setItem(IDC_REMOVING_STATUS, text);
}

void RemovingPage::cancel()
{
    if (!canCancel())
        return;
    m_cancelled = true;
    m_removal->cancel();
    changed();
}

bool RemovingPage::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result)
{
    switch (message) {
    case WM_REMOVAL_PROGRESS: {
        const auto *progress = reinterpret_cast<const Progress *>(lParam);
        const int index = static_cast<int>(wParam);
        HWND bar = item(IDC_REMOVING_BAR);
        ::SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(progress->count));
        ::SendMessageW(bar, PBM_SETPOS, wParam, 0);
        if (index < progress->count)
            setItem(IDC_REMOVING_STATUS, texts::removingStatus(*progress->fileName, index, progress->count));
        *result = 0;
        return true;
    }
    case WM_REMOVAL_FINISHED:
        m_worker.join();
        m_removal.reset();
        if (m_finished)
            m_finished(m_result);
        *result = 0;
        return true;
    }
    return false;
}

} // namespace installer::win
