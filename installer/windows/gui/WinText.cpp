#include "WinText.h"

#include "Text.h"

namespace installer::win {

std::wstring wide(std::string_view utf8)
{
    return base::text::widen(utf8);
}

std::string utf8(std::wstring_view wide)
{
    return base::text::narrow(wide);
}

std::wstring wideLines(std::string_view utf8)
{
    std::wstring lines;
    const std::wstring text = wide(utf8);
    lines.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
            lines += L'\r';
        lines += text[i];
    }
    return lines;
}

void setText(HWND window, std::string_view utf8)
{
    ::SetWindowTextW(window, wide(utf8).c_str());
}

void setItemText(HWND dialog, int id, std::string_view utf8)
{
    ::SetDlgItemTextW(dialog, id, wide(utf8).c_str());
}

std::string textOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return utf8(text);
}

} // namespace installer::win
