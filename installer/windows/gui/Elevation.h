#pragma once

#include <optional>
#include <string>
#include <vector>

namespace installer::win {

// A game folder that cannot be written to (a game under Program Files) may be reached with
// administrator rights: setup.exe starts again, elevated, on the same package, and its window
// opens at the game folder step with that folder:
//   setup.exe --package "<package folder>" --elevated-folder "<game folder>"
inline constexpr const char *elevatedFolderOption = "--elevated-folder";
inline constexpr const char *packageOption = "--package";

// What the window knows when a game folder is refused.
struct RefusedFolder
{
    bool exists = false;   // the folder is there and is a folder
    bool writable = false; // a file could be created in it
    bool elevated = false; // this process runs with administrator rights already
};

// Whether to offer a restart with administrator rights: only for an existing folder that cannot
// be written to, and only when the rights would change something.
bool shouldOfferElevation(const RefusedFolder &folder);

// One argument as the C runtime and CommandLineToArgvW read it back: quoted, with the
// backslashes before a quote doubled and quotes escaped.
std::string quoteArgument(const std::string &argument);

// The parameters of the restarted setup.exe (the program itself is named apart).
std::string elevatedParameters(const std::string &packageFolder, const std::string &gameFolder);

struct ElevatedRestart
{
    std::string packageFolder;
    std::string gameFolder;
};

// The restart's folders when the arguments (without the program name) are exactly those that
// elevatedParameters writes; nothing otherwise.
std::optional<ElevatedRestart> elevatedRestartFrom(const std::vector<std::string> &arguments);

} // namespace installer::win
