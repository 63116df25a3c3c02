#pragma once

#include <set>
#include <string>
#include <vector>

#include "Uninstallation.h"

namespace installer {

// A file that several installations of a package wrote is left by each of them; the player is
// told about it once, with the reason the newest installation gave.
inline std::vector<LeftFile> eachFileOnce(const std::vector<LeftFile> &left)
{
    std::vector<LeftFile> once;
    std::set<std::string> named;
    for (const LeftFile &file : left) {
        if (named.insert(file.name).second)
            once.push_back(file);
    }
    return once;
}

} // namespace installer
