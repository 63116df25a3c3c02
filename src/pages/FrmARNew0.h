#pragma once

#include <string>

#include "Page.h"

// Package name and folder page: the folder follows the name at every keystroke;
// Next creates the folder, records the name and opens the details page.
class FrmARNew0 : public Page
{
public:
    FrmARNew0();

    static form::PageLayout layout();

    form::TextBox *txtPackage() { return loaded(m_txtPackage); }
    form::TextBox *txtProject() { return loaded(m_txtProject); }

    void txtPackage_Change();
    void cmdNext_Click();
    void cmdCancel_Click();

protected:
    void build(form::Window &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    // Why the name cannot name the package folder, or nothing when it can.
    static std::string refusalOf(const std::string &name);

    form::TextBox *m_txtPackage = nullptr;
    form::TextBox *m_txtProject = nullptr;
};
