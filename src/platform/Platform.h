#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace platform {

// Message box styles and answers, with the values of the classic Windows API,
// because the pages describe their boxes by these numbers.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_SYSTEMMODAL = 0x1000;

constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Outcome of copying a file into a package.
enum class CopyOutcome
{
    Copied,   // the target now holds the source's bytes
    SameFile, // source and target are one file: nothing to do, it is already in place
    Failed,   // nothing changed at the target; the error text says why
};

// Everything the pages need of the machine they run on. One instance is current
// at a time: the real one in the program, a scripted one in tests.
class Platform
{
public:
    virtual ~Platform() = default;

    // A modal message box; returns IDOK, IDYES or IDNO.
    virtual int messageBox(const QString &text, unsigned flags, const QString &title) = 0;

    // The folder of the running program, without a trailing separator unless it is the root.
    virtual QString programFolder() const = 0;

    // Creates one folder level; false (with the reason) if it exists already or cannot be made.
    virtual bool createFolder(const QString &path, QString *error = nullptr) = 0;

    // Copies source to target, replacing the target. The target is never left half-written.
    virtual CopyOutcome copyFile(const QString &source, const QString &target, QString *error = nullptr) = 0;

    virtual bool deleteFile(const QString &path, QString *error = nullptr) = 0;

    // The file's length in bytes, or -1 with the reason.
    virtual qint64 fileLength(const QString &path, QString *error = nullptr) = 0;

    // Starts a program with these arguments without waiting for it, in the current folder.
    virtual bool startProgram(const QString &path, const QStringList &arguments,
                              QString *error = nullptr) = 0;

    // The Wine launcher when Wine is installed and set up for this user, so that a Windows
    // program starts at once; empty otherwise.
    virtual QString wineLauncher() const = 0;

    // Shows the folder in the desktop's file manager, without waiting for it.
    virtual bool openFolder(const QString &path, QString *error = nullptr) = 0;

    // Lets pending window events run.
    virtual void doEvents() = 0;

    // Ends the program at once: no page handler runs and no statement after the call.
    [[noreturn]] virtual void endProgram() = 0;
};

// The platform in use. install() does not take ownership.
Platform &current();
void install(Platform *platform);

// The separator used to join a folder and a name, by plain concatenation.
QString separator();

} // namespace platform
