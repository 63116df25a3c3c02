#include "Wine.h"

#include <cstdlib>

#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace platform {

namespace {

bool isRegularFile(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The first entry of a PATH list that holds an executable file of this name (as the shell finds it).
std::string findExecutable(const std::string &name, const std::string &pathList)
{
#ifdef _WIN32
    (void)name;
    (void)pathList;
    return {};
#else
    std::size_t start = 0;
    while (start <= pathList.size()) {
        std::size_t end = pathList.find(':', start);
        if (end == std::string::npos)
            end = pathList.size();
        const std::string folder = pathList.substr(start, end - start);
        start = end + 1;
        if (folder.empty())
            continue;
        const std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
        if (isRegularFile(candidate) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
#endif
}

} // namespace

std::string systemVariable(const std::string &name)
{
    const char *value = std::getenv(name.c_str());
    return value ? std::string(value) : std::string();
}

std::string findWineLauncher(const EnvironmentLookup &environment)
{
    const std::string launcher = findExecutable("wine", environment("PATH"));
    if (launcher.empty())
        return {};
    std::string prefix = environment("WINEPREFIX");
    if (prefix.empty()) {
        const std::string home = environment("HOME");
        if (home.empty())
            return {};
        prefix = home + "/.wine";
    }
    // The registry file is written when a prefix is set up; an empty folder is no prefix.
    return isRegularFile(prefix + "/system.reg") ? launcher : std::string();
}

} // namespace platform
