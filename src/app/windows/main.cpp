// arVemko.exe: the Quernel 2.0 package wizard on Windows, the pages over the Win32 runtime.
#include "Files.h"
#include "Form.h"
#include "Pages.h"
#include "SystemPlatform.h"
#include "Win32Runtime.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    form::win32::Win32Runtime runtime;
    form::install(&runtime);
    platform::SystemPlatform system;
    platform::install(&system);
    // Stopped while copying, the wizard leaves no hidden temporary in the package.
    base::files::removeTemporariesOnSignals();

    Vemko::ShowFirstPage();
    // The run ends only through Finish, the cancel question or the error report.
    return runtime.run();
}
