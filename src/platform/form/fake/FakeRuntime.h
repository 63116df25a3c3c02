#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Form.h"

// The runtime for tests: no display and no window system. Windows and controls are
// plain objects that keep their properties and raise their events as a window
// system would; message boxes are answered from a script and recorded; ending the
// program throws ProgramEnded so that a test sees it and nothing after it runs.
namespace form::fake {

// Thrown by endProgram().
struct ProgramEnded
{
};

class FakeRuntime;

// A window of the fake runtime: its controls, which one has the focus, and whether
// it may still raise events.
class FakeWindow : public Window
{
public:
    FakeWindow(FakeRuntime &runtime, const PageLayout &layout);
    ~FakeWindow() override;

    void show() override { m_visible = true; }
    void hide() override { m_visible = false; }
    bool isVisible() const override { return m_visible; }
    Control *find(std::string_view name, int index = -1) const override;

    // The members of a group of controls sharing a name.
    template <class T> std::vector<T *> group(const std::string &name) const
    {
        std::vector<T *> members;
        for (const auto &c : m_controls)
            if (c->name() == name)
                if (auto *typed = dynamic_cast<T *>(c.get()))
                    members.push_back(typed);
        return members;
    }

    // Runs an event handler unless the window is on its way out.
    void raise(const Handler &handler) const
    {
        if (handler && !doomed)
            handler();
    }

    Control *focused = nullptr;
    bool doomed = false; // destroyed, or to be destroyed later: raises no event

private:
    FakeRuntime &m_runtime;
    bool m_visible = false;
    std::vector<std::unique_ptr<Control>> m_controls;
};

class FakeRuntime : public Runtime
{
public:
    struct MessageBoxCall
    {
        std::string text;
        unsigned flags = 0;
        std::string title;
    };

    FakeRuntime();
    ~FakeRuntime() override;

    std::unique_ptr<Window> createWindow(const PageLayout &layout) override;
    void destroyLater(std::unique_ptr<Window> window) override;
    int messageBox(const std::string &text, unsigned flags, const std::string &title) override;
    void doEvents() override;
    [[noreturn]] void endProgram() override;

    // Answers for the next message boxes, in order. A box without a scripted answer
    // gets its default button: OK, or Yes/No as its flags say.
    void queueAnswer(int answer) { m_answers.push_back(answer); }
    // Runs when a message box is shown, before it is answered (e.g. to look at the pages).
    std::function<void(const MessageBoxCall &)> onMessageBox;
    // Runs at every doEvents, after the deferred destroys; a test can press buttons there.
    std::function<void()> onDoEvents;

    std::vector<MessageBoxCall> messageBoxes;
    int doEventsCount = 0;
    bool ended = false;

    // Windows that exist (not yet destroyed), in the order they were created.
    const std::vector<FakeWindow *> &windows() const { return m_windows; }
    // The visible windows' banner titles, in creation order.
    std::vector<std::string> visibleTitles() const;
    // Destroys the windows whose destruction was deferred (the event loop's next turn).
    void flushDestroyed();

    // Input as the author gives it.
    // Types text at the end of the box, one character (UTF-8 sequence) at a time, each a
    // change; a locked or disabled box takes nothing, a full one nothing more.
    static void type(TextBox &box, const std::string &text);
    // Selects all and types: the text is first removed (one change), then typed.
    static void retype(TextBox &box, const std::string &text);
    // Esc presses the window's cmdCancel when it is enabled; Enter presses nothing
    // (no page has a default button).
    static void pressEscape(Window &window);
    static void pressEnter(Window &window);
    // A mouse click into a text box: raises its Click when enabled and visible.
    static void click(TextBox &box);
    // A close request from the window frame (the title bar's close button).
    static void requestClose(Window &window);

private:
    friend class FakeWindow;
    void forget(FakeWindow *window);

    std::deque<int> m_answers;
    std::vector<FakeWindow *> m_windows;
    std::vector<std::unique_ptr<Window>> m_doomed;
};

// Runs f and reports whether it ended the program.
bool endsProgram(const std::function<void()> &f);

} // namespace form::fake
