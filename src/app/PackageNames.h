#pragma once

#include <string_view>

#include <QString>

#include "PackageFormat.h"

// The package format's names as Qt text, for the wizard's INI records, paths and captions.
namespace package {

inline QString toQt(std::string_view name)
{
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

inline QString windowCaption()
{
    return toQt(WindowCaption);
}

// The key of the numbered file entry: "File1", "File2", ...
inline QString fileKey(int number)
{
    return toQt(key::FilePrefix) + QString::number(number);
}

} // namespace package
