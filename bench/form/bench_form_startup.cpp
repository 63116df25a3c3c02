// Start-up to the first page and peak memory: the wizard's first page built by the Qt
// form runtime against a bare QWidget window with three QPushButtons, and against the
// same page built by hand from the same widgets (what the runtime itself costs). Each
// sample is a fresh process; the time runs from just before the process is started to
// the end of the window's first paint, the memory is the process's peak resident set.
//
//   bench_form_startup [runs]                  runs all three side by side (default 15 runs each)
//   bench_form_startup --child bare|hand|form  one sample: prints the monotonic time of the first paint
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QWidget>

#include "Form.h"
#include "QtRuntime.h"
#include "QtWindow.h"

extern char **environ;

namespace {

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// Ends the run once the window has been painted for the first time.
class FirstPaint : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            static_cast<QWidget *>(watched)->removeEventFilter(this);
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    std::printf("%lld\n", monotonicNs());
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

// The wizard's first page, the name page, as its layout table gives it.
form::PageLayout namePage()
{
    form::PageLayout page;
    page.title = "Create Package Folder";
    const auto row = [](form::Kind kind, const char *name, const char *caption, form::Rect place,
                        const char *buddy = "") {
        form::ControlRow layoutRow;
        layoutRow.kind = kind;
        layoutRow.name = name;
        layoutRow.caption = caption;
        layoutRow.place = place;
        layoutRow.buddy = buddy;
        return layoutRow;
    };
    page.controls = {
        row(form::Kind::Label, "lblPackage", "Package Name:", {300, 1440, 1560, 330}, "txtPackage"),
        row(form::Kind::TextBox, "txtPackage", "", {1920, 1440, 4620, 330}),
        row(form::Kind::Label, "lblProject", "Package Folder:", {300, 2250, 1560, 330}, "txtProject"),
        row(form::Kind::TextBox, "txtProject", "", {1920, 2250, 4620, 330}),
    };
    return page;
}

// The name page from the same widgets, placed by hand as the wizard once did.
void buildByHand(QWidget &window)
{
    window.setWindowTitle(QStringLiteral("Quernel 2.0"));
    window.setFixedSize(456, 323);
    auto *picture = new QLabel(&window);
    picture->setGeometry(0, 0, 456, 50);
    QPixmap pixmap(456, 50);
    {
        QPainter p(&pixmap);
        QLinearGradient fade(0, 0, 456, 0);
        fade.setColorAt(0.0, Qt::white);
        fade.setColorAt(0.65, Qt::white);
        fade.setColorAt(1.0, window.palette().color(QPalette::Window));
        p.fillRect(pixmap.rect(), fade);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(205, 160, 90));
        p.drawRect(QRectF(404, 12, 30, 26));
    }
    picture->setPixmap(pixmap);
    auto *banner = new QLabel(QStringLiteral("Create Package Folder"), picture);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(22);
    font.setBold(true);
    banner->setFont(font);
    banner->setGeometry(14, 9, 366, 32);
    for (int y : {50, 276}) {
        auto *line = new QFrame(&window);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(0, y, 456, 2);
    }
    QPushButton *buttons[3];
    const char *captions[] = {"&Cancel", "<< &Back", "&Next >>"};
    const int lefts[] = {8, 268, 360};
    for (int i = 0; i < 3; ++i) {
        buttons[i] = new QPushButton(QString::fromLatin1(captions[i]), &window);
        buttons[i]->setGeometry(lefts[i], 286, 88, 25);
        buttons[i]->setAutoDefault(false);
    }
    buttons[1]->setEnabled(false);
    QLineEdit *boxes[2];
    const char *labels[] = {"Package Name:", "Package Folder:"};
    for (int i = 0; i < 2; ++i) {
        auto *label = new QLabel(QString::fromLatin1(labels[i]), &window);
        label->setGeometry(20, 96 + 54 * i, 104, 22);
        boxes[i] = new QLineEdit(&window);
        boxes[i]->setGeometry(128, 96 + 54 * i, 308, 22);
        label->setBuddy(boxes[i]);
    }
    QWidget::setTabOrder(boxes[0], boxes[1]);
    QWidget::setTabOrder(boxes[1], buttons[0]);
    QWidget::setTabOrder(buttons[0], buttons[1]);
    QWidget::setTabOrder(buttons[1], buttons[2]);
    new QShortcut(QKeySequence::Cancel, &window);
    boxes[0]->setFocus();
}

int child(const char *mode, int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    FirstPaint firstPaint;
    if (std::strcmp(mode, "bare") == 0) {
        QWidget window;
        window.setFixedSize(456, 323);
        for (int i = 0; i < 3; ++i)
            (new QPushButton(QStringLiteral("Button"), &window))->setGeometry(8 + 96 * i, 286, 88, 25);
        window.installEventFilter(&firstPaint);
        window.show();
        return QApplication::exec();
    }
    if (std::strcmp(mode, "hand") == 0) {
        QWidget window;
        buildByHand(window);
        window.installEventFilter(&firstPaint);
        window.show();
        return QApplication::exec();
    }
    form::qt::QtRuntime runtime;
    form::install(&runtime);
    std::unique_ptr<form::Window> window = runtime.createWindow(namePage());
    static_cast<form::qt::QtWindow &>(*window).widget()->installEventFilter(&firstPaint);
    window->show();
    return QApplication::exec();
}

struct Sample
{
    double ms = 0;
    long maxRssKb = 0;
};

bool sample(const char *self, const char *mode, Sample &out)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    char *args[] = {const_cast<char *>(self), const_cast<char *>("--child"), const_cast<char *>(mode),
                    nullptr};
    pid_t pid = 0;
    const long long started = monotonicNs();
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return false;
    }
    std::string text;
    char buffer[64];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty())
        return false;
    out.ms = double(std::atoll(text.c_str()) - started) / 1e6;
    out.maxRssKb = usage.ru_maxrss;
    return true;
}

template <class T> T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return child(argv[2], argc, argv);

    const int runs = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 15;
    const char *modes[] = {"bare", "hand", "form"};
    constexpr int Modes = 3;
    std::vector<double> times[Modes];
    std::vector<long> rss[Modes];
    // Alternating, so that both see the same state of the machine's caches.
    for (int run = 0; run < runs; ++run) {
        for (int m = 0; m < Modes; ++m) {
            Sample s;
            if (!sample(argv[0], modes[m], s)) {
                std::fprintf(stderr, "bench_form_startup: the %s window did not start\n", modes[m]);
                return 1;
            }
            times[m].push_back(s.ms);
            rss[m].push_back(s.maxRssKb);
        }
    }
    std::printf("%-36s %12s %12s %14s\n", "first window painted", "median ms", "min ms", "peak RSS KiB");
    const char *names[] = {"bare QWidget + 3 QPushButtons", "name page by hand, same widgets",
                           "name page through the Qt runtime"};
    for (int m = 0; m < Modes; ++m)
        std::printf("%-36s %12.1f %12.1f %14ld\n", names[m], median(times[m]),
                    *std::min_element(times[m].begin(), times[m].end()), median(rss[m]));
    const auto ratio = [&](int m, int base) {
        std::printf("ratio (%s / %s) %*s %12.3f %12.3f %14.3f\n", modes[m], modes[base], 22, "",
                    median(times[m]) / median(times[base]),
                    *std::min_element(times[m].begin(), times[m].end()) /
                        *std::min_element(times[base].begin(), times[base].end()),
                    double(median(rss[m])) / double(median(rss[base])));
    };
    ratio(2, 0);
    ratio(2, 1);
    return 0;
}
