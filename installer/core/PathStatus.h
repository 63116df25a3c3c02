#pragma once

#include <filesystem>
#include <string>

#include "FileLinks.h"
#include "Files.h"

// What lies at a path of the game or the package folder, never looked at through a link at the
// path itself: the installer must not be led out of the folder it works in.
namespace installer::paths {

inline std::filesystem::file_status linkStatus(const std::string &path)
{
    std::error_code ec;
    return std::filesystem::symlink_status(base::files::toPath(path), ec);
}

// Anything at all, a dangling link included.
inline bool exists(const std::string &path)
{
    return std::filesystem::exists(linkStatus(path));
}

// A folder of its own, not a link to one (nor, under Wine, a link of the Unix file system).
inline bool isRealFolder(const std::string &path)
{
    return std::filesystem::is_directory(linkStatus(path)) && !base::files::isLink(path);
}

} // namespace installer::paths
