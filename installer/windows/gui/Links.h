#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace installer::win {

// Where a click on the author's e-mail address or web site goes: only an address that looks like
// one becomes a link ("mailto:" before an address with '@', "http://" before a site without a
// scheme); anything else is shown as written.
std::optional<std::string> emailTarget(std::string_view address);
std::optional<std::string> webTarget(std::string_view site);

// Text for a SysLink control (LWS_NOPREFIX): the text as it is, inside one link to target when
// there is one.
std::string linkMarkup(std::string_view text, const std::optional<std::string> &target);

} // namespace installer::win
