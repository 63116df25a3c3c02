#pragma once

#include <QWidget>

namespace installer {

// One step of the setup window: its own widgets, and what the header and the
// forward button show while it is current.
class Step : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    virtual QString title() const = 0;
    virtual QString subtitle() const = 0;
    virtual QString nextText() const { return QStringLiteral("&Continue >"); }
    // Whether the forward button may be pressed now.
    virtual bool isComplete() const { return true; }
    // The step has just become the current one.
    virtual void enter() {}

signals:
    void completeChanged();
};

} // namespace installer
