// setup.exe for Windows: the installer that sits in every package folder beside install.ini, or
// carries its package appended to itself (a one-file setup). Without arguments it opens the setup
// window; with arguments it installs without a window and reports on the console of the program
// that started it.
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
#include "OneFileSetup.h"
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

// Runs with the console of the program that started this one as standard output and error.
template <typename Run> int withConsole(Run run)
{
    const bool attached = setup_windows::attachParentConsole();
    const HANDLE outHandle = setup_windows::standardOutputHandle(STD_OUTPUT_HANDLE, attached);
    const HANDLE errHandle = setup_windows::standardOutputHandle(STD_ERROR_HANDLE, attached);
    if (!outHandle && !errHandle) {
        // Started with arguments but with nowhere to print, as Windows' list of installed programs
        // starts a removal: the outcome is told in a message box instead.
        std::ostringstream out;
        std::ostringstream err;
        const int status = run(out, err);
        const std::string text = out.str() + err.str();
        if (!text.empty())
            MessageBoxW(nullptr, base::text::widen(text).c_str(),
                        base::text::widen(installer::texts::errorCaption()).c_str(),
                        MB_OK | (status == installer::ExitOk ? MB_ICONINFORMATION : MB_ICONERROR));
        return status;
    }
    setup_windows::HandleStream out(outHandle);
    setup_windows::HandleStream err(errHandle);
    const int status = run(out.stream(), err.stream());
    out.stream().flush();
    err.stream().flush();
    return status;
}

int runWithoutWindow(const std::vector<std::string> &arguments, const std::string &packageFolder,
                     const std::string &archiveSha256)
{
    base::files::removeTemporariesOnSignals();
    return withConsole([&](std::ostream &out, std::ostream &err) {
        return installer::runCommandLine(arguments, packageFolder, out, err, archiveSha256);
    });
}

void showRefusal(const std::string &reason)
{
    MessageBoxW(nullptr, base::text::widen(installer::texts::packageRefused(reason)).c_str(),
                base::text::widen(installer::texts::errorCaption()).c_str(), MB_OK | MB_ICONERROR);
}

// gameFolder: where a restart with administrator rights opens the window; empty for a fresh start.
// archiveSha256: the digest of the one-file setup's archive the package was unpacked from.
int runWindow(HINSTANCE instance, const std::string &packageFolder, const std::string &gameFolder = {},
              const std::string &archiveSha256 = {})
{
    installer::Package package;
    std::string error;
    if (!installer::loadPackage(packageFolder, &package, &error)) {
        showRefusal(error);
        return installer::ExitFailed;
    }
    package.archiveSha256 = archiveSha256;
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
    std::string packageFolder = programFolder();
    // A restart with administrator rights names the package folder of the first run, which waits
    // for it (and keeps a one-file setup's unpacked package until then).
    if (const auto restart = installer::win::elevatedRestartFrom(arguments))
        return runWindow(instance, restart->packageFolder, restart->gameFolder);
    // Nothing or only --package DIR: the window. Arguments it cannot parse go to the command
    // line, which names the fault on the console.
    installer::SetupArguments parsed;
    std::string error;
    const bool understood = installer::parseArguments(arguments, &parsed, &error);
    const bool window = understood && installer::opensWindow(parsed);

    // A one-file setup carries its package: unpacked for this run, and gone when it ends.
    installer::UnpackedPackage unpacked;
    if (understood && installer::usesProgramsPackage(parsed)) {
        std::string reason;
        switch (unpacked.unpack(base::files::runningProgram(), &reason)) {
        case installer::UnpackedPackage::Outcome::NoArchive:
            break;
        case installer::UnpackedPackage::Outcome::Unpacked:
            packageFolder = unpacked.packageFolder();
            break;
        case installer::UnpackedPackage::Outcome::Refused:
            if (window) {
                showRefusal(reason);
                return installer::ExitFailed;
            }
            return withConsole([&reason](std::ostream &, std::ostream &err) {
                err << "setup.exe: " << reason << std::endl;
                return installer::ExitFailed;
            });
        }
    }
    if (window)
        return runWindow(instance, parsed.packageFolder.empty() ? packageFolder : parsed.packageFolder, {},
                         unpacked.archiveSha256());
    return runWithoutWindow(arguments, packageFolder, unpacked.archiveSha256());
}
