#include "QtDriver.h"

#include <deque>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "QtRuntime.h"
#include "QtWindow.h"
#include "UpDown.h"

namespace {

using form::qt::QtWindow;

QWidget *widgetOf(form::Control &control)
{
    return QtWindow::widgetOf(control);
}

QMessageBox::StandardButton buttonFor(int answer)
{
    switch (answer) {
    case form::IDYES:
        return QMessageBox::Yes;
    case form::IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

class QtDriver : public form::testing::Driver
{
public:
    QtDriver()
    {
        // Looks for a message box at every turn of the event loop, the box's own included.
        m_watch.setInterval(0);
        QObject::connect(&m_watch, &QTimer::timeout, [this] { answerOpenBox(); });
        m_watch.start();
    }

    form::Runtime &runtime() override { return m_runtime; }

    void type(form::TextBox &box, const std::string &text) override
    {
        QWidget *w = widgetOf(box);
        if (qobject_cast<QLineEdit *>(w))
            QTest::keyClick(w, Qt::Key_End);
        else
            QTest::keyClick(w, Qt::Key_End, Qt::ControlModifier);
        const QString chars = QString::fromStdString(text);
        for (qsizetype i = 0; i < chars.size(); ++i) {
            // A character outside the basic plane is one keystroke of two UTF-16 units.
            const qsizetype units = chars[i].isHighSurrogate() && i + 1 < chars.size() ? 2 : 1;
            const QString key = chars.mid(i, units);
            i += units - 1;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, key);
            QApplication::sendEvent(w, &press);
            QApplication::sendEvent(w, &release);
        }
    }

    void retype(form::TextBox &box, const std::string &text) override
    {
        QWidget *w = widgetOf(box);
        QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w, Qt::Key_Delete);
        type(box, text);
    }

    void pressKey(form::Window &window, form::testing::Key key) override
    {
        QWidget *w = static_cast<QtWindow &>(window).widget();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        QWidget *target = w->focusWidget() ? w->focusWidget() : w;
        switch (key) {
        case form::testing::Key::Escape:
            QTest::keyClick(target, Qt::Key_Escape);
            break;
        case form::testing::Key::Enter:
            QTest::keyClick(target, Qt::Key_Return);
            break;
        case form::testing::Key::Up:
            QTest::keyClick(target, Qt::Key_Up);
            break;
        case form::testing::Key::Down:
            QTest::keyClick(target, Qt::Key_Down);
            break;
        }
    }

    void clickArrow(form::UpDown &upDown, bool up) override
    {
        auto *spinner = static_cast<platform::UpDown *>(widgetOf(upDown));
        QTest::mouseClick(up ? spinner->upButton() : spinner->downButton(), Qt::LeftButton);
    }

    void clickWithMouse(form::Control &control) override
    {
        QWidget *w = widgetOf(control);
        // On an option, the click lands on its indicator; on a button, in its middle.
        const QPoint at =
            dynamic_cast<form::Option *>(&control) ? QPoint(6, w->height() / 2) : w->rect().center();
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
    }

    void answerNextMessageBox(int answer) override { m_answers.push_back(answer); }

    std::string lastMessageBoxText() const override { return m_lastText; }

    void settle() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private:
    void answerOpenBox()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        // The runtime shows the text's CR LF breaks as lines.
        m_lastText = box->text().replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toStdString();
        QAbstractButton *press = box->defaultButton();
        if (!m_answers.empty()) {
            press = box->button(buttonFor(m_answers.front()));
            m_answers.pop_front();
        }
        if (press)
            press->click();
    }

    form::qt::QtRuntime m_runtime;
    QTimer m_watch;
    std::deque<int> m_answers;
    std::string m_lastText;
};

} // namespace

std::unique_ptr<form::testing::Driver> makeQtDriver()
{
    return std::make_unique<QtDriver>();
}
