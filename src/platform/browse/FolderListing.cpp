#include "FolderListing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>

namespace platform {

namespace {

// Plain "*" and "?" matching of already case-folded texts, backtracking to the last
// "*" only; linear enough for file names.
bool wildcardMatches(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

bool hasWildcard(QStringView text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

DirHandle openFolder(const QString &folder, QString *error)
{
    DirHandle dir(opendir(QFile::encodeName(folder).constData()));
    if (error)
        *error = dir ? QString() : reasonOf(errno);
    return dir;
}

enum class EntryType
{
    Folder,
    File,
    Other
};

// d_type answers for nearly every entry; links and file systems that leave it
// unknown need a stat (which follows links, so a link to a folder is a folder).
EntryType typeOf(DIR *dir, const dirent *entry)
{
    switch (entry->d_type) {
    case DT_DIR:
        return EntryType::Folder;
    case DT_REG:
        return EntryType::File;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat info;
        if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0)
            return EntryType::Other;
        if (S_ISDIR(info.st_mode))
            return EntryType::Folder;
        return S_ISREG(info.st_mode) ? EntryType::File : EntryType::Other;
    }
    default:
        return EntryType::Other;
    }
}

bool isHidden(const char *name)
{
    return name[0] == '.'; // also "." and ".."
}

// Case-insensitive order; names equal but for case keep a fixed order among themselves.
QStringList sortedWithoutCase(std::vector<QString> &names)
{
    struct Keyed
    {
        QString key;
        QString name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (QString &name : names)
        keyed.push_back({name.toCaseFolded(), std::move(name)});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        const int byKey = a.key.compare(b.key);
        return byKey != 0 ? byKey < 0 : a.name < b.name;
    });
    QStringList sorted;
    sorted.reserve(qsizetype(keyed.size()));
    for (Keyed &entry : keyed)
        sorted.append(std::move(entry.name));
    return sorted;
}

} // namespace

NamePatterns::NamePatterns(const QString &patternList)
{
    for (QStringView part : QStringView(patternList).split(QLatin1Char(';'))) {
        const QString text = part.trimmed().toString().toCaseFolded();
        if (text.isEmpty())
            continue;
        if (text == QLatin1String("*") || text == QLatin1String("*.*")) {
            m_matchesAll = true;
        } else if (text.startsWith(QLatin1Char('*')) && !hasWildcard(QStringView(text).mid(1))) {
            m_patterns.append({Kind::Suffix, text.mid(1)});
        } else {
            m_patterns.append({hasWildcard(text) ? Kind::Wildcard : Kind::Exact, text});
            m_needsFolding = m_needsFolding || hasWildcard(text);
        }
    }
    if (m_patterns.isEmpty())
        m_matchesAll = true;
}

bool NamePatterns::matches(QStringView name) const
{
    if (m_matchesAll)
        return true;
    const QString folded = m_needsFolding ? name.toString().toCaseFolded() : QString();
    return std::any_of(m_patterns.cbegin(), m_patterns.cend(), [&](const Pattern &pattern) {
        switch (pattern.kind) {
        case Kind::Suffix:
            return name.endsWith(pattern.text, Qt::CaseInsensitive);
        case Kind::Exact:
            return name.compare(pattern.text, Qt::CaseInsensitive) == 0;
        case Kind::Wildcard:
            return wildcardMatches(pattern.text, folded);
        }
        return false;
    });
}

bool canListFolder(const QString &folder, QString *error)
{
    return openFolder(folder, error) != nullptr;
}

QStringList listSubfolders(const QString &folder, QString *error)
{
    const DirHandle dir = openFolder(folder, error);
    if (!dir)
        return {};
    std::vector<QString> visible;
    std::vector<QString> hidden;
    while (const dirent *entry = readdir(dir.get())) {
        const bool dotEntry = std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0;
        if (dotEntry || typeOf(dir.get(), entry) != EntryType::Folder)
            continue;
        (isHidden(entry->d_name) ? hidden : visible).push_back(QFile::decodeName(entry->d_name));
    }
    return sortedWithoutCase(visible) + sortedWithoutCase(hidden);
}

QStringList listFiles(const QString &folder, const QString &patternList, QString *error)
{
    const NamePatterns patterns(patternList);
    const DirHandle dir = openFolder(folder, error);
    if (!dir)
        return {};
    std::vector<QString> names;
    while (const dirent *entry = readdir(dir.get())) {
        if (isHidden(entry->d_name))
            continue;
        QString name = QFile::decodeName(entry->d_name);
        // Match first: the name is cheaper to test than the entry's type.
        if (patterns.matches(name) && typeOf(dir.get(), entry) == EntryType::File)
            names.push_back(std::move(name));
    }
    return sortedWithoutCase(names);
}

} // namespace platform
