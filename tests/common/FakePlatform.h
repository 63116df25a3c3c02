#pragma once

#include <deque>
#include <functional>

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "Platform.h"

// Thrown by FakePlatform::endProgram so that a test sees the program end and
// nothing after the call runs.
struct ProgramEnded
{
};

// The platform for tests: message boxes answered from a script and recorded,
// a program folder in a temporary directory, the real file operations (recorded,
// with failures that a test can force), programs recorded instead of started.
class FakePlatform : public platform::Platform
{
public:
    struct MessageBoxCall
    {
        QString text;
        unsigned flags;
        QString title;
    };

    FakePlatform();

    // Answers for the next message boxes, in order. A box without a scripted
    // answer gets its default button: OK, or Yes/No as its flags say.
    void queueAnswer(int answer) { m_answers.push_back(answer); }
    // Runs when a message box is shown (before it is answered), e.g. to look at the pages.
    std::function<void(const MessageBoxCall &)> onMessageBox;
    // Runs at every doEvents, after the pending events; a test can press buttons there.
    std::function<void()> onDoEvents;

    QList<MessageBoxCall> messageBoxes;
    QStringList startedPrograms;
    QStringList openedFolders;
    QList<QStringList> startedArguments; // those of each started program, in the same order
    QString wine;                        // what wineLauncher gives: none unless a test sets it
    QStringList copies;                  // "source -> target"
    int doEventsCount = 0;
    bool ended = false;
    bool startSucceeds = true;
    bool openFolderSucceeds = true;

    int messageBox(const QString &text, unsigned flags, const QString &title) override;
    QString programFolder() const override { return m_programFolder; }
    bool createFolder(const QString &path, QString *error) override;
    platform::CopyOutcome copyFile(const QString &source, const QString &target, QString *error) override;
    bool deleteFile(const QString &path, QString *error) override;
    qint64 fileLength(const QString &path, QString *error) override;
    bool startProgram(const QString &path, const QStringList &arguments, QString *error) override;
    bool openFolder(const QString &path, QString *error) override;
    QString wineLauncher() const override { return wine; }
    void doEvents() override;
    [[noreturn]] void endProgram() override;

    // Chunk size of copies, small in tests so that a copy lets events run several times.
    qint64 copyChunkSize = 1 << 20;

private:
    QTemporaryDir m_dir;
    QString m_programFolder;
    std::deque<int> m_answers;
};

// Runs f and reports whether it ended the program.
bool endsProgram(const std::function<void()> &f);
