#pragma once

#include <memory>
#include <string>

#include "Driver.h"

// Drives the Win32 runtime with the messages a user's input produces: characters to the
// edit, keys through the page's dialog manager, mouse messages to the up-down's arrows,
// BM_CLICK, and a timer that finds an open message box, reads its text and presses a button.
std::unique_ptr<form::testing::Driver> makeWin32Driver();

// A key (WM_KEYDOWN) or an Alt+character (WM_SYSCHAR) sent to the window's focused control
// through the runtime's dispatch, as the message loop would.
void pressWin32Key(form::Window &window, unsigned virtualKey, unsigned message);

// What the driver saw of the last message box it answered: its owner, whether the owner took
// input while the box was up, and the box's caption.
struct SeenMessageBox
{
    void *owner = nullptr;
    bool ownerEnabled = true;
    std::wstring caption;
};
SeenMessageBox lastWin32MessageBox();
