#pragma once

#include <cstdint>
#include <string>

// The state the pages share, cancellation and the error report. The moves between
// pages (the first page, the final copy of the installer) are with the pages.
namespace Vemko {

// Full path of the package folder: the program folder, a separator and the package name.
extern std::string PackageFolder;
// Answer of the last cancel question or error report (6 Yes, 7 No, 1 OK).
extern std::int16_t MsgResult;
// Seconds the appearance page's example still has to run.
extern std::int16_t ExampleCountdown;

// Asks whether to cancel; on Yes says so and ends the program, on No returns.
void ConfirmCancel();

// Shows a trapped failure with its code and description and ends the program.
[[noreturn]] void ReportError(std::int32_t code, const std::string &description);

// The folder of the running program.
std::string ProgramFolder();

// Address of the error-code help page that ships in the program folder (a file: URL).
std::string ErrorHelpAddress();

// A file of the package: PackageFolder, a separator and the name.
std::string PackageFile(const std::string &name);
// The package's install.ini and the wizard's temp.ini beside it.
std::string InstallFile();
std::string TempFile();

// Back to the state at program start (used when a run starts afresh in tests).
void ResetState();

} // namespace Vemko
