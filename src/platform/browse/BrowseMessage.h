#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace platform {

// How a list tells the author why it could not go somewhere (a volume or folder
// that cannot be read). Injectable so that tests capture the message instead of
// facing a modal box.
using MessageHandler = std::function<void(const QString &title, const QString &text)>;

// The title of the lists' messages, the program's window caption.
inline const QString browseMessageTitle = QStringLiteral("Quernel 2.0");

// A warning message box over owner's window.
MessageHandler warningBoxOver(QWidget *owner);

// "Cannot open the folder /x:" and the reason on a second line.
QString cannotOpenText(const QString &what, const QString &path, const QString &reason);

} // namespace platform
