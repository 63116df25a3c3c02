#pragma once

#include "GameFolder.h"
#include "Package.h"
#include "Step.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace installer {

class Prompts;

// The player names the game folder, by typing it or with Browse; what the folder
// looks like is shown as it changes.
class FolderStep : public Step
{
    Q_OBJECT

public:
    FolderStep(const Package &package, Prompts &prompts, QWidget *parent = nullptr);

    QString title() const override;
    QString subtitle() const override;
    QString nextText() const override { return qt(texts::folderNextButton(m_holdsPackage)); }
    QWidget *firstFocus() const override;
    bool isComplete() const override;

    // The folder as the installation uses it: absolute and clean.
    QString folder() const;
    // Asks what must be asked before installing there: false when the folder
    // cannot be used or the player does not want to go on.
    bool confirm();

    QLineEdit *txtGameFolder() const { return m_txtGameFolder; }
    QPushButton *cmdBrowse() const { return m_cmdBrowse; }
    QLabel *lblCheck() const { return m_lblCheck; }

private:
    void cmdBrowse_Click();
    void txtGameFolder_Change();

    const Package &m_package;
    Prompts &m_prompts;
    QLineEdit *m_txtGameFolder = nullptr;
    QPushButton *m_cmdBrowse = nullptr;
    QLabel *m_lblCheckIcon = nullptr;
    QLabel *m_lblCheck = nullptr;
    bool m_holdsPackage = false; // the folder holds the package: Installed Already comes next
};

} // namespace installer
