#include "Elevation.h"

namespace installer::win {

bool shouldOfferElevation(const RefusedFolder &folder)
{
    return folder.exists && !folder.writable && !folder.elevated;
}

std::string quoteArgument(const std::string &argument)
{
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // The closing quote follows: the backslashes before it are doubled.
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string elevatedParameters(const std::string &packageFolder, const std::string &gameFolder)
{
    return std::string(packageOption) + ' ' + quoteArgument(packageFolder) + ' ' + elevatedFolderOption +
           ' ' + quoteArgument(gameFolder);
}

std::optional<ElevatedRestart> elevatedRestartFrom(const std::vector<std::string> &arguments)
{
    if (arguments.size() != 4 || arguments[0] != packageOption || arguments[2] != elevatedFolderOption ||
        arguments[1].empty() || arguments[3].empty())
        return std::nullopt;
    return ElevatedRestart{arguments[1], arguments[3]};
}

} // namespace installer::win
