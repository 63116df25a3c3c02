#pragma once

#include <string>

// INI access of the package description files (install.ini, temp.ini), with the behaviour of the
// platform profile functions: sections and keys without regard to letter case, nothing ever
// reported. Texts are UTF-8, in the file and at this edge; bytes that are no UTF-8 (a file edited
// on Windows) read as Windows-1252. A thin wrapper over base::ini::Document with a cache of parsed
// files. Every argument ends at its first NUL, as a C string would.

// The stored value, or the default when the file, the section or the key does not exist. Blanks
// around the value and one pair of enclosing quotes are dropped; the result is cut to 254 bytes.
std::string ReadINI(const std::string &file, const std::string &section, const std::string &key,
                    const std::string &defaultValue);

// Stores the value with every CR and LF turned into a blank, creating the file, the section and the
// key as needed. A refused write (missing folder, read-only file, full disk) is lost silently.
void WriteINI(const std::string &file, const std::string &section, const std::string &key,
              const std::string &value);
