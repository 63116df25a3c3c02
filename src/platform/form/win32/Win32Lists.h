#pragma once

#include <memory>

#include "Form.h"
#include "Win32Window.h"

// The volume, folder and file lists (Drive1, Dir1, File1) as a combo box and list boxes that
// draw the shared list models; none of them changes the process's current folder.
namespace form::win32 {

std::unique_ptr<Control> makeDriveList(const ControlRow &layoutRow, Win32Window &window, int id);
std::unique_ptr<Control> makeDirList(const ControlRow &layoutRow, Win32Window &window, int id);
std::unique_ptr<Control> makeFileList(const ControlRow &layoutRow, Win32Window &window, int id);

} // namespace form::win32
