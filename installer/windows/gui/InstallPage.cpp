#include "InstallPage.h"

#include <commctrl.h>

#include "Prompts.h"
#include "SetupTexts.h"
#include "WinText.h"
#include "resource.h"

namespace installer::win {

namespace {

// From the worker to the window. Sent (the worker waits), so the data may live on its stack.
constexpr UINT WM_INSTALL_PROGRESS = WM_APP + 1;  // wParam: index, lParam: const Progress *
constexpr UINT WM_INSTALL_FILE_DONE = WM_APP + 2; // wParam: FileOutcome, lParam: const std::string *
constexpr UINT WM_INSTALL_ASK = WM_APP + 3;       // lParam: const std::string *; result: answerResult
// Posted as the worker's last act.
constexpr UINT WM_INSTALL_FINISHED = WM_APP + 4;

// The answer as the message's result, never 0: a window that is gone answers 0, which means No.
LRESULT answerResult(ReplaceAnswer answer)
{
    return static_cast<LRESULT>(answer) + 1;
}

ReplaceAnswer answerFrom(LRESULT result)
{
    return result == 0 ? ReplaceAnswer::No : static_cast<ReplaceAnswer>(result - 1);
}

struct Progress
{
    int count;
    const std::string *fileName;
};

} // namespace

InstallPage::InstallPage(const Package &package, Prompts &prompts)
    : Page(IDD_INSTALL), m_package(package), m_prompts(prompts)
{
}

InstallPage::~InstallPage()
{
    // The window does not close while files are copied; this is the last guard.
    if (m_worker.joinable()) {
        if (m_installation)
            m_installation->cancel();
        m_worker.join();
    }
}

std::string InstallPage::title() const
{
    return texts::installTitle();
}

std::string InstallPage::subtitle() const
{
    return texts::installSubtitle();
}

void InstallPage::onInit()
{
    HWND bar = item(IDC_INSTALL_BAR);
    styleProgressBar(bar, m_package.smooth);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(m_package.files.size()));
    ::SendMessageW(bar, PBM_SETPOS, 0, 0);
}

void InstallPage::start(const std::string &gameFolder, std::function<void(const InstallResult &)> finished)
{
    m_finished = std::move(finished);
    m_done = false;
    ::SendDlgItemMessageW(hwnd(), IDC_FILE_LINES, LB_RESETCONTENT, 0, 0);
    ::SendDlgItemMessageW(hwnd(), IDC_INSTALL_BAR, PBM_SETPOS, 0, 0);
    showStatus("");
    m_installation = std::make_unique<Installation>(m_package, gameFolder);
    HWND page = hwnd();
    m_installation->setProgress([page](int index, int count, const std::string &name) {
        Progress progress{count, &name};
        ::SendMessageW(page, WM_INSTALL_PROGRESS, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(&progress));
    });
    m_installation->setFileDone([page](const std::string &name, FileOutcome outcome) {
        ::SendMessageW(page, WM_INSTALL_FILE_DONE, static_cast<WPARAM>(outcome),
                       reinterpret_cast<LPARAM>(&name));
    });
    m_worker = std::thread([this, page] {
        m_result = m_installation->run([page](const std::string &name) {
            return answerFrom(::SendMessageW(page, WM_INSTALL_ASK, 0, reinterpret_cast<LPARAM>(&name)));
        });
        ::PostMessageW(page, WM_INSTALL_FINISHED, 0, 0);
    });
}

bool InstallPage::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result)
{
    switch (message) {
    case WM_INSTALL_PROGRESS: {
        const auto *progress = reinterpret_cast<const Progress *>(lParam);
        const int index = static_cast<int>(wParam);
        ::SendDlgItemMessageW(hwnd(), IDC_INSTALL_BAR, PBM_SETPOS, wParam, 0);
        setItem(IDC_STATUS, index < progress->count
                                ? texts::copyingStatus(*progress->fileName, index, progress->count)
                                : texts::allCopiedStatus());
        *result = 0;
        return true;
    }
    case WM_INSTALL_FILE_DONE:
        addLine(texts::fileLine(*reinterpret_cast<const std::string *>(lParam),
                                static_cast<FileOutcome>(wParam)));
        *result = 0;
        return true;
    case WM_INSTALL_ASK:
        *result = answerResult(m_prompts.askReplace(::GetAncestor(hwnd(), GA_ROOT),
                                                    *reinterpret_cast<const std::string *>(lParam)));
        return true;
    case WM_INSTALL_FINISHED:
        m_worker.join();
        // Nothing was done while another setup held the folder: the window waits or goes back.
        if (!m_result.busy) {
            for (const std::string &name : m_result.notInstalled)
                addLine(texts::notInstalledLine(name));
            if (!m_result.ok)
                setItem(IDC_STATUS, texts::stoppedStatus());
            m_done = true;
            changed();
        }
        if (m_finished)
            m_finished(m_result);
        *result = 0;
        return true;
    }
    return false;
}

void InstallPage::showStatus(const std::string &text)
{
    setItem(IDC_STATUS, text);
}

void InstallPage::addLine(const std::string &text)
{
    HWND list = item(IDC_FILE_LINES);
    const auto index = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(text).c_str()));
    ::SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

} // namespace installer::win
