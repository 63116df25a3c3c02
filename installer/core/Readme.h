#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace installer {

struct Package;

// A readme larger than this is no readme a player reads; it is not loaded.
constexpr std::uint64_t MaxReadmeBytes = 4 << 20;

struct Readme
{
    std::string bytes; // the file as it is (the Windows window shows RTF itself)
    bool rtf = false;  // shown as RTF: by its ".rtf" name or its first bytes
    std::string text;  // the readable text for a plain text view (UTF-8, "\n" line ends)
};

// True when the readme is RTF: its bytes start with "{\rtf", or its name ends in ".rtf" and its
// first non-blank byte is '{'.
bool isRtfReadme(std::string_view fileName, std::string_view bytes);

// The text a player reads: an RTF readme as its readable text, any other file as it is. Plain
// text is taken as UTF-8 when it is valid UTF-8 and as Windows-1252 otherwise (the readmes of the
// time); a UTF-8 byte order mark is dropped and CR LF line ends become "\n".
std::string readableText(std::string_view fileName, std::string_view bytes);

// The package's readme, read only when it is a regular file inside the package (no link, FIFO or
// device) of at most MaxReadmeBytes; false with the reason otherwise.
bool loadReadme(const Package &package, Readme *readme, std::string *error);

} // namespace installer
