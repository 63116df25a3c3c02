#include "CommandLine.h"

#include "Files.h"
#include "GameFolder.h"
#include "IniDocument.h"
#include "InstallRecord.h"
#include "Installation.h"
#include "Package.h"
#include "PackageFormat.h"
#include "ProgramsList.h"
#include "SetupTexts.h"
#include "Uninstallation.h"

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

std::string leftList(const std::vector<LeftFile> &left)
{
    std::vector<std::string> lines;
    for (const LeftFile &file : left)
        lines.push_back(file.name + ": " + file.reason);
    return joined(lines);
}

// The package's name from install.ini alone: a package whose files are gone can still be removed.
bool packageName(const std::string &folder, std::string *name, std::string *error)
{
    const std::string ini = folder + '/' + std::string(package::file::Install);
    std::string readError;
    const std::optional<std::string> bytes = base::files::readRegularFile(ini, 4 << 20, &readError);
    if (!bytes) {
        *error = "There is no readable install.ini beside the installer (" + readError + ").";
        return false;
    }
    const base::ini::Document doc(*bytes);
    *name = base::ini::readValue(&doc, package::section::Main, package::key::Name, {});
    return true;
}

int listInstalled(const std::string &target, std::ostream &out, std::ostream &err)
{
    const FolderCheck check = checkGameFolder(target, 0, {});
    if (check.problem == FolderProblem::Missing || check.problem == FolderProblem::NotAFolder) {
        err << "setup.exe: " << oneLine(check.error) << std::endl;
        return ExitFailed;
    }
    std::vector<std::string> unreadable;
    const std::vector<InstallRecord> installations = recordedInstallations(target, &unreadable);
    if (installations.empty())
        out << "No package is recorded as installed in " << target << "." << std::endl;
    for (const InstallRecord &installation : installations) {
        const std::size_t count = installation.files.size();
        out << installation.installedAt << "  " << installation.packageName << "  (" << count
            << (count == 1 ? " file)" : " files)") << (installation.complete ? "" : " (not finished)")
            << std::endl;
    }
    for (const std::string &record : unreadable)
        out << "Unreadable record: " << oneLine(record) << std::endl;
    return ExitOk;
}

int uninstall(const SetupArguments &options, const std::string &packageFolder, std::ostream &out,
              std::ostream &err)
{
    auto fail = [&err](const std::string &reason) {
        err << "setup.exe: " << oneLine(reason) << std::endl;
        return ExitFailed;
    };
    std::string name = options.uninstallName;
    std::string error;
    if (name.empty()) {
        const std::string folder =
            options.packageFolder.empty() ? packageFolder : gameFolderFrom(options.packageFolder);
        if (!packageName(folder, &name, &error))
            return fail(error);
    }
    const std::string target = gameFolderFrom(options.target);
    Uninstallation uninstallation(target, name);
    if (const std::string problem = uninstallation.preflight(); !problem.empty()) {
        // An installer killed before its first record is not installed, but its leftovers go.
        if (uninstallation.installations().empty())
            uninstallation.sweepStrays();
        return fail(problem);
    }
    if (!options.yes) {
        const std::vector<LeftFile> left = uninstallation.check();
        if (!left.empty())
            return fail(std::to_string(left.size()) + " file(s) would be left as they are (" +
                        leftList(left) + "); use --yes to remove the rest.");
    }

    const std::string recordedName = uninstallation.installations().front().packageName;
    const UninstallResult result = uninstallation.run();
    if (result.busy) {
        err << "setup.exe: " << oneLine(result.error) << std::endl;
        return ExitBusy;
    }
    if (const std::string problem = unlistRemoval(recordedName, target); !problem.empty())
        err << "setup.exe: " << oneLine(problem) << std::endl;
    out << "Removed " << result.removed.size() + result.restored.size() << " file(s) of "
        << (recordedName.empty() ? std::string("the package") : recordedName) << " from " << target
        << std::endl;
    if (!result.restored.empty())
        out << "Put back: " << joined(result.restored) << std::endl;
    if (!result.left.empty())
        out << "Left as they are: " << leftList(result.left) << std::endl;
    if (result.ok)
        return ExitOk;
    if (!result.error.empty())
        return fail(result.error);
    return fail(std::to_string(result.left.size()) + " file(s) were left as they are (" +
                leftList(result.left) + ").");
}

} // namespace

std::string usageText()
{
    return "Usage: setup.exe [--target DIR [--yes]] [--package DIR] [--help]\n"
           "       setup.exe --list --target DIR\n"
           "       setup.exe --uninstall [NAME] --target DIR [--yes] [--package DIR]\n"
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
           "  --list         list the packages recorded as installed in DIR\n"
           "  --uninstall [NAME]\n"
           "                 remove the package (or the installed package NAME) from DIR:\n"
           "                 its files are deleted and the files it replaced are put back;\n"
           "                 a file changed since it was installed, or whose original's\n"
           "                 backup is missing or damaged, is left as it is, and without\n"
           "                 --yes nothing is removed when any file would be left\n"
           "  --help         show this text\n"
           "\n"
           "Exit status: 0 installed (or removed completely), 1 refused, stopped or not\n"
           "removed completely (one line on stderr says why), 2 arguments not understood\n"
           "or another setup working on DIR at the same time.\n";
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
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "--uninstall" || arg.starts_with("--uninstall=")) {
            options.uninstall = true;
            if (arg != "--uninstall") {
                options.uninstallName = arg.substr(std::string("--uninstall=").size());
                if (options.uninstallName.empty()) {
                    *error = "--uninstall= needs a package name";
                    return false;
                }
            } else if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("-") &&
                       arguments[i + 1] != "/?") {
                options.uninstallName = arguments[++i];
            }
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
    if (options.list && options.uninstall) {
        *error = "--list and --uninstall cannot be given together";
        return false;
    }
    if (!options.uninstallName.empty() && !options.packageFolder.empty()) {
        *error = "--uninstall NAME removes a package by its name; --package cannot be given with it";
        return false;
    }
    // --yes answers the questions of the window-less mode, which needs its game folder, and so
    // do listing and removing.
    if (!options.help && options.target.empty() &&
        (targetGiven || options.yes || options.list || options.uninstall)) {
        *error = "no game folder given: use --target DIR (see --help)";
        return false;
    }
    *parsed = std::move(options);
    return true;
}

bool opensWindow(const SetupArguments &arguments)
{
    return !arguments.help && !arguments.yes && !arguments.list && !arguments.uninstall &&
           arguments.target.empty();
}

bool usesProgramsPackage(const SetupArguments &arguments)
{
    return !arguments.help && !arguments.list && arguments.packageFolder.empty() &&
           arguments.uninstallName.empty();
}

int runCommandLine(const std::vector<std::string> &arguments, const std::string &packageFolder,
                   std::ostream &out, std::ostream &err, const std::string &archiveSha256)
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
    if (options.list)
        return listInstalled(gameFolderFrom(options.target), out, err);
    if (options.uninstall)
        return uninstall(options, packageFolder, out, err);

    Package package;
    const std::string folder =
        options.packageFolder.empty() ? packageFolder : gameFolderFrom(options.packageFolder);
    if (!loadPackage(folder, &package, &error))
        return fail(error);
    if (options.packageFolder.empty())
        package.archiveSha256 = archiveSha256;
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
    if (result.busy) {
        err << "setup.exe: " << oneLine(result.error) << std::endl;
        return ExitBusy;
    }
    if (const std::string problem = listInstallation(package, target, result); !problem.empty())
        err << "setup.exe: " << oneLine(problem) << std::endl;
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
        out << "Replaced files are kept in: " << texts::displayPath(result.backupFolder) << std::endl;
    // Installed, but with something to say (the record could not be marked as complete).
    if (!result.error.empty())
        err << "setup.exe: " << oneLine(result.error) << std::endl;
    return ExitOk;
}

} // namespace installer
