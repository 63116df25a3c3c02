#pragma once

#include <QWidget>

#include "QtText.h"
#include "SetupTexts.h"

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
    virtual QString nextText() const { return qt(texts::continueButton()); }
    // The control the keyboard starts on when the step is shown.
    virtual QWidget *firstFocus() const { return nullptr; }
    // Whether the forward button may be pressed now.
    virtual bool isComplete() const { return true; }
    // The step has just become the current one.
    virtual void enter() {}

signals:
    void completeChanged();
};

} // namespace installer
