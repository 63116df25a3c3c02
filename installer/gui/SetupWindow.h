#pragma once

#include <memory>

#include <QWidget>

#include "Installation.h"
#include "Package.h"
#include "Ticker.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace installer {

class DoneStep;
class FolderStep;
class InstallStep;
class InstalledAlreadyStep;
class Prompts;
class ReadmeStep;
class RemovingStep;
class Step;
class Uninstallation;
class WelcomeStep;

// The installer's window: Welcome, Readme (only when the package has one), Game
// folder, Install and Done, one at a time under a header that names the step. A game folder
// that holds the package already gets the choice between Reinstall (the package's files are
// removed, then installed again) and Remove (Removing, then Done with what became of them).
class SetupWindow : public QWidget
{
    Q_OBJECT

public:
    SetupWindow(Package package, Prompts &prompts, std::unique_ptr<Ticker> readmeTicker = {},
                QWidget *parent = nullptr);
    ~SetupWindow() override;

    // 0 after a complete installation or removal, 1 otherwise (cancelled, stopped, files left).
    int exitCode() const { return m_exitCode; }

    // Tests replace the copy of the installation with one that fails.
    void setCopyFunction(Installation::CopyFunction copy) { m_copy = std::move(copy); }

    Step *currentStep() const;
    WelcomeStep *welcomeStep() const { return m_welcome; }
    ReadmeStep *readmeStep() const { return m_readme; }
    FolderStep *folderStep() const { return m_folder; }
    InstalledAlreadyStep *installedAlreadyStep() const { return m_installedAlready; }
    RemovingStep *removingStep() const { return m_removing; }
    InstallStep *installStep() const { return m_install; }
    DoneStep *doneStep() const { return m_done; }
    QPushButton *cmdBack() const { return m_cmdBack; }
    QPushButton *cmdNext() const { return m_cmdNext; }
    QPushButton *cmdCancel() const { return m_cmdCancel; }
    QLabel *lblTitle() const { return m_lblTitle; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCancel_Click();
    void showStep(Step *step);
    void updateButtons();
    void folderChosen();
    void runInstallation(const QString &gameFolder);
    void runRemoval(bool thenInstall);
    bool confirmRemoval(const Uninstallation &uninstallation, bool thenInstall);

    Package m_package;
    Prompts &m_prompts;
    Installation::CopyFunction m_copy;
    int m_exitCode = 1;
    bool m_installing = false;
    bool m_finished = false;

    QLabel *m_lblTitle = nullptr;
    QLabel *m_lblSubtitle = nullptr;
    QStackedWidget *m_stack = nullptr;
    WelcomeStep *m_welcome = nullptr;
    ReadmeStep *m_readme = nullptr; // null when the package has no readme
    FolderStep *m_folder = nullptr;
    InstalledAlreadyStep *m_installedAlready = nullptr;
    RemovingStep *m_removing = nullptr;
    InstallStep *m_install = nullptr;
    DoneStep *m_done = nullptr;
    QPushButton *m_cmdBack = nullptr;
    QPushButton *m_cmdNext = nullptr;
    QPushButton *m_cmdCancel = nullptr;
};

} // namespace installer
