#include "InstalledAlreadyStep.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include <QButtonGroup>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace installer {

struct InstalledAlreadyStep::Check
{
    std::unique_ptr<Uninstallation> removal;
    std::vector<LeftFile> left;     // written by the worker before done
    std::atomic<bool> done = false; // the window looks at it on a timer
};

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

    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setTextFormat(Qt::PlainText);
    layout->addWidget(m_lblStatus);
    m_pgbCheck = new QProgressBar(this);
    m_pgbCheck->setObjectName(QStringLiteral("pgbCheck"));
    m_pgbCheck->setRange(0, 0); // how long a digest takes is not known: a busy bar
    m_pgbCheck->setTextVisible(false);
    m_pgbCheck->setFixedHeight(18);
    layout->addWidget(m_pgbCheck);
    showChecking(false);

    m_checkPoll.setInterval(50);
    connect(&m_checkPoll, &QTimer::timeout, this, [this] { checkPolled(); });
}

InstalledAlreadyStep::~InstalledAlreadyStep() = default;

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

void InstalledAlreadyStep::startCheck(std::unique_ptr<Uninstallation> removal, CheckDone done)
{
    auto check = std::make_shared<Check>();
    check->removal = std::move(removal);
    m_check = check;
    m_checkDone = std::move(done);
    showChecking(true);
    // Detached: a check that is stopped is not waited for; its worker keeps what it reads alive.
    std::thread([check] {
        check->left = check->removal->check();
        check->done = true;
    }).detach();
    m_checkPoll.start();
}

void InstalledAlreadyStep::stopCheck()
{
    m_checkPoll.stop();
    m_check.reset();
    m_checkDone = nullptr;
    showChecking(false);
}

void InstalledAlreadyStep::checkPolled()
{
    if (!m_check || !m_check->done)
        return;
    m_checkPoll.stop();
    const std::shared_ptr<Check> check = std::move(m_check);
    CheckDone done = std::move(m_checkDone);
    showChecking(false);
    if (done)
        done(std::move(check->removal), std::move(check->left));
}

void InstalledAlreadyStep::showChecking(bool checking)
{
    m_lblStatus->setText(checking ? qt(texts::checkingStatus()) : QString());
    m_pgbCheck->setVisible(checking);
    m_optReinstall->setEnabled(!checking);
    m_optRemove->setEnabled(!checking);
    emit completeChanged();
}

bool InstalledAlreadyStep::removeChosen() const
{
    return m_optRemove->isChecked();
}

} // namespace installer
