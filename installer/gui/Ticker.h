#pragma once

#include <functional>

#include <QTimer>

namespace installer {

// A once-a-second tick. The window uses a real timer; tests use ManualTicker and
// step it, so no test waits for a clock.
class Ticker
{
public:
    virtual ~Ticker() = default;
    virtual void start(std::function<void()> onTick) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

class SecondTicker : public Ticker
{
public:
    SecondTicker();
    void start(std::function<void()> onTick) override;
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_onTick;
};

class ManualTicker : public Ticker
{
public:
    void start(std::function<void()> onTick) override
    {
        m_onTick = std::move(onTick);
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    // One second passes; nothing happens while stopped.
    void tick()
    {
        if (m_active && m_onTick)
            m_onTick();
    }

private:
    std::function<void()> m_onTick;
    bool m_active = false;
};

} // namespace installer
