#pragma once

#include <memory>

#include "Form.h"

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
    explicit Page(form::PageLayout layout);
    virtual ~Page();
    Page(const Page &) = delete;
    Page &operator=(const Page &) = delete;

    const form::PageLayout &layout() const { return m_layout; }

    // The window, built and loaded if need be.
    form::Window &window();

    bool isLoaded() const { return m_window != nullptr; }
    bool isVisible() const;

    // Makes the window visible and brings it to the front; modeless, without owner.
    void show();
    void hide();
    void unload();

    // The template's bottom row.
    form::Button *cmdCancel() { return &window().control<form::Button>("cmdCancel"); }
    form::Button *cmdBack() { return &window().control<form::Button>("cmdBack"); }
    form::Button *cmdNext() { return &window().control<form::Button>("cmdNext"); }
    form::Label *lblBanner() { return &window().control<form::Label>("lblBanner"); }

protected:
    // A control of the page, reached through the page: builds and loads the page first.
    template <class Control> Control *loaded(Control *const &control)
    {
        window();
        return control;
    }

    // Finds the page's controls in the new window and connects their events.
    virtual void build(form::Window &window) = 0;
    virtual void Form_Load() {}
    // A close request from the window frame.
    virtual void frameCloseRequested() = 0;

private:
    void load();

    form::PageLayout m_layout;
    std::unique_ptr<form::Window> m_window;
};
