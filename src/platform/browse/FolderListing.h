#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace platform {

// A ";"-separated list of wildcard patterns ("*.rtf;*.txt"), each matched against a
// whole file name without regard to letter case: "*" stands for any run of
// characters, "?" for one. An empty list, "*" and "*.*" match every name ("*.*"
// keeps its old meaning of "all files", dot or not). Compiled once, then cheap
// to apply to many names.
class NamePatterns
{
public:
    explicit NamePatterns(const QString &patternList);

    bool matches(QStringView name) const;

private:
    enum class Kind
    {
        Suffix,
        Exact,
        Wildcard
    };
    struct Pattern
    {
        Kind kind;
        QString text; // case-folded; for Suffix the part after the leading "*"
    };

    bool m_matchesAll = false;
    bool m_needsFolding = false; // some pattern is compared against the folded name
    QList<Pattern> m_patterns;
};

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
