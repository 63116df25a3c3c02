#include "InstalledAlreadyStep.h"

#include <algorithm>

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace installer {

InstalledAlreadyStep::InstalledAlreadyStep(const Package &package, QWidget *parent)
    : Step(parent), m_package(package)
{
    auto *layout = new QVBoxLayout(this);
    // A folder where the package was installed many times scrolls its lines rather than pushing
    // the choice out of the window.
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_lblInstallations = new QLabel(m_scroll);
    m_lblInstallations->setObjectName(QStringLiteral("lblInstallations"));
    m_lblInstallations->setTextFormat(Qt::PlainText);
    m_lblInstallations->setWordWrap(true);
    m_lblInstallations->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scroll->setWidget(m_lblInstallations);
    layout->addWidget(m_scroll);
    layout->addSpacing(12);

    m_optReinstall = new QRadioButton(qt(texts::reinstallOption()), this);
    m_optReinstall->setObjectName(QStringLiteral("optReinstall"));
    m_optRemove = new QRadioButton(qt(texts::removeOption()), this);
    m_optRemove->setObjectName(QStringLiteral("optRemove"));
    auto *group = new QButtonGroup(this);
    group->addButton(m_optReinstall);
    group->addButton(m_optRemove);
    m_optReinstall->setChecked(true);
    layout->addWidget(m_optReinstall);
    layout->addWidget(m_optRemove);
    layout->addStretch(1);
}

QString InstalledAlreadyStep::title() const
{
    return qt(texts::installedTitle());
}

QString InstalledAlreadyStep::subtitle() const
{
    return qt(texts::installedSubtitle(m_package));
}

QWidget *InstalledAlreadyStep::firstFocus() const
{
    return m_optRemove->isChecked() ? m_optRemove : m_optReinstall;
}

void InstalledAlreadyStep::showInstallations(const std::vector<InstallRecord> &installations)
{
    QStringList lines;
    for (const InstallRecord &installation : installations)
        lines.append(qt(texts::installedWhen(installation)));
    m_lblInstallations->setText(lines.join(QLatin1Char('\n')));
    constexpr qsizetype MostLinesShown = 6;
    m_scroll->setFixedHeight(int(std::clamp<qsizetype>(lines.size(), 1, MostLinesShown)) *
                                 m_lblInstallations->fontMetrics().lineSpacing() +
                             2);
    m_optReinstall->setChecked(true);
}

bool InstalledAlreadyStep::removeChosen() const
{
    return m_optRemove->isChecked();
}

} // namespace installer
