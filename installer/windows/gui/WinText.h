#pragma once

#include <string>
#include <string_view>

#include <windows.h>

// UTF-8 inside, UTF-16 at the Win32 calls: the few conversions the window makes.
namespace installer::win {

std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view wide);

// "\n" line ends as the edit controls want them ("\r\n").
std::wstring wideLines(std::string_view utf8);

void setText(HWND window, std::string_view utf8);
void setItemText(HWND dialog, int id, std::string_view utf8);
std::string textOf(HWND window);

} // namespace installer::win
