#pragma once

#include <memory>
#include <string>

#include "Form.h"

// Drives a runtime from outside as the author would: typing, keys, the up-down's
// arrows, answering message boxes. The same conformance cases run through each
// runtime's driver, so that the runtimes cannot drift apart.
namespace form::testing {

enum class Key
{
    Escape,
    Enter,
    Up,
    Down,
};

class Driver
{
public:
    virtual ~Driver() = default;

    virtual Runtime &runtime() = 0;

    // Types the text at the end of the box, character by character, as keystrokes.
    virtual void type(TextBox &box, const std::string &text) = 0;
    // Replaces the box's whole text by typing (select all, then type).
    virtual void retype(TextBox &box, const std::string &text) = 0;
    // A key pressed with the window active, focus where it is.
    virtual void pressKey(Window &window, Key key) = 0;
    // A mouse click on the up-down's up or down arrow.
    virtual void clickArrow(UpDown &upDown, bool up) = 0;
    // A mouse click on an option or a button.
    virtual void clickWithMouse(Control &control) = 0;
    // The answer the next message box gets, as if the author pressed that button.
    virtual void answerNextMessageBox(int answer) = 0;
    // The text of the last message box shown.
    virtual std::string lastMessageBoxText() const = 0;
    // Lets pending events run, deferred destroys included.
    virtual void settle() = 0;
};

} // namespace form::testing
