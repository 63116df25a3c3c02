#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"

// Programs run under the Wine prefix of the ctest run (tests/windows/wine-prefix.sh sets it up),
// with no display and a locale that exists; what they print with the CRs taken out.
namespace wine_test {

struct Outcome
{
    int status = -1; // the exit status; -signal when a signal ended the program
    std::string out;
    std::string err;
};

// Points this process's environment (inherited by every program started) at the shared prefix.
void useTestPrefix();

// A program (an absolute path, or a name looked up on PATH) started from workingFolder, its output
// captured in files under outputFolder.
Outcome run(const std::string &program, const std::vector<std::string> &arguments,
            const std::string &outputFolder, const std::string &workingFolder);

// wine <arguments>.
Outcome runWine(const std::vector<std::string> &arguments, const std::string &outputFolder,
                const std::string &workingFolder);

// wine <arguments>, killed when it runs longer than the timeout: then nothing.
std::optional<Outcome> runWineWithin(const std::vector<std::string> &arguments,
                                     const std::string &outputFolder, const std::string &workingFolder,
                                     std::chrono::seconds timeout);

// wine <arguments> started and left running. The process is the Windows program itself (the
// wine script execs the loader), so a signal to it reaches the program and nothing else.
std::unique_ptr<installer_test::ChildProcess> startWine(const std::vector<std::string> &arguments,
                                                        const std::string &outputFolder,
                                                        const std::string &workingFolder);

// The Windows form of a path of this machine (winepath -w): "Z:\tmp\...".
std::string windowsPath(const std::string &unixPath, const std::string &outputFolder);

std::string withoutCarriageReturns(std::string text);

} // namespace wine_test
