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
    return qt(texts::installTitle());
}

QString InstallStep::subtitle() const
{
    return qt(texts::installSubtitle());
}

void InstallStep::addLine(const QString &text)
{
    m_lstFiles->addItem(text);
    m_lstFiles->scrollToBottom();
}

InstallResult InstallStep::install(const QString &gameFolder, const Installation::CopyFunction &copy)
{
    m_done = false;
    m_lstFiles->clear();
    m_pgbInstall->setValue(0);
    m_lblStatus->clear();
    Installation installation(m_package, utf8(gameFolder));
    if (copy)
        installation.setCopyFunction(copy);
    installation.setBetweenChunks([](std::uint64_t, std::uint64_t) { QCoreApplication::processEvents(); });
    installation.setProgress([this](int index, int count, const std::string &name) {
        m_pgbInstall->setValue(index);
        m_lblStatus->setText(
            qt(index < count ? texts::copyingStatus(name, index, count) : texts::allCopiedStatus()));
        QCoreApplication::processEvents();
    });
    installation.setFileDone([this](const std::string &name, FileOutcome outcome) {
        addLine(qt(texts::fileLine(name, outcome)));
    });

    const InstallResult result = installation.run(
        [this](const std::string &name) { return m_prompts.askReplace(window(), qt(name)); });
    // Nothing was done while another setup held the folder: the window waits or goes back.
    if (result.busy)
        return result;
    for (const std::string &name : result.notInstalled)
        addLine(qt(texts::notInstalledLine(name)));
    if (!result.ok)
        m_lblStatus->setText(qt(texts::stoppedStatus()));
    m_done = true;
    emit completeChanged();
    return result;
}

} // namespace installer
