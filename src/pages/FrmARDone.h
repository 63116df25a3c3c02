#pragma once

#include "Page.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Completion page: names the package folder and opens it in the file manager; packs the package
// into one zip archive beside it; tests the package's installer, or finishes.
class FrmARDone : public Page
{
public:
    FrmARDone();

    QPushButton *cmdTest() { return loaded(m_cmdTest); }
    QLineEdit *txtFolder() { return loaded(m_txtFolder); }
    QPushButton *cmdOpenFolder() { return loaded(m_cmdOpenFolder); }
    QPushButton *cmdZip() { return loaded(m_cmdZip); }
    QLabel *lblZip() { return loaded(m_lblZip); }
    QLineEdit *txtZip() { return loaded(m_txtZip); }

    void cmdTest_Click();
    void cmdOpenFolder_Click();
    void cmdZip_Click();
    void cmdNext_Click();

protected:
    void build(PageWindow &w) override;
    void frameCloseRequested() override;

private:
    QPushButton *m_cmdTest = nullptr;
    QLineEdit *m_txtFolder = nullptr;
    QPushButton *m_cmdOpenFolder = nullptr;
    QPushButton *m_cmdZip = nullptr;
    QLabel *m_lblZip = nullptr;
    QLineEdit *m_txtZip = nullptr;
    // While the archive is written: the page's buttons wait, Cancel (or closing) stops it.
    bool m_packing = false;
    bool m_cancelPacking = false;
};
