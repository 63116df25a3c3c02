#include "Vemko.h"

#include <cstdlib>

#include <QUrl>

#include "IniFuncs.h"
#include "PackageNames.h"
#include "Platform.h"

namespace Vemko {

QString PackageFolder;
qint16 MsgResult = 0;
qint16 ExampleCountdown = 0;

namespace {
const QString Caption = package::windowCaption();

QString storedPackageName()
{
    return ReadINI(InstallFile(), package::toQt(package::section::Main), package::toQt(package::key::Name),
                   QString());
}
} // namespace

QString ProgramFolder()
{
    return platform::current().programFolder();
}

QString PackageFile(const QString &name)
{
    return PackageFolder + platform::separator() + name;
}

QString InstallFile()
{
    return PackageFile(package::toQt(package::file::Install));
}

QString TempFile()
{
    return PackageFile(package::toQt(package::file::Temp));
}

QString ErrorHelpAddress()
{
    return QUrl::fromLocalFile(ProgramFolder() + platform::separator() + QStringLiteral("errors.html"))
        .toString();
}

void ConfirmCancel()
{
    using namespace platform;
    QString name = storedPackageName();
    MsgResult = static_cast<qint16>(current().messageBox(
        QStringLiteral("Are you sure you want to cancel the creation of '") + name + QStringLiteral("?'"),
        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, Caption));
    if (MsgResult == IDNO)
        return;

    name = storedPackageName();
    current().messageBox(
        QStringLiteral("Creation of '") + name +
            QStringLiteral("' was terminated early.  Your system isn't changed, and you may run "
                           "the Vemko at another time if you want."),
        MB_ICONINFORMATION, Caption);
    current().endProgram();
}

void ReportError(qint32 code, const QString &description)
{
    using namespace platform;
    const QString codeText = QString::number(code);
    const QString text = QStringLiteral("The following error has occured:") + QStringLiteral("\r\n") +
                         description + QStringLiteral("\r\n") + QStringLiteral("Error ID: ") + codeText +
                         QStringLiteral("\r\n") + QStringLiteral("Please visit '") + ErrorHelpAddress() +
                         QStringLiteral("' for more information.");
    MsgResult = static_cast<qint16>(current().messageBox(text, MB_ICONWARNING | MB_SYSTEMMODAL,
                                                         QStringLiteral("Quernel Error ") + codeText));
    current().endProgram();
    std::abort(); // not reached: ending the program does not return
}

void ResetState()
{
    PackageFolder.clear();
    MsgResult = 0;
    ExampleCountdown = 0;
}

} // namespace Vemko
