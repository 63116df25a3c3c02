#pragma once

#include "Installation.h"
#include "Package.h"
#include "Page.h"
#include "Uninstallation.h"

namespace installer::win {

// What was installed, what was skipped or not installed, and where the replaced files are kept; or,
// after a removal, what was removed, put back and left as it was.
class DonePage : public Page
{
public:
    explicit DonePage(const Package &package);

    std::string title() const override;
    std::string subtitle() const override;
    std::string nextText() const override;

    void showResult(const InstallResult &result, const std::string &gameFolder);
    void showRemoval(const UninstallResult &result);

protected:
    void onInit() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result) override;

private:
    const Package &m_package;
    bool m_ok = false;
    bool m_removal = false;
};

} // namespace installer::win
