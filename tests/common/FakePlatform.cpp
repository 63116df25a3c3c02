#include "FakePlatform.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#include "FileOps.h"

FakePlatform::FakePlatform()
{
    m_programFolder = m_dir.path() + QStringLiteral("/program");
    QDir().mkpath(m_programFolder);
}

int FakePlatform::messageBox(const QString &text, unsigned flags, const QString &title)
{
    messageBoxes.append({text, flags, title});
    if (onMessageBox)
        onMessageBox(messageBoxes.last());
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if ((flags & 0xF) == platform::MB_YESNO)
        return (flags & platform::MB_DEFBUTTON2) ? platform::IDNO : platform::IDYES;
    return platform::IDOK;
}

bool FakePlatform::createFolder(const QString &path, QString *error)
{
    return platform::fileops::createFolder(path, error);
}

platform::CopyOutcome FakePlatform::copyFile(const QString &source, const QString &target, QString *error)
{
    copies.append(source + QStringLiteral(" -> ") + target);
    return platform::fileops::copyFile(
        source, target, error, [this] { doEvents(); }, copyChunkSize);
}

bool FakePlatform::deleteFile(const QString &path, QString *error)
{
    return platform::fileops::deleteFile(path, error);
}

qint64 FakePlatform::fileLength(const QString &path, QString *error)
{
    return platform::fileops::fileLength(path, error);
}

bool FakePlatform::startProgram(const QString &path, const QStringList &arguments, QString *error)
{
    startedPrograms.append(path);
    startedArguments.append(arguments);
    if (!startSucceeds && error)
        *error = path + QStringLiteral(": Permission denied");
    return startSucceeds;
}

bool FakePlatform::openFolder(const QString &path, QString *error)
{
    openedFolders.append(path);
    if (!openFolderSucceeds && error)
        *error = path + QStringLiteral(": No file manager to show it");
    return openFolderSucceeds;
}

void FakePlatform::doEvents()
{
    ++doEventsCount;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (onDoEvents)
        onDoEvents();
}

void FakePlatform::endProgram()
{
    ended = true;
    // Every page goes at once; no handler of theirs runs.
    for (QWidget *w : QApplication::topLevelWidgets())
        w->hide();
    throw ProgramEnded{};
}

bool endsProgram(const std::function<void()> &f)
{
    try {
        f();
    } catch (const ProgramEnded &) {
        return true;
    }
    return false;
}
