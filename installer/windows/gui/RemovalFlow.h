#pragma once

#include <optional>
#include <string>
#include <vector>

#include "InstallRecord.h"
#include "Package.h"
#include "Uninstallation.h"

// What the setup window decides, without a window, for a game folder that holds the package
// already: the question before the removal, whether the installation follows it, and the texts
// of the steps around it.
namespace installer::win {

enum class InstalledChoice
{
    Reinstall, // remove what the package installed, then install it again
    Remove,    // remove the package and put back what it replaced
};

// The question before the removal starts, or none. Remove always asks; Reinstall asks only when
// files would be left as they are (leftFiles: what Uninstallation::check() found).
std::optional<std::string> removalQuestion(InstalledChoice choice, const Package &package,
                                           const std::vector<LeftFile> &leftFiles);

// Why a reinstall must not begin (empty when it may, and always for Remove): a package that cannot
// be installed into the game folder is not taken out of it first, or the player would end with
// neither.
std::string reinstallProblem(InstalledChoice choice, const Package &package, const std::string &gameFolder);

// Reinstall goes on to the installation unless the removal was stopped or could not start; files
// left as they are were agreed to before it began.
bool installsAfterRemoval(InstalledChoice choice, const UninstallResult &result);

// One installedWhen line per installation, oldest first (installations as installationsOf gives
// them: newest first).
std::vector<std::string> installationLines(const std::vector<InstallRecord> &installations);

// The Done step's text after a removal: why it stopped, then what was removed, put back and left.
std::string removalSummary(const UninstallResult &result);

} // namespace installer::win
