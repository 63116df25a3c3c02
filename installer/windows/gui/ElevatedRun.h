#pragma once

#include <string>

#include <windows.h>

#include "Handles.h"

namespace installer::win {

// True when this process runs with administrator rights (an elevated token).
bool isProcessElevated();

// Starts this program again with administrator rights ("runas": Windows shows its prompt) on the
// same package, opening at the game folder step with gameFolder. The started process, or null
// with the reason (empty when the player declined Windows' prompt).
UniqueHandle startElevated(HWND owner, const std::string &packageFolder, const std::string &gameFolder,
                           std::string *error);

} // namespace installer::win
