#pragma once

#include "Page.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace platform {
class ProgressBar;
class UpDown;
} // namespace platform

// Installer appearance page: game version, readme delay and progress-bar style,
// with a live countdown example on a progress bar.
class FrmARNew2 : public Page
{
public:
    FrmARNew2();

    QRadioButton *optMMV(int index) { return loaded(m_optMMV[index]); }
    QRadioButton *optPGBDisplay(int index) { return loaded(m_optPGBDisplay[index]); }
    QPushButton *cmdStart() { return loaded(m_cmdStart); }
    platform::ProgressBar *pgbStatus() { return loaded(m_pgbStatus); }
    QTimer *tmrExample() { return loaded(m_tmrExample); }
    QLineEdit *txtReadmeDelay() { return loaded(m_txtReadmeDelay); }
    platform::UpDown *udDelay() { return loaded(m_udDelay); }

    void optMMV_Click(int index);
    void optPGBDisplay_Click(int index);
    void cmdStart_Click();
    void tmrExample_Timer();
    void cmdNext_Click();
    void cmdCancel_Click();

protected:
    void build(PageWindow &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    QRadioButton *m_optPGBDisplay[2] = {};
    QPushButton *m_cmdStart = nullptr;
    platform::ProgressBar *m_pgbStatus = nullptr;
    QTimer *m_tmrExample = nullptr;
    QLineEdit *m_txtReadmeDelay = nullptr;
    platform::UpDown *m_udDelay = nullptr;
    QRadioButton *m_optMMV[2] = {};
};
