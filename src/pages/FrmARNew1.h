#pragma once

#include "Page.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Package details page: the author's name, e-mail, web site and copyright line,
// and the readme chosen through the readme picker.
class FrmARNew1 : public Page
{
public:
    FrmARNew1();

    QLineEdit *txtReadme() { return loaded(m_txtReadme); }
    QLineEdit *txtAName() { return loaded(m_txtAName); }
    QLineEdit *txtAEmail() { return loaded(m_txtAEmail); }
    QLineEdit *txtAWWW() { return loaded(m_txtAWWW); }
    QLineEdit *txtCopyright() { return loaded(m_txtCopyright); }

    void cmdNext_Click();
    void cmdBrowse_Click();
    void txtReadme_Click();
    void cmdCancel_Click();

protected:
    void build(PageWindow &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    QLineEdit *m_txtReadme = nullptr;
    QPushButton *m_cmdBrowse = nullptr;
    QLineEdit *m_txtAName = nullptr;
    QLineEdit *m_txtAEmail = nullptr;
    QLineEdit *m_txtAWWW = nullptr;
    QLineEdit *m_txtCopyright = nullptr;
};
