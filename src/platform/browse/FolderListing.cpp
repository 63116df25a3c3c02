#include "FolderListing.h"

#include <string>
#include <vector>

namespace platform {

namespace {

QStringList toQt(const std::vector<std::string> &names)
{
    QStringList list;
    list.reserve(qsizetype(names.size()));
    for (const std::string &name : names)
        list.append(QString::fromStdString(name));
    return list;
}

// Hands the reason on in Qt text when the caller wants it.
class Reason
{
public:
    explicit Reason(QString *error) : m_error(error) {}
    ~Reason()
    {
        if (m_error)
            *m_error = QString::fromStdString(m_text);
    }
    Reason(const Reason &) = delete;
    Reason &operator=(const Reason &) = delete;

    std::string *text() { return m_error ? &m_text : nullptr; }

private:
    QString *m_error;
    std::string m_text;
};

} // namespace

bool canListFolder(const QString &folder, QString *error)
{
    Reason reason(error);
    return canListFolder(folder.toStdString(), reason.text());
}

QStringList listSubfolders(const QString &folder, QString *error)
{
    Reason reason(error);
    return toQt(listSubfolders(folder.toStdString(), reason.text()));
}

QStringList listFiles(const QString &folder, const QString &patternList, QString *error)
{
    Reason reason(error);
    return toQt(listFiles(folder.toStdString(), NamePatterns(patternList.toStdString()), reason.text()));
}

} // namespace platform
