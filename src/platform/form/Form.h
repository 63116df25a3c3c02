#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Layout.h"

// The window system as the pages use it: windows built from a page layout, controls
// reached by the names the layout gives them, their properties and events, message
// boxes and the event pump. Texts are UTF-8. Each window system implements it once
// (a runtime); the pages are written once against it.
//
// Events are plain callbacks that the page sets when it builds its window. A runtime
// raises an event only for a control whose callback is set, and never while the
// control's window is being destroyed.
namespace form {

using Handler = std::function<void()>;

// Message box styles and answers, with the values of the classic Windows API,
// because the pages describe their boxes by these numbers. windows.h defines the
// same names, with the same values, as macros: a unit that includes it uses those.
#ifndef MB_OK
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_SYSTEMMODAL = 0x1000;
#endif
#ifndef IDOK
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
#endif

// What every control has.
class Control
{
public:
    virtual ~Control() = default;

    // The layout row the control was built from: kind, name, index, caption, place.
    const ControlRow &layoutRow() const { return m_layoutRow; }
    const std::string &name() const { return m_layoutRow.name; }
    int index() const { return m_layoutRow.index; }

    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isVisible() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setFocus() = 0;
    virtual bool hasFocus() const = 0;

protected:
    explicit Control(ControlRow layoutRow) : m_layoutRow(std::move(layoutRow)) {}

private:
    ControlRow m_layoutRow;
};

// A label, frame or line: a caption at most.
class Label : public Control
{
public:
    virtual std::string text() const = 0;
    virtual void setText(const std::string &text) = 0;

protected:
    using Control::Control;
};

// A text box: one line or several (with a vertical scroll bar), locked or not,
// length-limited or not. Every change of its text raises Change, whether the author
// typed it or code set it; setting the text it already has changes nothing.
class TextBox : public Control
{
public:
    virtual std::string text() const = 0;
    virtual void setText(const std::string &text) = 0;
    // The most characters the box holds, typed or set from code (a longer text is cut); 0 for no limit.
    virtual int maxLength() const = 0;
    // A locked box cannot be typed into; code still sets its text.
    virtual bool isReadOnly() const = 0;

    Handler Change;
    // A mouse click into the box.
    Handler Click;

protected:
    using Control::Control;
};

// A push button.
class Button : public Control
{
public:
    virtual std::string text() const = 0;
    virtual void setText(const std::string &text) = 0;
    // Presses the button as the author would: raises Click when it is enabled and visible.
    virtual void click() = 0;

    Handler Click;

protected:
    using Control::Control;
};

// An option button, one member of the group of options that share its name (the
// index tells the members apart). Checking one member unchecks the others.
class Option : public Control
{
public:
    virtual std::string text() const = 0;
    virtual bool isChecked() const = 0;
    // Checking an unchecked option raises its Click, as the author's click does;
    // unchecking raises nothing.
    virtual void setChecked(bool checked) = 0;
    // Clicks the option as the author would: checks it (raising Click) when enabled.
    virtual void click() = 0;

    Handler Click;

protected:
    using Control::Control;
};

// A list of text rows.
class ListBox : public Control
{
public:
    virtual void addItem(const std::string &text) = 0;
    virtual void clear() = 0;
    virtual int count() const = 0;
    virtual std::string item(int row) const = 0;
    // The selected row, -1 for none.
    virtual int currentRow() const = 0;
    virtual void setCurrentRow(int row) = 0;

    Handler DblClick;

protected:
    using Control::Control;
};

// A volume the volume list offers: its root and the label shown beside it.
struct Volume
{
    std::string root; // "/" or a mount point on Linux, "C:\" on Windows
    std::string label;

    bool operator==(const Volume &) const = default;
};

// Where the lists tell the author why they could not go somewhere: a warning
// message box with the program's caption, through the runtime.
void warnCannotOpen(const std::string &text);

// The volume list (Drive1): the browsable volumes; one is current. Remembers, for its
// lifetime, the folder last visited on each volume.
class DriveList : public Control
{
public:
    // The current volume's root.
    virtual std::string drive() const = 0;
    // Makes the volume holding the path (a root or any folder on it) the current one
    // and raises Change. A volume that cannot be read stays unchosen: the author is
    // told why and nothing changes.
    virtual void setDrive(const std::string &path) = 0;
    virtual std::vector<Volume> volumes() const = 0;
    // Offers these volumes instead (made-up ones in tests); keeps the current volume
    // when still offered, else takes the first. Raises nothing.
    virtual void setVolumes(const std::vector<Volume> &volumes) = 0;
    // The folder now browsed: recorded as the last one visited on its volume, whose
    // volume becomes the current one without raising Change.
    virtual void rememberFolder(const std::string &folder) = 0;
    // The folder last visited on the volume at root, or its nearest parent that can
    // still be read; root itself when none was visited.
    virtual std::string lastFolderOn(const std::string &root) const = 0;

    Handler Change;

protected:
    using Control::Control;
};

// The folder list (Dir1): the chain from the volume root to the current folder,
// then the current folder's sub-folders.
class DirList : public Control
{
public:
    // The current folder; no trailing separator except at a root.
    virtual std::string path() const = 0;
    // Makes folder the current one and raises Change when it differs. A folder that
    // cannot be read is not entered: the author is told why and nothing changes.
    virtual void setPath(const std::string &folder) = 0;
    // The full path of every row, chain first, then the sub-folders.
    virtual std::vector<std::string> entries() const = 0;
    // What a double-click on a row does.
    virtual void openEntry(int row) = 0;
    // Uses these volumes to find the chain's root. Raises nothing.
    virtual void setVolumes(const std::vector<Volume> &volumes) = 0;

    Handler Change;

protected:
    using Control::Control;
};

// The file list (File1): the regular files of its folder whose names match its
// ";"-separated patterns, letter case ignored, sorted without regard to case.
class FileList : public Control
{
public:
    virtual std::string path() const = 0;
    // Lists the folder (again, when it is the current one) with nothing selected and
    // raises PathChange. A folder that cannot be read is not listed: the author is
    // told why and nothing changes.
    virtual void setPath(const std::string &folder) = 0;
    virtual std::string pattern() const = 0;
    // Sets the patterns and lists the folder again, nothing selected.
    virtual void setPattern(const std::string &patterns) = 0;
    // The selected file's bare name; empty when none is selected.
    virtual std::string fileName() const = 0;
    // Selects the file of that exact name, raising Click when the selection changes;
    // a name not listed, or "", clears the selection.
    virtual void setFileName(const std::string &name) = 0;
    virtual std::vector<std::string> files() const = 0;
    // Double-clicks the selected file as the author would.
    virtual void dblClick() = 0;

    Handler Click;
    Handler DblClick;
    Handler PathChange;

protected:
    using Control::Control;
};

// A progress bar. min and max read back exactly as set, also when max < min; the
// value is kept clamped into the range (an empty range reads as min).
class ProgressBar : public Control
{
public:
    // OLE colour codes of the two system colours the pages use.
    static constexpr std::uint32_t SystemWindowBackground = 0x80000005;
    static constexpr std::uint32_t SystemButtonFace = 0x8000000F;

    virtual int min() const = 0;
    virtual void setMin(int min) = 0;
    virtual int max() const = 0;
    virtual void setMax(int max) = 0;
    virtual int value() const = 0;
    virtual void setValue(int value) = 0;
    virtual bool smooth() const = 0;
    virtual void setSmooth(bool smooth) = 0;
    // 0 = no border, 1 = single fixed border.
    virtual int borderStyle() const = 0;
    virtual void setBorderStyle(int style) = 0;
    // One of the two system colours above, otherwise 0x00BBGGRR.
    virtual std::uint32_t backColor() const = 0;
    virtual void setBackColor(std::uint32_t oleColor) = 0;

protected:
    using Control::Control;
};

// An up-down spinner bound to its buddy text box (the layout names it). Each step
// moves the value by the increment within the range and writes it into the buddy
// in decimal; a whole number typed into the buddy is clamped into the range and
// becomes the starting point of the next step; other text is ignored.
class UpDown : public Control
{
public:
    virtual int minimum() const = 0;
    virtual int maximum() const = 0;
    // max below min makes min the only value. The value is clamped.
    virtual void setRange(int min, int max) = 0;
    virtual int increment() const = 0;
    virtual void setIncrement(int increment) = 0;
    virtual int value() const = 0;
    // Sets the value, clamped, without touching the buddy's text.
    virtual void setValue(int value) = 0;
    // The arrows, as the author clicks them.
    virtual void stepUp() = 0;
    virtual void stepDown() = 0;

protected:
    using Control::Control;
};

// A periodic timer; invisible.
class Timer : public Control
{
public:
    virtual int interval() const = 0;
    virtual void setInterval(int milliseconds) = 0;
    virtual bool isActive() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;

    // One period has passed.
    Handler Tick;

protected:
    using Control::Control;
};

// An animation player for an AVI clip.
class Animation : public Control
{
public:
    // Opens the clip; false with the reason if it cannot be played.
    virtual bool open(const std::string &path, std::string *error = nullptr) = 0;
    virtual bool isOpen() const = 0;
    // Plays the open clip in a loop until stopped.
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
    virtual void close() = 0;

protected:
    using Control::Control;
};

// A page's window, built from its layout: every control of the layout and of the
// page template, in the tab order the layout gives.
class Window
{
public:
    virtual ~Window() = default;

    const PageLayout &layout() const { return m_layout; }

    // Makes the window visible, modeless and without owner, and brings it to the front.
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;

    // The control of that name (and index, for a member of a group); nullptr if none.
    virtual Control *find(std::string_view name, int index = -1) const = 0;

    // The control of that name and type; the layout guarantees it is there.
    template <class T> T &control(std::string_view name, int index = -1) const
    {
        auto *typed = dynamic_cast<T *>(find(name, index));
        if (!typed)
            missingControl(name, index);
        return *typed;
    }

    // A close request from the window frame. The request itself is always refused.
    Handler CloseRequest;

protected:
    explicit Window(PageLayout layout) : m_layout(std::move(layout)) {}

private:
    [[noreturn]] static void missingControl(std::string_view name, int index);

    PageLayout m_layout;
};

// The window system.
class Runtime
{
public:
    virtual ~Runtime() = default;

    // Builds a page's window with the template and the page's controls, hidden.
    virtual std::unique_ptr<Window> createWindow(const PageLayout &layout) = 0;

    // Destroys the window once the handler running now has returned: a handler may
    // unload its own page. No event reaches the window's controls from now on.
    virtual void destroyLater(std::unique_ptr<Window> window) = 0;

    // A modal message box (text with "\r\n" line breaks); the page beneath cannot be
    // used while it is up. Returns IDOK, IDYES or IDNO.
    virtual int messageBox(const std::string &text, unsigned flags, const std::string &title) = 0;

    // Lets pending window events run.
    virtual void doEvents() = 0;

    // Ends the program at once: no page handler runs and no statement after the call.
    [[noreturn]] virtual void endProgram() = 0;
};

// The runtime in use. install() does not take ownership.
Runtime &runtime();
void install(Runtime *runtime);

} // namespace form
