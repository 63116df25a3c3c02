#pragma once

#include <string>
#include <string_view>

namespace installer {

// How far a folder looks like an installation of the game the package needs. The markers: the
// game's program, midtown.exe (Midtown Madness 1) or midtown2.exe (Midtown Madness 2), in any
// letter case; failing both, the game's .ar archives in the folder itself.
enum class FolderLook
{
    RightGame,    // the needed game's program is there (either one when the version is unknown)
    ArchivesOnly, // no program of either game, but .ar archives: a game folder of some kind
    OtherGame,    // the program of the other version, not the needed one
    NoGame,       // nothing of either game
};

// Why files cannot be installed into a folder.
enum class FolderProblem
{
    None,
    NotGiven,
    Missing,
    NotAFolder,
    PackageFolder, // the package folder itself
    NotWritable,   // (on Windows, a game under Program Files: the window offers to run as administrator)
};

struct FolderCheck
{
    // Empty when files can be installed there; otherwise one line saying why not.
    std::string error;
    FolderProblem problem = FolderProblem::None;
    FolderLook look = FolderLook::NoGame;
    // For RightGame and OtherGame: the program's name as found on disk.
    std::string marker;

    bool usable() const { return problem == FolderProblem::None; }
    // A folder that does not look right: the player may still go on.
    bool needsWarning() const { return look == FolderLook::OtherGame || look == FolderLook::NoGame; }
};

// The folder as typed or pasted, as the installation uses it: blanks and one pair of enclosing
// quotes dropped, made absolute and clean, no trailing separator. Empty when nothing is given.
std::string gameFolderFrom(std::string_view typed);

FolderCheck checkGameFolder(const std::string &folder, int gameVersion, const std::string &packageFolder);

// One sentence for the player about how the folder looks (or why it cannot be used).
std::string describe(const FolderCheck &check, int gameVersion);

// True when a file can be created in the folder: found by creating one and removing it.
bool canWriteInto(const std::string &folder, std::string *reason);

} // namespace installer
