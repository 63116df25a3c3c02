#pragma once

#include <QString>

// The Linux setup window on a game folder that holds its package already: the choice between
// Reinstall and Remove, the removal under way and its report, saved as setup-linux-*.png.
void shootLinuxSetupRemoval(const QString &outputFolder);
