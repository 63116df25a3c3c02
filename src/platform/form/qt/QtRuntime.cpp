#include "QtRuntime.h"

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QObject>

#include "Files.h"
#include "MessageBox.h"
#include "QtWindow.h"

namespace form::qt {

namespace {

// Holds a window until the event loop deletes it, once the handler running now has returned.
class DoomedWindow : public QObject
{
public:
    explicit DoomedWindow(std::unique_ptr<Window> window) : m_window(std::move(window)) {}

private:
    std::unique_ptr<Window> m_window;
};

} // namespace

std::unique_ptr<Window> QtRuntime::createWindow(const PageLayout &layout)
{
    return std::make_unique<QtWindow>(layout);
}

void QtRuntime::destroyLater(std::unique_ptr<Window> window)
{
    if (!window)
        return;
    if (auto *qtWindow = dynamic_cast<QtWindow *>(window.get()))
        qtWindow->shutDown();
    (new DoomedWindow(std::move(window)))->deleteLater();
}

int QtRuntime::messageBox(const std::string &text, unsigned flags, const std::string &title)
{
    return showMessageBox(QString::fromStdString(text), flags, QString::fromStdString(title));
}

void QtRuntime::doEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtRuntime::endProgram()
{
    base::files::removePendingTemporaries();
    std::fflush(nullptr);
    // Every INI write is already complete on disk, so nothing needs to run on the way out;
    // no page handler and no destructor runs.
    std::_Exit(0);
}

} // namespace form::qt
