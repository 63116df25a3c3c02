#include "Page.h"

Page::Page(form::PageLayout layout) : m_layout(std::move(layout)) {}

Page::~Page() = default;

form::Window &Page::window()
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
    m_window = form::runtime().createWindow(m_layout);
    m_window->CloseRequest = [this] { frameCloseRequested(); };
    build(*m_window);
    Form_Load();
}

void Page::show()
{
    window().show();
}

void Page::hide()
{
    window().hide();
}

void Page::unload()
{
    if (!m_window)
        return;
    std::unique_ptr<form::Window> old = std::move(m_window);
    old->CloseRequest = nullptr;
    old->hide();
    // A handler may unload its own page; the window goes once that handler has returned.
    form::runtime().destroyLater(std::move(old));
}
