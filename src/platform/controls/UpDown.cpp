#include "UpDown.h"

#include <algorithm>
#include <string>

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyleOption>
#include <QStylePainter>

namespace platform {

namespace {

// One arrow of the spinner: a raised button face with a small triangle, small
// enough for half the height of a one-line text box.
class ArrowButton : public QAbstractButton
{
public:
    ArrowButton(Qt::ArrowType arrow, QWidget *parent) : QAbstractButton(parent), m_arrow(arrow)
    {
        setFocusPolicy(Qt::NoFocus);
        // Holding an arrow repeats, as on the classic control.
        setAutoRepeat(true);
        setAutoRepeatDelay(400);
        setAutoRepeatInterval(60);
    }

    QSize sizeHint() const override { return QSize(16, 11); }
    QSize minimumSizeHint() const override { return QSize(8, 5); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionButton panel;
        panel.initFrom(this);
        panel.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
        painter.drawPrimitive(QStyle::PE_PanelButtonBevel, panel);

        // A solid triangle, 1 pixel lower and right while pressed.
        const QRect r = rect();
        const int half = std::max(1, std::min(r.width() / 4, r.height() / 3));
        const int shift = isDown() ? 1 : 0;
        const QPoint centre = r.center() + QPoint(shift, shift);
        const int dir = m_arrow == Qt::UpArrow ? -1 : 1;
        const int tipY = centre.y() + dir * (half / 2 + (half % 2));
        const int baseY = tipY - dir * half;
        const QPolygon triangle{QPoint(centre.x() - half, baseY), QPoint(centre.x() + half, baseY),
                                QPoint(centre.x(), tipY)};
        const QColor colour =
            palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
        painter.setPen(colour);
        painter.setBrush(colour);
        painter.drawPolygon(triangle);
    }

private:
    Qt::ArrowType m_arrow;
};

} // namespace

UpDown::UpDown(QWidget *parent)
    : QWidget(parent), m_up(new ArrowButton(Qt::UpArrow, this)), m_down(new ArrowButton(Qt::DownArrow, this))
{
    m_up->setObjectName(QStringLiteral("upArrow"));
    m_down->setObjectName(QStringLiteral("downArrow"));
    connect(m_up, &QAbstractButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QAbstractButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setBuddy(QLineEdit *buddy)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy)
        m_buddy->installEventFilter(this);
}

QLineEdit *UpDown::buddy() const
{
    return m_buddy;
}

template <class Change> void UpDown::change(Change apply)
{
    const int before = m_state.value();
    apply();
    if (m_state.value() != before)
        emit valueChanged(m_state.value());
}

void UpDown::setRange(int min, int max)
{
    change([&] { m_state.setRange(min, max); });
}

void UpDown::setIncrement(int increment)
{
    m_state.setIncrement(increment);
}

void UpDown::setValue(int value)
{
    change([&] { m_state.setValue(value); });
}

void UpDown::stepUp()
{
    step(1);
}

void UpDown::stepDown()
{
    step(-1);
}

void UpDown::step(int direction)
{
    if (!m_buddy) {
        change([&] { m_state.step(direction, nullptr); });
        return;
    }
    const std::string typed = m_buddy->text().trimmed().toStdString();
    change([&] { m_state.step(direction, &typed); });
    m_buddy->setText(QString::number(m_state.value()));
}

bool UpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_buddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up) {
            stepUp();
            return true;
        }
        if (key == Qt::Key_Down) {
            stepDown();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::resizeEvent(QResizeEvent *)
{
    // Up takes the upper half, down the rest (the larger half if the height is odd).
    const int upHeight = height() / 2;
    m_up->setGeometry(0, 0, width(), upHeight);
    m_down->setGeometry(0, upHeight, width(), height() - upHeight);
}

QSize UpDown::sizeHint() const
{
    return QSize(16, 22);
}

QSize UpDown::minimumSizeHint() const
{
    return QSize(8, 10);
}

} // namespace platform
