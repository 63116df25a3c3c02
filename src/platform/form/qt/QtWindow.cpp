#include "QtWindow.h"

#include <map>

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTimer>

#include "Animation.h"
#include "DirList.h"
#include "DriveList.h"
#include "FileList.h"
#include "MultiLineTextBox.h"
#include "ProgressBar.h"
#include "QtControls.h"
#include "UpDown.h"

namespace form::qt {

namespace {

const int ClientWidthPx = ClientWidth / TwipsPerPixel;
const int ClientHeightPx = ClientHeight / TwipsPerPixel;

// The banner: a white strip fading into the window colour, with a small package
// drawn at its right end.
QPixmap bannerPicture(const QSize &size, const QPalette &palette)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    QLinearGradient fade(0, 0, size.width(), 0);
    fade.setColorAt(0.0, Qt::white);
    fade.setColorAt(0.65, Qt::white);
    fade.setColorAt(1.0, palette.color(QPalette::Window));
    p.fillRect(pixmap.rect(), fade);

    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(size.width() - 52, 12, 30, 26);
    p.setPen(QPen(QColor(90, 60, 20), 1.2));
    p.setBrush(QColor(205, 160, 90));
    p.drawRect(box);
    p.setBrush(QColor(225, 185, 115));
    const QPointF lid[] = {box.topLeft(), box.topLeft() + QPointF(6, -6), box.topRight() + QPointF(6, -6),
                           box.topRight()};
    p.drawPolygon(lid, 4);
    p.setBrush(QColor(180, 135, 70));
    const QPointF side[] = {box.topRight(), box.topRight() + QPointF(6, -6),
                            box.bottomRight() + QPointF(6, -6), box.bottomRight()};
    p.drawPolygon(side, 4);
    p.setPen(QPen(QColor(40, 70, 160), 3));
    p.drawLine(QPointF(box.center().x(), box.top()), QPointF(box.center().x(), box.bottom()));
    return pixmap;
}

// Rows that ask for no width of their own are laid out as wide as the list: a long
// path is then elided on the left, showing the file's name, where the list would
// otherwise grow a horizontal scroll bar and show the start of the folder.
class ListWideRows : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {0, QStyledItemDelegate::sizeHint(option, index).height()};
    }
};

QRect pixels(const Rect &place)
{
    const PixelRect r = toPixels(place);
    return {r.x, r.y, r.width, r.height};
}

QLabel *label(const ControlRow &layoutRow, QWidget *parent)
{
    auto *l = new QLabel(QString::fromStdString(layoutRow.caption), parent);
    l->setTextFormat(Qt::PlainText);
    if (layoutRow.has(style::WordWrap)) {
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    if (layoutRow.has(style::Banner)) {
        QFont bannerFont(QString::fromLatin1(BannerFont));
        bannerFont.setPixelSize(22);
        bannerFont.setBold(true);
        l->setFont(bannerFont);
    }
    return l;
}

QFrame *line(const ControlRow &layoutRow, QWidget *parent)
{
    auto *l = new QFrame(parent);
    l->setFrameShape(layoutRow.place.width >= layoutRow.place.height ? QFrame::HLine : QFrame::VLine);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

QPushButton *button(const ControlRow &layoutRow, QWidget *parent)
{
    auto *b = new QPushButton(QString::fromStdString(layoutRow.caption), parent);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QListWidget *listBox(const ControlRow &layoutRow, QWidget *parent)
{
    auto *list = new QListWidget(parent);
    if (layoutRow.has(style::ElideLeft)) {
        list->setTextElideMode(Qt::ElideLeft); // the file's name matters more than its folder
        list->setItemDelegate(new ListWideRows(list));
    }
    return list;
}

} // namespace

PageWidget::PageWidget()
{
    setWindowTitle(QString::fromLatin1(WindowCaption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidthPx, ClientHeightPx);
}

void PageWidget::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (closeRequested)
        closeRequested();
}

void PageWidget::showEvent(QShowEvent *event)
{
    if (!m_placed) {
        m_placed = true;
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(width() / 2, height() / 2));
        }
    }
    QWidget::showEvent(event);
}

QtWindow::QtWindow(const PageLayout &layout)
    : Window(layout), m_widget(new PageWidget), m_events(std::make_unique<QObject>())
{
    const std::vector<ControlRow> layoutRows = allControls(layout);
    build(layoutRows);
    finishLayout(layoutRows);

    m_widget->closeRequested = [this] {
        if (m_events && CloseRequest)
            CloseRequest();
    };
    // A plain window has no cancel key of its own: Esc presses Cancel while it is enabled.
    if (auto *cancel = dynamic_cast<Button *>(find("cmdCancel"))) {
        auto *esc = new QShortcut(QKeySequence::Cancel, m_widget);
        esc->setContext(Qt::WindowShortcut);
        QObject::connect(esc, &QShortcut::activated, m_events.get(), [cancel] {
            if (cancel->isEnabled())
                cancel->click();
        });
    }
}

QtWindow::~QtWindow()
{
    m_events.reset();
    delete m_widget;
}

void QtWindow::build(const std::vector<ControlRow> &layoutRows)
{
    m_controls.reserve(layoutRows.size());
    std::vector<QWidget *> frames; // frames hold the controls that lie within them
    std::map<std::string, QButtonGroup *> groups;
    QObject *events = m_events.get();
    QWidget *banner = nullptr;

    for (const ControlRow &layoutRow : layoutRows) {
        QRect place = pixels(layoutRow.place);
        QWidget *parent = m_widget;
        if (layoutRow.has(style::Banner) && banner) {
            parent = banner; // the banner title is drawn over the banner picture
            place.translate(-banner->pos());
        } else {
            for (QWidget *frame : frames) {
                if (frame->geometry().contains(place)) {
                    parent = frame;
                    place.translate(-frame->pos());
                    break;
                }
            }
        }

        std::unique_ptr<Control> control;
        QWidget *widget = nullptr;
        switch (layoutRow.kind) {
        case Kind::Picture: {
            auto *picture = new QLabel(parent);
            picture->setPixmap(bannerPicture(place.size(), m_widget->palette()));
            banner = widget = picture;
            control = std::make_unique<QtLabel>(layoutRow, widget);
            break;
        }
        case Kind::Label:
            widget = label(layoutRow, parent);
            control = std::make_unique<QtLabel>(layoutRow, widget);
            break;
        case Kind::Frame: {
            auto *frame = new QFrame(parent);
            frame->setFrameShape(QFrame::NoFrame);
            frames.push_back(widget = frame);
            control = std::make_unique<QtLabel>(layoutRow, widget);
            break;
        }
        case Kind::Line:
            widget = line(layoutRow, parent);
            control = std::make_unique<QtLabel>(layoutRow, widget);
            break;
        case Kind::TextBox:
            if (layoutRow.has(style::MultiLine)) {
                auto *box = new platform::MultiLineTextBox(parent);
                box->setText(QString::fromStdString(layoutRow.caption));
                if (layoutRow.has(style::Locked)) {
                    box->setReadOnly(true);
                    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
                }
                widget = box;
                control = std::make_unique<QtTextBox>(layoutRow, box, events);
            } else {
                auto *box = new QLineEdit(QString::fromStdString(layoutRow.caption), parent);
                box->setReadOnly(layoutRow.has(style::Locked));
                if (layoutRow.maxLength > 0)
                    box->setMaxLength(layoutRow.maxLength);
                widget = box;
                control = std::make_unique<QtTextBox>(layoutRow, box, events);
            }
            break;
        case Kind::Button: {
            auto *b = button(layoutRow, parent);
            widget = b;
            control = std::make_unique<QtButton>(layoutRow, b, events);
            break;
        }
        case Kind::Option: {
            auto *option = new QRadioButton(QString::fromStdString(layoutRow.caption), parent);
            option->setChecked(false);
            QButtonGroup *&group = groups[layoutRow.name];
            if (!group)
                group = new QButtonGroup(m_widget);
            group->addButton(option, layoutRow.index);
            widget = option;
            control = std::make_unique<QtOption>(layoutRow, option, group, events);
            break;
        }
        case Kind::ListBox: {
            QListWidget *list = listBox(layoutRow, parent);
            widget = list;
            control = std::make_unique<QtListBox>(layoutRow, list, events);
            break;
        }
        case Kind::DriveList: {
            auto *list = new platform::DriveList(parent);
            widget = list;
            control = std::make_unique<QtDriveList>(layoutRow, list, events);
            break;
        }
        case Kind::DirList: {
            auto *list = new platform::DirList(parent);
            widget = list;
            control = std::make_unique<QtDirList>(layoutRow, list, events);
            break;
        }
        case Kind::FileList: {
            auto *list = new platform::FileList(parent);
            if (!layoutRow.pattern.empty())
                list->setPattern(QString::fromStdString(layoutRow.pattern));
            widget = list;
            control = std::make_unique<QtFileList>(layoutRow, list, events);
            break;
        }
        case Kind::ProgressBar: {
            auto *bar = new platform::ProgressBar(parent);
            widget = bar;
            control = std::make_unique<QtProgressBar>(layoutRow, bar);
            break;
        }
        case Kind::UpDown: {
            auto *upDown = new platform::UpDown(parent);
            widget = upDown;
            control = std::make_unique<QtUpDown>(layoutRow, upDown);
            break;
        }
        case Kind::Timer: {
            auto *timer = new QTimer(m_widget);
            timer->setObjectName(QString::fromStdString(layoutRow.name));
            timer->setInterval(layoutRow.interval);
            // The first tick comes one interval after the window is built, as the page expects.
            if (layoutRow.interval > 0)
                timer->start();
            control = std::make_unique<QtTimer>(layoutRow, timer, events);
            break;
        }
        case Kind::Animation: {
            auto *animation = new platform::Animation(parent);
            widget = animation;
            control = std::make_unique<QtAnimation>(layoutRow, animation);
            break;
        }
        }

        if (widget) {
            widget->setObjectName(QString::fromStdString(layoutRow.name));
            if (layoutRow.index >= 0)
                widget->setProperty("index", layoutRow.index);
            widget->setGeometry(place);
            if (layoutRow.has(style::Disabled))
                widget->setEnabled(false);
            if (layoutRow.has(style::Hidden))
                widget->setVisible(false);
        }
        m_controls.push_back(std::move(control));
    }

    // Buddies, once every control is there.
    for (std::size_t i = 0; i < layoutRows.size(); ++i) {
        if (layoutRows[i].buddy.empty())
            continue;
        QWidget *buddy = widgetOf(*find(layoutRows[i].buddy));
        if (auto *l = qobject_cast<QLabel *>(widgetOf(*m_controls[i])))
            l->setBuddy(buddy);
        else if (auto *upDown = qobject_cast<platform::UpDown *>(widgetOf(*m_controls[i])))
            upDown->setBuddy(qobject_cast<QLineEdit *>(buddy));
    }
}

void QtWindow::finishLayout(const std::vector<ControlRow> &layoutRows)
{
    // A list is a compound widget whose focus goes to the view or drop-down inside it: the
    // chain links those, as Qt orders no widget that takes no focus itself.
    const auto focusTaker = [this](std::size_t i) {
        QWidget *w = widgetOf(*m_controls[i]);
        return w->focusProxy() ? w->focusProxy() : w;
    };
    const std::vector<std::size_t> order = tabOrder(layoutRows);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(focusTaker(order[i - 1]), focusTaker(order[i]));

    // The first field the author can type into gets the focus, as the layout says.
    // Without one, the first control of the tab order; a disabled control takes none.
    const int first = initialFocus(layoutRows);
    if (first >= 0)
        m_controls[std::size_t(first)]->setFocus();
}

QWidget *QtWindow::widgetOf(const Control &control)
{
    auto *backed = dynamic_cast<const Backed *>(&control);
    return backed ? backed->widget() : nullptr;
}

void QtWindow::show()
{
    m_widget->show();
    m_widget->raise();
    m_widget->activateWindow();
}

void QtWindow::hide()
{
    m_widget->hide();
}

bool QtWindow::isVisible() const
{
    return m_widget->isVisible();
}

Control *QtWindow::find(std::string_view name, int index) const
{
    for (const auto &control : m_controls) {
        if (control->name() == name && (index < 0 || control->index() == index))
            return control.get();
    }
    return nullptr;
}

void QtWindow::shutDown()
{
    m_events.reset();
    m_widget->closeRequested = nullptr;
    for (QTimer *timer : m_widget->findChildren<QTimer *>(Qt::FindDirectChildrenOnly))
        timer->stop();
    m_widget->hide();
}

} // namespace form::qt
