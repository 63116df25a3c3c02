#pragma once

#include <QString>
#include <QStringList>

#include "NameListing.h"

// The folder listing of NameListing.h for the Qt widgets, in Qt text. NamePatterns takes
// QString as it is (see NameListing.h).
namespace platform {

// Whether folder can be listed; if not, *error gets the reason ("Permission denied").
bool canListFolder(const QString &folder, QString *error = nullptr);

// The names of folder's sub-folders (symbolic links to folders included), sorted without
// regard to letter case, the hidden ones (".name") after the others: a game installed
// under Wine lives in a hidden prefix such as ~/.wine. When folder cannot be read the
// list is empty and *error gets the reason; otherwise *error is cleared.
QStringList listSubfolders(const QString &folder, QString *error = nullptr);

// The names of folder's regular files (symbolic links to files included) that match
// patternList (see NamePatterns), hidden ones left out, sorted without regard to
// letter case. Errors as listSubfolders().
QStringList listFiles(const QString &folder, const QString &patternList, QString *error = nullptr);

} // namespace platform
