#include "QtControls.h"

#include <QButtonGroup>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "Animation.h"
#include "DirList.h"
#include "DriveList.h"
#include "FileList.h"
#include "MultiLineTextBox.h"
#include "ProgressBar.h"
#include "UpDown.h"

namespace form::qt {

namespace {

QString toQt(const std::string &text)
{
    return QString::fromStdString(text);
}

std::string fromQt(const QString &text)
{
    return text.toStdString();
}

void raise(const Handler &handler)
{
    if (handler)
        handler();
}

std::vector<std::string> fromQt(const QStringList &list)
{
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(list.size()));
    for (const QString &s : list)
        out.push_back(s.toStdString());
    return out;
}

QList<platform::Volume> toQt(const std::vector<Volume> &volumes)
{
    QList<platform::Volume> out;
    out.reserve(static_cast<qsizetype>(volumes.size()));
    for (const Volume &v : volumes)
        out.append({toQt(v.root), toQt(v.label), {}, {}});
    return out;
}

// A mouse button released over the widget: what the author calls a click, for
// widgets that have no click signal of their own.
class ClickFilter : public QObject
{
public:
    ClickFilter(QWidget *widget, std::function<void()> handler)
        : QObject(widget), m_handler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            auto *widget = static_cast<QWidget *>(watched);
            if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()))
                m_handler();
        }
        return false;
    }

private:
    std::function<void()> m_handler;
};

} // namespace

template <class I, class W> bool WidgetControl<I, W>::isEnabled() const
{
    return !m_widget->testAttribute(Qt::WA_ForceDisabled);
}

template <class I, class W> void WidgetControl<I, W>::setEnabled(bool enabled)
{
    m_widget->setEnabled(enabled);
}

template <class I, class W> bool WidgetControl<I, W>::isVisible() const
{
    return !m_widget->isHidden() || !m_widget->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

template <class I, class W> void WidgetControl<I, W>::setVisible(bool visible)
{
    m_widget->setVisible(visible);
}

template <class I, class W> void WidgetControl<I, W>::setFocus()
{
    m_widget->setFocus(Qt::OtherFocusReason);
}

template <class I, class W> bool WidgetControl<I, W>::hasFocus() const
{
    // The focus the window gives back when it is active again counts, as the page's own.
    return m_widget->window()->focusWidget() == (m_widget->focusProxy() ? m_widget->focusProxy() : m_widget);
}

QtLabel::QtLabel(ControlRow layoutRow, QWidget *widget) : WidgetControl(std::move(layoutRow), widget) {}

std::string QtLabel::text() const
{
    auto *label = qobject_cast<QLabel *>(m_widget);
    return label ? fromQt(label->text()) : layoutRow().caption;
}

void QtLabel::setText(const std::string &text)
{
    if (auto *label = qobject_cast<QLabel *>(m_widget))
        label->setText(toQt(text));
}

QtTextBox::QtTextBox(ControlRow layoutRow, QLineEdit *line, QObject *events)
    : WidgetControl(std::move(layoutRow), line), m_line(line)
{
    QObject::connect(line, &QLineEdit::textChanged, events, [this] { raise(Change); });
    connectClick(events);
}

QtTextBox::QtTextBox(ControlRow layoutRow, platform::MultiLineTextBox *multi, QObject *events)
    : WidgetControl(std::move(layoutRow), multi), m_multi(multi)
{
    QObject::connect(multi, &QPlainTextEdit::textChanged, events, [this] { raise(Change); });
    connectClick(events);
}

void QtTextBox::connectClick(QObject *events)
{
    // The filter lives with the widget; it reaches the page only while the events do.
    QPointer<QObject> alive(events);
    m_widget->installEventFilter(new ClickFilter(m_widget, [this, alive] {
        if (alive)
            raise(Click);
    }));
}

std::string QtTextBox::text() const
{
    return fromQt(m_line ? m_line->text() : m_multi->text());
}

void QtTextBox::setText(const std::string &text)
{
    const QString value = toQt(text);
    if (m_line) {
        if (m_line->text() == value)
            return;
        m_line->setText(value);
        // A locked box shows where its text starts, as a path it names does.
        if (m_line->isReadOnly())
            m_line->setCursorPosition(0);
    } else if (m_multi->text() != value) {
        m_multi->setText(value);
    }
}

int QtTextBox::maxLength() const
{
    return layoutRow().maxLength;
}

bool QtTextBox::isReadOnly() const
{
    return m_line ? m_line->isReadOnly() : m_multi->isReadOnly();
}

QtButton::QtButton(ControlRow layoutRow, QPushButton *button, QObject *events)
    : WidgetControl(std::move(layoutRow), button)
{
    QObject::connect(button, &QPushButton::clicked, events, [this] { raise(Click); });
}

std::string QtButton::text() const
{
    return fromQt(m_widget->text());
}

void QtButton::setText(const std::string &text)
{
    m_widget->setText(toQt(text));
}

void QtButton::click()
{
    if (isEnabled() && isVisible())
        m_widget->click();
}

QtOption::QtOption(ControlRow layoutRow, QRadioButton *option, QButtonGroup *group, QObject *events)
    : WidgetControl(std::move(layoutRow), option), m_group(group)
{
    QObject::connect(option, &QRadioButton::toggled, events, [this](bool on) {
        if (on)
            raise(Click);
    });
}

std::string QtOption::text() const
{
    return fromQt(m_widget->text());
}

bool QtOption::isChecked() const
{
    return m_widget->isChecked();
}

void QtOption::setChecked(bool checked)
{
    if (checked || !m_widget->isChecked()) {
        m_widget->setChecked(checked);
        return;
    }
    // An exclusive group keeps its checked member; code may still leave none checked.
    m_group->setExclusive(false);
    m_widget->setChecked(false);
    m_group->setExclusive(true);
}

void QtOption::click()
{
    if (isEnabled() && isVisible())
        m_widget->click();
}

QtListBox::QtListBox(ControlRow layoutRow, QListWidget *list, QObject *events)
    : WidgetControl(std::move(layoutRow), list)
{
    QObject::connect(list, &QListWidget::itemDoubleClicked, events, [this] { raise(DblClick); });
}

void QtListBox::addItem(const std::string &text)
{
    auto *row = new QListWidgetItem(toQt(text), m_widget);
    // A row shown by its end tells the whole of it as its tip.
    if (layoutRow().has(style::ElideLeft))
        row->setToolTip(row->text());
    // The row just added is the one the author wants to see, however long the list.
    m_widget->scrollToItem(row);
}

void QtListBox::clear()
{
    m_widget->clear();
}

int QtListBox::count() const
{
    return m_widget->count();
}

std::string QtListBox::item(int row) const
{
    const QListWidgetItem *it = m_widget->item(row);
    return it ? fromQt(it->text()) : std::string();
}

int QtListBox::currentRow() const
{
    return m_widget->currentRow();
}

void QtListBox::setCurrentRow(int row)
{
    m_widget->setCurrentRow(row);
}

QtDriveList::QtDriveList(ControlRow layoutRow, platform::DriveList *list, QObject *events)
    : WidgetControl(std::move(layoutRow), list)
{
    QObject::connect(list, &platform::DriveList::change, events, [this] { raise(Change); });
}

std::string QtDriveList::drive() const
{
    return fromQt(m_widget->drive());
}

void QtDriveList::setDrive(const std::string &path)
{
    m_widget->setDrive(toQt(path));
}

std::vector<Volume> QtDriveList::volumes() const
{
    std::vector<Volume> out;
    for (const platform::Volume &v : m_widget->volumes())
        out.push_back({fromQt(v.mountPoint), fromQt(v.label)});
    return out;
}

void QtDriveList::setVolumes(const std::vector<Volume> &volumes)
{
    m_widget->setVolumes(toQt(volumes));
}

void QtDriveList::rememberFolder(const std::string &folder)
{
    m_widget->rememberFolder(toQt(folder));
}

std::string QtDriveList::lastFolderOn(const std::string &root) const
{
    return fromQt(m_widget->lastFolderOn(toQt(root)));
}

QtDirList::QtDirList(ControlRow layoutRow, platform::DirList *list, QObject *events)
    : WidgetControl(std::move(layoutRow), list)
{
    QObject::connect(list, &platform::DirList::change, events, [this] { raise(Change); });
}

std::string QtDirList::path() const
{
    return fromQt(m_widget->path());
}

void QtDirList::setPath(const std::string &folder)
{
    m_widget->setPath(toQt(folder));
}

std::vector<std::string> QtDirList::entries() const
{
    return fromQt(m_widget->entries());
}

void QtDirList::openEntry(int row)
{
    m_widget->openEntry(row);
}

void QtDirList::setVolumes(const std::vector<Volume> &volumes)
{
    m_widget->setVolumes(toQt(volumes));
}

QtFileList::QtFileList(ControlRow layoutRow, platform::FileList *list, QObject *events)
    : WidgetControl(std::move(layoutRow), list)
{
    QObject::connect(list, &platform::FileList::click, events, [this] { raise(Click); });
    QObject::connect(list, &platform::FileList::dblClick, events, [this] { raise(DblClick); });
    QObject::connect(list, &platform::FileList::pathChange, events, [this] { raise(PathChange); });
}

std::string QtFileList::path() const
{
    return fromQt(m_widget->path());
}

void QtFileList::setPath(const std::string &folder)
{
    m_widget->setPath(toQt(folder));
}

std::string QtFileList::pattern() const
{
    return fromQt(m_widget->pattern());
}

void QtFileList::setPattern(const std::string &patterns)
{
    m_widget->setPattern(toQt(patterns));
}

std::string QtFileList::fileName() const
{
    return fromQt(m_widget->fileName());
}

void QtFileList::setFileName(const std::string &name)
{
    m_widget->setFileName(toQt(name));
}

std::vector<std::string> QtFileList::files() const
{
    return fromQt(m_widget->files());
}

void QtFileList::dblClick()
{
    // As a double-click on the selected row, which the list reports itself.
    if (!m_widget->fileName().isEmpty())
        emit m_widget->dblClick();
}

int QtProgressBar::min() const
{
    return m_widget->min();
}

void QtProgressBar::setMin(int min)
{
    m_widget->setMin(min);
}

int QtProgressBar::max() const
{
    return m_widget->max();
}

void QtProgressBar::setMax(int max)
{
    m_widget->setMax(max);
}

int QtProgressBar::value() const
{
    return m_widget->value();
}

void QtProgressBar::setValue(int value)
{
    m_widget->setValue(value);
}

bool QtProgressBar::smooth() const
{
    return m_widget->smooth();
}

void QtProgressBar::setSmooth(bool smooth)
{
    m_widget->setSmooth(smooth);
}

int QtProgressBar::borderStyle() const
{
    return m_widget->borderStyle();
}

void QtProgressBar::setBorderStyle(int style)
{
    m_widget->setBorderStyle(style);
}

std::uint32_t QtProgressBar::backColor() const
{
    return m_widget->backColor();
}

void QtProgressBar::setBackColor(std::uint32_t oleColor)
{
    m_widget->setBackColor(oleColor);
}

int QtUpDown::minimum() const
{
    return m_widget->minimum();
}

int QtUpDown::maximum() const
{
    return m_widget->maximum();
}

void QtUpDown::setRange(int min, int max)
{
    m_widget->setRange(min, max);
}

int QtUpDown::increment() const
{
    return m_widget->increment();
}

void QtUpDown::setIncrement(int increment)
{
    m_widget->setIncrement(increment);
}

int QtUpDown::value() const
{
    return m_widget->value();
}

void QtUpDown::setValue(int value)
{
    m_widget->setValue(value);
}

void QtUpDown::stepUp()
{
    m_widget->stepUp();
}

void QtUpDown::stepDown()
{
    m_widget->stepDown();
}

QtTimer::QtTimer(ControlRow layoutRow, QTimer *timer, QObject *events)
    : Timer(std::move(layoutRow)), m_timer(timer)
{
    QObject::connect(timer, &QTimer::timeout, events, [this] { raise(Tick); });
}

void QtTimer::setEnabled(bool enabled)
{
    enabled ? start() : stop();
}

int QtTimer::interval() const
{
    return m_timer->interval();
}

void QtTimer::setInterval(int milliseconds)
{
    m_timer->setInterval(milliseconds);
}

bool QtTimer::isActive() const
{
    return m_timer->isActive();
}

void QtTimer::start()
{
    m_timer->start();
}

void QtTimer::stop()
{
    m_timer->stop();
}

bool QtAnimation::open(const std::string &path, std::string *error)
{
    QString reason;
    const bool opened = m_widget->open(toQt(path), error ? &reason : nullptr);
    if (!opened && error)
        *error = fromQt(reason);
    return opened;
}

bool QtAnimation::isOpen() const
{
    return m_widget->isOpen();
}

void QtAnimation::play()
{
    m_widget->play();
}

void QtAnimation::stop()
{
    m_widget->stop();
}

bool QtAnimation::isPlaying() const
{
    return m_widget->isPlaying();
}

void QtAnimation::close()
{
    m_widget->close();
}

} // namespace form::qt
