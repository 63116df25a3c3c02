#include "MessageBox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QTextOption>
#include <QtMath>

#include "Form.h"

namespace form::qt {

namespace {

// A message box whose text keeps its exact characters (what a screen reader reads and
// Ctrl+C copies) and still stays a sensible width when the text holds a long path.
// Qt sizes a box to its longest unbreakable run of text, up to the whole screen, and
// a path with no blank is one such run; past the screen the run is cut off. Here a
// box that comes out at least MaxWidth (or the screen) wide is set to that width, and
// its text label wraps at word boundaries where it can and anywhere else where it must.
class WrappingMessageBox : public QMessageBox
{
public:
    static constexpr int MaxWidth = 600;

protected:
    bool event(QEvent *e) override
    {
        const bool handled = QMessageBox::event(e);
        // Qt recomputes the box's size on these two; the narrower width is set after it.
        if (e->type() == QEvent::Show || e->type() == QEvent::LayoutRequest)
            fitWithinMaxWidth();
        return handled;
    }

    bool eventFilter(QObject *watched, QEvent *e) override
    {
        // The label lays its text out again with plain word wrap whenever it is
        // resized or restyled; it is set to wrap anywhere again before it paints.
        if (e->type() == QEvent::Paint && watched == textLabel())
            wrapAnywhere();
        return QMessageBox::eventFilter(watched, e);
    }

private:
    QLabel *textLabel() const { return findChild<QLabel *>(QStringLiteral("qt_msgbox_label")); }

    // The document the label lays its text out in: it has one while its text can be selected.
    QTextDocument *labelDocument() const
    {
        const QLabel *label = textLabel();
        return label ? label->findChild<QTextDocument *>() : nullptr;
    }

    void wrapAnywhere()
    {
        QTextDocument *document = labelDocument();
        if (!document)
            return;
        textLabel()->heightForWidth(textLabel()->width()); // lets the label finish its own layout first
        QTextOption option = document->defaultTextOption();
        if (option.wrapMode() != QTextOption::WrapAtWordBoundaryOrAnywhere) {
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            document->setDefaultTextOption(option);
        }
    }

    int wrappedTextHeight(int width) const
    {
        QTextDocument measure;
        measure.setDefaultFont(textLabel()->font());
        measure.setDocumentMargin(0);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        measure.setDefaultTextOption(option);
        measure.setPlainText(text());
        measure.setTextWidth(width);
        return qCeil(measure.size().height());
    }

    void fitWithinMaxWidth()
    {
        const int limit = qMin(MaxWidth, screen()->availableGeometry().width());
        QLabel *label = textLabel();
        if (width() < limit || !label || !labelDocument())
            return;
        // The label takes the whole narrowing: the icon and the margins keep their size.
        label->setFixedHeight(wrappedTextHeight(label->width() - (width() - limit)));
        label->installEventFilter(this);
        wrapAnywhere();
        layout()->activate();
        setFixedSize(limit, layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(limit)
                                                          : layout()->totalMinimumSize().height());
        // Sizing posts a layout request, which would size the box all over again.
        QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
    }
};

} // namespace

int showMessageBox(const QString &text, unsigned flags, const QString &title)
{
    WrappingMessageBox box;
    box.setWindowTitle(title);
    // The texts use CR LF between lines; a label wants plain line feeds.
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setTextFormat(Qt::PlainText);
    // Selectable text is laid out in a document, which is what lets a long path wrap anywhere.
    box.setTextInteractionFlags(box.textInteractionFlags() | Qt::TextSelectableByMouse);

    switch (flags & 0xF0) {
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }

    if ((flags & 0xF) == MB_YESNO) {
        QPushButton *yes = box.addButton(QMessageBox::Yes);
        QPushButton *no = box.addButton(QMessageBox::No);
        box.setDefaultButton((flags & MB_DEFBUTTON2) ? no : yes);
        box.setEscapeButton(no);
    } else {
        box.setDefaultButton(box.addButton(QMessageBox::Ok));
    }

    box.setWindowModality(Qt::ApplicationModal);
    // A system-modal box stays in front of every window until it is answered. Set
    // last: adding buttons and setting the modality reset the window flags.
    if (flags & MB_SYSTEMMODAL)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);

    const int result = box.exec();
    if (result == QMessageBox::Yes)
        return IDYES;
    if (result == QMessageBox::No)
        return IDNO;
    return IDOK;
}

} // namespace form::qt
