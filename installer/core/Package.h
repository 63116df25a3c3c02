#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace installer {

// What install.ini beside the installer says, checked so that nothing later has to doubt it: every
// listed file is a bare name of a regular file inside the package folder. Texts are UTF-8.
struct Package
{
    std::string folder; // the package folder: where install.ini, the readme and the files are
    std::string name;
    std::string copyright;
    std::string author;
    std::string www;
    std::string email;
    std::string readme;             // bare name, or empty when the package has none
    int gameVersion = 0;            // 1 or 2; 0 when "mmType" holds anything else
    std::string timerText;          // "Timer" as written
    int readmeDelay = 0;            // seconds the readme keeps Continue disabled
    bool smooth = false;            // "Smooth" of section "Progress Bar" is "True"
    std::vector<std::string> files; // File1..File<TotalFiles>, each name once, in order
    std::string archiveSha256;      // carried in a one-file setup: its zip archive's SHA-256

    std::string iniPath() const;
    std::string pathOf(std::string_view fileName) const;
};

// The seconds of the readme delay: a whole number 0..99 as written (0 = no delay); anything else
// (empty, letters, negative, above 99) the wizard's own default of 30.
int readmeDelayFrom(std::string_view timerText);
constexpr int DefaultReadmeDelay = 30;

// The longest value a read of install.ini gives whole; a longer file name would come back cut.
constexpr std::size_t MaxIniValueBytes = 254;

// "Midtown Madness 1" or "Midtown Madness 2"; "Midtown Madness" for an unknown version.
std::string gameTitle(int version);

// A name that stays inside the folder it is joined to: not empty or blank, not "." or "..", no
// path separator, no drive letter or other ':' and no control character. Dots inside a name
// ("my..track.ar") are fine.
bool isBareFileName(std::string_view name);

// True for a name Windows keeps for a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9) in
// any letter case, also with an extension ("CON.ar") or trailing dots or blanks: no file of that
// name can be made or read there.
bool isDeviceName(std::string_view name);

// Why a listed file cannot be installed (empty when it can): only a readable regular file in the
// package folder itself is taken, never a link, which could point anywhere on the player's disk.
std::string packageFileProblem(const Package &package, const std::string &name);

// Reads and checks <folder>/install.ini. False with a one-line reason when the package cannot be
// installed as it stands (a listed file missing, a link, a name that is no bare name or that a
// read of install.ini would cut).
bool loadPackage(const std::string &folder, Package *package, std::string *error);

} // namespace installer
