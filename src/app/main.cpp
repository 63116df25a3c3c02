// arVemko: the Quernel 2.0 package wizard.
#include <cstdio>

#include <QApplication>
#include <QGuiApplication>

#include "Files.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Platform.h"
#include "QtPlatform.h"
#include "Vemko.h"

namespace {

bool displayAvailable()
{
    const QByteArray qpa = qgetenv("QT_QPA_PLATFORM");
    if (!qpa.isEmpty())
        return true; // the platform plugin was chosen explicitly
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char **argv)
{
    if (!displayAvailable()) {
        std::fputs("arVemko: no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                   "start it from a desktop session.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(package::windowCaption());
    // The run ends only through Finish, the cancel question or the error report.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::QtPlatform qtPlatform;
    platform::install(&qtPlatform);
    // Stopped by a signal while copying, the wizard leaves no hidden temporary in the package.
    base::files::removeTemporariesOnSignals();

    Vemko::ShowFirstPage();
    return QApplication::exec();
}
