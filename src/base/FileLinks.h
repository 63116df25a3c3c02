#pragma once

#include <string>

namespace base::files {

// True when path names a symbolic link (or, on Windows, a junction or another reparse point)
// rather than a file or folder of its own. Under Wine, which shows the links of the Unix file
// system as what they point to, a path that resolves to another place than its own name in its
// folder counts as a link too. False when nothing is there.
bool isLink(const std::string &path);

} // namespace base::files
