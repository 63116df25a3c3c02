#include "CommandLine.h"

#include "Files.h"
#include "GameFolder.h"
#include "Installation.h"
#include "Package.h"

namespace installer {

namespace {

std::string oneLine(std::string text)
{
    for (char &c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

std::string joined(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

// "--name DIR" or "--name=DIR"; false when this argument is not that option.
bool folderOption(const std::vector<std::string> &arguments, std::size_t &i, const std::string &name,
                  std::string *value, std::string *error, bool *failed)
{
    const std::string &arg = arguments[i];
    if (arg == name) {
        if (i + 1 >= arguments.size()) {
            *error = name + " needs a folder";
            *failed = true;
            return true;
        }
        *value = arguments[++i];
        return true;
    }
    if (arg.starts_with(name + "=")) {
        *value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

} // namespace

std::string usageText()
{
    return "Usage: setup.exe [--target DIR [--yes]] [--package DIR] [--help]\n"
           "\n"
           "Installs the package described by install.ini in the folder of setup.exe.\n"
           "Without arguments it opens the setup window, which leads through the readme,\n"
           "the choice of the game folder and the installation.\n"
           "\n"
           "  --target DIR   install into the game folder DIR without a window\n"
           "  --yes          answer yes to every question: replace files that exist in DIR\n"
           "                 (the originals are kept in DIR/Quernel Backup/<package> <date time>/)\n"
           "                 and install even when DIR does not look like a game folder;\n"
           "                 without --yes, existing files are left alone and a folder that\n"
           "                 does not look like the game is refused\n"
           "  --package DIR  install the package in DIR instead of the one beside setup.exe\n"
           "                 (with or without a window)\n"
           "  --help         show this text\n"
           "\n"
           "Exit status: 0 installed, 1 refused or stopped (one line on stderr says why),\n"
           "2 arguments not understood.\n";
}

bool parseArguments(const std::vector<std::string> &arguments, SetupArguments *parsed, std::string *error)
{
    SetupArguments options;
    bool targetGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &arg = arguments[i];
        bool failed = false;
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            options.help = true;
        } else if (arg == "--yes" || arg == "-y") {
            options.yes = true;
        } else if (folderOption(arguments, i, "--target", &options.target, error, &failed)) {
            if (failed)
                return false;
            targetGiven = true;
        } else if (folderOption(arguments, i, "--package", &options.packageFolder, error, &failed)) {
            if (failed)
                return false;
            if (options.packageFolder.empty()) {
                *error = "--package needs a folder";
                return false;
            }
        } else {
            *error = "unknown argument \"" + arg + "\" (see --help)";
            return false;
        }
    }
    // --yes answers the questions of the window-less mode, which needs its game folder.
    if (!options.help && options.target.empty() && (targetGiven || options.yes)) {
        *error = "no game folder given: use --target DIR (see --help)";
        return false;
    }
    *parsed = std::move(options);
    return true;
}

bool opensWindow(const SetupArguments &arguments)
{
    return !arguments.help && !arguments.yes && arguments.target.empty();
}

int runCommandLine(const std::vector<std::string> &arguments, const std::string &packageFolder,
                   std::ostream &out, std::ostream &err)
{
    SetupArguments options;
    std::string error;
    if (parseArguments(arguments, &options, &error) && !options.help && options.target.empty())
        error = "no game folder given: use --target DIR (see --help)";
    if (!error.empty()) {
        err << "setup.exe: " << error << std::endl;
        return ExitUsage;
    }
    if (options.help) {
        out << usageText() << std::flush;
        return ExitOk;
    }
    auto fail = [&err](const std::string &reason) {
        err << "setup.exe: " << oneLine(reason) << std::endl;
        return ExitFailed;
    };

    // Ctrl-C or a kill from a script leaves no temporary of a copy behind.
    base::files::removeTemporariesOnSignals();

    Package package;
    const std::string folder =
        options.packageFolder.empty() ? packageFolder : gameFolderFrom(options.packageFolder);
    if (!loadPackage(folder, &package, &error))
        return fail(error);
    const std::string target = gameFolderFrom(options.target);
    const FolderCheck check = checkGameFolder(target, package.gameVersion, package.folder);
    if (!check.usable())
        return fail(check.error);
    if (check.needsWarning() && !options.yes)
        return fail(describe(check, package.gameVersion) + " Use --yes to install there anyway.");

    Installation installation(package, target);
    const InstallResult result = installation.run([&options](const std::string &) {
        return options.yes ? ReplaceAnswer::YesToAll : ReplaceAnswer::No;
    });
    if (!result.ok) {
        if (!result.installed.empty())
            out << "Installed: " << joined(result.installed) << std::endl;
        return fail(result.error);
    }
    out << "Installed " << result.installed.size() << " file(s) of "
        << (package.name.empty() ? std::string("the package") : package.name) << " into " << target
        << std::endl;
    if (!result.skipped.empty())
        out << "Left as they were: " << joined(result.skipped) << std::endl;
    if (!result.backupFolder.empty())
        out << "Replaced files are kept in: " << result.backupFolder << std::endl;
    return ExitOk;
}

} // namespace installer
