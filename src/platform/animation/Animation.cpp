#include "Animation.h"

#include <algorithm>

#include <QPainter>

#include "AviReader.h"

namespace platform {

Animation::Animation(QWidget *parent) : QWidget(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &Animation::advanceFrame);
}

Animation::~Animation() = default;

bool Animation::open(const QString &path, QString *error)
{
    close();
    auto reader = std::make_unique<platform::AviReader>();
    if (!reader->open(path)) {
        if (error)
            *error = reader->errorString();
        return false;
    }
    m_reader = std::move(reader);
    m_background = m_reader->frame(0).front();
    // Timers below 10 ms would only load the event loop; very slow clips still move.
    const quint32 ms = (m_reader->microSecondsPerFrame() + 500) / 1000;
    m_timer.setInterval(int(std::clamp<quint32>(ms, 10, 10000)));
    showFrame(0);
    m_stopped = false;
    if (isVisible())
        m_timer.start();
    updateGeometry();
    return true;
}

void Animation::close()
{
    m_timer.stop();
    m_reader.reset();
    m_image = QImage();
    m_current = 0;
    update();
}

void Animation::play()
{
    m_stopped = false;
    if (m_reader && isVisible())
        m_timer.start();
}

void Animation::stop()
{
    m_stopped = true;
    m_timer.stop();
}

bool Animation::isOpen() const
{
    return m_reader != nullptr;
}

bool Animation::isPlaying() const
{
    return m_timer.isActive();
}

int Animation::currentFrame() const
{
    return m_current;
}

int Animation::frameCount() const
{
    return m_reader ? m_reader->frameCount() : 0;
}

QSize Animation::sizeHint() const
{
    return m_reader ? QSize(m_reader->width(), m_reader->height()) : QSize(272, 60);
}

void Animation::advanceFrame()
{
    if (!m_reader)
        return;
    showFrame((m_current + 1) % m_reader->frameCount());
}

void Animation::showFrame(int index)
{
    const auto pixels = m_reader->frame(index);
    const int width = m_reader->width();
    const int height = m_reader->height();
    if (m_image.size() != QSize(width, height))
        m_image = QImage(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<quint32 *>(m_image.scanLine(y));
        const auto row = pixels.subspan(std::size_t(y) * std::size_t(width), std::size_t(width));
        std::transform(row.begin(), row.end(), line,
                       [this](quint32 pixel) { return pixel == m_background ? 0u : pixel; });
    }
    m_current = index;
    update();
}

void Animation::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.drawImage((width() - m_image.width()) / 2, (height() - m_image.height()) / 2, m_image);
}

void Animation::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_reader && !m_stopped)
        m_timer.start();
}

void Animation::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}

} // namespace platform
