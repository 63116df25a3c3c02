#pragma once

#include "Page.h"

class QLabel;
class QLineEdit;

// Package name and folder page: the folder follows the name at every keystroke;
// Next creates the folder, records the name and opens the details page.
class FrmARNew0 : public Page
{
public:
    FrmARNew0();

    QLineEdit *txtPackage() { return loaded(m_txtPackage); }
    QLineEdit *txtProject() { return loaded(m_txtProject); }

    void txtPackage_Change();
    void cmdNext_Click();
    void cmdCancel_Click();

protected:
    void build(PageWindow &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    // Why the name cannot name the package folder, or nothing when it can.
    static QString refusalOf(const QString &name);

    QLabel *m_lblPackage = nullptr;
    QLineEdit *m_txtPackage = nullptr;
    QLabel *m_lblProject = nullptr;
    QLineEdit *m_txtProject = nullptr;
};
