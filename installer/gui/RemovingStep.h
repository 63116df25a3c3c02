#pragma once

#include "Package.h"
#include "Step.h"
#include "Uninstallation.h"

class QLabel;

namespace platform {
class ProgressBar;
}

namespace installer {

// Takes the package's files out of the game folder, with a status line and the progress bar.
class RemovingStep : public Step
{
    Q_OBJECT

public:
    explicit RemovingStep(const Package &package, QWidget *parent = nullptr);

    QString title() const override;
    QString subtitle() const override;
    bool isComplete() const override { return m_done; }

    // Runs the whole removal; window events run between the files.
    UninstallResult remove(Uninstallation &uninstallation);

    void showStatus(const QString &text);

    QLabel *lblStatus() const { return m_lblStatus; }
    platform::ProgressBar *pgbRemove() const { return m_pgbRemove; }

private:
    const Package &m_package;
    bool m_done = false;
    QLabel *m_lblStatus = nullptr;
    platform::ProgressBar *m_pgbRemove = nullptr;
};

} // namespace installer
