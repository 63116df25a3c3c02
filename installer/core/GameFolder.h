#pragma once

#include <QString>

namespace installer {

// How far a folder looks like an installation of the game the package needs.
// The markers: the game's program, midtown.exe (Midtown Madness 1) or
// midtown2.exe (Midtown Madness 2), in any letter case; failing both, the
// game's .ar archives in the folder itself.
enum class FolderLook
{
    RightGame,    // the needed game's program is there (either one when the version is unknown)
    ArchivesOnly, // no program of either game, but .ar archives: a game folder of some kind
    OtherGame,    // the program of the other version, not the needed one
    NoGame,       // nothing of either game
};

struct FolderCheck
{
    // Empty when files can be installed there; otherwise why not (missing, not a
    // folder, the package folder itself, not writable).
    QString error;
    FolderLook look = FolderLook::NoGame;
    // For RightGame and OtherGame: the program's name as found on disk.
    QString marker;

    bool usable() const { return error.isEmpty(); }
    // A folder that does not look right: the player may still go on.
    bool needsWarning() const { return look == FolderLook::OtherGame || look == FolderLook::NoGame; }
};

FolderCheck checkGameFolder(const QString &folder, int gameVersion, const QString &packageFolder);

// One sentence for the player about how the folder looks.
QString describe(const FolderCheck &check, int gameVersion);

// True when a file can be created in the folder: found by creating one and removing it.
bool canWriteInto(const QString &folder, QString *reason);

} // namespace installer
