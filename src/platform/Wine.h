#pragma once

#include <functional>
#include <string>

namespace platform {

// A process environment as a lookup: the value of a variable, empty when it is unset.
using EnvironmentLookup = std::function<std::string(const std::string &name)>;

// The process's own environment.
std::string systemVariable(const std::string &name);

// The path of the wine launcher when Wine is installed (wine on PATH) and set up for the user of
// this environment: a prefix that wineboot has filled ($WINEPREFIX when set, ~/.wine otherwise).
// Empty otherwise, so that starting a Windows program never sets up a prefix first, which takes
// many seconds and shows Wine's own dialogs.
std::string findWineLauncher(const EnvironmentLookup &environment);

} // namespace platform
