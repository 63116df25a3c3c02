#pragma once

#include "Page.h"

class QPushButton;

// Completion page: test the package's installer, or finish.
class FrmARDone : public Page
{
public:
    FrmARDone();

    QPushButton *cmdTest() { return loaded(m_cmdTest); }

    void cmdTest_Click();
    void cmdNext_Click();

protected:
    void build(PageWindow &w) override;
    void frameCloseRequested() override;

private:
    QPushButton *m_cmdTest = nullptr;
};
