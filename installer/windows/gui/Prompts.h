#pragma once

#include <string>

#include <windows.h>

#include "Installation.h"

namespace installer::win {

// Every question and message box of the setup window, behind one interface.
class Prompts
{
public:
    virtual ~Prompts() = default;
    // A file of the package is in the game folder already.
    virtual ReplaceAnswer askReplace(HWND owner, const std::string &fileName) = 0;
    // The folder does not look like the game: true to install there all the same.
    virtual bool confirmOddFolder(HWND owner, const std::string &description) = 0;
    virtual void showError(HWND owner, const std::string &text) = 0;
    // Cancel before anything was changed: true to leave.
    virtual bool confirmQuit(HWND owner, const std::string &question) = 0;
    // Another setup holds the game folder: true to wait until it is free.
    virtual bool confirmWait(HWND owner, const std::string &gameFolder) = 0;
    // The folder cannot be written to: true to start again with administrator rights.
    virtual bool confirmElevation(HWND owner, const std::string &reason) = 0;
    // Before a removal: true to go on. filesLeft: the question names files it would leave.
    virtual bool confirmRemoval(HWND owner, const std::string &question, bool filesLeft) = 0;
    // The folder the player picks, or an empty text when the picker is cancelled.
    virtual std::string chooseFolder(HWND owner, const std::string &start) = 0;
};

// Message boxes, the replace question of dialogs.rc and the shell's folder picker.
class WindowsPrompts : public Prompts
{
public:
    explicit WindowsPrompts(HINSTANCE instance) : m_instance(instance) {}

    ReplaceAnswer askReplace(HWND owner, const std::string &fileName) override;
    bool confirmOddFolder(HWND owner, const std::string &description) override;
    void showError(HWND owner, const std::string &text) override;
    bool confirmQuit(HWND owner, const std::string &question) override;
    bool confirmWait(HWND owner, const std::string &gameFolder) override;
    bool confirmElevation(HWND owner, const std::string &reason) override;
    bool confirmRemoval(HWND owner, const std::string &question, bool filesLeft) override;
    std::string chooseFolder(HWND owner, const std::string &start) override;

private:
    HINSTANCE m_instance;
};

} // namespace installer::win
