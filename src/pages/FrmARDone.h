#pragma once

#include "Page.h"

// Completion page: names the package folder and opens it in the file manager; packs the package
// into one zip archive beside it; tests the package's installer, or finishes.
class FrmARDone : public Page
{
public:
    FrmARDone();

    static form::PageLayout layout();

    form::Button *cmdTest() { return loaded(m_cmdTest); }
    form::TextBox *txtFolder() { return loaded(m_txtFolder); }
    form::Button *cmdOpenFolder() { return loaded(m_cmdOpenFolder); }
    form::Button *cmdZip() { return loaded(m_cmdZip); }
    form::Label *lblZip() { return loaded(m_lblZip); }
    form::TextBox *txtZip() { return loaded(m_txtZip); }

    void cmdTest_Click();
    void cmdOpenFolder_Click();
    void cmdZip_Click();
    void cmdCancel_Click();
    void cmdNext_Click();

protected:
    void build(form::Window &w) override;
    void frameCloseRequested() override;

private:
    form::Button *m_cmdTest = nullptr;
    form::TextBox *m_txtFolder = nullptr;
    form::Button *m_cmdOpenFolder = nullptr;
    form::Button *m_cmdZip = nullptr;
    form::Label *m_lblZip = nullptr;
    form::TextBox *m_txtZip = nullptr;
    // While the archive is written: the page's buttons wait, Cancel (or closing) stops it.
    bool m_packing = false;
    bool m_cancelPacking = false;
};
