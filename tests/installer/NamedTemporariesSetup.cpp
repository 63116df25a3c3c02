// The window-less installer as on a file system without unnamed temporary files: every copy goes
// through a named hidden file, which a signal must not leave behind.
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "FilesTesting.h"

int main(int argc, char **argv)
{
    base::files::testing::forceNamedTemporaries(true);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return installer::runCommandLine(arguments, ".", std::cout, std::cerr);
}
