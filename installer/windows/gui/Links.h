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

// Text for a SysLink control: the text as it is, made one link when it has a target. The target
// stays with the window (a click opens it): attributes inside the markup are read differently by
// different versions of the control.
std::string linkMarkup(std::string_view text, bool isLink);

} // namespace installer::win
