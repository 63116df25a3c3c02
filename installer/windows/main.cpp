// setup.exe for Windows: the installer that sits in every package folder beside install.ini.
// Without arguments it opens the setup window; with arguments it installs without a window and
// reports on the console of the program that started it.
#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ConsoleOutput.h"
#include "Elevation.h"
#include "Files.h"
#include "KeptInstaller.h"
#include "Package.h"
#include "SetupTexts.h"
#include "SetupWindow.h"
#include "Text.h"

namespace {

// The arguments after the program name, as UTF-8.
std::vector<std::string> argumentsAsUtf8()
{
    int count = 0;
    std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &count),
                                                       &LocalFree);
    std::vector<std::string> arguments;
    for (int i = 1; argv && i < count; ++i)
        arguments.push_back(base::text::narrow(argv.get()[i]));
    return arguments;
}

// The folder this program was started from: the package folder.
std::string programFolder()
{
    const std::string path = base::files::runningProgram();
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(0, separator);
}

int runWithoutWindow(const std::vector<std::string> &arguments, const std::string &packageFolder)
{
    base::files::removeTemporariesOnSignals();
    const bool attached = setup_windows::attachParentConsole();
    const HANDLE outHandle = setup_windows::standardOutputHandle(STD_OUTPUT_HANDLE, attached);
    const HANDLE errHandle = setup_windows::standardOutputHandle(STD_ERROR_HANDLE, attached);
    if (!outHandle && !errHandle) {
        // Started with arguments but with nowhere to print, as Windows' list of installed programs
        // starts a removal: the outcome is told in a message box instead.
        std::ostringstream out;
        std::ostringstream err;
        const int status = installer::runCommandLine(arguments, packageFolder, out, err);
        const std::string text = out.str() + err.str();
        if (!text.empty())
            MessageBoxW(nullptr, base::text::widen(text).c_str(),
                        base::text::widen(installer::texts::errorCaption()).c_str(),
                        MB_OK | (status == installer::ExitOk ? MB_ICONINFORMATION : MB_ICONERROR));
        return status;
    }
    setup_windows::HandleStream out(outHandle);
    setup_windows::HandleStream err(errHandle);
    const int status = installer::runCommandLine(arguments, packageFolder, out.stream(), err.stream());
    out.stream().flush();
    err.stream().flush();
    return status;
}

// gameFolder: where a restart with administrator rights opens the window; empty for a fresh start.
int runWindow(HINSTANCE instance, const std::string &packageFolder, const std::string &gameFolder = {})
{
    installer::Package package;
    std::string error;
    if (!installer::loadPackage(packageFolder, &package, &error)) {
        MessageBoxW(nullptr, base::text::widen(installer::texts::packageRefused(error)).c_str(),
                    base::text::widen(installer::texts::errorCaption()).c_str(), MB_OK | MB_ICONERROR);
        return installer::ExitFailed;
    }
    return gameFolder.empty() ? runSetupWindow(instance, package)
                              : runSetupWindow(instance, package, gameFolder);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    const std::vector<std::string> arguments = argumentsAsUtf8();
    if (setup_windows::handOverRemoval(arguments))
        return installer::ExitOk;
    setup_windows::waitForHandingProgram();
    const std::string packageFolder = programFolder();
    // Nothing or only --package DIR: the window. Arguments it cannot parse go to the command
    // line, which names the fault on the console.
    if (const auto restart = installer::win::elevatedRestartFrom(arguments))
        return runWindow(instance, restart->packageFolder, restart->gameFolder);
    installer::SetupArguments parsed;
    std::string error;
    if (installer::parseArguments(arguments, &parsed, &error) && installer::opensWindow(parsed))
        return runWindow(instance, parsed.packageFolder.empty() ? packageFolder : parsed.packageFolder);
    return runWithoutWindow(arguments, packageFolder);
}
