#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "InstallRecord.h"
#include "Package.h"
#include "Page.h"
#include "RemovalFlow.h"
#include "Uninstallation.h"

namespace installer::win {

// The chosen game folder holds the package already: when it was installed, and the player's
// choice between installing it again and removing it. Before a removal the installed files are
// read for their digests (Uninstallation::check) on a worker thread, with a status and a moving bar.
class InstalledPage : public Page
{
public:
    using CheckDone =
        std::function<void(std::unique_ptr<Uninstallation> removal, std::vector<LeftFile> left)>;

    explicit InstalledPage(const Package &package);

    std::string title() const override;
    std::string subtitle() const override;
    bool isComplete() const override { return !checking(); }
    HWND firstFocus() const override;
    void enter() override;

    // Checks what the removal would leave; done runs on the window's thread, unless stopped before.
    void startCheck(std::unique_ptr<Uninstallation> removal, CheckDone done);
    // Forgets the check under way (its worker ends by itself): the choice is shown again.
    void stopCheck();
    bool checking() const { return static_cast<bool>(m_check); }

    // The installations found in the game folder, newest first; Reinstall is chosen again.
    void showInstallations(const std::vector<InstallRecord> &installations);
    InstalledChoice choice() const;

protected:
    void onInit() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result) override;

private:
    struct Check;

    void showChecking(bool checking);
    int checkedOption() const;
    // Tab into the options lands on the chosen one; the arrow keys move between them.
    void moveTabStopToChecked() const;

    const Package &m_package;
    std::shared_ptr<Check> m_check; // shared with its worker, which may outlive a stopped check
    CheckDone m_checkDone;
    WPARAM m_checkNumber = 0; // the message of a stopped check's worker is let pass
};

} // namespace installer::win
