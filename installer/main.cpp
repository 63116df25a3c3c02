// setup.exe: the installer that sits in every package folder beside install.ini.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include "CommandLine.h"
#include "GameFolder.h"
#include "Package.h"
#include "Prompts.h"
#include "QtText.h"
#include "SetupTexts.h"
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
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    installer::SetupArguments parsed;
    std::string error;
    if (!installer::parseArguments(arguments, &parsed, &error)) {
        std::cerr << "setup.exe: " << error << std::endl;
        return installer::ExitUsage;
    }
    // Anything but the package folder means the scripted installer: no window, no display needed.
    if (!installer::opensWindow(parsed)) {
        QCoreApplication app(argc, argv);
        return installer::runCommandLine(arguments, installer::utf8(QCoreApplication::applicationDirPath()),
                                         std::cout, std::cerr);
    }
    if (!haveDisplay()) {
        std::fputs("setup.exe: no display to open the setup window on; use setup.exe --target DIR --yes "
                   "(see --help)\n",
                   stderr);
        return installer::ExitFailed;
    }

    QApplication app(argc, argv);
    const std::string folder = parsed.packageFolder.empty()
                                   ? installer::utf8(QCoreApplication::applicationDirPath())
                                   : installer::gameFolderFrom(parsed.packageFolder);
    installer::Package package;
    if (!installer::loadPackage(folder, &package, &error)) {
        QMessageBox::critical(nullptr, installer::qt(installer::texts::errorCaption()),
                              installer::qt(installer::texts::packageRefused(error)));
        return installer::ExitFailed;
    }
    installer::MessageBoxPrompts prompts;
    installer::SetupWindow window(package, prompts);
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    app.exec();
    return window.exitCode();
}
