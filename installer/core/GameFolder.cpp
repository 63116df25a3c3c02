#include "GameFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include "FileOps.h"
#include "Package.h"

namespace installer {

namespace {

QString programOf(int gameVersion)
{
    return gameVersion == 1 ? QStringLiteral("midtown.exe") : QStringLiteral("midtown2.exe");
}

} // namespace

bool canWriteInto(const QString &folder, QString *reason)
{
    QTemporaryFile probe(folder + QStringLiteral("/.setup-probe-XXXXXX"));
    if (probe.open())
        return true; // removed again when probe goes
    if (reason)
        *reason = probe.errorString();
    return false;
}

FolderCheck checkGameFolder(const QString &folder, int gameVersion, const QString &packageFolder)
{
    FolderCheck check;
    const QFileInfo info(folder);
    if (folder.trimmed().isEmpty()) {
        check.error = QStringLiteral("No game folder is given.");
        return check;
    }
    if (!info.exists()) {
        check.error = QStringLiteral("The folder %1 does not exist.").arg(folder);
        return check;
    }
    if (!info.isDir()) {
        check.error = QStringLiteral("%1 is not a folder.").arg(folder);
        return check;
    }
    if (platform::fileops::sameFile(folder, packageFolder)) {
        check.error = QStringLiteral("%1 is the package folder itself, not the game folder.").arg(folder);
        return check;
    }
    QString reason;
    if (!canWriteInto(folder, &reason)) {
        check.error = QStringLiteral("Files cannot be written into %1: %2").arg(folder, reason);
        return check;
    }

    QString programs[3]; // found name of midtown.exe [1] and midtown2.exe [2]
    bool archives = false;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        for (int v = 1; v <= 2; ++v) {
            if (name.compare(programOf(v), Qt::CaseInsensitive) == 0)
                programs[v] = name;
        }
        if (name.endsWith(QLatin1String(".ar"), Qt::CaseInsensitive))
            archives = true;
    }
    if (gameVersion == 1 || gameVersion == 2) {
        const int other = 3 - gameVersion;
        if (!programs[gameVersion].isEmpty()) {
            check.look = FolderLook::RightGame;
            check.marker = programs[gameVersion];
        } else if (!programs[other].isEmpty()) {
            check.look = FolderLook::OtherGame;
            check.marker = programs[other];
        } else {
            check.look = archives ? FolderLook::ArchivesOnly : FolderLook::NoGame;
        }
    } else {
        const QString found = !programs[2].isEmpty() ? programs[2] : programs[1];
        check.look = !found.isEmpty() ? FolderLook::RightGame
                     : archives       ? FolderLook::ArchivesOnly
                                      : FolderLook::NoGame;
        check.marker = found;
    }
    return check;
}

QString describe(const FolderCheck &check, int gameVersion)
{
    if (!check.usable())
        return check.error;
    const QString game = gameTitle(gameVersion);
    switch (check.look) {
    case FolderLook::RightGame:
        return QStringLiteral("This looks like a %1 folder (%2 found).").arg(game, check.marker);
    case FolderLook::ArchivesOnly:
        return QStringLiteral(
            "Game archives (.ar) found, but not the game's program; this may still be the right "
            "folder.");
    case FolderLook::OtherGame:
        return QStringLiteral("This looks like a %1 folder (%2 found), but the package is made for %3.")
            .arg(gameTitle(3 - gameVersion), check.marker, game);
    case FolderLook::NoGame:
        break;
    }
    return QStringLiteral("This folder does not look like a %1 installation: neither the game's program nor "
                          "any .ar archive is in it.")
        .arg(game);
}

} // namespace installer
