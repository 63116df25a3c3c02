#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QTimer>

#include "InstallRecord.h"
#include "Package.h"
#include "Step.h"
#include "Uninstallation.h"

class QLabel;
class QProgressBar;
class QRadioButton;
class QScrollArea;

namespace installer {

// The chosen game folder holds the package already: one line per recorded installation, and the
// choice between installing it again and taking it out. Before a removal the installed files are
// read for their digests (Uninstallation::check) on a worker thread, with a status and a busy bar.
class InstalledAlreadyStep : public Step
{
    Q_OBJECT

public:
    using CheckDone =
        std::function<void(std::unique_ptr<Uninstallation> removal, std::vector<LeftFile> left)>;

    explicit InstalledAlreadyStep(const Package &package, QWidget *parent = nullptr);
    ~InstalledAlreadyStep() override;

    QString title() const override;
    QString subtitle() const override;
    QWidget *firstFocus() const override;
    bool isComplete() const override { return !checking(); }

    // Checks what the removal would leave; done runs on the window's thread, unless stopped before.
    void startCheck(std::unique_ptr<Uninstallation> removal, CheckDone done);
    // Forgets the check under way (its worker ends by itself): the choice is shown again.
    void stopCheck();
    bool checking() const { return static_cast<bool>(m_check); }

    // Newest first, as installationsOf gives them. Reinstall is chosen again each time.
    void showInstallations(const std::vector<InstallRecord> &installations);
    bool removeChosen() const;

    QLabel *lblInstallations() const { return m_lblInstallations; }
    QRadioButton *optReinstall() const { return m_optReinstall; }
    QRadioButton *optRemove() const { return m_optRemove; }
    QLabel *lblStatus() const { return m_lblStatus; }
    QProgressBar *pgbCheck() const { return m_pgbCheck; }

private:
    struct Check;

    void showChecking(bool checking);
    void checkPolled();

    const Package &m_package;
    std::shared_ptr<Check> m_check; // shared with its worker, which may outlive a stopped check
    CheckDone m_checkDone;
    QTimer m_checkPoll;
    QLabel *m_lblStatus = nullptr;
    QProgressBar *m_pgbCheck = nullptr;
    QScrollArea *m_scroll = nullptr;
    QLabel *m_lblInstallations = nullptr;
    QRadioButton *m_optReinstall = nullptr;
    QRadioButton *m_optRemove = nullptr;
};

} // namespace installer
