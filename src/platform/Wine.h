#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace platform {

// The path of the wine launcher when Wine is installed (wine on PATH) and set up for the user of
// this environment: a prefix that wineboot has filled ($WINEPREFIX when set, ~/.wine otherwise).
// Empty otherwise, so that starting a Windows program never sets up a prefix first, which takes
// many seconds and shows Wine's own dialogs.
QString findWineLauncher(const QProcessEnvironment &environment);

} // namespace platform
