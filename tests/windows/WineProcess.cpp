#include "WineProcess.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace wine_test {

namespace {

std::string onPath(const std::string &program)
{
    if (program.find('/') != std::string::npos)
        return program;
    std::istringstream folders(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / program;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return program;
}

} // namespace

void useTestPrefix()
{
    ::setenv("WINEPREFIX", QUERNEL_WINE_PREFIX, 1);
    ::setenv("WINEDEBUG", "-all", 1);
    ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    ::setenv("LANG", "C.UTF-8", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
}

std::string withoutCarriageReturns(std::string text)
{
    std::erase(text, '\r');
    return text;
}

Outcome run(const std::string &program, const std::vector<std::string> &arguments,
            const std::string &outputFolder, const std::string &workingFolder)
{
    std::filesystem::create_directories(outputFolder);
    installer_test::ChildProcess process(onPath(program), arguments, outputFolder, {}, workingFolder);
    const int status = process.wait();
    return {status, withoutCarriageReturns(process.out()), withoutCarriageReturns(process.err())};
}

Outcome runWine(const std::vector<std::string> &arguments, const std::string &outputFolder,
                const std::string &workingFolder)
{
    return run("wine", arguments, outputFolder, workingFolder);
}

std::optional<Outcome> runWineWithin(const std::vector<std::string> &arguments,
                                     const std::string &outputFolder, const std::string &workingFolder,
                                     std::chrono::seconds timeout)
{
    std::filesystem::create_directories(outputFolder);
    installer_test::ChildProcess process(onPath("wine"), arguments, outputFolder, {}, workingFolder);
    const std::optional<int> status = process.waitFor(timeout);
    if (!status)
        return std::nullopt; // the process is killed as it goes out of scope
    return Outcome{*status, withoutCarriageReturns(process.out()), withoutCarriageReturns(process.err())};
}

std::unique_ptr<installer_test::ChildProcess> startWine(const std::vector<std::string> &arguments,
                                                        const std::string &outputFolder,
                                                        const std::string &workingFolder)
{
    std::filesystem::create_directories(outputFolder);
    return std::make_unique<installer_test::ChildProcess>(onPath("wine"), arguments, outputFolder,
                                                          std::vector<std::string>{}, workingFolder);
}

std::string windowsPath(const std::string &unixPath, const std::string &outputFolder)
{
    std::string path = run("winepath", {"-w", unixPath}, outputFolder, "/").out;
    while (!path.empty() && path.back() == '\n')
        path.pop_back();
    return path;
}

} // namespace wine_test
