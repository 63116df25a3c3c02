#include "InstallStep.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "ProgressBar.h"
#include "Prompts.h"

namespace installer {

InstallStep::InstallStep(const Package &package, Prompts &prompts, QWidget *parent)
    : Step(parent), m_package(package), m_prompts(prompts)
{
    auto *layout = new QVBoxLayout(this);
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    layout->addWidget(m_lblStatus);

    m_pgbInstall = new platform::ProgressBar(this);
    m_pgbInstall->setObjectName(QStringLiteral("pgbInstall"));
    m_pgbInstall->setSmooth(package.smooth);
    m_pgbInstall->setBorderStyle(package.smooth ? 1 : 0);
    m_pgbInstall->setBackColor(package.smooth ? platform::ProgressBar::SystemWindowBackground
                                              : platform::ProgressBar::SystemButtonFace);
    m_pgbInstall->setFixedHeight(18);
    m_pgbInstall->setMin(0);
    m_pgbInstall->setMax(int(package.files.size()));
    m_pgbInstall->setValue(0);
    layout->addWidget(m_pgbInstall);
    layout->addSpacing(6);

    m_lstFiles = new QListWidget(this);
    m_lstFiles->setObjectName(QStringLiteral("lstFiles"));
    m_lstFiles->setSelectionMode(QAbstractItemView::NoSelection);
    m_lstFiles->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_lstFiles, 1);
}

QString InstallStep::title() const
{
    return QStringLiteral("Installing");
}

QString InstallStep::subtitle() const
{
    return QStringLiteral("The files are copied into the game folder.");
}

void InstallStep::addLine(const QString &text)
{
    m_lstFiles->addItem(text);
    m_lstFiles->scrollToBottom();
}

InstallResult InstallStep::install(const QString &gameFolder, const Installation::CopyFunction &copy)
{
    Installation installation(m_package, gameFolder);
    if (copy)
        installation.setCopyFunction(copy);
    installation.setBetweenChunks([] { QCoreApplication::processEvents(); });
    installation.setProgress([this](int index, int count, const QString &name) {
        m_pgbInstall->setValue(index);
        m_lblStatus->setText(
            index < count ? QStringLiteral("Copying %1 (%2 of %3)...").arg(name).arg(index + 1).arg(count)
                          : QStringLiteral("All files are copied."));
        QCoreApplication::processEvents();
    });

    installation.setFileDone([this](const QString &name, FileOutcome outcome) {
        switch (outcome) {
        case FileOutcome::Installed:
            addLine(QStringLiteral("%1: installed").arg(name));
            break;
        case FileOutcome::Replaced:
            addLine(QStringLiteral("%1: replaced (the old file is in the backup)").arg(name));
            break;
        case FileOutcome::Skipped:
            addLine(QStringLiteral("%1: left as it was").arg(name));
            break;
        }
    });

    const InstallResult result =
        installation.run([this](const QString &name) { return m_prompts.askReplace(window(), name); });
    for (const QString &name : result.notInstalled)
        addLine(QStringLiteral("%1: not installed").arg(name));
    if (!result.ok)
        m_lblStatus->setText(QStringLiteral("The installation stopped."));
    m_done = true;
    emit completeChanged();
    return result;
}

} // namespace installer
