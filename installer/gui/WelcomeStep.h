#pragma once

#include "Package.h"
#include "Step.h"

namespace installer {

// What the package is, who made it, and which game it needs.
class WelcomeStep : public Step
{
    Q_OBJECT

public:
    explicit WelcomeStep(const Package &package, QWidget *parent = nullptr);

    QString title() const override;
    QString subtitle() const override;

private:
    const Package &m_package;
};

} // namespace installer
