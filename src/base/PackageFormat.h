#pragma once

#include <string>
#include <string_view>

// The names a package is made of: its files, the sections and keys of its INI records, and the
// window caption shown by the wizard that writes the package and the installer that reads it.
// Spelled here once; WriteINI reports nothing, so a misspelt key would silently write a wrong entry.
namespace package {

// The caption of every window of the wizard and of the package's installer.
inline constexpr std::string_view WindowCaption = "Quernel 2.0";

namespace file {
// The package description the installer reads.
inline constexpr std::string_view Install = "install.ini";
// The wizard's own records while it builds the package (the full paths of the picked files).
inline constexpr std::string_view Temp = "temp.ini";
// The installer, copied into every package from the program folder's Redist folder.
inline constexpr std::string_view Setup = "setup.exe";
inline constexpr std::string_view RedistFolder = "Redist";
// The animation the wizard plays while it copies files, in the program folder.
inline constexpr std::string_view CopyAnimation = "filecopy.avi";
} // namespace file

namespace section {
// The package's description: name, author, readme, game version, readme delay, file count.
inline constexpr std::string_view Main = "install.ini";
inline constexpr std::string_view ProgressBar = "Progress Bar";
// The numbered file entries (File1, File2, ...).
inline constexpr std::string_view Files = "Files";
} // namespace section

namespace key {
inline constexpr std::string_view Name = "Name";
inline constexpr std::string_view Copyright = "Copyright";
inline constexpr std::string_view Author = "Author";
inline constexpr std::string_view WWW = "WWW";
inline constexpr std::string_view AuthEmail = "AuthEmail";
inline constexpr std::string_view Readme = "Readme";
inline constexpr std::string_view mmType = "mmType";
inline constexpr std::string_view Timer = "Timer";
inline constexpr std::string_view TotalFiles = "TotalFiles";
inline constexpr std::string_view Smooth = "Smooth";
// The numbered file entries of the Files section: the prefix and the number, "File1".
inline constexpr std::string_view FilePrefix = "File";

inline std::string file(int number)
{
    return std::string(FilePrefix) + std::to_string(number);
}
} // namespace key

} // namespace package
