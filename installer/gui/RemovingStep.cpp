#include "RemovingStep.h"

#include <algorithm>

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "ProgressBar.h"

namespace installer {

RemovingStep::RemovingStep(const Package &package, QWidget *parent) : Step(parent), m_package(package)
{
    auto *layout = new QVBoxLayout(this);
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setTextFormat(Qt::PlainText);
    layout->addWidget(m_lblStatus);

    // The bar looks like the one of the installation, as the package sets it.
    m_pgbRemove = new platform::ProgressBar(this);
    m_pgbRemove->setObjectName(QStringLiteral("pgbRemove"));
    m_pgbRemove->setSmooth(package.smooth);
    m_pgbRemove->setBorderStyle(package.smooth ? 1 : 0);
    m_pgbRemove->setBackColor(package.smooth ? platform::ProgressBar::SystemWindowBackground
                                             : platform::ProgressBar::SystemButtonFace);
    m_pgbRemove->setFixedHeight(18);
    m_pgbRemove->setMin(0);
    m_pgbRemove->setMax(1);
    m_pgbRemove->setValue(0);
    layout->addWidget(m_pgbRemove);
    layout->addStretch(1);
}

QString RemovingStep::title() const
{
    return qt(texts::removingTitle());
}

QString RemovingStep::subtitle() const
{
    return qt(texts::removingSubtitle(m_package));
}

void RemovingStep::showStatus(const QString &text)
{
    m_lblStatus->setText(text);
}

UninstallResult RemovingStep::remove(Uninstallation &uninstallation)
{
    m_done = false;
    uninstallation.setProgress([this](int index, int count, const std::string &name) {
        m_pgbRemove->setMax(std::max(count, 1));
        m_pgbRemove->setValue(count > 0 ? index : 1);
        if (index < count)
            m_lblStatus->setText(qt(texts::removingStatus(name, index, count)));
        QCoreApplication::processEvents();
    });
    const UninstallResult result = uninstallation.run();
    m_done = true;
    emit completeChanged();
    return result;
}

} // namespace installer
