#include "SetupShots.h"

#include <cstdio>
#include <functional>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include "DoneStep.h"
#include "FolderStep.h"
#include "Installation.h"
#include "InstalledAlreadyStep.h"
#include "Package.h"
#include "ProgressBar.h"
#include "Prompts.h"
#include "QtText.h"
#include "RemovingStep.h"
#include "SetupWindow.h"
#include "ShotFiles.h"

namespace {

// Every question answered Yes; the removal's question also sets up the picture of the Removing
// step, which shows as soon as the answer is given.
class ScriptedPrompts : public installer::Prompts
{
public:
    explicit ScriptedPrompts(std::function<void()> whileRemoving) : m_whileRemoving(std::move(whileRemoving))
    {
    }
    installer::ReplaceAnswer askReplace(QWidget *, const QString &) override
    {
        return installer::ReplaceAnswer::YesToAll;
    }
    bool confirmOddFolder(QWidget *, const QString &) override { return true; }
    void showError(QWidget *, const QString &text) override
    {
        std::fprintf(stderr, "setup window: %s\n", qPrintable(text));
    }
    bool confirmQuit(QWidget *, const QString &) override { return true; }
    bool confirmWait(QWidget *, const QString &) override { return true; }
    bool confirmRemoval(QWidget *, const QString &) override
    {
        QTimer::singleShot(0, m_whileRemoving); // runs between the files of the removal
        return true;
    }
    QString chooseFolder(QWidget *, const QString &start) override { return start; }

private:
    std::function<void()> m_whileRemoving;
};

using shots::settle;
using shots::write;

} // namespace

void shootLinuxSetupRemoval(const QString &out)
{
    QTemporaryDir base;
    const QString packageFolder = base.path() + QStringLiteral("/Downtown Pack");
    const QString game = base.path() + QStringLiteral("/Midtown Madness 2");
    write(packageFolder + QStringLiteral("/install.ini"),
          "[install.ini]\r\nName=Downtown Pack\r\nAuthor=Jo Racer\r\nmmType=2\r\nTotalFiles=2\r\n"
          "[Progress Bar]\r\nSmooth=True\r\n[Files]\r\nFile1=downtown.ar\r\nFile2=taxis.ar\r\n");
    write(packageFolder + QStringLiteral("/downtown.ar"), QByteArray(2 << 20, 'd'));
    write(packageFolder + QStringLiteral("/taxis.ar"), QByteArray(1 << 20, 't'));
    write(game + QStringLiteral("/Midtown2.exe"), "MZ");
    write(game + QStringLiteral("/taxis.ar"), "the game's own taxis");

    installer::Package package;
    std::string error;
    if (!installer::loadPackage(installer::utf8(packageFolder), &package, &error)) {
        std::fprintf(stderr, "setup window: %s\n", error.c_str());
        return;
    }
    // Installed twice, as a player who ran the package's setup again a week later would have it.
    for (const installer::Timestamp when :
         {installer::Timestamp{2026, 12, 7, 20, 15, 4}, installer::Timestamp{2026, 12, 14, 18, 30, 52}}) {
        installer::Installation installation(package, installer::utf8(game));
        installation.setClock([when] { return when; });
        installation.run([](const std::string &) { return installer::ReplaceAnswer::Yes; });
    }

    std::unique_ptr<installer::SetupWindow> window;
    const auto shot = [&](const char *name) {
        settle();
        window->grab().save(out + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
    };
    // Taken once a few files are done, so that the bar shows some progress.
    std::function<void()> shootWhileRemoving = [&] {
        if (window->currentStep() != window->removingStep())
            return;
        if (window->removingStep()->pgbRemove()->value() < 2)
            QTimer::singleShot(0, shootWhileRemoving);
        else
            shot("setup-linux-2-removing");
    };
    ScriptedPrompts prompts([&] { shootWhileRemoving(); });
    window = std::make_unique<installer::SetupWindow>(package, prompts,
                                                      std::make_unique<installer::ManualTicker>());
    window->show();
    window->cmdNext()->click(); // Welcome
    window->folderStep()->txtGameFolder()->setText(game);
    window->cmdNext()->click();
    window->installedAlreadyStep()->optRemove()->click();
    shot("setup-linux-1-installed-already");
    window->cmdNext()->click();
    // The installed files are checked on a worker thread before the removal's question.
    QElapsedTimer waited;
    waited.start();
    while (window->currentStep() != window->doneStep() && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    shot("setup-linux-3-removed");
}
