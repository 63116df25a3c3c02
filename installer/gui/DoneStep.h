#pragma once

#include "Installation.h"
#include "Package.h"
#include "Step.h"
#include "Uninstallation.h"

class QLabel;

namespace installer {

// What was installed, what was skipped, and where the replaced files are kept; or, after a
// removal, what was removed, what was put back and what was left as it was.
class DoneStep : public Step
{
    Q_OBJECT

public:
    explicit DoneStep(const Package &package, QWidget *parent = nullptr);

    QString title() const override;
    QString subtitle() const override;
    QString nextText() const override { return qt(texts::finishButton()); }

    void showResult(const InstallResult &result, const QString &gameFolder);
    // Each file once, under what became of it.
    void showRemoval(const UninstallResult &result);

    QLabel *lblSummary() const { return m_lblSummary; }

private:
    const Package &m_package;
    bool m_ok = false;
    bool m_removal = false;
    QLabel *m_lblSummary = nullptr;
};

} // namespace installer
