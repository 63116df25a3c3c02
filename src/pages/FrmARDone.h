#pragma once

#include "Page.h"

class QLineEdit;
class QPushButton;

// Completion page: names the package folder and opens it in the file manager;
// tests the package's installer, or finishes.
class FrmARDone : public Page
{
public:
    FrmARDone();

    QPushButton *cmdTest() { return loaded(m_cmdTest); }
    QLineEdit *txtFolder() { return loaded(m_txtFolder); }
    QPushButton *cmdOpenFolder() { return loaded(m_cmdOpenFolder); }

    void cmdTest_Click();
    void cmdOpenFolder_Click();
    void cmdNext_Click();

protected:
    void build(PageWindow &w) override;
    void frameCloseRequested() override;

private:
    QPushButton *m_cmdTest = nullptr;
    QLineEdit *m_txtFolder = nullptr;
    QPushButton *m_cmdOpenFolder = nullptr;
};
