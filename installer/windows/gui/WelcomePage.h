#pragma once

#include <optional>
#include <string>

#include "Package.h"
#include "Page.h"

namespace installer::win {

// What the package is, who made it, and which game it needs.
class WelcomePage : public Page
{
public:
    explicit WelcomePage(const Package &package);

    std::string title() const override;
    std::string subtitle() const override;

protected:
    void onInit() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result) override;

private:
    // Rows without a value are hidden and the rows below move up.
    void stackRows();

    const Package &m_package;
    std::optional<std::string> m_emailTarget;
    std::optional<std::string> m_webTarget;
};

} // namespace installer::win
