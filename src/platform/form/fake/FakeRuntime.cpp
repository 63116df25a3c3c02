#include "FakeRuntime.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "ControlRules.h"
#include "Files.h"
#include "NameListing.h"

namespace form::fake {

namespace fs = std::filesystem;

namespace {

// What every fake control keeps: enabled, visible, focus.
template <class Base> class Fake : public Base
{
public:
    Fake(const ControlSpec &spec, FakeWindow &window)
        : Base(spec), m_window(window), m_enabled(!spec.has(style::Disabled)), m_visible(!spec.has(style::Hidden))
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
    FakeLabel(const ControlSpec &spec, FakeWindow &w) : Fake(spec, w), m_text(spec.caption) {}
    std::string text() const override { return m_text; }
    void setText(const std::string &text) override { m_text = text; }

private:
    std::string m_text;
};

class FakeTextBox : public Fake<TextBox>
{
public:
    FakeTextBox(const ControlSpec &spec, FakeWindow &w) : Fake(spec, w), m_text(spec.caption) {}
    std::string text() const override { return m_text; }
    void setText(const std::string &text) override
    {
        const std::string cut = maxLength() > 0 ? rules::firstCharacters(text, std::size_t(maxLength())) : text;
        if (cut == m_text)
            return;
        m_text = cut;
        m_window.raise(Change);
    }
    int maxLength() const override { return spec().maxLength; }
    bool isReadOnly() const override { return spec().has(style::Locked); }

private:
    std::string m_text;
};

class FakeButton : public Fake<Button>
{
public:
    FakeButton(const ControlSpec &spec, FakeWindow &w) : Fake(spec, w), m_text(spec.caption) {}
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
    FakeOption(const ControlSpec &spec, FakeWindow &w) : Fake(spec, w) {}
    std::string text() const override { return spec().caption; }
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

class FakeUpDown : public Fake<UpDown>
{
public:
    using Fake::Fake;
    int minimum() const override { return m_min; }
    int maximum() const override { return m_max; }
    void setRange(int min, int max) override
    {
        m_min = min;
        m_max = rules::upDownMax(min, max);
        setValue(m_value);
    }
    int increment() const override { return m_increment; }
    void setIncrement(int increment) override { m_increment = std::max(1, increment); }
    int value() const override { return m_value; }
    void setValue(int value) override { m_value = std::clamp(value, m_min, m_max); }
    void stepUp() override { step(1); }
    void stepDown() override { step(-1); }

private:
    TextBox *buddy() const
    {
        return spec().buddy.empty() ? nullptr : dynamic_cast<TextBox *>(m_window.find(spec().buddy, -1));
    }
    void step(int direction)
    {
        if (!isEnabled())
            return;
        TextBox *box = buddy();
        const int start = box ? rules::upDownStart(box->text(), m_value, m_min, m_max) : m_value;
        setValue(rules::upDownStep(start, direction, m_increment, m_min, m_max));
        if (box)
            box->setText(std::to_string(m_value));
    }

    int m_min = 0;
    int m_max = 100;
    int m_increment = 1;
    int m_value = 0;
};

class FakeTimer : public Fake<Timer>
{
public:
    FakeTimer(const ControlSpec &spec, FakeWindow &w)
        : Fake(spec, w), m_interval(spec.interval), m_active(spec.interval > 0)
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

// A folder path made absolute and clean, without a trailing separator except at the root.
std::string cleanFolder(const std::string &folder)
{
    fs::path p = base::files::toPath(folder);
    if (p.is_relative()) {
        std::error_code ec;
        p = fs::current_path(ec) / p;
    }
    std::string clean = base::files::fromPath(p.lexically_normal());
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return clean;
}

std::string cannotOpen(const std::string &what, const std::string &path, const std::string &reason)
{
    return "Cannot open the " + what + " " + path + ":\n" + reason + ".";
}

std::string startFolder()
{
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    return ec ? std::string("/") : base::files::fromPath(cwd);
}

// The volume whose root is the longest prefix of path.
std::string volumeOf(const std::string &path, const std::vector<Volume> &volumes)
{
    std::string best;
    for (const Volume &v : volumes) {
        const std::string &root = v.root;
        const bool holds = path == root || (path.compare(0, root.size(), root) == 0 &&
                                            (root.back() == '/' || path[root.size()] == '/'));
        if (holds && root.size() > best.size())
            best = root;
    }
    return best;
}

std::vector<Volume> defaultVolumes()
{
    return {{"/", "root"}};
}

class FakeDriveList : public Fake<DriveList>
{
public:
    FakeDriveList(const ControlSpec &spec, FakeWindow &w) : Fake(spec, w), m_volumes(defaultVolumes())
    {
        m_drive = volumeOf(startFolder(), m_volumes);
    }
    std::string drive() const override { return m_drive; }
    void setDrive(const std::string &path) override
    {
        const std::string root = volumeOf(cleanFolder(path), m_volumes);
        if (root.empty())
            return;
        std::string reason;
        if (!platform::canListFolder(root, &reason)) {
            warnCannotOpen(cannotOpen("volume", root, reason));
            return;
        }
        m_drive = root;
        m_window.raise(Change);
    }
    std::vector<Volume> volumes() const override { return m_volumes; }
    void setVolumes(const std::vector<Volume> &volumes) override
    {
        m_volumes = volumes;
        if (std::none_of(volumes.begin(), volumes.end(), [&](const Volume &v) { return v.root == m_drive; }))
            m_drive = volumes.empty() ? std::string() : volumes.front().root;
    }
    void rememberFolder(const std::string &folder) override
    {
        const std::string root = volumeOf(folder, m_volumes);
        if (root.empty())
            return;
        m_lastFolder[root] = folder;
        m_drive = root;
    }
    std::string lastFolderOn(const std::string &root) const override
    {
        const auto found = m_lastFolder.find(root);
        if (found == m_lastFolder.end())
            return root;
        fs::path folder = base::files::toPath(found->second);
        while (base::files::fromPath(folder).size() > root.size() &&
               !platform::canListFolder(base::files::fromPath(folder)))
            folder = folder.parent_path();
        const std::string reachable = base::files::fromPath(folder);
        return reachable.size() >= root.size() ? reachable : root;
    }

private:
    std::vector<Volume> m_volumes;
    std::string m_drive;
    std::map<std::string, std::string> m_lastFolder;
};

class FakeDirList : public Fake<DirList>
{
public:
    FakeDirList(const ControlSpec &spec, FakeWindow &w) : Fake(spec, w), m_volumes(defaultVolumes())
    {
        show(startFolder(), platform::listSubfolders(startFolder()));
    }
    std::string path() const override { return m_path; }
    void setPath(const std::string &folder) override
    {
        const std::string target = cleanFolder(folder);
        if (target == m_path)
            return;
        std::string reason;
        const std::vector<std::string> subfolders = platform::listSubfolders(target, &reason);
        if (!reason.empty()) {
            warnCannotOpen(cannotOpen("folder", target, reason));
            return;
        }
        show(target, subfolders);
        m_window.raise(Change);
    }
    std::vector<std::string> entries() const override { return m_entries; }
    void openEntry(int row) override
    {
        if (row >= 0 && row < static_cast<int>(m_entries.size()))
            setPath(m_entries[std::size_t(row)]);
    }
    void setVolumes(const std::vector<Volume> &volumes) override
    {
        m_volumes = volumes;
        show(m_path, platform::listSubfolders(m_path));
    }

private:
    static std::string child(const std::string &folder, const std::string &name)
    {
        return folder.back() == '/' ? folder + name : folder + "/" + name;
    }
    void show(const std::string &folder, const std::vector<std::string> &subfolders)
    {
        m_path = folder;
        std::string root = volumeOf(folder, m_volumes);
        if (root.empty())
            root = "/";
        m_entries = {root};
        std::string at = root;
        for (const auto &part : base::files::toPath(folder.substr(root.size())))
            if (!part.empty() && part != "/") {
                at = child(at, base::files::fromPath(part));
                m_entries.push_back(at);
            }
        for (const std::string &name : subfolders)
            m_entries.push_back(child(m_path, name));
    }

    std::vector<Volume> m_volumes;
    std::string m_path;
    std::vector<std::string> m_entries;
};

class FakeFileList : public Fake<FileList>
{
public:
    FakeFileList(const ControlSpec &spec, FakeWindow &w)
        : Fake(spec, w), m_pattern(spec.pattern.empty() ? "*.*" : spec.pattern), m_path(startFolder())
    {
        m_files = platform::listFiles(m_path, platform::NamePatterns(m_pattern));
    }
    std::string path() const override { return m_path; }
    void setPath(const std::string &folder) override
    {
        const std::string target = cleanFolder(folder);
        std::string reason;
        std::vector<std::string> files = platform::listFiles(target, platform::NamePatterns(m_pattern), &reason);
        if (!reason.empty()) {
            warnCannotOpen(cannotOpen("folder", target, reason));
            return;
        }
        m_path = target;
        m_files = std::move(files);
        m_selected.clear();
        m_window.raise(PathChange);
    }
    std::string pattern() const override { return m_pattern; }
    void setPattern(const std::string &patterns) override
    {
        m_pattern = patterns;
        m_files = platform::listFiles(m_path, platform::NamePatterns(m_pattern));
        m_selected.clear();
    }
    std::string fileName() const override { return m_selected; }
    void setFileName(const std::string &name) override
    {
        const bool listed = std::find(m_files.begin(), m_files.end(), name) != m_files.end();
        const std::string next = listed ? name : std::string();
        if (next == m_selected)
            return;
        m_selected = next;
        if (!next.empty())
            m_window.raise(Click);
    }
    std::vector<std::string> files() const override { return m_files; }
    void dblClick() override
    {
        if (isEnabled() && !m_selected.empty())
            m_window.raise(DblClick);
    }

private:
    std::string m_pattern;
    std::string m_path;
    std::vector<std::string> m_files;
    std::string m_selected;
};

std::unique_ptr<Control> makeControl(const ControlSpec &spec, FakeWindow &w)
{
    switch (spec.kind) {
    case Kind::TextBox:
        return std::make_unique<FakeTextBox>(spec, w);
    case Kind::Button:
        return std::make_unique<FakeButton>(spec, w);
    case Kind::Option:
        return std::make_unique<FakeOption>(spec, w);
    case Kind::ListBox:
        return std::make_unique<FakeListBox>(spec, w);
    case Kind::DriveList:
        return std::make_unique<FakeDriveList>(spec, w);
    case Kind::DirList:
        return std::make_unique<FakeDirList>(spec, w);
    case Kind::FileList:
        return std::make_unique<FakeFileList>(spec, w);
    case Kind::ProgressBar:
        return std::make_unique<FakeProgressBar>(spec, w);
    case Kind::UpDown:
        return std::make_unique<FakeUpDown>(spec, w);
    case Kind::Timer:
        return std::make_unique<FakeTimer>(spec, w);
    case Kind::Animation:
        return std::make_unique<FakeAnimation>(spec, w);
    case Kind::Picture:
    case Kind::Label:
    case Kind::Frame:
    case Kind::Line:
        break;
    }
    return std::make_unique<FakeLabel>(spec, w);
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
    const std::vector<ControlSpec> all = allControls(layout);
    for (const ControlSpec &spec : all)
        m_controls.push_back(makeControl(spec, *this));
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
