#include "Platform.h"

#include <QDir>

namespace platform {

namespace {
Platform *g_platform = nullptr;
}

Platform &current()
{
    Q_ASSERT_X(g_platform, "platform::current", "no platform installed");
    return *g_platform;
}

void install(Platform *platform)
{
    g_platform = platform;
}

QString separator()
{
    return QString(QDir::separator());
}

} // namespace platform
