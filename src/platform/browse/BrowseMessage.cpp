#include "BrowseMessage.h"

#include "Platform.h"

namespace platform {

MessageHandler warningThroughPlatform()
{
    return
        [](const QString &title, const QString &text) { current().messageBox(text, MB_ICONWARNING, title); };
}

QString cannotOpenText(const QString &what, const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot open the %1 %2:\n%3.").arg(what, path, reason);
}

} // namespace platform
