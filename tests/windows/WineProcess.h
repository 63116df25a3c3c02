#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Programs run under the Wine prefix of the ctest run (tests/windows/wine-prefix.sh sets it up),
// with no display and a locale that exists; what they print with the CRs taken out.
namespace wine_test {

struct Outcome
{
    int status = -1; // the exit code, -1 when the program crashed or did not end in time
    QByteArray out;
    QByteArray err;
};

QProcessEnvironment environment();

// wine <arguments> started from workingFolder.
Outcome runWine(const QStringList &arguments, const QString &workingFolder);

// A program of this machine (the Linux installer, objdump) with the same environment.
Outcome runNative(const QString &program, const QStringList &arguments, const QString &workingFolder);

// The Windows form of a path of this machine (winepath -w): "Z:\\tmp\\...".
QString windowsPath(const QString &unixPath);

QByteArray withoutCarriageReturns(QByteArray text);

} // namespace wine_test
