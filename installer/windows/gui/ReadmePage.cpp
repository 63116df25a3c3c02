#include "ReadmePage.h"

#include <string_view>

#include <commctrl.h>
#include <richedit.h>

#include "Handles.h"
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

// The first of the usual fixed-width faces that this system has (Windows has Courier New; Wine
// often only the Linux ones).
std::wstring fixedWidthFace()
{
    const wchar_t *const faces[] = {L"Courier New", L"Consolas", L"Lucida Console", L"Liberation Mono",
                                    L"DejaVu Sans Mono"};
    HDC screen = ::GetDC(nullptr);
    std::wstring found = faces[0];
    for (const wchar_t *face : faces) {
        UniqueFont font(::CreateFontW(0, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      FIXED_PITCH | FF_MODERN, face));
        const HGDIOBJ before = ::SelectObject(screen, font.get());
        wchar_t mapped[LF_FACESIZE] = {};
        ::GetTextFaceW(screen, LF_FACESIZE, mapped);
        ::SelectObject(screen, before);
        if (::lstrcmpiW(mapped, face) == 0) {
            found = face;
            break;
        }
    }
    ::ReleaseDC(nullptr, screen);
    return found;
}

// Plain readmes of the time are laid out for a fixed-width font.
void useFixedFont(HWND richEdit)
{
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET;
    format.yHeight = 9 * 20; // twips
    format.bCharSet = DEFAULT_CHARSET;
    format.bPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(format.szFaceName, fixedWidthFace().c_str(), LF_FACESIZE);
    ::SendMessageW(richEdit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    ::SendMessageW(richEdit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));

    // Tabs every eight columns, as those readmes expect (a fixed-width character is 0.6 em wide).
    PARAFORMAT tabs{};
    tabs.cbSize = sizeof tabs;
    tabs.dwMask = PFM_TABSTOPS;
    tabs.cTabCount = MAX_TAB_STOPS;
    for (int i = 0; i < MAX_TAB_STOPS; ++i)
        tabs.rgxTabs[i] = (i + 1) * 8 * format.yHeight * 6 / 10;
    ::SendMessageW(richEdit, EM_SETSEL, 0, -1);
    ::SendMessageW(richEdit, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&tabs));
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
        const std::wstring text = wideLines(content.text);
        streamIn(readme,
                 std::string_view(reinterpret_cast<const char *>(text.data()), text.size() * sizeof(wchar_t)),
                 SF_TEXT | SF_UNICODE);
        useFixedFont(readme);
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
