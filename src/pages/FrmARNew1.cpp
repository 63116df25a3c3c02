#include "FrmARNew1.h"

#include <string>
#include <string_view>
#include <vector>

#include "FrmARNew2.h"
#include "FrmARReadmeLocation.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Vemko.h"

namespace {

std::string readDescription(std::string_view key)
{
    return ReadINI(Vemko::InstallFile(), package::text(package::section::Main), package::text(key),
                   std::string());
}

void writeDescription(std::string_view key, const std::string &value)
{
    WriteINI(Vemko::InstallFile(), package::text(package::section::Main), package::text(key), value);
}

// A caption with its box to the right, on one row of the page (places in twips).
void addRow(std::vector<form::ControlRow> &rows, const char *labelName, const char *caption,
            const char *boxName, int top, int boxWidth = 4500, unsigned boxFlags = form::style::None)
{
    rows.push_back({.kind = form::Kind::Label,
                    .name = labelName,
                    .caption = caption,
                    .place = {300, top, 1650, 330},
                    .buddy = boxName});
    rows.push_back({.kind = form::Kind::TextBox,
                    .name = boxName,
                    .place = {2040, top, boxWidth, 330},
                    .flags = boxFlags});
}

} // namespace

FrmARNew1::FrmARNew1() : Page(layout()) {}

form::PageLayout FrmARNew1::layout()
{
    form::PageLayout page;
    page.title = "AR Package Details";
    std::vector<form::ControlRow> &rows = page.controls;
    addRow(rows, "lblReadme", "Readme File:", "txtReadme", 1140, 3120, form::style::Locked);
    rows.push_back({.kind = form::Kind::Button,
                    .name = "cmdBrowse",
                    .caption = "&Browse...",
                    .place = {5280, 1125, 1260, 360}});
    addRow(rows, "lblAName", "Author's Name:", "txtAName", 1680);
    addRow(rows, "lblAEmail", "Author's Email:", "txtAEmail", 2220);
    addRow(rows, "lblAWWW", "Web Site:", "txtAWWW", 2760);
    addRow(rows, "lblCopyright", "Copyight:", "txtCopyright", 3300);
    return page;
}

void FrmARNew1::build(form::Window &w)
{
    m_txtReadme = &w.control<form::TextBox>("txtReadme");
    m_cmdBrowse = &w.control<form::Button>("cmdBrowse");
    m_txtAName = &w.control<form::TextBox>("txtAName");
    m_txtAEmail = &w.control<form::TextBox>("txtAEmail");
    m_txtAWWW = &w.control<form::TextBox>("txtAWWW");
    m_txtCopyright = &w.control<form::TextBox>("txtCopyright");

    m_txtReadme->Click = [this] { txtReadme_Click(); };
    m_cmdBrowse->Click = [this] { cmdBrowse_Click(); };
    w.control<form::Button>("cmdNext").Click = [this] { cmdNext_Click(); };
    w.control<form::Button>("cmdCancel").Click = [this] { cmdCancel_Click(); };
}

void FrmARNew1::Form_Load()
{
    // A package without a stored name is new: its fields start empty.
    if (readDescription(package::key::Name).empty())
        return;
    m_txtCopyright->setText(readDescription(package::key::Copyright));
    m_txtAName->setText(readDescription(package::key::Author));
    m_txtAWWW->setText(readDescription(package::key::WWW));
    m_txtAEmail->setText(readDescription(package::key::AuthEmail));
    m_txtReadme->setText(readDescription(package::key::Readme));
}

void FrmARNew1::cmdNext_Click()
{
    writeDescription(package::key::Copyright, m_txtCopyright->text());
    writeDescription(package::key::Author, m_txtAName->text());
    writeDescription(package::key::WWW, m_txtAWWW->text());
    writeDescription(package::key::AuthEmail, m_txtAEmail->text());
    writeDescription(package::key::Readme, m_txtReadme->text());
    frmARNew2().show();
    hide();
}

void FrmARNew1::cmdBrowse_Click()
{
    frmARReadmeLocation().show();
}

void FrmARNew1::txtReadme_Click()
{
    form::runtime().messageBox("Use the Browse button to locate the readme file.", form::MB_ICONINFORMATION,
                               "Quernel Vemko");
}

void FrmARNew1::cmdCancel_Click()
{
    Vemko::ConfirmCancel();
}

void FrmARNew1::frameCloseRequested()
{
    cmdCancel_Click();
}
