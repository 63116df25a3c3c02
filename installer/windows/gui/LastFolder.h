#pragma once

#include <string>

namespace installer::win {

// The game folder of the last installation, kept for the player's next package under
// HKEY_CURRENT_USER\Software\Quernel\Setup, value LastGameFolder (REG_SZ).
inline constexpr wchar_t lastFolderKey[] = L"Software\\Quernel\\Setup";
inline constexpr wchar_t lastFolderValue[] = L"LastGameFolder";

// Empty when nothing is kept or the value is not a text of a sane length.
std::string readLastGameFolder();
// False when the key cannot be written (the window goes on without it).
bool rememberGameFolder(const std::string &folder);

} // namespace installer::win
