#include "Text.h"

#include <array>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace base::text {
namespace {

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at the start of bytes, 0 when there is none (overlong
// forms, surrogates and code points beyond U+10FFFF are not valid). The code point goes to c.
std::size_t decodeOne(std::string_view bytes, char32_t &c)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, c = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuationByte(bytes[i]))
            return 0;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

// Windows-1252 from 0x80 to 0x9F; the five unassigned bytes stay the C1 controls of the same
// number, as Windows itself converts them, so that different bytes never give the same text.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Simple case folding of ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic.
char32_t foldChar(char32_t c)
{
    const auto pairs = [c](char32_t first, char32_t last, bool upperIsEven) {
        return c >= first && c <= last && (c % 2 == 0) == upperIsEven;
    };
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    if (c == 0xB5)
        return 0x3BC; // micro sign: Greek mu
    if (pairs(0x100, 0x12F, true) || pairs(0x132, 0x137, true) || pairs(0x139, 0x148, false) ||
        pairs(0x14A, 0x177, true) || pairs(0x179, 0x17E, false))
        return c + 1;
    if (c == 0x178)
        return 0xFF;
    if (c == 0x17F)
        return 's';
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 0x20;
    if (c == 0x386)
        return 0x3AC;
    if (c >= 0x388 && c <= 0x38A)
        return c + 0x25;
    if (c == 0x38C)
        return 0x3CC;
    if (c == 0x38E || c == 0x38F)
        return c + 0x3F;
    if (c == 0x3C2)
        return 0x3C3; // final sigma
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (pairs(0x460, 0x481, true) || pairs(0x48A, 0x4BF, true) || pairs(0x4C1, 0x4CE, false) ||
        pairs(0x4D0, 0x52F, true))
        return c + 1;
    if (c == 0x4C0)
        return 0x4CF;
    return c;
}

} // namespace

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool isValidUtf8(std::string_view bytes)
{
    while (!bytes.empty()) {
        char32_t c = 0;
        const std::size_t length = decodeOne(bytes, c);
        if (length == 0)
            return false;
        bytes.remove_prefix(length);
    }
    return true;
}

std::string fromWindows1252(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        appendUtf8(text, b >= 0x80 && b < 0xA0 ? char32_t(Windows1252High[b - 0x80]) : char32_t(b));
    }
    return text;
}

std::string decodeLocal(std::string_view bytes)
{
    return isValidUtf8(bytes) ? std::string(bytes) : fromWindows1252(bytes);
}

std::string cutUtf8(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    // A character has at most three continuation bytes; more means the text is not UTF-8 there.
    std::size_t cut = maxBytes;
    while (cut > 0 && cut + 3 > maxBytes && isContinuationByte(text[cut]))
        --cut;
    if (isContinuationByte(text[cut]))
        cut = maxBytes;
    return std::string(text.substr(0, cut));
}

std::string foldCase(std::string_view utf8)
{
    std::string folded;
    folded.reserve(utf8.size());
    while (!utf8.empty()) {
        char32_t c = 0;
        const std::size_t length = decodeOne(utf8, c);
        if (length == 0) { // not UTF-8 here: the byte stays as it is
            folded += utf8.front();
            utf8.remove_prefix(1);
            continue;
        }
        appendUtf8(folded, foldChar(c));
        utf8.remove_prefix(length);
    }
    return folded;
}

#ifdef _WIN32
std::wstring widen(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(std::size_t(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), length);
    return wide;
}

std::string narrow(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}
#endif

} // namespace base::text
