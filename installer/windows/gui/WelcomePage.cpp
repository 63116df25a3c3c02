#include "WelcomePage.h"

#include <filesystem>
#include <system_error>

#include <commctrl.h>
#include <shellapi.h>

#include "Files.h"
#include "Links.h"
#include "SetupTexts.h"
#include "WinText.h"
#include "resource.h"

namespace installer::win {

namespace {

struct Row
{
    int caption;
    int value;
};

constexpr Row rows[] = {{IDC_NAME_CAPTION, IDC_NAME},           {IDC_AUTHOR_CAPTION, IDC_AUTHOR},
                        {IDC_EMAIL_CAPTION, IDC_EMAIL},         {IDC_WWW_CAPTION, IDC_WWW},
                        {IDC_COPYRIGHT_CAPTION, IDC_COPYRIGHT}, {IDC_GAME_CAPTION, IDC_GAME},
                        {IDC_FILES_CAPTION, IDC_FILES}};

std::uint64_t totalBytes(const Package &package)
{
    std::uint64_t bytes = 0;
    for (const std::string &name : package.files) {
        std::error_code error;
        const auto size = std::filesystem::file_size(base::files::toPath(package.pathOf(name)), error);
        if (!error)
            bytes += size;
    }
    return bytes;
}

RECT rectIn(HWND dialog, HWND control)
{
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

} // namespace

WelcomePage::WelcomePage(const Package &package) : Page(IDD_WELCOME), m_package(package) {}

std::string WelcomePage::title() const
{
    return texts::welcomeTitle(m_package);
}

std::string WelcomePage::subtitle() const
{
    return texts::welcomeSubtitle(m_package);
}

void WelcomePage::onInit()
{
    setItem(IDC_INTRO, texts::welcomeIntro(m_package));
    setItem(IDC_NAME_CAPTION, texts::packageCaption());
    setItem(IDC_AUTHOR_CAPTION, texts::authorCaption());
    setItem(IDC_EMAIL_CAPTION, texts::emailCaption());
    setItem(IDC_WWW_CAPTION, texts::webSiteCaption());
    setItem(IDC_COPYRIGHT_CAPTION, texts::copyrightCaption());
    setItem(IDC_GAME_CAPTION, texts::needsCaption());
    setItem(IDC_FILES_CAPTION, texts::filesCaption());
    setItem(IDC_NAME, m_package.name);
    setItem(IDC_AUTHOR, m_package.author);
    setItem(IDC_COPYRIGHT, m_package.copyright);
    setItem(IDC_GAME, texts::neededGame(m_package));
    setItem(IDC_FILES, texts::fileList(m_package, totalBytes(m_package)));

    m_emailTarget = emailTarget(m_package.email);
    m_webTarget = webTarget(m_package.www);
    setItem(IDC_EMAIL, linkMarkup(m_package.email, m_emailTarget.has_value()));
    setItem(IDC_WWW, linkMarkup(m_package.www, m_webTarget.has_value()));
    // A text that is no link is no stop for Tab either.
    for (auto [id, target] :
         {std::pair{IDC_EMAIL, m_emailTarget.has_value()}, std::pair{IDC_WWW, m_webTarget.has_value()}}) {
        if (!target) {
            HWND link = item(id);
            ::SetWindowLongPtrW(link, GWL_STYLE, ::GetWindowLongPtrW(link, GWL_STYLE) & ~WS_TABSTOP);
        }
    }
    setItem(IDC_HOWTO, texts::welcomeHowTo());
    stackRows();
}

void WelcomePage::stackRows()
{
    const bool shown[] = {!m_package.name.empty(),
                          !m_package.author.empty(),
                          !m_package.email.empty(),
                          !m_package.www.empty(),
                          !m_package.copyright.empty(),
                          true,
                          true};
    int top = rectIn(hwnd(), item(rows[0].caption)).top;
    const int gap = rectIn(hwnd(), item(rows[1].caption)).top - rectIn(hwnd(), item(rows[0].caption)).bottom;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        HWND caption = item(rows[i].caption);
        HWND value = item(rows[i].value);
        if (!shown[i]) {
            ::ShowWindow(caption, SW_HIDE);
            ::ShowWindow(value, SW_HIDE);
            continue;
        }
        const RECT captionRect = rectIn(hwnd(), caption);
        const RECT valueRect = rectIn(hwnd(), value);
        ::SetWindowPos(caption, nullptr, captionRect.left, top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowPos(value, nullptr, valueRect.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        top += (valueRect.bottom - valueRect.top) + gap;
    }
    // The file list, the last row, may take the room down to the closing line.
    const RECT files = rectIn(hwnd(), item(IDC_FILES));
    const RECT howTo = rectIn(hwnd(), item(IDC_HOWTO));
    ::SetWindowPos(item(IDC_FILES), nullptr, 0, 0, files.right - files.left, howTo.top - gap - files.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool WelcomePage::onMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR *result)
{
    if (message != WM_NOTIFY)
        return false;
    const auto *header = reinterpret_cast<const NMHDR *>(lParam);
    if ((header->idFrom != IDC_EMAIL && header->idFrom != IDC_WWW) ||
        (header->code != NM_CLICK && header->code != NM_RETURN))
        return false;
    const auto &target = header->idFrom == IDC_EMAIL ? m_emailTarget : m_webTarget;
    if (target)
        ::ShellExecuteW(hwnd(), L"open", wide(*target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    *result = 0;
    return true;
}

} // namespace installer::win
