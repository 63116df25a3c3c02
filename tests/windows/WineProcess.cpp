#include "WineProcess.h"

#include <QDir>
#include <QProcess>

namespace wine_test {

QProcessEnvironment environment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WINEPREFIX", QStringLiteral(QUERNEL_WINE_PREFIX));
    env.insert("WINEDEBUG", "-all");
    env.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    env.insert("LANG", "C.UTF-8");
    env.insert("LC_ALL", "C.UTF-8");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    return env;
}

QByteArray withoutCarriageReturns(QByteArray text)
{
    return text.replace('\r', QByteArray());
}

Outcome runNative(const QString &program, const QStringList &arguments, const QString &workingFolder)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return {-1, process.readAllStandardOutput(),
                "did not end in time: " + process.readAllStandardError()};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            withoutCarriageReturns(process.readAllStandardOutput()),
            withoutCarriageReturns(process.readAllStandardError())};
}

Outcome runWine(const QStringList &arguments, const QString &workingFolder)
{
    return runNative("wine", arguments, workingFolder);
}

QString windowsPath(const QString &unixPath)
{
    const Outcome r = runNative("winepath", {"-w", unixPath}, QDir::tempPath());
    return QString::fromUtf8(r.out).trimmed();
}

} // namespace wine_test
