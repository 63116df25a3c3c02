#include "Ticker.h"

namespace installer {

SecondTicker::SecondTicker()
{
    m_timer.setInterval(1000);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_onTick)
            m_onTick();
    });
}

void SecondTicker::start(std::function<void()> onTick)
{
    m_onTick = std::move(onTick);
    m_timer.start();
}

} // namespace installer
