#pragma once

#include <map>
#include <string>

#include "PackageFixture.h"
#include "Sha256.h"

namespace installer_test {

// listing() with each file's bytes given as their size and SHA-256: comparable like the bytes,
// and a difference between two large folders prints in a few lines.
inline std::map<std::string, std::string> digests(const std::string &root)
{
    std::map<std::string, std::string> entries = listing(root);
    for (auto &[name, content] : entries) {
        if (!content.starts_with("<link to ") && content != "<folder>")
            content = std::to_string(content.size()) + " bytes, " + installer::sha256Hex(content);
    }
    return entries;
}

// True when the file holds exactly these bytes; a failure names the file, not its bytes.
inline bool holds(const std::string &path, const std::string &bytes)
{
    return readFile(path) == bytes;
}

} // namespace installer_test
