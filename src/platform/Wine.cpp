#include "Wine.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

QString findWineLauncher(const QProcessEnvironment &environment)
{
    const QStringList path =
        environment.value(QStringLiteral("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("wine"), path);
    if (launcher.isEmpty())
        return {};
    QString prefix = environment.value(QStringLiteral("WINEPREFIX"));
    if (prefix.isEmpty()) {
        const QString home = environment.value(QStringLiteral("HOME"));
        if (home.isEmpty())
            return {};
        prefix = home + QStringLiteral("/.wine");
    }
    // The registry file is written when a prefix is set up; an empty folder is no prefix.
    return QFileInfo(QDir(prefix).filePath(QStringLiteral("system.reg"))).isFile() ? launcher : QString();
}

} // namespace platform
