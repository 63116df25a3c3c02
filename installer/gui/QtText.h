#pragma once

#include <string>

#include <QString>

// The core speaks UTF-8 std::string; the window converts at its edge.
namespace installer {

inline QString qt(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

inline std::string utf8(const QString &text)
{
    return text.toStdString();
}

} // namespace installer
