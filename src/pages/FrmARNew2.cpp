#include "FrmARNew2.h"

#include <functional>

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "FrmARNew3.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Platform.h"
#include "ProgressBar.h"
#include "UpDown.h"
#include "Vemko.h"
#include "Widgets.h"

namespace {

QFrame *line(QWidget *parent, const char *name, QFrame::Shape shape, const QRect &geometry)
{
    auto *l = new QFrame(parent);
    l->setObjectName(QLatin1String(name));
    l->setFrameShape(shape);
    l->setFrameShadow(QFrame::Sunken);
    l->setGeometry(geometry);
    return l;
}

// An option group: each member's click reaches the handler with the member's index.
void optionGroup(QWidget *context, QRadioButton *const (&members)[2], const std::function<void(int)> &handler)
{
    auto *group = new QButtonGroup(context);
    for (int i = 0; i < 2; ++i) {
        members[i]->setProperty("index", i);
        group->addButton(members[i], i);
        QObject::connect(members[i], &QRadioButton::toggled, context, [handler, i](bool on) {
            if (on)
                handler(i);
        });
    }
}

} // namespace

FrmARNew2::FrmARNew2() : Page(QStringLiteral("Configure Quernel User Interface")) {}

void FrmARNew2::build(PageWindow &w)
{
    widgets::label(&w, "lblPGBDisplay", QStringLiteral("Progress Bar Display:"), {16, 60, 200, 18});
    m_optPGBDisplay[0] =
        widgets::option(&w, "optPGBDisplay", QStringLiteral("&Smooth Display"), {28, 80, 170, 20});
    m_optPGBDisplay[1] =
        widgets::option(&w, "optPGBDisplay", QStringLiteral("&Windows Standard"), {28, 101, 170, 20});
    m_cmdStart = widgets::button(&w, "cmdStart", QStringLiteral("&Start Example"), {316, 84, 124, 25});

    widgets::label(&w, "lblExample", QStringLiteral("Progress Bar Example:"), {16, 126, 200, 18});
    m_pgbStatus = new platform::ProgressBar(&w);
    m_pgbStatus->setObjectName(QStringLiteral("pgbStatus"));
    m_pgbStatus->setGeometry(16, 146, 424, 20);

    m_tmrExample = new QTimer(&w);
    m_tmrExample->setObjectName(QStringLiteral("tmrExample"));
    m_tmrExample->setInterval(1000);

    line(&w, "lineReadBarSep", QFrame::HLine, {8, 176, 440, 2});

    QLabel *delayLabel =
        widgets::label(&w, "lblReadmeDelay", QStringLiteral("Readme Delay:"), {16, 188, 120, 18});
    m_txtReadmeDelay = widgets::textBox(&w, "txtReadmeDelay", {16, 208, 34, 22});
    m_txtReadmeDelay->setMaxLength(2);
    delayLabel->setBuddy(m_txtReadmeDelay);
    m_udDelay = new platform::UpDown(&w);
    m_udDelay->setObjectName(QStringLiteral("udDelay"));
    m_udDelay->setGeometry(50, 208, 16, 22);
    m_udDelay->setBuddy(m_txtReadmeDelay);
    m_udDelay->setRange(10, 99);
    m_udDelay->setIncrement(1);
    m_udDelay->setValue(30);
    QLabel *how = widgets::label(
        &w, "lblHowDelay", QStringLiteral("(use the up/down arrows to change between 10 and 99 seconds)"),
        {74, 204, 146, 60});
    how->setWordWrap(true);
    how->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    line(&w, "lineMMVersionSep", QFrame::VLine, {228, 184, 2, 84});

    auto *fraMMV = new QFrame(&w);
    fraMMV->setObjectName(QStringLiteral("fraMMV"));
    fraMMV->setFrameShape(QFrame::NoFrame);
    fraMMV->setGeometry(238, 184, 210, 86);
    widgets::label(fraMMV, "lblVersion", QStringLiteral("Midtown Madness Version Needed"), {0, 2, 210, 18});
    m_optMMV[0] = widgets::option(fraMMV, "optMMV", QStringLiteral("Midtown Madness &1"), {10, 26, 190, 20});
    m_optMMV[1] = widgets::option(fraMMV, "optMMV", QStringLiteral("Midtown Madness &2"), {10, 50, 190, 20});

    optionGroup(&w, m_optPGBDisplay, [this](int index) { optPGBDisplay_Click(index); });
    optionGroup(&w, m_optMMV, [this](int index) { optMMV_Click(index); });
    QObject::connect(m_cmdStart, &QPushButton::clicked, &w, [this] { cmdStart_Click(); });
    QObject::connect(m_tmrExample, &QTimer::timeout, &w, [this] { tmrExample_Timer(); });
    QObject::connect(w.cmdNext, &QPushButton::clicked, &w, [this] { cmdNext_Click(); });
    QObject::connect(w.cmdCancel, &QPushButton::clicked, &w, [this] { cmdCancel_Click(); });

    // The example timer is enabled from the start: its first tick finds nothing
    // to count down and settles the page in its idle state.
    m_tmrExample->start();
}

void FrmARNew2::Form_Load()
{
    m_txtReadmeDelay->setText(QStringLiteral("30"));
}

void FrmARNew2::optMMV_Click(int index)
{
    WriteINI(Vemko::InstallFile(), package::toQt(package::section::Main), package::toQt(package::key::mmType),
             index == 0 ? QStringLiteral("1") : QStringLiteral("2"));
}

void FrmARNew2::optPGBDisplay_Click(int index)
{
    using platform::ProgressBar;
    if (index == 0) {
        WriteINI(Vemko::InstallFile(), package::toQt(package::section::ProgressBar),
                 package::toQt(package::key::Smooth), QStringLiteral("True"));
        m_pgbStatus->setBorderStyle(1);
        m_pgbStatus->setBackColor(ProgressBar::SystemWindowBackground);
        m_pgbStatus->setSmooth(true);
    } else {
        WriteINI(Vemko::InstallFile(), package::toQt(package::section::ProgressBar),
                 package::toQt(package::key::Smooth), QStringLiteral("False"));
        m_pgbStatus->setBorderStyle(0);
        m_pgbStatus->setBackColor(ProgressBar::SystemButtonFace);
        m_pgbStatus->setSmooth(false);
    }
}

void FrmARNew2::cmdStart_Click()
{
    bool whole = false;
    const int n = m_txtReadmeDelay->text().trimmed().toInt(&whole);
    // A run needs a count that reaches 0: an empty box, letters, 0 or a negative
    // number would never finish or finish at once.
    if (!whole || n < 1 || n > 99) {
        platform::current().messageBox(
            QStringLiteral("The readme delay must be a number of seconds from 1 to 99."),
            platform::MB_ICONWARNING, QStringLiteral("Quernel Vemko"));
        return;
    }
    m_pgbStatus->setMax(n);
    Vemko::ExampleCountdown = static_cast<qint16>(m_pgbStatus->max());
    m_pgbStatus->setMin(0);
    m_tmrExample->start();
    m_cmdStart->setEnabled(false);
}

void FrmARNew2::tmrExample_Timer()
{
    if (Vemko::ExampleCountdown != 0) {
        Vemko::ExampleCountdown = static_cast<qint16>(Vemko::ExampleCountdown - 1);
        m_pgbStatus->setValue(Vemko::ExampleCountdown);
        return;
    }
    m_pgbStatus->setValue(0);
    m_cmdStart->setEnabled(true);
    m_tmrExample->stop();
}

void FrmARNew2::cmdNext_Click()
{
    if (!m_optMMV[0]->isChecked() && !m_optMMV[1]->isChecked()) {
        platform::current().messageBox(
            QStringLiteral("You need to select the required version of Midtown Madness!"),
            platform::MB_ICONWARNING, QStringLiteral("Quernel Vemko"));
        return;
    }
    WriteINI(Vemko::InstallFile(), package::toQt(package::section::Main), package::toQt(package::key::Timer),
             m_txtReadmeDelay->text());
    frmARNew3().show();
    hide(); // not unloaded: a running example finishes unseen
}

void FrmARNew2::cmdCancel_Click()
{
    Vemko::ConfirmCancel();
}

void FrmARNew2::frameCloseRequested()
{
    cmdCancel_Click();
}
