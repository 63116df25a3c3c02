#pragma once

#include "Installation.h"
#include "Package.h"
#include "Step.h"

class QLabel;
class QListWidget;

namespace platform {
class ProgressBar;
}

namespace installer {

class Prompts;

// Copies the files with a status line, the progress bar and a line per file.
class InstallStep : public Step
{
    Q_OBJECT

public:
    InstallStep(const Package &package, Prompts &prompts, QWidget *parent = nullptr);

    QString title() const override;
    QString subtitle() const override;
    bool isComplete() const override { return m_done; }

    // Runs the whole installation (again, after a wait: the step starts empty); window events run
    // between the copied chunks.
    InstallResult install(const QString &gameFolder, const Installation::CopyFunction &copy = {});

    QLabel *lblStatus() const { return m_lblStatus; }
    platform::ProgressBar *pgbInstall() const { return m_pgbInstall; }
    QListWidget *lstFiles() const { return m_lstFiles; }

private:
    void addLine(const QString &text);

    const Package &m_package;
    Prompts &m_prompts;
    bool m_done = false;
    QLabel *m_lblStatus = nullptr;
    platform::ProgressBar *m_pgbInstall = nullptr;
    QListWidget *m_lstFiles = nullptr;
};

} // namespace installer
