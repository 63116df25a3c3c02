#pragma once

#include <QString>

#include "PageWindow.h"

// A page of the wizard: its window and controls come and go, the page object and
// its page-level variables stay for the whole run.
//
// Any use of the page (showing it, reaching one of its controls) builds the window
// from the page's layout if it is not there, and then runs the page's load handler.
// Unloading destroys the window and its controls without running any handler; a
// later use builds them again with their design-time contents and loads again.
class Page
{
public:
    explicit Page(QString bannerTitle);
    virtual ~Page();
    Page(const Page &) = delete;
    Page &operator=(const Page &) = delete;

    // The window, built and loaded if need be.
    PageWindow &window();

    bool isLoaded() const { return m_window != nullptr; }
    bool isVisible() const;

    // Makes the window visible and brings it to the front; modeless, without owner.
    void show();
    void hide();
    void unload();

protected:
    // A control of the page, reached through the page: builds and loads the page first.
    template <class Control> Control *loaded(Control *const &control)
    {
        window();
        return control;
    }

    // Creates the page's own controls on the template window, with their design-time contents.
    virtual void build(PageWindow &window) = 0;
    virtual void Form_Load() {}
    // A close request from the window frame.
    virtual void frameCloseRequested() = 0;

private:
    void load();

    QString m_bannerTitle;
    PageWindow *m_window = nullptr;
};
