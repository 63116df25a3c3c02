#pragma once

#include <string>
#include <string_view>

#include "PackageFormat.h"

// The package format's names as the wizard's texts, for its INI records, paths and captions.
namespace package {

inline std::string text(std::string_view name)
{
    return std::string(name);
}

// The key of the numbered file entry: "File1", "File2", ...
inline std::string fileKey(int number)
{
    return std::string(key::FilePrefix) + std::to_string(number);
}

} // namespace package
