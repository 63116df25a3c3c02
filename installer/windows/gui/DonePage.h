#pragma once

#include "Installation.h"
#include "Package.h"
#include "Page.h"

namespace installer::win {

// What was installed, what was skipped or not installed, and where the replaced files are kept.
class DonePage : public Page
{
public:
    explicit DonePage(const Package &package);

    std::string title() const override;
    std::string subtitle() const override;
    std::string nextText() const override;

    void showResult(const InstallResult &result, const std::string &gameFolder);

protected:
    void onInit() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result) override;

private:
    const Package &m_package;
    bool m_ok = false;
};

} // namespace installer::win
