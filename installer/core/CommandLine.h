#pragma once

#include <QStringList>

class QTextStream;

namespace installer {

// Exit statuses of the installer.
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1; // refused or stopped: the reason is on stderr
constexpr int ExitUsage = 2;  // arguments not understood

QString usageText();

// The installer without a window: arguments (without the program name) as given,
// the package read from packageFolder. Prints a summary on out and, on failure,
// one line "setup.exe: <reason>" on err.
int runCommandLine(const QStringList &arguments, const QString &packageFolder, QTextStream &out,
                   QTextStream &err);

} // namespace installer
