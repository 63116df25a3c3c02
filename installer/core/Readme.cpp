#include "Readme.h"

#include <filesystem>

#include "FileLinks.h"
#include "Files.h"
#include "Package.h"
#include "RtfText.h"
#include "Text.h"

namespace installer {

namespace {

std::string decodePlain(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    const std::string text = base::text::decodeLocal(bytes);
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            lines += text[i];
        }
    }
    return lines;
}

bool endsWithRtf(std::string_view name)
{
    if (name.size() < 4)
        return false;
    return base::text::foldCase(name.substr(name.size() - 4)) == ".rtf";
}

} // namespace

bool isRtfReadme(std::string_view fileName, std::string_view bytes)
{
    if (looksLikeRtf(bytes))
        return true;
    const std::size_t first = bytes.find_first_not_of(" \t\n\r\v\f");
    return endsWithRtf(fileName) && first != std::string_view::npos && bytes[first] == '{';
}

std::string readableText(std::string_view fileName, std::string_view bytes)
{
    return isRtfReadme(fileName, bytes) ? rtfToText(bytes) : decodePlain(bytes);
}

bool loadReadme(const Package &package, Readme *readme, std::string *error)
{
    const std::string path = package.pathOf(package.readme);
    // A link could show any file of the player's disk (or /dev/zero) as the readme.
    if (base::files::isLink(path)) {
        if (error)
            *error = path + ": a symbolic link, not a file of the package";
        return false;
    }
    std::optional<std::string> bytes = base::files::readRegularFile(path, MaxReadmeBytes, error);
    if (!bytes)
        return false;
    readme->rtf = isRtfReadme(package.readme, *bytes);
    readme->text = readableText(package.readme, *bytes);
    readme->bytes = std::move(*bytes);
    return true;
}

} // namespace installer
