// The window-less installer that kills itself with SIGKILL at one step of its run: the step
// numbered QUERNEL_KILL_AT_STEP (from 1) among all the steps of all files, so that a test can
// stop a run at every instant that matters, between a backup and the replacement included.
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "InstallationTesting.h"

int main(int argc, char **argv)
{
    const char *at = std::getenv("QUERNEL_KILL_AT_STEP");
    const long killAt = at ? std::strtol(at, nullptr, 10) : 0;
    long steps = 0;
    installer::testing::setStepHook([&](installer::testing::InstallStep, const std::string &) {
        if (++steps == killAt)
            std::raise(SIGKILL);
    });
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = installer::runCommandLine(arguments, ".", std::cout, std::cerr);
    std::cout << "steps: " << steps << std::endl;
    return status;
}
