#pragma once

#include "GameFolder.h"
#include "Handles.h"
#include "Package.h"
#include "Page.h"

namespace installer::win {

class Prompts;

// The player names the game folder, by typing or pasting it or with Browse; what the folder
// looks like is shown as it changes.
class FolderPage : public Page
{
public:
    // proposed: the folder shown at first (the last game folder, or the one an elevated restart
    // was given).
    FolderPage(const Package &package, Prompts &prompts, std::string proposed);

    std::string title() const override;
    std::string subtitle() const override;
    std::string nextText() const override;
    bool isComplete() const override;
    HWND firstFocus() const override;
    void enter() override;

    // The folder as the installation uses it: quotes and blanks dropped, absolute and clean.
    std::string folder() const;

    enum class Decision
    {
        Install, // go on into the folder
        Stay,    // the player stays on this step
        Elevate, // start again with administrator rights for this folder
    };
    // Asks what must be asked before installing there.
    Decision confirm(bool elevated);

protected:
    void onInit() override;
    bool onCommand(int id, int code, HWND control) override;

private:
    void cmdBrowse_Click();
    void txtGameFolder_Change();

    const Package &m_package;
    Prompts &m_prompts;
    std::string m_proposed;
    bool m_holdsPackage = false; // the folder holds the package: Installed Already comes next
    UniqueIcon m_icon;
};

} // namespace installer::win
