#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include "IniFuncs.h"

// Files for installer tests: a package folder written the way the wizard writes
// it, a game folder, and a listing of everything under the temporary root.
namespace installer_test {

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Bytes that differ from file to file and from a plain text, so a mix-up shows.
inline QByteArray archiveBytes(const char *tag, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + tag[0] * 7 + tag[1]) & 0xFF);
    return bytes;
}

// Every folder and file under root, with the bytes of the files.
inline QMap<QString, QByteArray> listing(const QString &root)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        entries.insert(relative, it.fileInfo().isDir() ? QByteArray("<folder>") : readFile(path));
    }
    return entries;
}

class PackageFixture : public ::testing::Test
{
protected:
    QTemporaryDir root;

    QString at(const QString &relative) const { return root.path() + QLatin1Char('/') + relative; }
    QString packageFolder() const { return at(QStringLiteral("My Pack")); }
    QString gameFolder() const { return at(QStringLiteral("Game")); }
    QString ini() const { return packageFolder() + QStringLiteral("/install.ini"); }
    QString inPackage(const QString &name) const { return packageFolder() + QLatin1Char('/') + name; }
    QString inGame(const QString &name) const { return gameFolder() + QLatin1Char('/') + name; }

    const QByteArray cityBytes = archiveBytes("ci", 70000);
    const QByteArray carsBytes = archiveBytes("ca", 1234);
    const QByteArray readmeBytes = QByteArray("My Pack\r\n=======\r\n\r\nTwo new cars.\r\n");

    // The install.ini of a typical run, entry by entry in the order the wizard's
    // pages write it, with the readme and the two archives beside it.
    void writeTypicalPackage()
    {
        QDir().mkpath(packageFolder());
        const QString main = QStringLiteral("install.ini");
        WriteINI(ini(), main, "Name", "My Pack");
        WriteINI(ini(), main, "Copyright", "(c) 2001 Jo Author");
        WriteINI(ini(), main, "Author", "Jo Author");
        WriteINI(ini(), main, "WWW", "www.example.com/mypack");
        WriteINI(ini(), main, "AuthEmail", "jo@example.com");
        WriteINI(ini(), main, "Readme", "readme.txt");
        WriteINI(ini(), main, "mmType", "2");
        WriteINI(ini(), "Progress Bar", "Smooth", "True");
        WriteINI(ini(), main, "Timer", "30");
        WriteINI(ini(), "Files", "File1", "city.ar");
        WriteINI(ini(), "Files", "File2", "cars.ar");
        WriteINI(ini(), main, "TotalFiles", " 2");
        writeFile(inPackage("readme.txt"), readmeBytes);
        writeFile(inPackage("city.ar"), cityBytes);
        writeFile(inPackage("cars.ar"), carsBytes);
    }

    // A Midtown Madness 2 folder that already holds one of the package's files.
    void writeGameFolder()
    {
        writeFile(inGame("Midtown2.exe"), "MZ game");
        writeFile(inGame("assets.ar"), "assets");
        writeFile(inGame("city.ar"), "the original city");
    }
};

} // namespace installer_test
