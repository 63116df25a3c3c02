#include "Installation.h"

#include <QDir>
#include <QFileInfo>

#include "FileOps.h"
#include "GameFolder.h"

namespace installer {

using platform::CopyOutcome;

namespace {

// Characters no Windows folder name may hold, so the backup can be copied anywhere.
QString safeFolderName(const QString &name)
{
    QString safe;
    for (QChar c : name)
        safe.append(c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c) ? QLatin1Char('_') : c);
    safe = safe.trimmed();
    while (safe.endsWith(QLatin1Char('.')))
        safe.chop(1);
    return safe.isEmpty() ? QStringLiteral("Package") : safe;
}

QString joinNames(const QStringList &names)
{
    return names.join(QStringLiteral(", "));
}

} // namespace

QString backupRootName()
{
    return QStringLiteral("Quernel Backup");
}

QString backupFolderName(const QString &packageName, const QDateTime &when)
{
    return backupRootName() + QLatin1Char('/') + safeFolderName(packageName) + QLatin1Char(' ') +
           when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
}

Installation::Installation(Package package, QString gameFolder)
    : m_package(std::move(package)), m_gameFolder(std::move(gameFolder))
{
    while (m_gameFolder.size() > 1 && m_gameFolder.endsWith(QLatin1Char('/')))
        m_gameFolder.chop(1);
}

CopyOutcome Installation::copy(const QString &source, const QString &target, QString *error) const
{
    if (m_copy)
        return m_copy(source, target, error);
    return platform::fileops::copyFile(source, target, error, m_betweenChunks);
}

QString Installation::preflight() const
{
    for (const QString &name : m_package.files) {
        if (!isBareFileName(name))
            return QStringLiteral("\"%1\" is not a plain file name.").arg(name);
        const QFileInfo source(m_package.pathOf(name));
        if (!source.isFile() || !source.isReadable())
            return QStringLiteral("%1 is missing from the package folder (%2).").arg(name, m_package.folder);
    }
    const FolderCheck folder = checkGameFolder(m_gameFolder, m_package.gameVersion, m_package.folder);
    if (!folder.usable())
        return folder.error;
    for (const QString &name : m_package.files) {
        const QFileInfo existing(target(name));
        if (!existing.exists() && !existing.isSymLink())
            continue;
        if (existing.isSymLink() || !existing.isFile())
            return QStringLiteral("%1 in the game folder is not a plain file; it is left alone.").arg(name);
        if (!existing.isWritable())
            return QStringLiteral("%1 in the game folder is read-only and cannot be replaced.").arg(name);
    }
    return {};
}

QStringList Installation::existingFiles() const
{
    QStringList names;
    for (const QString &name : m_package.files) {
        if (QFileInfo::exists(target(name)))
            names.append(name);
    }
    return names;
}

bool Installation::ensureBackupFolder(InstallResult &result, QString *error)
{
    if (!result.backupFolder.isEmpty())
        return true;
    const QDateTime when = m_clock ? m_clock() : QDateTime::currentDateTime();
    const QString base = m_gameFolder + QLatin1Char('/') + backupFolderName(m_package.name, when);
    QString folder = base;
    for (int n = 2; QFileInfo::exists(folder); ++n)
        folder = base + QStringLiteral(" (%1)").arg(n);
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("The backup folder %1 cannot be created.").arg(folder);
        return false;
    }
    result.backupFolder = folder;
    return true;
}

void Installation::dropEmptyBackupFolder(InstallResult &result) const
{
    if (result.backupFolder.isEmpty() || !result.replaced.isEmpty())
        return;
    QDir().rmdir(result.backupFolder);
    QDir().rmdir(m_gameFolder + QLatin1Char('/') + backupRootName()); // only when nothing else is in it
    result.backupFolder.clear();
}

InstallResult Installation::run(const AskReplace &ask)
{
    InstallResult result;
    result.error = preflight();
    if (!result.error.isEmpty()) {
        result.notInstalled = m_package.files;
        return result;
    }

    bool replaceAll = false;
    const int count = int(m_package.files.size());
    for (int i = 0; i < count; ++i) {
        const QString &name = m_package.files[i];
        if (m_progress)
            m_progress(i, count, name);
        const QString source = m_package.pathOf(name);
        const QString destination = target(name);

        QString backup;
        if (QFileInfo::exists(destination)) {
            if (!replaceAll) {
                const ReplaceAnswer answer = ask ? ask(name) : ReplaceAnswer::No;
                if (answer == ReplaceAnswer::No) {
                    result.skipped.append(name);
                    if (m_fileDone)
                        m_fileDone(name, FileOutcome::Skipped);
                    continue;
                }
                replaceAll = answer == ReplaceAnswer::YesToAll;
            }
            QString error;
            if (!ensureBackupFolder(result, &error)) {
                result.error = error;
                result.notInstalled = m_package.files.mid(i);
                return result;
            }
            backup = result.backupFolder + QLatin1Char('/') + name;
            if (copy(destination, backup, &error) == CopyOutcome::Failed) {
                result.error =
                    QStringLiteral("%1 could not be backed up (%2); it was left as it was.").arg(name, error);
                result.notInstalled = m_package.files.mid(i);
                dropEmptyBackupFolder(result);
                return result;
            }
        }

        QString error;
        if (copy(source, destination, &error) == CopyOutcome::Failed) {
            if (!backup.isEmpty())
                QFile::remove(backup); // the original is still in place: nothing to restore
            result.notInstalled = m_package.files.mid(i);
            result.error = QStringLiteral("%1 could not be copied (%2). Not installed: %3.")
                               .arg(name, error, joinNames(result.notInstalled));
            dropEmptyBackupFolder(result);
            return result;
        }
        result.installed.append(name);
        if (!backup.isEmpty())
            result.replaced.append(name);
        if (m_fileDone)
            m_fileDone(name, backup.isEmpty() ? FileOutcome::Installed : FileOutcome::Replaced);
    }
    if (m_progress)
        m_progress(count, count, QString());
    result.ok = true;
    return result;
}

} // namespace installer
