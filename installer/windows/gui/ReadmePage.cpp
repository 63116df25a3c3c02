#include "ReadmePage.h"

#include <string_view>

#include <commctrl.h>
#include <richedit.h>

#include "Readme.h"
#include "SetupTexts.h"
#include "WinText.h"
#include "resource.h"

namespace installer::win {

namespace {

constexpr UINT_PTR SecondTimer = 1;

// Feeds bytes to EM_STREAMIN.
struct StreamSource
{
    std::string_view bytes;
    std::size_t offset = 0;
};

DWORD CALLBACK readChunk(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG *given)
{
    auto *source = reinterpret_cast<StreamSource *>(cookie);
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(wanted), source->bytes.size() - source->offset);
    std::copy_n(source->bytes.data() + source->offset, count, buffer);
    source->offset += count;
    *given = static_cast<LONG>(count);
    return 0;
}

void streamIn(HWND richEdit, std::string_view bytes, WPARAM format)
{
    StreamSource source{bytes};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &readChunk;
    ::SendMessageW(richEdit, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
}

// Plain readmes of the time are laid out for a fixed-width font.
void useFixedFont(HWND richEdit)
{
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET;
    format.yHeight = 9 * 20; // twips
    format.bCharSet = DEFAULT_CHARSET;
    lstrcpynW(format.szFaceName, L"Courier New", LF_FACESIZE);
    ::SendMessageW(richEdit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

} // namespace

ReadmePage::ReadmePage(const Package &package) : Page(IDD_README), m_package(package) {}

std::string ReadmePage::title() const
{
    return texts::readmeTitle();
}

std::string ReadmePage::subtitle() const
{
    return texts::readmeSubtitle(m_package);
}

void ReadmePage::onInit()
{
    HWND readme = item(IDC_README);
    leaveDialogKeysToDialog(readme);
    ::SendMessageW(readme, EM_SETTEXTMODE, TM_RICHTEXT, 0);
    showReadme();

    HWND bar = item(IDC_DELAY_BAR);
    styleProgressBar(bar, m_package.smooth);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, std::max(1, m_secondsLeft));
    ::SendMessageW(bar, PBM_SETPOS, m_secondsLeft, 0);
    ::ShowWindow(bar, m_secondsLeft > 0 ? SW_SHOW : SW_HIDE);
    ::ShowWindow(item(IDC_DELAY), m_secondsLeft > 0 ? SW_SHOW : SW_HIDE);
    showSecondsLeft();
}

void ReadmePage::showReadme()
{
    HWND readme = item(IDC_README);
    Readme content;
    std::string error;
    if (!loadReadme(m_package, &content, &error)) {
        // Nothing to read, so nothing to wait for.
        ::SetWindowTextW(readme, wideLines(texts::readmeUnreadable(error)).c_str());
        m_secondsLeft = 0;
        return;
    }
    if (content.rtf) {
        streamIn(readme, content.bytes, SF_RTF);
    } else {
        useFixedFont(readme);
        const std::wstring text = wideLines(content.text);
        streamIn(readme,
                 std::string_view(reinterpret_cast<const char *>(text.data()), text.size() * sizeof(wchar_t)),
                 SF_TEXT | SF_UNICODE);
    }
    ::SendMessageW(readme, EM_SETSEL, 0, 0);
    m_secondsLeft = m_package.readmeDelay;
}

HWND ReadmePage::firstFocus() const
{
    return item(IDC_README);
}

void ReadmePage::skipWait()
{
    m_secondsLeft = 0;
    ::ShowWindow(item(IDC_DELAY_BAR), SW_HIDE);
    ::ShowWindow(item(IDC_DELAY), SW_HIDE);
}

void ReadmePage::enter()
{
    if (m_started || m_secondsLeft == 0)
        return;
    m_started = true;
    ::SetTimer(hwnd(), SecondTimer, 1000, nullptr);
}

bool ReadmePage::onMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR *result)
{
    if (message != WM_TIMER || wParam != SecondTimer)
        return false;
    tick();
    *result = 0;
    return true;
}

void ReadmePage::tick()
{
    if (m_secondsLeft > 0)
        --m_secondsLeft;
    ::SendMessageW(item(IDC_DELAY_BAR), PBM_SETPOS, m_secondsLeft, 0);
    showSecondsLeft();
    if (m_secondsLeft == 0) {
        ::KillTimer(hwnd(), SecondTimer);
        changed();
    }
}

void ReadmePage::showSecondsLeft()
{
    setItem(IDC_DELAY, texts::readmeWait(m_secondsLeft));
}

} // namespace installer::win
