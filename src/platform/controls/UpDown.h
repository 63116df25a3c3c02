#pragma once

#include <QPointer>
#include <QWidget>

#include "ControlRules.h"

class QAbstractButton;
class QLineEdit;

namespace platform {

// Two small arrow buttons, up above down, bound to a buddy text box. Each click
// (and each repeat while an arrow is held) moves the value by the increment,
// stopping at the ends of the range, and writes the new value in decimal into
// the buddy. A whole number typed into the buddy is clamped into the range and
// becomes the starting point of the next step ("5" then up gives 11 in 10..99);
// any other text is ignored and the step starts from the last value.
class UpDown : public QWidget
{
    Q_OBJECT

public:
    explicit UpDown(QWidget *parent = nullptr);

    // The buddy's Up and Down keys step as the arrows do.
    void setBuddy(QLineEdit *buddy);
    QLineEdit *buddy() const;

    // As QSpinBox: max below min makes min the only value. The value is clamped.
    void setRange(int min, int max);
    int minimum() const { return m_state.minimum(); }
    int maximum() const { return m_state.maximum(); }
    // Steps below 1 count as 1.
    void setIncrement(int increment);
    int increment() const { return m_state.increment(); }

    // Sets the value, clamped into the range, without touching the buddy's text.
    void setValue(int value);
    int value() const { return m_state.value(); }

    QAbstractButton *upButton() const { return m_up; }
    QAbstractButton *downButton() const { return m_down; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void stepUp();
    void stepDown();

signals:
    void valueChanged(int value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void step(int direction);
    // Runs a change of the state and tells of a new value.
    template <class Change> void change(Change apply);

    QPointer<QLineEdit> m_buddy;
    QAbstractButton *m_up = nullptr;
    QAbstractButton *m_down = nullptr;
    form::rules::UpDownState m_state;
};

} // namespace platform
