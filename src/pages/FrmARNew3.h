#pragma once

#include "Page.h"

class QLabel;
class QPushButton;

namespace platform {
class MultiLineTextBox;
} // namespace platform

// AR file list page: opens the AR file picker, shows the package summary that
// the picker's Add leaves here, and finishes the package with Create Setup.
class FrmARNew3 : public Page
{
public:
    FrmARNew3();

    platform::MultiLineTextBox *txtFiles() { return loaded(m_txtFiles); }
    QPushButton *cmdAddAR() { return loaded(m_cmdAddAR); }
    QLabel *lblSize() { return loaded(m_lblSize); }

    void cmdAddAR_Click();
    void cmdNext_Click();
    void cmdCancel_Click();

    // The picker tells the page when it closes and while its Add runs, so that
    // the package is not finished, nor the copy started twice, underneath it.
    void pickerClosed();
    void setAddRunning(bool running);
    // Shows the package's size after the size label's caption, in kilobytes of 1024
    // bytes rounded up (a package of a few bytes is not shown as empty).
    void showPackageSize(qint64 bytes);

protected:
    void build(PageWindow &w) override;
    void frameCloseRequested() override;

private:
    QPushButton *m_cmdAddAR = nullptr;
    platform::MultiLineTextBox *m_txtFiles = nullptr;
    QLabel *m_lblSize = nullptr;
};
