#pragma once

#include <cstdint>

#include "Page.h"

// AR file list page: opens the AR file picker, shows the package summary that
// the picker's Add leaves here, and finishes the package with Create Setup.
class FrmARNew3 : public Page
{
public:
    FrmARNew3();

    static form::PageLayout layout();

    form::TextBox *txtFiles() { return loaded(m_txtFiles); }
    form::Button *cmdAddAR() { return loaded(m_cmdAddAR); }
    form::Label *lblSize() { return loaded(m_lblSize); }

    void cmdAddAR_Click();
    void cmdNext_Click();
    void cmdCancel_Click();

    // The picker tells the page when it closes and while its Add runs, so that
    // the package is not finished, nor the copy started twice, underneath it.
    void pickerClosed();
    void setAddRunning(bool running);
    // Shows the package's size after the size label's caption, in kilobytes of 1024
    // bytes rounded up (a package of a few bytes is not shown as empty).
    void showPackageSize(std::int64_t bytes);

protected:
    void build(form::Window &w) override;
    void frameCloseRequested() override;

private:
    form::Button *m_cmdAddAR = nullptr;
    form::TextBox *m_txtFiles = nullptr;
    form::Label *m_lblSize = nullptr;
};
