#include "PageWindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "PackageNames.h"

namespace {

constexpr int BannerHeight = 50;
constexpr int ButtonWidth = 88;
constexpr int ButtonHeight = 25;
constexpr int ButtonTop = 286;

// The banner: a white strip fading into the window colour, with a small package
// drawn at its right end.
QPixmap bannerPicture(const QPalette &palette)
{
    QPixmap pixmap(PageWindow::ClientWidth, BannerHeight);
    QPainter p(&pixmap);
    QLinearGradient fade(0, 0, PageWindow::ClientWidth, 0);
    fade.setColorAt(0.0, Qt::white);
    fade.setColorAt(0.65, Qt::white);
    fade.setColorAt(1.0, palette.color(QPalette::Window));
    p.fillRect(pixmap.rect(), fade);

    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(PageWindow::ClientWidth - 52, 12, 30, 26);
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

QFrame *separator(QWidget *parent, const char *name, int y)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, y, PageWindow::ClientWidth, 2);
    return line;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, int x)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, ButtonTop, ButtonWidth, ButtonHeight);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

bool acceptsTyping(QWidget *w)
{
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return !edit->isReadOnly() && edit->isEnabled();
    if (auto *text = qobject_cast<QPlainTextEdit *>(w))
        return !text->isReadOnly() && text->isEnabled();
    return false;
}

} // namespace

PageWindow::PageWindow(const QString &bannerTitle)
{
    setWindowTitle(package::windowCaption());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidth, ClientHeight);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(0, 0, ClientWidth, BannerHeight);
    Picture1->setPixmap(bannerPicture(palette()));

    lblBanner = new QLabel(bannerTitle, Picture1);
    lblBanner->setObjectName(QStringLiteral("lblBanner"));
    QFont bannerFont(QStringLiteral("Times New Roman"));
    bannerFont.setPixelSize(22);
    bannerFont.setBold(true);
    lblBanner->setFont(bannerFont);
    lblBanner->setGeometry(14, 9, ClientWidth - 90, 32);

    fraTopBorder = separator(this, "fraTopBorder", BannerHeight);
    fraBottomBorder = separator(this, "fraBottomBorder", ContentBottom + 4);

    cmdCancel = button(this, "cmdCancel", QStringLiteral("&Cancel"), 8);
    cmdBack = button(this, "cmdBack", QStringLiteral("<< &Back"), ClientWidth - 8 - 2 * ButtonWidth - 4);
    cmdNext = button(this, "cmdNext", QStringLiteral("&Next >>"), ClientWidth - 8 - ButtonWidth);
    cmdBack->setEnabled(false);

    // A plain window has no cancel key of its own: Esc presses Cancel while it is enabled.
    auto *esc = new QShortcut(QKeySequence::Cancel, this);
    esc->setContext(Qt::WindowShortcut);
    connect(esc, &QShortcut::activated, this, [this] {
        if (cmdCancel->isEnabled())
            cmdCancel->click();
    });
}

void PageWindow::finishLayout()
{
    QList<QWidget *> chain;
    for (QWidget *w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w != cmdCancel && w != cmdBack && w != cmdNext)
            chain.append(w);
    }
    // The controls are laid out row by row: order them by row from top to bottom,
    // and from left to right within a row (a few pixels up or down is the same row).
    const auto place = [this](QWidget *w) { return w->mapTo(this, QPoint(0, 0)); };
    std::stable_sort(chain.begin(), chain.end(),
                     [&](QWidget *a, QWidget *b) { return place(a).y() < place(b).y(); });
    for (qsizetype rowStart = 0; rowStart < chain.size();) {
        qsizetype rowEnd = rowStart + 1;
        while (rowEnd < chain.size() && place(chain[rowEnd]).y() - place(chain[rowStart]).y() <= 8)
            ++rowEnd;
        std::stable_sort(chain.begin() + rowStart, chain.begin() + rowEnd,
                         [&](QWidget *a, QWidget *b) { return place(a).x() < place(b).x(); });
        rowStart = rowEnd;
    }
    chain << cmdCancel << cmdBack << cmdNext;
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);

    for (QWidget *w : chain) {
        if (acceptsTyping(w)) {
            w->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

void PageWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (m_closeHandler)
        m_closeHandler();
}

void PageWindow::showEvent(QShowEvent *event)
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
