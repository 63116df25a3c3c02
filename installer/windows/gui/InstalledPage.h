#pragma once

#include <vector>

#include "InstallRecord.h"
#include "Package.h"
#include "Page.h"
#include "RemovalFlow.h"

namespace installer::win {

// The chosen game folder holds the package already: when it was installed, and the player's
// choice between installing it again and removing it.
class InstalledPage : public Page
{
public:
    explicit InstalledPage(const Package &package);

    std::string title() const override;
    std::string subtitle() const override;
    HWND firstFocus() const override;
    void enter() override;

    // The installations found in the game folder, newest first; Reinstall is chosen again.
    void showInstallations(const std::vector<InstallRecord> &installations);
    InstalledChoice choice() const;

protected:
    void onInit() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result) override;

private:
    int checkedOption() const;
    // Tab into the options lands on the chosen one; the arrow keys move between them.
    void moveTabStopToChecked() const;

    const Package &m_package;
};

} // namespace installer::win
