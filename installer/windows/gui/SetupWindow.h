#pragma once

#include <string>

#include <windows.h>

#include "Package.h"

// Opens the setup window on the package (Welcome, Readme when the package has one, Game folder,
// Installed Already and Removing when the folder holds the package, Install, Done) and returns
// when it closes: 0 after a complete installation or removal, 1 otherwise (cancelled, stopped,
// files left), as the Linux window.
int runSetupWindow(HINSTANCE instance, const installer::Package &package);

// The same window opened at the game folder step with gameFolder: the run that a restart with
// administrator rights starts (see Elevation.h).
int runSetupWindow(HINSTANCE instance, const installer::Package &package, const std::string &gameFolder);
