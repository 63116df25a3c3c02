#include "SetupTexts.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace installer::texts {

namespace {

// The pattern with %1, %2, ... replaced by the arguments in one pass, so that an argument holding
// "%2" is not replaced again.
std::string arg(std::string_view pattern, std::initializer_list<std::string_view> args)
{
    std::string text;
    text.reserve(pattern.size() + 64);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const std::size_t n = std::size_t(pattern[i + 1] - '1');
            if (n < args.size()) {
                text += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        text += pattern[i];
    }
    return text;
}

std::string nameOr(const Package &package, std::string_view fallback)
{
    return package.name.empty() ? std::string(fallback) : package.name;
}

} // namespace

std::string windowTitle(const Package &package)
{
    return package.name.empty() ? "Setup" : package.name + " Setup";
}

std::string errorCaption()
{
    return "Setup";
}

std::string backButton()
{
    return "< &Back";
}

std::string continueButton()
{
    return "&Continue >";
}

std::string installButton()
{
    return "&Install";
}

std::string finishButton()
{
    return "&Finish";
}

std::string folderNextButton(bool holdsPackage)
{
    return holdsPackage ? continueButton() : installButton();
}

std::string cancelButton()
{
    // Not "&Cancel": Alt+C belongs to Continue.
    return "C&ancel";
}

std::string packageRefused(std::string_view reason)
{
    return arg("This package cannot be installed.\n\n%1\n\nNothing was changed.", {reason});
}

std::string welcomeTitle(const Package &package)
{
    return package.name.empty() ? "Welcome" : "Welcome to " + package.name;
}

std::string welcomeSubtitle(const Package &package)
{
    return "An add-on for " + gameTitle(package.gameVersion);
}

std::string welcomeIntro(const Package &package)
{
    return arg("This program installs %1 into your %2 folder.",
               {nameOr(package, "this add-on"), gameTitle(package.gameVersion)});
}

std::string packageCaption()
{
    return "Package:";
}

std::string authorCaption()
{
    return "Author:";
}

std::string emailCaption()
{
    return "E-mail:";
}

std::string webSiteCaption()
{
    return "Web site:";
}

std::string copyrightCaption()
{
    return "Copyright:";
}

std::string needsCaption()
{
    return "Needs:";
}

std::string filesCaption()
{
    return "Files:";
}

std::string neededGame(const Package &package)
{
    return package.gameVersion ? gameTitle(package.gameVersion)
                               : "Midtown Madness (the package does not say which)";
}

std::string fileList(const Package &package, std::uint64_t totalBytes)
{
    std::string names;
    for (const std::string &name : package.files)
        names += (names.empty() ? "" : ", ") + name;
    return arg("%1 (%2)", {names, dataSize(totalBytes)});
}

std::string dataSize(std::uint64_t bytes)
{
    static const char *const units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1024)
        return std::to_string(bytes) + " bytes";
    int power = 0;
    double value = double(bytes) / 1024;
    while (value >= 1024 && power < 5) {
        value /= 1024;
        ++power;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[power]);
    return text;
}

std::string welcomeHowTo()
{
    return "Click Continue to go on, or Cancel to leave without changing anything.";
}

std::string readmeTitle()
{
    return "Read Me";
}

std::string readmeSubtitle(const Package &package)
{
    return arg("Please read this before installing (%1).", {package.readme});
}

std::string readmeWait(int secondsLeft)
{
    if (secondsLeft <= 0)
        return "You can continue now.";
    if (secondsLeft == 1)
        return "You can continue in 1 second.";
    return arg("You can continue in %1 seconds.", {std::to_string(secondsLeft)});
}

std::string readmeUnreadable(std::string_view reason)
{
    return arg("The readme of this package could not be opened.\n\n%1", {reason});
}

std::string folderTitle()
{
    return "Game Folder";
}

std::string folderSubtitle(const Package &package)
{
    return arg("Where is %1 installed?", {gameTitle(package.gameVersion)});
}

std::string folderIntro(const Package &package)
{
    return arg("Choose the folder where %1 is installed (the folder that holds the game's program). "
               "The package's files are copied into it.",
               {gameTitle(package.gameVersion)});
}

std::string folderCaption()
{
    return "&Game folder:";
}

std::string browseButton()
{
    return "B&rowse...";
}

std::string folderPickerTitle()
{
    return "Choose the game folder";
}

std::string backupNote()
{
    return arg("Files that are in the game folder already are replaced only if you agree; the files "
               "replaced are kept in the folder \"%1\" inside the game folder.",
               {backupRootName()});
}

std::string oddFolderQuestion(std::string_view description)
{
    return arg("%1\n\nInstall into this folder anyway?", {description});
}

std::string installTitle()
{
    return "Installing";
}

std::string installSubtitle()
{
    return "The files are copied into the game folder.";
}

std::string copyingStatus(const std::string &fileName, int index, int count)
{
    return arg("Copying %1 (%2 of %3)...", {fileName, std::to_string(index + 1), std::to_string(count)});
}

std::string allCopiedStatus()
{
    return "All files are copied.";
}

std::string stoppedStatus()
{
    return "The installation stopped.";
}

std::string fileLine(const std::string &fileName, FileOutcome outcome)
{
    switch (outcome) {
    case FileOutcome::Installed:
        return fileName + ": installed";
    case FileOutcome::Replaced:
        return fileName + ": replaced (the old file is in the backup)";
    case FileOutcome::Skipped:
        break;
    }
    return fileName + ": left as it was";
}

std::string notInstalledLine(const std::string &fileName)
{
    return fileName + ": not installed";
}

std::string replaceQuestion(const std::string &fileName)
{
    return arg("%1 is in the game folder already.\n\nReplace it? The present file is kept in the backup "
               "folder, so you can put it back later.",
               {fileName});
}

std::string yesButton()
{
    return "&Yes";
}

std::string noButton()
{
    return "&No";
}

std::string yesToAllButton()
{
    return "Yes to &All";
}

std::string busyLine(std::string_view gameFolder)
{
    return "Another setup is working on the game folder " + std::string(gameFolder) +
           "; try again when it has finished.";
}

std::string busyQuestion(std::string_view gameFolder)
{
    return arg("Another setup is working on this game folder:\n%1\n\nWait until it has finished? "
               "No leaves everything as it is.",
               {gameFolder});
}

std::string busyWaiting()
{
    return "Waiting for the other setup to finish...";
}

std::string quitQuestion()
{
    return "Nothing has been installed yet. Quit setup?";
}

std::string keepInstalledQuitQuestion()
{
    return "The package stays installed as it is. Quit setup?";
}

std::string doneTitle(bool ok)
{
    return ok ? "Installation Complete" : "Installation Stopped";
}

std::string doneSubtitle(const Package &package, bool ok)
{
    const std::string name = nameOr(package, "The package");
    return ok ? name + " is ready to play." : name + " was not installed completely.";
}

std::string copiedInto(std::string_view gameFolder)
{
    return arg("The files were copied into %1.", {gameFolder});
}

std::string installedHeading()
{
    return "Installed:";
}

std::string replacedMark()
{
    return " (replaced)";
}

std::string skippedHeading()
{
    return "Skipped (the files in the game folder were kept):";
}

std::string notInstalledHeading()
{
    return "Not installed:";
}

std::string backupHeading()
{
    return "Backup:";
}

std::string backupKeptIn()
{
    return "the files that were replaced are kept in";
}

std::string backupUndo()
{
    return "To remove the package and put the originals back, run setup again and choose Remove "
           "(or run it with --uninstall).";
}

std::string windowsPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string displayPath(const std::string &path)
{
#ifdef _WIN32
    return windowsPath(path);
#else
    return path;
#endif
}

namespace {

void addList(std::string &text, const std::string &heading, const std::vector<std::string> &lines)
{
    if (lines.empty())
        return;
    text += "\n\n" + heading;
    for (const std::string &line : lines)
        text += "\n    " + line;
}

} // namespace

std::string installSummary(const InstallResult &result, const std::string &gameFolder, PathStyle paths)
{
    auto shown = [paths](const std::string &path) {
        return paths == PathStyle::Windows ? windowsPath(path) : path;
    };
    std::string text = result.ok ? copiedInto(shown(gameFolder)) : result.error;
    std::vector<std::string> installed;
    for (const std::string &name : result.installed) {
        const bool replaced =
            std::find(result.replaced.begin(), result.replaced.end(), name) != result.replaced.end();
        installed.push_back(replaced ? name + replacedMark() : name);
    }
    addList(text, installedHeading(), installed);
    addList(text, skippedHeading(), result.skipped);
    addList(text, notInstalledHeading(), result.notInstalled);
    if (!result.backupFolder.empty()) {
        text += "\n\n" + backupHeading() + " " + backupKeptIn() + "\n    " + shown(result.backupFolder) +
                "\n" + backupUndo();
    }
    return text;
}

std::string installedTitle()
{
    return "Installed Already";
}

std::string installedSubtitle(const Package &package)
{
    return nameOr(package, "The package") + " is installed in this game folder.";
}

std::string installedWhen(const InstallRecord &installation)
{
    const std::size_t count = installation.files.size();
    return arg("Installed on %1: %2 %3%4",
               {installation.installedAt, std::to_string(count), count == 1 ? "file" : "files",
                installation.complete ? "." : " (the installation was not finished)."});
}

std::string reinstallOption()
{
    return "&Reinstall: remove the installed files, then install the package again";
}

std::string removeOption()
{
    return "Re&move: take the package out of the game folder and put back the files it replaced";
}

std::string checkingStatus()
{
    return "Checking the installed files...";
}

std::string removingTitle()
{
    return "Removing";
}

std::string removingSubtitle(const Package &package)
{
    return arg("Setup is removing %1 from the game folder.", {nameOr(package, "the package")});
}

std::string removingStatus(const std::string &fileName, int index, int count)
{
    return arg("Removing %1 (%2 of %3)...", {fileName, std::to_string(index + 1), std::to_string(count)});
}

std::string leftQuestion(const Package &package, const std::vector<LeftFile> &left)
{
    std::string lines;
    for (const LeftFile &file : left)
        lines += leftLine(file) + '\n';
    return arg("These files will be left as they are:\n\n%1\nRemove the rest of %2?",
               {lines, nameOr(package, "the package")});
}

std::string removeQuestion(const Package &package)
{
    return arg("Remove %1 from the game folder and put back the files it replaced?",
               {nameOr(package, "the package")});
}

std::string removedTitle(bool ok)
{
    return ok ? "Removal Complete" : "Removal Incomplete";
}

std::string removedSubtitle(const Package &package, bool ok)
{
    const std::string name = nameOr(package, "The package");
    return ok ? name + " was removed from the game folder." : name + " was not removed completely.";
}

std::string removedHeading()
{
    return "Removed:";
}

std::string restoredHeading()
{
    return "Put back:";
}

std::string leftHeading()
{
    return "Left as they are:";
}

std::string leftLine(const LeftFile &file)
{
    return file.name + ": " + file.reason;
}

} // namespace installer::texts
