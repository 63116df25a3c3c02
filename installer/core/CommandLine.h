#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace installer {

// Exit statuses of the installer.
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1; // refused or stopped: the reason is on stderr
constexpr int ExitUsage = 2;  // arguments not understood
constexpr int ExitBusy = 2;   // another setup works on the game folder: nothing was done

std::string usageText();

struct SetupArguments
{
    bool help = false;
    bool yes = false;
    std::string target;        // the game folder of the window-less mode; empty: the setup window
    std::string packageFolder; // --package: the package to install; empty: the one beside the program
    bool list = false;         // --list: the packages recorded as installed in the target
    bool uninstall = false;    // --uninstall [NAME]: remove a package from the target
    std::string uninstallName; // the NAME given; empty: the package's own name
};

// False with a one-line reason when the arguments (without the program name) are not understood.
bool parseArguments(const std::vector<std::string> &arguments, SetupArguments *parsed, std::string *error);

// True when the arguments ask for the setup window: none, or only --package DIR.
bool opensWindow(const SetupArguments &arguments);

// True when the run reads the package beside the program (or carried in it): no --package, and
// neither --help, --list nor --uninstall NAME, which need no package.
bool usesProgramsPackage(const SetupArguments &arguments);

// The installer without a window: arguments (without the program name) as given, the package read
// from packageFolder unless --package names another. Prints a summary on out and, on failure, one
// line "setup.exe: <reason>" on err. Returns the exit status.
// archiveSha256: the digest of a one-file setup's archive the package was unpacked from, for the
// installation's record.
int runCommandLine(const std::vector<std::string> &arguments, const std::string &packageFolder,
                   std::ostream &out, std::ostream &err, const std::string &archiveSha256 = {});

} // namespace installer
