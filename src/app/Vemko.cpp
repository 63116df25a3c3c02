#include "Vemko.h"

#include <cstdlib>

#include "FileUrl.h"
#include "Form.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Platform.h"

namespace Vemko {

std::string PackageFolder;
std::int16_t MsgResult = 0;
std::int16_t ExampleCountdown = 0;

namespace {
const std::string Caption = package::text(package::WindowCaption);

std::string storedPackageName()
{
    return ReadINI(InstallFile(), package::text(package::section::Main), package::text(package::key::Name),
                   std::string());
}
} // namespace

std::string ProgramFolder()
{
    return platform::current().programFolder();
}

std::string PackageFile(const std::string &name)
{
    return PackageFolder + platform::separator() + name;
}

std::string InstallFile()
{
    return PackageFile(package::text(package::file::Install));
}

std::string TempFile()
{
    return PackageFile(package::text(package::file::Temp));
}

std::string ErrorHelpAddress()
{
    return platform::fileUrl(ProgramFolder() + platform::separator() + "errors.html");
}

void ConfirmCancel()
{
    using namespace form;
    std::string name = storedPackageName();
    MsgResult = static_cast<std::int16_t>(
        runtime().messageBox("Are you sure you want to cancel the creation of '" + name + "?'",
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, Caption));
    if (MsgResult == IDNO)
        return;

    name = storedPackageName();
    runtime().messageBox("Creation of '" + name +
                             "' was terminated early.  Your system isn't changed, and you may run "
                             "the Vemko at another time if you want.",
                         MB_ICONINFORMATION, Caption);
    runtime().endProgram();
}

void ReportError(std::int32_t code, const std::string &description)
{
    using namespace form;
    const std::string codeText = std::to_string(code);
    const std::string text = "The following error has occured:" + std::string("\r\n") + description + "\r\n" +
                             "Error ID: " + codeText + "\r\n" + "Please visit '" + ErrorHelpAddress() +
                             "' for more information.";
    MsgResult = static_cast<std::int16_t>(
        runtime().messageBox(text, MB_ICONWARNING | MB_SYSTEMMODAL, "Quernel Error " + codeText));
    runtime().endProgram();
    std::abort(); // not reached: ending the program does not return
}

void ResetState()
{
    PackageFolder.clear();
    MsgResult = 0;
    ExampleCountdown = 0;
}

} // namespace Vemko
