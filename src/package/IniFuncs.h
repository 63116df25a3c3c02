#pragma once

#include <QString>

// INI access of the package description files (install.ini, temp.ini), with the behaviour of the
// platform profile functions: single-byte text (UTF-8 here), sections and keys without regard to
// letter case, nothing ever reported.

// The stored value, or the default when the file, the section or the key does not exist. Blanks
// around the value and one pair of enclosing quotes are dropped; the result is cut to 254 bytes.
QString ReadINI(const QString &file, const QString &section, const QString &key, const QString &defaultValue);

// Stores the value with every CR and LF turned into a blank, creating the file, the section and the
// key as needed. A refused write (missing folder, read-only file, full disk) is lost silently.
void WriteINI(const QString &file, const QString &section, const QString &key, const QString &value);
