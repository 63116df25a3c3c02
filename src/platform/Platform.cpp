#include "Platform.h"

#include <stdexcept>

namespace platform {

namespace {
Platform *g_platform = nullptr;
}

Platform &current()
{
    if (!g_platform)
        throw std::logic_error("no platform installed");
    return *g_platform;
}

void install(Platform *platform)
{
    g_platform = platform;
}

std::string separator()
{
#ifdef _WIN32
    return "\\";
#else
    return "/";
#endif
}

} // namespace platform
