#pragma once

#include <functional>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "Package.h"
#include "Platform.h"

namespace installer {

// The player's answer when a file is in the game folder already.
enum class ReplaceAnswer
{
    Yes,
    No,
    YesToAll
};

// What became of one file of the package.
enum class FileOutcome
{
    Installed,
    Replaced,
    Skipped
};

struct InstallResult
{
    bool ok = false;
    QStringList installed;    // copied into the game folder, in order
    QStringList replaced;     // the part of installed whose original went into the backup
    QStringList skipped;      // kept as they were, by the player's choice
    QStringList notInstalled; // not copied because the installation stopped
    QString backupFolder;     // where the replaced originals are; empty when nothing was replaced
    QString error;            // one line: why the installation was refused or stopped
};

// The folder, inside the game folder, that keeps the originals one run replaces:
// "Quernel Backup/<package name> <yyyy-MM-dd HH-mm-ss>", the name made safe as a
// folder name on every system.
QString backupFolderName(const QString &packageName, const QDateTime &when);
QString backupRootName();

// Copies a package's files into a game folder. Each copy goes through a temporary
// name and a rename, so a file is there whole or not at all; an original is
// replaced only after the player agrees, and only once its copy is in the backup.
class Installation
{
public:
    using CopyFunction =
        std::function<platform::CopyOutcome(const QString &source, const QString &target, QString *error)>;
    using AskReplace = std::function<ReplaceAnswer(const QString &fileName)>;
    // Before file number index (0-based) of count begins.
    using Progress = std::function<void(int index, int count, const QString &fileName)>;

    using FileDone = std::function<void(const QString &fileName, FileOutcome outcome)>;

    Installation(Package package, QString gameFolder);

    // Defaults: the platform's atomic copy, running betweenChunks after each chunk.
    void setCopyFunction(CopyFunction copy) { m_copy = std::move(copy); }
    void setBetweenChunks(std::function<void()> betweenChunks) { m_betweenChunks = std::move(betweenChunks); }
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    void setFileDone(FileDone fileDone) { m_fileDone = std::move(fileDone); }
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // Why nothing may be copied (an empty text when all is well): a package file
    // gone missing, a game folder that cannot take the files, a folder in the way
    // of a file, an original that may not be replaced.
    QString preflight() const;
    // The package's files that exist in the game folder already.
    QStringList existingFiles() const;

    InstallResult run(const AskReplace &ask);

private:
    QString target(const QString &name) const { return m_gameFolder + QLatin1Char('/') + name; }
    platform::CopyOutcome copy(const QString &source, const QString &target, QString *error) const;
    bool ensureBackupFolder(InstallResult &result, QString *error);
    void dropEmptyBackupFolder(InstallResult &result) const;

    Package m_package;
    QString m_gameFolder;
    CopyFunction m_copy;
    std::function<void()> m_betweenChunks;
    Progress m_progress;
    FileDone m_fileDone;
    std::function<QDateTime()> m_clock;
};

} // namespace installer
