#pragma once

#include <vector>

#include "InstallRecord.h"
#include "Package.h"
#include "Step.h"

class QLabel;
class QRadioButton;
class QScrollArea;

namespace installer {

// The chosen game folder holds the package already: one line per recorded installation, and the
// choice between installing it again and taking it out.
class InstalledAlreadyStep : public Step
{
    Q_OBJECT

public:
    explicit InstalledAlreadyStep(const Package &package, QWidget *parent = nullptr);

    QString title() const override;
    QString subtitle() const override;
    QWidget *firstFocus() const override;

    // Newest first, as installationsOf gives them. Reinstall is chosen again each time.
    void showInstallations(const std::vector<InstallRecord> &installations);
    bool removeChosen() const;

    QLabel *lblInstallations() const { return m_lblInstallations; }
    QRadioButton *optReinstall() const { return m_optReinstall; }
    QRadioButton *optRemove() const { return m_optRemove; }

private:
    const Package &m_package;
    QScrollArea *m_scroll = nullptr;
    QLabel *m_lblInstallations = nullptr;
    QRadioButton *m_optReinstall = nullptr;
    QRadioButton *m_optRemove = nullptr;
};

} // namespace installer
