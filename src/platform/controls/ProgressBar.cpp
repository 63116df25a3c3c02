#include "ProgressBar.h"

#include <algorithm>

#include <QPainter>

namespace platform {

namespace {

constexpr quint32 SystemColorFlag = 0x80000000;

// A 1-pixel strip of background between the edge (or border) and the fill.
constexpr int Padding = 1;

} // namespace

ProgressBar::ProgressBar(QWidget *parent) : QWidget(parent) {}

int ProgressBar::value() const
{
    // An empty or inverted range has only one legal value; std::clamp would be
    // undefined for it.
    if (m_max <= m_min)
        return m_min;
    return std::clamp(m_value, m_min, m_max);
}

void ProgressBar::setValue(int value)
{
    const int before = this->value();
    m_value = m_max <= m_min ? m_min : std::clamp(value, m_min, m_max);
    if (this->value() != before)
        emit valueChanged(this->value());
    update();
}

void ProgressBar::setMin(int min)
{
    const int before = value();
    m_min = min;
    if (value() != before)
        emit valueChanged(value());
    update();
}

void ProgressBar::setMax(int max)
{
    const int before = value();
    m_max = max;
    if (value() != before)
        emit valueChanged(value());
    update();
}

void ProgressBar::setSmooth(bool smooth)
{
    m_smooth = smooth;
    update();
}

void ProgressBar::setBorderStyle(int style)
{
    m_borderStyle = style;
    update();
}

void ProgressBar::setBackColor(quint32 oleColor)
{
    m_backColor = oleColor;
    update();
}

QColor ProgressBar::resolveColor(quint32 oleColor) const
{
    if (oleColor == SystemWindowBackground)
        return palette().color(QPalette::Base);
    if (oleColor == SystemButtonFace)
        return palette().color(QPalette::Button);
    // Plain colours are stored low byte first: 0x00BBGGRR.
    return QColor(int(oleColor & 0xFF), int((oleColor >> 8) & 0xFF), int((oleColor >> 16) & 0xFF));
}

int ProgressBar::blockWidth() const
{
    // The classic control makes a block two thirds as wide as the bar is high.
    return std::max(2, fillArea().height() * 2 / 3);
}

QSize ProgressBar::sizeHint() const
{
    return QSize(160, 17);
}

QSize ProgressBar::minimumSizeHint() const
{
    return QSize(8, 6);
}

QRect ProgressBar::fillArea() const
{
    const int inset = (m_borderStyle != 0 ? 1 : 0) + Padding;
    return rect().adjusted(inset, inset, -inset, -inset);
}

int ProgressBar::filledWidth(int areaWidth) const
{
    if (m_max <= m_min || areaWidth <= 0)
        return 0;
    // 64-bit, so that ranges as wide as the whole int type cannot overflow.
    const qint64 done = qint64(value()) - m_min;
    const qint64 span = qint64(m_max) - m_min;
    return int(done * areaWidth / span);
}

void ProgressBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), resolveColor(m_backColor));

    if (m_borderStyle != 0) {
        // A thin sunken edge: shadow above and left, light below and right.
        const QRect r = rect();
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }

    const QRect area = fillArea();
    const int filled = filledWidth(area.width());
    if (filled <= 0 || area.height() <= 0)
        return;

    const QColor fill = palette().color(QPalette::Highlight);
    if (m_smooth) {
        painter.fillRect(QRect(area.left(), area.top(), filled, area.height()), fill);
        return;
    }
    // Whole blocks, as the classic control advances: a block is drawn as soon as
    // the fill reaches into it. The last block of the row takes up whatever is
    // left at the right edge, so that a full bar reaches the end.
    const int block = blockWidth();
    for (int offset = 0; offset < filled; offset += block + BlockGap) {
        const bool last = offset + block + BlockGap >= area.width();
        const int width = last ? area.width() - offset : block;
        painter.fillRect(QRect(area.left() + offset, area.top(), width, area.height()), fill);
    }
}

} // namespace platform
