#pragma once

#include "Page.h"

// Package details page: the author's name, e-mail, web site and copyright line,
// and the readme chosen through the readme picker.
class FrmARNew1 : public Page
{
public:
    FrmARNew1();

    static form::PageLayout layout();

    form::TextBox *txtReadme() { return loaded(m_txtReadme); }
    form::TextBox *txtAName() { return loaded(m_txtAName); }
    form::TextBox *txtAEmail() { return loaded(m_txtAEmail); }
    form::TextBox *txtAWWW() { return loaded(m_txtAWWW); }
    form::TextBox *txtCopyright() { return loaded(m_txtCopyright); }

    void cmdNext_Click();
    void cmdBrowse_Click();
    void txtReadme_Click();
    void cmdCancel_Click();

protected:
    void build(form::Window &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    form::TextBox *m_txtReadme = nullptr;
    form::Button *m_cmdBrowse = nullptr;
    form::TextBox *m_txtAName = nullptr;
    form::TextBox *m_txtAEmail = nullptr;
    form::TextBox *m_txtAWWW = nullptr;
    form::TextBox *m_txtCopyright = nullptr;
};
