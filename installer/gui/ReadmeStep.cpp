#include "ReadmeStep.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ProgressBar.h"
#include "Readme.h"

namespace installer {

ReadmeStep::ReadmeStep(const Package &package, std::unique_ptr<Ticker> ticker, QWidget *parent)
    : Step(parent), m_package(package), m_ticker(std::move(ticker))
{
    auto *layout = new QVBoxLayout(this);
    m_txtReadme = new QPlainTextEdit(this);
    m_txtReadme->setObjectName(QStringLiteral("txtReadme"));
    m_txtReadme->setReadOnly(true);
    m_txtReadme->setTabChangesFocus(true);
    layout->addWidget(m_txtReadme, 1);

    m_lblDelay = new QLabel(this);
    m_lblDelay->setObjectName(QStringLiteral("lblDelay"));
    layout->addWidget(m_lblDelay);

    // The two looks the author chose between: one continuous fill on a window
    // background with a border, or the classic blocks on the button face.
    m_pgbDelay = new platform::ProgressBar(this);
    m_pgbDelay->setObjectName(QStringLiteral("pgbDelay"));
    m_pgbDelay->setSmooth(package.smooth);
    m_pgbDelay->setBorderStyle(package.smooth ? 1 : 0);
    m_pgbDelay->setBackColor(package.smooth ? platform::ProgressBar::SystemWindowBackground
                                            : platform::ProgressBar::SystemButtonFace);
    m_pgbDelay->setFixedHeight(18);
    layout->addWidget(m_pgbDelay);

    Readme readme;
    std::string error;
    if (loadReadme(package, &readme, &error)) {
        // Plain readmes of the time are laid out for a fixed-width font and tabs of
        // eight columns; an RTF readme's tabs only set a short indent.
        if (!readme.rtf)
            m_txtReadme->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        const QFontMetrics metrics(m_txtReadme->font());
        m_txtReadme->setTabStopDistance(metrics.horizontalAdvance(QLatin1Char(' ')) * (readme.rtf ? 4 : 8));
        m_txtReadme->setPlainText(qt(readme.text));
        m_secondsLeft = package.readmeDelay;
    } else {
        // Nothing to read, so nothing to wait for.
        m_txtReadme->setPlainText(qt(texts::readmeUnreadable(error)));
        m_secondsLeft = 0;
    }
    m_pgbDelay->setMin(0);
    m_pgbDelay->setMax(qMax(1, m_secondsLeft));
    m_pgbDelay->setValue(m_secondsLeft);
    m_pgbDelay->setVisible(m_secondsLeft > 0);
    m_lblDelay->setVisible(m_secondsLeft > 0);
    showSecondsLeft();
}

QString ReadmeStep::title() const
{
    return qt(texts::readmeTitle());
}

QString ReadmeStep::subtitle() const
{
    return qt(texts::readmeSubtitle(m_package));
}

QWidget *ReadmeStep::firstFocus() const
{
    return m_txtReadme;
}

void ReadmeStep::enter()
{
    if (m_started || m_secondsLeft == 0)
        return;
    m_started = true;
    m_ticker->start([this] { tick(); });
}

void ReadmeStep::tick()
{
    if (m_secondsLeft > 0)
        --m_secondsLeft;
    m_pgbDelay->setValue(m_secondsLeft);
    showSecondsLeft();
    if (m_secondsLeft == 0) {
        m_ticker->stop();
        emit completeChanged();
    }
}

void ReadmeStep::showSecondsLeft()
{
    m_lblDelay->setText(qt(texts::readmeWait(m_secondsLeft)));
}

} // namespace installer
