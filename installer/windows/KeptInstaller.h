#pragma once

#include <string>
#include <vector>

// The copy of setup.exe kept beside an installation's record runs the removal that Windows'
// list of installed programs starts. Windows keeps the file of a running program, yet the removal
// must delete that copy with its record: so the kept copy hands the run to a copy of itself in the
// temporary folder and ends, and that copy waits until it has ended before it starts.
namespace setup_windows {

// True when this program is a kept copy asked to remove a package and a copy of it in the
// temporary folder now does that; the caller ends at once. False: run as usual.
bool handOverRemoval(const std::vector<std::string> &arguments);

// In the copy handed to: waits until the kept copy has ended. Does nothing in any other run.
void waitForHandingProgram();

} // namespace setup_windows
