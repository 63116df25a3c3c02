#pragma once

#include <QString>
#include <QtGlobal>

// Start-up, the state the pages share, cancellation, the error report and the
// final copy of the installer.
namespace Vemko {

// Full path of the package folder: the program folder, a separator and the package name.
extern QString PackageFolder;
// Answer of the last cancel question or error report (6 Yes, 7 No, 1 OK).
extern qint16 MsgResult;
// Seconds the appearance page's example still has to run.
extern qint16 ExampleCountdown;

// Shows the package name and folder page; everything else happens in page handlers.
void ShowFirstPage();

// Asks whether to cancel; on Yes says so and ends the program, on No returns.
void ConfirmCancel();

// Shows a trapped failure with its code and description and ends the program.
[[noreturn]] void ReportError(qint32 code, const QString &description);

// Copies the installer into the package folder and moves on to the completion page.
void CopySetupAndFinish();

// The folder of the running program.
QString ProgramFolder();

// Address of the error-code help page that ships in the program folder.
QString ErrorHelpAddress();

// A file of the package: PackageFolder, a separator and the name.
QString PackageFile(const QString &name);

// Back to the state at program start (used when a run starts afresh in tests).
void ResetState();

} // namespace Vemko
