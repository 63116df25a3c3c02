#include "Page.h"

Page::Page(QString bannerTitle) : m_bannerTitle(std::move(bannerTitle)) {}

Page::~Page()
{
    delete m_window;
}

PageWindow &Page::window()
{
    if (!m_window)
        load();
    return *m_window;
}

bool Page::isVisible() const
{
    return m_window && m_window->isVisible();
}

void Page::load()
{
    m_window = new PageWindow(m_bannerTitle);
    m_window->setCloseHandler([this] { frameCloseRequested(); });
    build(*m_window);
    m_window->finishLayout();
    Form_Load();
}

void Page::show()
{
    PageWindow &w = window();
    w.show();
    w.raise();
    w.activateWindow();
}

void Page::hide()
{
    window().hide();
}

void Page::unload()
{
    if (!m_window)
        return;
    PageWindow *old = m_window;
    m_window = nullptr;
    old->setCloseHandler({});
    old->hide();
    // A handler may unload its own page; the window goes once that handler has returned.
    old->deleteLater();
}
