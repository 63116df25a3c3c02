#pragma once

#include <string>

#include "Page.h"

// Completion page: names the package folder and opens it in the file manager; packs the package
// into one zip archive beside it, or into one setup file (the Windows installer carrying the
// archive); tests the package's installer, or finishes.
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
    form::Button *cmdSetup() { return loaded(m_cmdSetup); }
    form::Label *lblSetup() { return loaded(m_lblSetup); }
    form::TextBox *txtSetup() { return loaded(m_txtSetup); }

    void cmdTest_Click();
    void cmdOpenFolder_Click();
    void cmdZip_Click();
    void cmdSetup_Click();
    void cmdCancel_Click();
    void cmdNext_Click();

protected:
    void build(form::Window &w) override;
    void frameCloseRequested() override;

private:
    // What one packing writes and where the page tells of it.
    struct PackTarget
    {
        std::string path;
        std::string installer; // the file ahead of the archive, or empty for a plain archive
        form::Label *label = nullptr;
        form::TextBox *box = nullptr;
        std::string doneCaption; // the label's caption beside the written file's path
        std::string cancelled;
        std::string failed; // the message's first line, the error follows
    };
    void pack(const PackTarget &target);

    form::Button *m_cmdTest = nullptr;
    form::TextBox *m_txtFolder = nullptr;
    form::Button *m_cmdOpenFolder = nullptr;
    form::Button *m_cmdZip = nullptr;
    form::Label *m_lblZip = nullptr;
    form::TextBox *m_txtZip = nullptr;
    form::Button *m_cmdSetup = nullptr;
    form::Label *m_lblSetup = nullptr;
    form::TextBox *m_txtSetup = nullptr;
    // While the archive is written: the page's buttons wait, Cancel (or closing) stops it.
    bool m_packing = false;
    bool m_cancelPacking = false;
};
