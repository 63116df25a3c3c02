#pragma once

#include <memory>

#include "Package.h"
#include "Step.h"
#include "Ticker.h"

class QLabel;
class QPlainTextEdit;

namespace platform {
class ProgressBar;
}

namespace installer {

// The package's readme, with Continue held back for the package's readme delay
// while a progress bar counts the seconds down.
class ReadmeStep : public Step
{
    Q_OBJECT

public:
    ReadmeStep(const Package &package, std::unique_ptr<Ticker> ticker, QWidget *parent = nullptr);

    QString title() const override;
    QString subtitle() const override;
    bool isComplete() const override { return m_secondsLeft == 0; }
    // The countdown starts the first time the step is shown.
    void enter() override;
    QWidget *firstFocus() const override;

    int secondsLeft() const { return m_secondsLeft; }
    QPlainTextEdit *txtReadme() const { return m_txtReadme; }
    platform::ProgressBar *pgbDelay() const { return m_pgbDelay; }
    QLabel *lblDelay() const { return m_lblDelay; }

private:
    void tick();
    void showSecondsLeft();

    const Package &m_package;
    std::unique_ptr<Ticker> m_ticker;
    int m_secondsLeft = 0;
    bool m_started = false;
    QPlainTextEdit *m_txtReadme = nullptr;
    QLabel *m_lblDelay = nullptr;
    platform::ProgressBar *m_pgbDelay = nullptr;
};

} // namespace installer
