#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text in the portable base is UTF-8 in std::string. Only the Win32 edge converts to wide strings.
namespace base::text {

bool isValidUtf8(std::string_view bytes);

// Appends the code point c in UTF-8.
void appendUtf8(std::string &out, char32_t c);

// Single-byte Windows-1252 text (files edited on Windows, readmes of the time) as UTF-8.
std::string fromWindows1252(std::string_view bytes);

// Bytes read from an INI file or a readme as UTF-8: kept when they are valid UTF-8, read as
// Windows-1252 otherwise. The same rule in the wizard and the installer.
std::string decodeLocal(std::string_view bytes);

// The first maxBytes bytes at most, backed off so that no UTF-8 character is split.
std::string cutUtf8(std::string_view text, std::size_t maxBytes);

// The lookup form of a name: letter case folded (ASCII and the common European scripts).
std::string foldCase(std::string_view utf8);

#ifdef _WIN32
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);
#endif

} // namespace base::text
