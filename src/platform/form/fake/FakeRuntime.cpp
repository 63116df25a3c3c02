#include "FakeRuntime.h"

#include <algorithm>
#include <filesystem>

#include "BrowseModels.h"
#include "ControlRules.h"
#include "Files.h"
#include "KeptUpDown.h"

namespace form::fake {

namespace fs = std::filesystem;

namespace {

// What every fake control keeps: enabled, visible, focus.
template <class Base> class Fake : public Base
{
public:
    Fake(const ControlRow &layoutRow, FakeWindow &window)
        : Base(layoutRow), m_window(window), m_enabled(!layoutRow.has(style::Disabled)),
          m_visible(!layoutRow.has(style::Hidden))
    {
    }

    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    bool isVisible() const override { return m_visible; }
    void setVisible(bool visible) override { m_visible = visible; }
    void setFocus() override { m_window.focused = this; }
    bool hasFocus() const override { return m_window.focused == this; }

protected:
    FakeWindow &m_window;

private:
    bool m_enabled;
    bool m_visible;
};

class FakeLabel : public Fake<Label>
{
public:
    FakeLabel(const ControlRow &layoutRow, FakeWindow &w) : Fake(layoutRow, w), m_text(layoutRow.caption) {}
    std::string text() const override { return m_text; }
    void setText(const std::string &text) override { m_text = text; }

private:
    std::string m_text;
};

class FakeTextBox : public Fake<TextBox>
{
public:
    FakeTextBox(const ControlRow &layoutRow, FakeWindow &w) : Fake(layoutRow, w), m_text(layoutRow.caption) {}
    std::string text() const override { return m_text; }
    void setText(const std::string &text) override
    {
        const std::string cut =
            maxLength() > 0 ? rules::firstCharacters(text, std::size_t(maxLength())) : text;
        if (cut == m_text)
            return;
        m_text = cut;
        m_window.raise(Change);
    }
    int maxLength() const override { return layoutRow().maxLength; }
    bool isReadOnly() const override { return layoutRow().has(style::Locked); }

private:
    std::string m_text;
};

class FakeButton : public Fake<Button>
{
public:
    FakeButton(const ControlRow &layoutRow, FakeWindow &w) : Fake(layoutRow, w), m_text(layoutRow.caption) {}
    std::string text() const override { return m_text; }
    void setText(const std::string &text) override { m_text = text; }
    void click() override
    {
        if (isEnabled() && isVisible())
            m_window.raise(Click);
    }

private:
    std::string m_text;
};

class FakeOption : public Fake<Option>
{
public:
    FakeOption(const ControlRow &layoutRow, FakeWindow &w) : Fake(layoutRow, w) {}
    std::string text() const override { return layoutRow().caption; }
    bool isChecked() const override { return m_checked; }
    void setChecked(bool checked) override
    {
        if (checked == m_checked)
            return;
        if (checked)
            for (FakeOption *other : m_window.group<FakeOption>(name()))
                other->m_checked = false;
        m_checked = checked;
        if (checked)
            m_window.raise(Click);
    }
    void click() override
    {
        if (isEnabled() && isVisible())
            setChecked(true);
    }

private:
    bool m_checked = false;
};

class FakeListBox : public Fake<ListBox>
{
public:
    using Fake::Fake;
    void addItem(const std::string &text) override { m_items.push_back(text); }
    void clear() override
    {
        m_items.clear();
        m_current = -1;
    }
    int count() const override { return static_cast<int>(m_items.size()); }
    std::string item(int row) const override
    {
        return row >= 0 && row < count() ? m_items[std::size_t(row)] : std::string();
    }
    int currentRow() const override { return m_current; }
    void setCurrentRow(int row) override { m_current = row >= 0 && row < count() ? row : -1; }

private:
    std::vector<std::string> m_items;
    int m_current = -1;
};

class FakeProgressBar : public Fake<ProgressBar>
{
public:
    using Fake::Fake;
    int min() const override { return m_min; }
    void setMin(int min) override { m_min = min; }
    int max() const override { return m_max; }
    void setMax(int max) override { m_max = max; }
    int value() const override { return rules::progressValue(m_value, m_min, m_max); }
    void setValue(int value) override { m_value = rules::progressValue(value, m_min, m_max); }
    bool smooth() const override { return m_smooth; }
    void setSmooth(bool smooth) override { m_smooth = smooth; }
    int borderStyle() const override { return m_border; }
    void setBorderStyle(int style) override { m_border = style; }
    std::uint32_t backColor() const override { return m_back; }
    void setBackColor(std::uint32_t color) override { m_back = color; }

private:
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    bool m_smooth = false;
    int m_border = 0;
    std::uint32_t m_back = SystemButtonFace;
};

class FakeUpDown : public rules::KeptUpDown<Fake<UpDown>>
{
public:
    using KeptUpDown::KeptUpDown;

protected:
    TextBox *buddyBox() const override
    {
        return layoutRow().buddy.empty() ? nullptr
                                         : dynamic_cast<TextBox *>(m_window.find(layoutRow().buddy, -1));
    }
};

class FakeTimer : public Fake<Timer>
{
public:
    FakeTimer(const ControlRow &layoutRow, FakeWindow &w)
        : Fake(layoutRow, w), m_interval(layoutRow.interval), m_active(layoutRow.interval > 0)
    {
    }
    int interval() const override { return m_interval; }
    void setInterval(int milliseconds) override { m_interval = milliseconds; }
    bool isActive() const override { return m_active; }
    void start() override { m_active = true; }
    void stop() override { m_active = false; }

private:
    int m_interval;
    bool m_active;
};

class FakeAnimation : public Fake<Animation>
{
public:
    using Fake::Fake;
    bool open(const std::string &path, std::string *error) override
    {
        std::error_code ec;
        m_open = fs::is_regular_file(base::files::toPath(path), ec);
        if (!m_open && error)
            *error = "Cannot open the animation " + path + ": no such file";
        return m_open;
    }
    bool isOpen() const override { return m_open; }
    void play() override { m_playing = m_open; }
    void stop() override { m_playing = false; }
    bool isPlaying() const override { return m_playing; }
    void close() override { m_open = m_playing = false; }

private:
    bool m_open = false;
    bool m_playing = false;
};

// The lists draw nothing: each keeps its model and raises what the model's moves call for.
void report(const FakeWindow &window, const lists::Outcome &outcome, const Handler &event)
{
    if (!outcome.failure.empty())
        warnCannotOpen(outcome.failure);
    else if (outcome.changed)
        window.raise(event);
}

class FakeDriveList : public Fake<DriveList>
{
public:
    FakeDriveList(const ControlRow &layoutRow, FakeWindow &w)
        : Fake(layoutRow, w), m_model(lists::systemVolumes(), lists::startFolder())
    {
    }
    std::string drive() const override { return m_model.drive(); }
    void setDrive(const std::string &path) override { report(m_window, m_model.setDrive(path), Change); }
    std::vector<Volume> volumes() const override { return m_model.volumes(); }
    void setVolumes(const std::vector<Volume> &volumes) override { m_model.setVolumes(volumes); }
    void rememberFolder(const std::string &folder) override { m_model.rememberFolder(folder); }
    std::string lastFolderOn(const std::string &root) const override { return m_model.lastFolderOn(root); }

private:
    lists::DriveModel m_model;
};

class FakeDirList : public Fake<DirList>
{
public:
    FakeDirList(const ControlRow &layoutRow, FakeWindow &w)
        : Fake(layoutRow, w), m_model(lists::systemVolumes(), lists::startFolder())
    {
    }
    std::string path() const override { return m_model.path(); }
    void setPath(const std::string &folder) override { report(m_window, m_model.setPath(folder), Change); }
    std::vector<std::string> entries() const override { return m_model.entries(); }
    void openEntry(int row) override { report(m_window, m_model.openRow(row), Change); }
    void setVolumes(const std::vector<Volume> &volumes) override { m_model.setVolumes(volumes); }

private:
    lists::DirModel m_model;
};

class FakeFileList : public Fake<FileList>
{
public:
    FakeFileList(const ControlRow &layoutRow, FakeWindow &w)
        : Fake(layoutRow, w), m_model(layoutRow.pattern, lists::startFolder())
    {
    }
    std::string path() const override { return m_model.path(); }
    void setPath(const std::string &folder) override
    {
        report(m_window, m_model.setPath(folder), PathChange);
    }
    std::string pattern() const override { return m_model.pattern(); }
    void setPattern(const std::string &patterns) override { m_model.setPattern(patterns); }
    std::string fileName() const override { return m_model.fileName(); }
    void setFileName(const std::string &name) override
    {
        if (m_model.setFileName(name))
            m_window.raise(Click);
    }
    std::vector<std::string> files() const override { return m_model.files(); }
    void dblClick() override
    {
        if (isEnabled() && !m_model.fileName().empty())
            m_window.raise(DblClick);
    }

private:
    lists::FileModel m_model;
};

std::unique_ptr<Control> makeControl(const ControlRow &layoutRow, FakeWindow &w)
{
    switch (layoutRow.kind) {
    case Kind::TextBox:
        return std::make_unique<FakeTextBox>(layoutRow, w);
    case Kind::Button:
        return std::make_unique<FakeButton>(layoutRow, w);
    case Kind::Option:
        return std::make_unique<FakeOption>(layoutRow, w);
    case Kind::ListBox:
        return std::make_unique<FakeListBox>(layoutRow, w);
    case Kind::DriveList:
        return std::make_unique<FakeDriveList>(layoutRow, w);
    case Kind::DirList:
        return std::make_unique<FakeDirList>(layoutRow, w);
    case Kind::FileList:
        return std::make_unique<FakeFileList>(layoutRow, w);
    case Kind::ProgressBar:
        return std::make_unique<FakeProgressBar>(layoutRow, w);
    case Kind::UpDown:
        return std::make_unique<FakeUpDown>(layoutRow, w);
    case Kind::Timer:
        return std::make_unique<FakeTimer>(layoutRow, w);
    case Kind::Animation:
        return std::make_unique<FakeAnimation>(layoutRow, w);
    case Kind::Picture:
    case Kind::Label:
    case Kind::Frame:
    case Kind::Line:
        break;
    }
    return std::make_unique<FakeLabel>(layoutRow, w);
}

FakeRuntime *g_live = nullptr;

// The window a control belongs to.
FakeWindow *owner(const Control &control)
{
    if (g_live)
        for (FakeWindow *w : g_live->windows())
            if (w->find(control.name(), control.index()) == &control)
                return w;
    return nullptr;
}

} // namespace

FakeWindow::FakeWindow(FakeRuntime &runtime, const PageLayout &layout) : Window(layout), m_runtime(runtime)
{
    const std::vector<ControlRow> all = allControls(layout);
    for (const ControlRow &layoutRow : all)
        m_controls.push_back(makeControl(layoutRow, *this));
    const int first = initialFocus(all);
    if (first >= 0)
        focused = m_controls[std::size_t(first)].get();
}

FakeWindow::~FakeWindow()
{
    doomed = true;
    if (g_live == &m_runtime)
        m_runtime.forget(this);
}

Control *FakeWindow::find(std::string_view name, int index) const
{
    for (const auto &c : m_controls)
        if (c->name() == name && c->index() == index)
            return c.get();
    return nullptr;
}

FakeRuntime::FakeRuntime()
{
    g_live = this;
}

FakeRuntime::~FakeRuntime()
{
    m_doomed.clear();
    if (g_live == this)
        g_live = nullptr;
}

void FakeRuntime::forget(FakeWindow *window)
{
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
}

std::unique_ptr<Window> FakeRuntime::createWindow(const PageLayout &layout)
{
    auto window = std::make_unique<FakeWindow>(*this, layout);
    m_windows.push_back(window.get());
    return window;
}

void FakeRuntime::destroyLater(std::unique_ptr<Window> window)
{
    if (auto *fake = dynamic_cast<FakeWindow *>(window.get())) {
        fake->doomed = true;
        fake->hide();
    }
    m_doomed.push_back(std::move(window));
}

void FakeRuntime::flushDestroyed()
{
    std::vector<std::unique_ptr<Window>> doomed;
    doomed.swap(m_doomed);
    doomed.clear();
}

int FakeRuntime::messageBox(const std::string &text, unsigned flags, const std::string &title)
{
    MessageBoxCall call{text, flags, title};
    messageBoxes.push_back(call);
    if (onMessageBox)
        onMessageBox(call);
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if ((flags & 0xF) == MB_YESNO)
        return (flags & MB_DEFBUTTON2) ? IDNO : IDYES;
    return IDOK;
}

void FakeRuntime::doEvents()
{
    ++doEventsCount;
    flushDestroyed();
    if (onDoEvents)
        onDoEvents();
}

void FakeRuntime::endProgram()
{
    ended = true;
    // Every page goes at once; no handler of theirs runs.
    for (FakeWindow *w : m_windows) {
        w->hide();
        w->doomed = true;
    }
    throw ProgramEnded{};
}

std::vector<std::string> FakeRuntime::visibleTitles() const
{
    std::vector<std::string> titles;
    for (FakeWindow *w : m_windows)
        if (w->isVisible())
            titles.push_back(w->layout().title);
    return titles;
}

void FakeRuntime::type(TextBox &box, const std::string &text)
{
    if (!box.isEnabled() || box.isReadOnly())
        return;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t next = i + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
            ++next;
        const std::string current = box.text();
        if (box.maxLength() > 0 && rules::characterCount(current) >= std::size_t(box.maxLength()))
            return;
        box.setText(current + text.substr(i, next - i));
        i = next;
    }
}

void FakeRuntime::retype(TextBox &box, const std::string &text)
{
    if (!box.isEnabled() || box.isReadOnly())
        return;
    box.setText(std::string());
    type(box, text);
}

void FakeRuntime::pressEscape(Window &window)
{
    if (auto *cancel = dynamic_cast<Button *>(window.find("cmdCancel", -1)); cancel && cancel->isEnabled())
        cancel->click();
}

void FakeRuntime::click(TextBox &box)
{
    if (box.isEnabled() && box.isVisible())
        if (FakeWindow *window = owner(box))
            window->raise(box.Click);
}

void FakeRuntime::requestClose(Window &window)
{
    if (auto *fake = dynamic_cast<FakeWindow *>(&window))
        fake->raise(fake->CloseRequest);
}

void FakeRuntime::pressEnter(Window &)
{
    // No page has a default button: Enter presses nothing.
}

bool endsProgram(const std::function<void()> &f)
{
    try {
        f();
    } catch (const ProgramEnded &) {
        return true;
    }
    return false;
}

} // namespace form::fake
