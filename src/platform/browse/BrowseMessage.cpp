#include "BrowseMessage.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace platform {

MessageHandler warningBoxOver(QWidget *owner)
{
    return [owner = QPointer<QWidget>(owner)](const QString &title, const QString &text) {
        QMessageBox::warning(owner ? owner->window() : nullptr, title, text);
    };
}

QString cannotOpenText(const QString &what, const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot open the %1 %2:\n%3.").arg(what, path, reason);
}

} // namespace platform
