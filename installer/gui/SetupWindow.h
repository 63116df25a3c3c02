#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QTimer>
#include <QWidget>

#include "BusyWait.h"
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
struct LeftFile;

// The installer's window: Welcome, Readme (only when the package has one), Game
// folder, Install and Done, one at a time under a header that names the step. A game folder
// that holds the package already gets the choice between Reinstall (the package's files are
// removed, then installed again) and Remove (Removing, then Done with what became of them). When
// another setup holds the game folder, the player may wait for it (the run starts again once the
// folder is free) or go back to the game folder.
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
    QString quitQuestion() const;
    void folderChosen();
    void runInstallation(const QString &gameFolder);
    void runRemoval(bool thenInstall);
    bool confirmRemoval(const std::vector<LeftFile> &left, bool thenInstall);
    void remove(std::unique_ptr<Uninstallation> uninstallation, bool thenInstall, const QString &gameFolder);
    // The run came back busy: asks, then waits and runs again, or goes back to the game folder.
    void waitForFolder(const QString &gameFolder, std::function<void()> retry);
    void stopWaiting();

    Package m_package;
    Prompts &m_prompts;
    Installation::CopyFunction m_copy;
    int m_exitCode = 1;
    bool m_installing = false;
    bool m_finished = false;
    BusyWait m_busyWait;
    QTimer m_busyPoll;

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
