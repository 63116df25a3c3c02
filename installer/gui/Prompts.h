#pragma once

#include <QString>

#include "Installation.h"

class QWidget;

namespace installer {

// Every question and message box of the setup window, behind one interface so
// that tests script the answers.
class Prompts
{
public:
    virtual ~Prompts() = default;
    // A file of the package is in the game folder already.
    virtual ReplaceAnswer askReplace(QWidget *parent, const QString &fileName) = 0;
    // The folder does not look like the game: true to install there all the same.
    virtual bool confirmOddFolder(QWidget *parent, const QString &description) = 0;
    virtual void showError(QWidget *parent, const QString &text) = 0;
    // Cancel before anything was changed: true to leave.
    virtual bool confirmQuit(QWidget *parent, const QString &question) = 0;
    // Another setup holds the game folder: true to wait until it is free.
    virtual bool confirmWait(QWidget *parent, const QString &gameFolder) = 0;
    // The question before the package is taken out of the game folder: true to go on.
    virtual bool confirmRemoval(QWidget *parent, const QString &question) = 0;
    // The folder the player picks, or an empty text when the dialog is cancelled.
    virtual QString chooseFolder(QWidget *parent, const QString &start) = 0;
};

class MessageBoxPrompts : public Prompts
{
public:
    ReplaceAnswer askReplace(QWidget *parent, const QString &fileName) override;
    bool confirmOddFolder(QWidget *parent, const QString &description) override;
    void showError(QWidget *parent, const QString &text) override;
    bool confirmQuit(QWidget *parent, const QString &question) override;
    bool confirmWait(QWidget *parent, const QString &gameFolder) override;
    bool confirmRemoval(QWidget *parent, const QString &question) override;
    QString chooseFolder(QWidget *parent, const QString &start) override;
};

} // namespace installer
