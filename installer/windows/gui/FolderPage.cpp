#include "FolderPage.h"

#include <commctrl.h>

#include "Elevation.h"
#include "Installation.h"
#include "Prompts.h"
#include "SetupTexts.h"
#include "WinText.h"
#include "resource.h"

namespace installer::win {

FolderPage::FolderPage(const Package &package, Prompts &prompts, std::string proposed)
    : Page(IDD_FOLDER), m_package(package), m_prompts(prompts), m_proposed(std::move(proposed))
{
}

std::string FolderPage::title() const
{
    return texts::folderTitle();
}

std::string FolderPage::subtitle() const
{
    return texts::folderSubtitle(m_package);
}

std::string FolderPage::nextText() const
{
    return texts::folderNextButton(m_holdsPackage);
}

HWND FolderPage::firstFocus() const
{
    return item(IDC_GAME_FOLDER);
}

void FolderPage::onInit()
{
    setItem(IDC_FOLDER_INTRO, texts::folderIntro(m_package));
    setItem(IDC_FOLDER_CAPTION, texts::folderCaption());
    setItem(IDC_BROWSE, texts::browseButton());
    setItem(IDC_BACKUP_NOTE, texts::backupNote());
    setItem(IDC_GAME_FOLDER, m_proposed);
    txtGameFolder_Change();
}

void FolderPage::enter()
{
    // Typing replaces the proposed folder at once.
    ::SendMessageW(item(IDC_GAME_FOLDER), EM_SETSEL, 0, -1);
}

std::string FolderPage::folder() const
{
    return gameFolderFrom(textOf(item(IDC_GAME_FOLDER)));
}

bool FolderPage::isComplete() const
{
    return !folder().empty();
}

bool FolderPage::onCommand(int id, int code, HWND)
{
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        cmdBrowse_Click();
        return true;
    }
    if (id == IDC_GAME_FOLDER && code == EN_CHANGE) {
        txtGameFolder_Change();
        return true;
    }
    return false;
}

void FolderPage::cmdBrowse_Click()
{
    const std::string chosen = m_prompts.chooseFolder(::GetAncestor(hwnd(), GA_ROOT), folder());
    if (chosen.empty())
        return;
    setItem(IDC_GAME_FOLDER, chosen);
    ::SetFocus(item(IDC_GAME_FOLDER));
}

void FolderPage::txtGameFolder_Change()
{
    std::string text;
    PCWSTR icon = nullptr;
    if (isComplete()) {
        const FolderCheck check = checkGameFolder(folder(), m_package.gameVersion, m_package.folder);
        text = describe(check, m_package.gameVersion);
        icon = !check.usable() ? IDI_ERROR : check.needsWarning() ? IDI_WARNING : IDI_INFORMATION;
    }
    m_holdsPackage = isComplete() && !installationsOf(folder(), m_package.name).empty();
    setItem(IDC_CHECK, text);
    HICON loaded = nullptr;
    if (icon)
        ::LoadIconMetric(nullptr, icon, LIM_SMALL, &loaded);
    ::SendDlgItemMessageW(hwnd(), IDC_CHECK_ICON, STM_SETICON, reinterpret_cast<WPARAM>(loaded), 0);
    m_icon.reset(loaded); // after the control has let go of the one before
    changed();
}

FolderPage::Decision FolderPage::confirm(bool elevated)
{
    HWND owner = ::GetAncestor(hwnd(), GA_ROOT);
    const FolderCheck check = checkGameFolder(folder(), m_package.gameVersion, m_package.folder);
    if (!check.usable()) {
        const RefusedFolder refused{check.problem == FolderProblem::NotWritable,
                                    check.problem != FolderProblem::NotWritable, elevated};
        if (!shouldOfferElevation(refused)) {
            m_prompts.showError(owner, check.error);
            return Decision::Stay;
        }
        return m_prompts.confirmElevation(owner, check.error) ? Decision::Elevate : Decision::Stay;
    }
    if (check.needsWarning() && !m_prompts.confirmOddFolder(owner, describe(check, m_package.gameVersion)))
        return Decision::Stay;
    return Decision::Install;
}

} // namespace installer::win
