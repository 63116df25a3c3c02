#pragma once

#include "Page.h"

// Installer appearance page: game version, readme delay and progress-bar style,
// with a live countdown example on a progress bar.
class FrmARNew2 : public Page
{
public:
    FrmARNew2();

    static form::PageLayout layout();

    form::Option *optMMV(int index) { return loaded(m_optMMV[index]); }
    form::Option *optPGBDisplay(int index) { return loaded(m_optPGBDisplay[index]); }
    form::Button *cmdStart() { return loaded(m_cmdStart); }
    form::ProgressBar *pgbStatus() { return loaded(m_pgbStatus); }
    form::Timer *tmrExample() { return loaded(m_tmrExample); }
    form::TextBox *txtReadmeDelay() { return loaded(m_txtReadmeDelay); }
    form::UpDown *udDelay() { return loaded(m_udDelay); }

    void optMMV_Click(int index);
    void optPGBDisplay_Click(int index);
    void cmdStart_Click();
    void tmrExample_Timer();
    void cmdNext_Click();
    void cmdCancel_Click();

protected:
    void build(form::Window &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    form::Option *m_optPGBDisplay[2] = {};
    form::Button *m_cmdStart = nullptr;
    form::ProgressBar *m_pgbStatus = nullptr;
    form::Timer *m_tmrExample = nullptr;
    form::TextBox *m_txtReadmeDelay = nullptr;
    form::UpDown *m_udDelay = nullptr;
    form::Option *m_optMMV[2] = {};
};
