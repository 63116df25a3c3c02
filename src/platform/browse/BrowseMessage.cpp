#include "BrowseMessage.h"

#include "Form.h"

namespace platform {

MessageHandler warningThroughPlatform()
{
    return [](const QString &, const QString &text) { form::warnCannotOpen(text.toStdString()); };
}

QString cannotOpenText(const QString &what, const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot open the %1 %2:\n%3.").arg(what, path, reason);
}

} // namespace platform
