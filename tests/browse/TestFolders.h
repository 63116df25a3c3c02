#pragma once

#include <cerrno>
#include <cstring>
#include <ostream>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList &texts, std::ostream *out)
{
    *out << '{';
    for (const QString &text : texts)
        *out << '"' << text.toStdString() << "\", ";
    *out << '}';
}

// Small helpers for building folder trees in a QTemporaryDir.
namespace browsetest {

inline QString makeFolder(const QString &base, const QString &relative)
{
    const QString path = base + QLatin1Char('/') + relative;
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
}

inline QString makeFile(const QString &base, const QString &relative)
{
    const QString path = base + QLatin1Char('/') + relative;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    return path;
}

inline void makeLink(const QString &target, const QString &link)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0)
        << link.toStdString();
}

inline QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Whether this process can still read a folder whose permissions forbid it (root can).
inline bool permissionsBypassed(const QString &folder)
{
    return ::access(QFile::encodeName(folder).constData(), R_OK | X_OK) == 0;
}

// Runs the test body from another current folder and goes back afterwards.
class CurrentFolder
{
public:
    explicit CurrentFolder(const QString &folder) : m_previous(QDir::currentPath())
    {
        EXPECT_TRUE(QDir::setCurrent(folder));
    }
    ~CurrentFolder() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

} // namespace browsetest
