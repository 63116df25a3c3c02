#pragma once

#include <cstdint>
#include <string>

#include "Installation.h"
#include "Package.h"

// Windows lists installed programs where players look to remove them (Settings, "Programs and
// Features"). Each installation of a package into a game folder gets an entry there, for the
// current user, whose uninstall command runs a copy of the installer kept beside the record; a
// complete removal takes the entry away, one that leaves files keeps it. Other systems have no
// such list: there the functions below change nothing.
namespace installer {

struct ProgramsListEntry
{
    std::string key;             // unique to the package and the game folder
    std::string displayName;     // "<package> (Midtown Madness 2 add-on)"
    std::string publisher;       // the author
    std::string installLocation; // the game folder
    std::uint32_t estimatedSizeKb = 0;
    std::string keptInstaller;   // the copy of the installer the uninstall command runs
    std::string uninstallString; // "<kept installer>" --uninstall "<package>" --target "<game folder>"
};

// The entry's key under Uninstall: "Quernel " and 16 hex digits of a digest of the package name
// and the game folder (letter case ignored, as Windows ignores it in paths).
std::string programsListKey(const std::string &packageName, const std::string &gameFolder);

// A command-line argument in double quotes as CommandLineToArgvW reads it back: backslashes
// before the closing quote doubled (C:\ stays C:\, not an escaped quote).
std::string quotedArgument(const std::string &argument);

// What the entry for an installation says; sizeBytes is the size of the files it installed.
ProgramsListEntry programsListEntry(const Package &package, const std::string &gameFolder,
                                    std::uint64_t sizeBytes, const std::string &keptInstaller);

// After an installation that left a record: keeps a copy of the running installer in the run's
// folder and lists the package. Returns a one-line problem (the installation stands either way),
// or an empty text.
std::string listInstallation(const Package &package, const std::string &gameFolder,
                             const InstallResult &result);

// After a removal: once no installation of the package is recorded in the game folder, its entry
// goes. Returns a one-line problem or an empty text.
std::string unlistRemoval(const std::string &packageName, const std::string &gameFolder);

} // namespace installer
