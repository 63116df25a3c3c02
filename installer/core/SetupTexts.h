#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "InstallRecord.h"
#include "Installation.h"
#include "Package.h"
#include "Uninstallation.h"

// Every text the setup window shows, the same on Linux (Qt) and Windows (Win32). '&' marks the
// mnemonic of a caption ("&&" a plain '&'), as both toolkits read it; no two buttons that a step
// shows at once share one. Texts are UTF-8.
namespace installer::texts {

// The window and its buttons.
std::string windowTitle(const Package &package); // "<name> Setup", or "Setup"
std::string errorCaption();                      // "Setup": message boxes before the window exists
std::string backButton();                        // "< &Back"
std::string continueButton();                    // "&Continue >"
std::string installButton();                     // "&Install"
std::string finishButton();                      // "&Finish"
// The game folder step's forward button: Install, or Continue when the folder holds the package
// already (the Installed Already step follows).
std::string folderNextButton(bool holdsPackage);
std::string cancelButton(); // "C&ancel"

// A package that cannot be installed, before the window opens.
std::string packageRefused(std::string_view reason);

// Welcome.
std::string welcomeTitle(const Package &package);
std::string welcomeSubtitle(const Package &package);
std::string welcomeIntro(const Package &package);
std::string packageCaption();   // "Package:"
std::string authorCaption();    // "Author:"
std::string emailCaption();     // "E-mail:"
std::string webSiteCaption();   // "Web site:"
std::string copyrightCaption(); // "Copyright:"
std::string needsCaption();     // "Needs:"
std::string filesCaption();     // "Files:"
// The game the package needs, saying so when install.ini does not.
std::string neededGame(const Package &package);
// "city.ar, cars.ar (69.6 kB)"
std::string fileList(const Package &package, std::uint64_t totalBytes);
// A size as "1023 bytes", "68.4 kB", "3.0 GB" (units of 1024, one decimal).
std::string dataSize(std::uint64_t bytes);
std::string welcomeHowTo();

// Readme.
std::string readmeTitle();
std::string readmeSubtitle(const Package &package);
std::string readmeWait(int secondsLeft); // "You can continue in 5 seconds." ... "You can continue now."
std::string readmeUnreadable(std::string_view reason);

// Game folder.
std::string folderTitle();
std::string folderSubtitle(const Package &package);
std::string folderIntro(const Package &package);
std::string folderCaption();     // "&Game folder:"
std::string browseButton();      // "B&rowse..."
std::string folderPickerTitle(); // the folder picker's caption
std::string backupNote();
// The folder does not look like the game: the question after its description.
std::string oddFolderQuestion(std::string_view description);

// Install.
std::string installTitle();
std::string installSubtitle();
std::string copyingStatus(const std::string &fileName, int index, int count); // index 0-based
std::string allCopiedStatus();
std::string stoppedStatus();
std::string fileLine(const std::string &fileName, FileOutcome outcome);
std::string notInstalledLine(const std::string &fileName);

// The question before a file of the game folder is replaced, and its buttons.
std::string replaceQuestion(const std::string &fileName);
std::string yesButton();      // "&Yes"
std::string noButton();       // "&No"
std::string yesToAllButton(); // "Yes to &All"

// Another setup holds the game folder: the command line's line, and the window's question
// (Yes waits for it, No cancels).
std::string busyLine(std::string_view gameFolder);
std::string busyQuestion(std::string_view gameFolder);
std::string busyWaiting(); // the status while the window waits

// Cancel (the button, Esc or the window's close button) before anything was installed.
std::string quitQuestion();
// Cancel on the Installed Already step: the package stays as it is.
std::string keepInstalledQuitQuestion();

// Done.
std::string doneTitle(bool ok);
std::string doneSubtitle(const Package &package, bool ok);
std::string copiedInto(std::string_view gameFolder); // "The files were copied into <folder>."
std::string installedHeading();                      // "Installed:"
std::string replacedMark();                          // " (replaced)" after a replaced file's name
std::string skippedHeading();
std::string notInstalledHeading();
std::string backupHeading(); // "Backup:"
std::string backupKeptIn();  // "the files that were replaced are kept in"
std::string backupUndo();    // how to remove the package and have the originals back

// A path as Windows writes it (backslashes), and as this system shows paths to the player.
std::string windowsPath(std::string path);
std::string displayPath(const std::string &path);

enum class PathStyle
{
    AsGiven,
    Windows,
};
// The Done step's text after an installation, as plain lines: how it went, the files under their
// headings (" (replaced)" after those whose original went into the backup), and the backup folder.
std::string installSummary(const InstallResult &result, const std::string &gameFolder, PathStyle paths);

// A game folder that holds the package already: install it again, or remove it.
std::string installedTitle();                                 // "Installed Already"
std::string installedSubtitle(const Package &package);        // "<name> is installed in this game folder."
std::string installedWhen(const InstallRecord &installation); // "Installed on <date time>: 3 files."
std::string reinstallOption();                                // "&Reinstall ..."
std::string removeOption();                                   // "Re&move ..."
std::string checkingStatus(); // while the installed files are read, before a removal

// Removing.
std::string removingTitle();
std::string removingSubtitle(const Package &package);
std::string removingStatus(const std::string &fileName, int index, int count); // index 0-based
// Asked before a removal that would leave files as they are.
std::string leftQuestion(const Package &package, const std::vector<LeftFile> &left);
// Asked before a removal starts.
std::string removeQuestion(const Package &package);

// Done after a removal.
std::string removedTitle(bool ok);
std::string removedSubtitle(const Package &package, bool ok);
std::string removedHeading();               // "Removed:"
std::string restoredHeading();              // "Put back:"
std::string leftHeading();                  // "Left as they are:"
std::string leftLine(const LeftFile &file); // "<name>: <reason>"

} // namespace installer::texts
