// setup.exe: the installer that sits in every package folder beside install.ini.
#include <cstdio>

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTextStream>

#include "CommandLine.h"
#include "Package.h"
#include "Prompts.h"
#include "SetupWindow.h"

namespace {

// Without a display QApplication would abort with a long message; one line is enough.
bool haveDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char **argv)
{
    // Any argument means the scripted installer: no window, no display needed.
    if (argc > 1) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return installer::runCommandLine(QCoreApplication::arguments().mid(1),
                                         QCoreApplication::applicationDirPath(), out, err);
    }
    if (!haveDisplay()) {
        std::fputs("setup.exe: no display to open the setup window on; use setup.exe --target DIR --yes "
                   "(see --help)\n",
                   stderr);
        return installer::ExitFailed;
    }

    QApplication app(argc, argv);
    installer::Package package;
    QString error;
    if (!installer::loadPackage(QCoreApplication::applicationDirPath(), &package, &error)) {
        QMessageBox::critical(
            nullptr, QStringLiteral("Setup"),
            QStringLiteral("This package cannot be installed.\n\n%1\n\nNothing was changed.").arg(error));
        return installer::ExitFailed;
    }
    installer::MessageBoxPrompts prompts;
    installer::SetupWindow window(package, prompts);
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    app.exec();
    return window.exitCode();
}
