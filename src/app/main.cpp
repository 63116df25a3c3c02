// arVemko: the Quernel 2.0 package wizard.
#include <cstdio>

#include <QApplication>

#include "Files.h"
#include "Form.h"
#include "Pages.h"
#include "Platform.h"
#include "QtRuntime.h"
#include "SystemPlatform.h"

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
    QApplication::setApplicationName(QString::fromLatin1(form::WindowCaption));
    // The run ends only through Finish, the cancel question or the error report.
    QApplication::setQuitOnLastWindowClosed(false);

    form::qt::QtRuntime runtime;
    form::install(&runtime);
    platform::SystemPlatform system;
    platform::install(&system);
    // Stopped by a signal while copying, the wizard leaves no hidden temporary in the package.
    base::files::removeTemporariesOnSignals();

    Vemko::ShowFirstPage();
    return QApplication::exec();
}
