#pragma once

#include "Package.h"
#include "Page.h"

namespace installer::win {

// The package's readme (RTF as RTF, plain text as text), with the forward button held back for
// the package's readme delay while a progress bar counts the seconds down.
class ReadmePage : public Page
{
public:
    explicit ReadmePage(const Package &package);

    std::string title() const override;
    std::string subtitle() const override;
    bool isComplete() const override { return m_secondsLeft == 0; }
    // The countdown starts the first time the step is shown.
    void enter() override;
    // The readme itself, so that the arrow keys scroll it.
    HWND firstFocus() const override;
    // No countdown: the player has read the readme in the run before this one.
    void skipWait();

protected:
    void onInit() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR *result) override;

private:
    void showReadme();
    void tick();
    void showSecondsLeft();

    const Package &m_package;
    int m_secondsLeft = 0;
    bool m_started = false;
};

} // namespace installer::win
