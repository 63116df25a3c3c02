#pragma once

#include <functional>

#include <QString>

#include "PackageFormat.h"

namespace platform {

// How a list tells the author why it could not go somewhere (a volume or folder
// that cannot be read). Injectable so that tests capture the message instead of
// facing a modal box.
using MessageHandler = std::function<void(const QString &title, const QString &text)>;

// The title of the lists' messages, the program's window caption.
inline const QString browseMessageTitle =
    QString::fromUtf8(package::WindowCaption.data(), static_cast<qsizetype>(package::WindowCaption.size()));

// A warning message box through the form runtime, like every other message of the program, so
// that the runtime decides how it is shown and a test's runtime records it.
MessageHandler warningThroughPlatform();

// "Cannot open the folder /x:" and the reason on a second line.
QString cannotOpenText(const QString &what, const QString &path, const QString &reason);

} // namespace platform
