#pragma once

#include <QByteArray>
#include <QString>

namespace installer {

struct Package;

// The text a player reads: an RTF readme (by its ".rtf" name or its first bytes)
// as its readable text, any other file as it is. Plain text is taken as UTF-8
// when it is valid UTF-8 and as Windows-1252 otherwise (the readmes of the time);
// CR LF line ends become "\n".
QString readableText(const QString &fileName, const QByteArray &bytes);

// The package's readme as readableText; false with the reason when it cannot be read.
bool loadReadme(const Package &package, QString *text, QString *error);

} // namespace installer
