#include "FileUrl.h"

namespace platform {

namespace {

bool needsEncoding(unsigned char c, bool asciiOnly)
{
    if (asciiOnly && (c == ' ' || c >= 0x80))
        return true;
    if (c < 0x20 || c == 0x7F)
        return true;
    switch (c) {
    case '"':
    case '#':
    case '%':
    case '<':
    case '>':
    case '?':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
        return true;
    default:
        return false;
    }
}

std::string toFileUrl(const std::string &path, bool asciiOnly)
{
    std::string urlPath = path;
#ifdef _WIN32
    // "C:\x" is the URL path "/C:/x".
    for (char &c : urlPath)
        if (c == '\\')
            c = '/';
    if (urlPath.size() >= 2 && urlPath[1] == ':')
        urlPath.insert(0, "/");
#endif
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(urlPath.size() + 8);
    for (const char ch : urlPath) {
        const auto c = static_cast<unsigned char>(ch);
        if (needsEncoding(c, asciiOnly)) {
            encoded += '%';
            encoded += Hex[c >> 4];
            encoded += Hex[c & 0xF];
        } else {
            encoded += ch;
        }
    }
    // An absolute path has an empty host ("file:///a"); "//server/share" names its host itself.
    const bool absolute = !encoded.empty() && encoded[0] == '/';
    const bool hasHost = encoded.size() >= 2 && encoded[1] == '/';
    return std::string(absolute && !hasHost ? "file://" : "file:") + encoded;
}

} // namespace

std::string fileUrl(const std::string &path)
{
    return toFileUrl(path, false);
}

std::string encodedFileUrl(const std::string &path)
{
    return toFileUrl(path, true);
}

} // namespace platform
