#include "Links.h"

namespace installer::win {

namespace {

bool linkable(std::string_view text)
{
    return !text.empty() && text.find_first_of(" \"<>") == std::string_view::npos;
}

// SysLink reads only its <a> tags and knows no entities: a zero-width space after each '<' keeps
// the text from opening a tag and shows nothing more.
std::string escaped(std::string_view text)
{
    std::string markup;
    for (char c : text) {
        markup += c;
        if (c == '<')
            markup += "\xE2\x80\x8B";
    }
    return markup;
}

} // namespace

std::optional<std::string> emailTarget(std::string_view address)
{
    if (!linkable(address) || address.find('@') == std::string_view::npos)
        return std::nullopt;
    return "mailto:" + std::string(address);
}

std::optional<std::string> webTarget(std::string_view site)
{
    if (!linkable(site) || site.find('.') == std::string_view::npos)
        return std::nullopt;
    if (site.find("://") != std::string_view::npos)
        return std::string(site);
    return "http://" + std::string(site);
}

std::string linkMarkup(std::string_view text, bool isLink)
{
    return isLink ? "<a>" + escaped(text) + "</a>" : escaped(text);
}

} // namespace installer::win
