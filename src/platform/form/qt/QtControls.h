#pragma once

#include <QPointer>

#include "Form.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;
class QObject;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;

namespace platform {
class Animation;
class DirList;
class DriveList;
class FileList;
class MultiLineTextBox;
class ProgressBar;
class UpDown;
} // namespace platform

// The form controls over Qt widgets: each adapter keeps a pointer to its widget, which
// the window owns, and connects the widget's signals to the control's events through
// the window's event context, so that destroying that context cuts every event off.
namespace form::qt {

// The widget under a control (nullptr for a timer), for the window and for tests.
class Backed
{
public:
    virtual ~Backed() = default;
    virtual QWidget *widget() const = 0;
};

// What every widget-backed control does the same way. Enabled and visible are the
// control's own settings, as a page sets them, whatever its window's state.
template <class Interface, class Widget> class WidgetControl : public Interface, public Backed
{
public:
    WidgetControl(ControlRow layoutRow, Widget *widget) : Interface(std::move(layoutRow)), m_widget(widget) {}

    QWidget *widget() const override { return m_widget; }
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    bool isVisible() const override;
    void setVisible(bool visible) override;
    void setFocus() override;
    bool hasFocus() const override;

protected:
    Widget *m_widget;
};

// Label, Frame, Line and Picture: a caption at most.
class QtLabel : public WidgetControl<Label, QWidget>
{
public:
    QtLabel(ControlRow layoutRow, QWidget *widget);
    std::string text() const override;
    void setText(const std::string &text) override;
};

// A one-line box over QLineEdit, or a multi-line one over MultiLineTextBox.
class QtTextBox : public WidgetControl<TextBox, QWidget>
{
public:
    QtTextBox(ControlRow layoutRow, QLineEdit *line, QObject *events);
    QtTextBox(ControlRow layoutRow, platform::MultiLineTextBox *multi, QObject *events);
    std::string text() const override;
    void setText(const std::string &text) override;
    int maxLength() const override;
    bool isReadOnly() const override;

    QLineEdit *lineEdit() const { return m_line; }

private:
    void connectClick(QObject *events);

    QLineEdit *m_line = nullptr;
    platform::MultiLineTextBox *m_multi = nullptr;
};

class QtButton : public WidgetControl<Button, QPushButton>
{
public:
    QtButton(ControlRow layoutRow, QPushButton *button, QObject *events);
    std::string text() const override;
    void setText(const std::string &text) override;
    void click() override;
};

// A member of an option group; the group (one per name) keeps the members exclusive.
class QtOption : public WidgetControl<Option, QRadioButton>
{
public:
    QtOption(ControlRow layoutRow, QRadioButton *option, QButtonGroup *group, QObject *events);
    std::string text() const override;
    bool isChecked() const override;
    void setChecked(bool checked) override;
    void click() override;

private:
    QButtonGroup *m_group;
};

class QtListBox : public WidgetControl<ListBox, QListWidget>
{
public:
    QtListBox(ControlRow layoutRow, QListWidget *list, QObject *events);
    void addItem(const std::string &text) override;
    void clear() override;
    int count() const override;
    std::string item(int row) const override;
    int currentRow() const override;
    void setCurrentRow(int row) override;
};

class QtDriveList : public WidgetControl<DriveList, platform::DriveList>
{
public:
    QtDriveList(ControlRow layoutRow, platform::DriveList *list, QObject *events);
    std::string drive() const override;
    void setDrive(const std::string &path) override;
    std::vector<Volume> volumes() const override;
    void setVolumes(const std::vector<Volume> &volumes) override;
    void rememberFolder(const std::string &folder) override;
    std::string lastFolderOn(const std::string &root) const override;
};

class QtDirList : public WidgetControl<DirList, platform::DirList>
{
public:
    QtDirList(ControlRow layoutRow, platform::DirList *list, QObject *events);
    std::string path() const override;
    void setPath(const std::string &folder) override;
    std::vector<std::string> entries() const override;
    void openEntry(int row) override;
    void setVolumes(const std::vector<Volume> &volumes) override;
};

class QtFileList : public WidgetControl<FileList, platform::FileList>
{
public:
    QtFileList(ControlRow layoutRow, platform::FileList *list, QObject *events);
    std::string path() const override;
    void setPath(const std::string &folder) override;
    std::string pattern() const override;
    void setPattern(const std::string &patterns) override;
    std::string fileName() const override;
    void setFileName(const std::string &name) override;
    std::vector<std::string> files() const override;
    void dblClick() override;
};

class QtProgressBar : public WidgetControl<ProgressBar, platform::ProgressBar>
{
public:
    using WidgetControl::WidgetControl;
    int min() const override;
    void setMin(int min) override;
    int max() const override;
    void setMax(int max) override;
    int value() const override;
    void setValue(int value) override;
    bool smooth() const override;
    void setSmooth(bool smooth) override;
    int borderStyle() const override;
    void setBorderStyle(int style) override;
    std::uint32_t backColor() const override;
    void setBackColor(std::uint32_t oleColor) override;
};

class QtUpDown : public WidgetControl<UpDown, platform::UpDown>
{
public:
    using WidgetControl::WidgetControl;
    int minimum() const override;
    int maximum() const override;
    void setRange(int min, int max) override;
    int increment() const override;
    void setIncrement(int increment) override;
    int value() const override;
    void setValue(int value) override;
    void stepUp() override;
    void stepDown() override;
};

// A timer has no widget: enabled means running, and it is never visible.
class QtTimer : public Timer, public Backed
{
public:
    QtTimer(ControlRow layoutRow, QTimer *timer, QObject *events);
    QWidget *widget() const override { return nullptr; }
    QTimer *timer() const { return m_timer; }

    bool isEnabled() const override { return isActive(); }
    void setEnabled(bool enabled) override;
    bool isVisible() const override { return false; }
    void setVisible(bool) override {}
    void setFocus() override {}
    bool hasFocus() const override { return false; }

    int interval() const override;
    void setInterval(int milliseconds) override;
    bool isActive() const override;
    void start() override;
    void stop() override;

private:
    QTimer *m_timer;
};

class QtAnimation : public WidgetControl<Animation, platform::Animation>
{
public:
    using WidgetControl::WidgetControl;
    bool open(const std::string &path, std::string *error = nullptr) override;
    bool isOpen() const override;
    void play() override;
    void stop() override;
    bool isPlaying() const override;
    void close() override;
};

} // namespace form::qt
