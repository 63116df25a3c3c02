#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "DoneStep.h"
#include "FolderStep.h"
#include "GameFolderLock.h"
#include "InstallRecord.h"
#include "InstallStep.h"
#include "InstalledAlreadyStep.h"
#include "PackageFixture.h"
#include "ProgressBar.h"
#include "Prompts.h"
#include "QtText.h"
#include "ReadmeStep.h"
#include "RemovingStep.h"
#include "SetupWindow.h"
#include "WelcomeStep.h"

using namespace installer;
using namespace installer_test;
using base::files::CopyOptions;
using base::files::CopyOutcome;

namespace {

// Scripted answers, and a record of every question asked.
class FakePrompts : public Prompts
{
public:
    ReplaceAnswer askReplace(QWidget *, const QString &fileName) override
    {
        calls.append("replace " + fileName);
        return replaceAnswer;
    }
    bool confirmOddFolder(QWidget *, const QString &description) override
    {
        calls.append("odd " + description);
        return oddFolderAnswer;
    }
    void showError(QWidget *, const QString &text) override { calls.append("error " + text); }
    bool confirmQuit(QWidget *, const QString &question) override
    {
        calls.append("quit " + question);
        return quitAnswer;
    }
    bool confirmWait(QWidget *, const QString &gameFolder) override
    {
        calls.append("wait " + gameFolder);
        return waitAnswer;
    }
    bool confirmRemoval(QWidget *, const QString &question) override
    {
        calls.append("remove " + question);
        return removalAnswer;
    }
    QString chooseFolder(QWidget *, const QString &) override
    {
        calls.append("browse");
        return chosenFolder;
    }

    QStringList calls;
    ReplaceAnswer replaceAnswer = ReplaceAnswer::Yes;
    bool oddFolderAnswer = false;
    bool quitAnswer = false;
    bool waitAnswer = true;
    bool removalAnswer = true;
    QString chosenFolder;
};

class SetupWindowTest : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeTypicalPackage();
        writeGameFolder();
    }

    // The window of the package as it is on disk now, shown, with a ticker the test steps.
    SetupWindow &open()
    {
        Package package;
        std::string error;
        EXPECT_TRUE(loadPackage(packageFolder(), &package, &error)) << error;
        auto ticker = std::make_unique<ManualTicker>();
        this->ticker = ticker.get();
        window = std::make_unique<SetupWindow>(package, prompts, std::move(ticker));
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }
    // Continue on Installed Already reads the installed files on a worker first: waited for here.
    void next()
    {
        window->cmdNext()->click();
        waitForCheck();
    }
    void waitForCheck()
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->installedAlreadyStep()->checking(); }, 10000));
    }
    void tick(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            ticker->tick();
    }
    // Through Welcome and a finished readme to the game folder.
    void toFolderStep()
    {
        next();
        if (window->currentStep() == window->readmeStep()) {
            tick(window->readmeStep()->secondsLeft());
            next();
        }
        ASSERT_EQ(window->currentStep(), window->folderStep());
    }

    FakePrompts prompts;
    ManualTicker *ticker = nullptr;
    std::unique_ptr<SetupWindow> window;
};

const QString QuitNothingDone = "quit Nothing has been installed yet. Quit setup?";
const QString QuitKeepsPackage = "quit The package stays installed as it is. Quit setup?";

// Another setup working on a game folder: a process of its own holds the folder's lock until
// release().
class OtherSetup
{
public:
    explicit OtherSetup(const std::string &gameFolder)
    {
        int toChild[2], toParent[2];
        if (::pipe(toChild) != 0 || ::pipe(toParent) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(toChild[1]);
            ::close(toParent[0]);
            const GameFolderLock lock = GameFolderLock::tryLock(backupAreaOf(gameFolder));
            const char held = lock.held() ? 'y' : 'n';
            (void)!::write(toParent[1], &held, 1);
            char end;
            (void)!::read(toChild[0], &end, 1); // until the parent closes its end
            ::_exit(0);
        }
        ::close(toChild[0]);
        ::close(toParent[1]);
        m_release = toChild[1];
        char held = 'n';
        m_held = ::read(toParent[0], &held, 1) == 1 && held == 'y';
        ::close(toParent[0]);
    }
    ~OtherSetup() { release(); }
    bool held() const { return m_held; }
    void release()
    {
        if (m_release >= 0)
            ::close(m_release);
        m_release = -1;
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_held = false;
};

using Names = std::vector<std::string>;

// The object names Tab visits from the focus until it comes back there.
Names tabCycle()
{
    Names names;
    QWidget *start = QApplication::focusWidget();
    do {
        names.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } while (QApplication::focusWidget() != start && names.size() < 20);
    return names;
}

// A game folder that holds the package already, put there by an earlier run of the installer.
class InstalledPackageTest : public SetupWindowTest
{
protected:
    void SetUp() override
    {
        SetupWindowTest::SetUp();
        gameBefore = listing(gameFolder());
        install();
    }
    void install()
    {
        Package package;
        std::string error;
        ASSERT_TRUE(loadPackage(packageFolder(), &package, &error)) << error;
        const InstallResult result =
            Installation(package, gameFolder()).run([](const std::string &) { return ReplaceAnswer::Yes; });
        ASSERT_TRUE(result.ok) << result.error;
    }
    // The window, through the game folder's Install to the choice.
    SetupWindow &toInstalledAlready()
    {
        SetupWindow &w = open();
        toFolderStep();
        w.folderStep()->txtGameFolder()->setText(qt(gameFolder()));
        next();
        EXPECT_EQ(w.currentStep(), w.installedAlreadyStep());
        return w;
    }
    QString summary() const { return window->doneStep()->lblSummary()->text(); }

    std::map<std::string, std::string> gameBefore;
};

} // namespace

TEST_F(SetupWindowTest, WelcomeNamesThePackageItsAuthorAndTheGame)
{
    SetupWindow &w = open();
    EXPECT_EQ(w.windowTitle(), "My Pack Setup");
    EXPECT_EQ(w.currentStep(), w.welcomeStep());
    EXPECT_EQ(w.lblTitle()->text(), "Welcome to My Pack");
    auto text = [&](const char *name) { return w.welcomeStep()->findChild<QLabel *>(name)->text(); };
    EXPECT_EQ(text("lblName"), "My Pack");
    EXPECT_EQ(text("lblAuthor"), "Jo Author");
    EXPECT_EQ(text("lblCopyright"), "(c) 2001 Jo Author");
    EXPECT_EQ(text("lblEmail"), "<a href=\"mailto:jo@example.com\">jo@example.com</a>");
    EXPECT_EQ(text("lblWWW"), "<a href=\"http://www.example.com/mypack\">www.example.com/mypack</a>");
    EXPECT_EQ(text("lblGame"), "Midtown Madness 2");
    EXPECT_TRUE(text("lblFiles").startsWith("city.ar, cars.ar ("));
    EXPECT_FALSE(w.cmdBack()->isEnabled());
    EXPECT_TRUE(w.cmdNext()->isEnabled());
    EXPECT_EQ(w.cmdNext()->text(), "&Continue >");

    setEntry(ini(), "install.ini", "mmType", "1");
    setEntry(ini(), "install.ini", "Author", "");
    SetupWindow &w1 = open();
    EXPECT_EQ(w1.welcomeStep()->findChild<QLabel *>("lblGame")->text(), "Midtown Madness 1");
    EXPECT_TRUE(w1.welcomeStep()->findChild<QLabel *>("lblAuthor")->isHidden()); // no empty rows
}

TEST_F(SetupWindowTest, TheReadmeHoldsContinueBackWhileTheBarCountsDown)
{
    SetupWindow &w = open();
    next();
    ReadmeStep *readme = w.readmeStep();
    ASSERT_EQ(w.currentStep(), readme);
    EXPECT_EQ(readme->txtReadme()->toPlainText(), "My Pack\n=======\n\nTwo new cars.\n");
    EXPECT_TRUE(readme->txtReadme()->isReadOnly());
    platform::ProgressBar *bar = readme->pgbDelay();
    EXPECT_TRUE(bar->smooth());
    EXPECT_EQ(bar->borderStyle(), 1);
    EXPECT_EQ(bar->min(), 0);
    EXPECT_EQ(bar->max(), 30);
    EXPECT_EQ(bar->value(), 30);
    EXPECT_FALSE(w.cmdNext()->isEnabled());
    EXPECT_TRUE(w.cmdBack()->isEnabled());
    EXPECT_TRUE(ticker->isActive());
    EXPECT_EQ(readme->lblDelay()->text(), "You can continue in 30 seconds.");

    tick(29);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_FALSE(w.cmdNext()->isEnabled());
    EXPECT_EQ(readme->lblDelay()->text(), "You can continue in 1 second.");
    next(); // a click on the disabled button does nothing
    EXPECT_EQ(w.currentStep(), readme);

    tick();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(w.cmdNext()->isEnabled());
    EXPECT_FALSE(ticker->isActive());
    EXPECT_EQ(readme->lblDelay()->text(), "You can continue now.");

    // Going back and returning does not start the wait again.
    w.cmdBack()->click();
    EXPECT_EQ(w.currentStep(), w.welcomeStep());
    next();
    EXPECT_EQ(w.currentStep(), readme);
    EXPECT_TRUE(w.cmdNext()->isEnabled());
    EXPECT_FALSE(ticker->isActive());
    next();
    EXPECT_EQ(w.currentStep(), w.folderStep());
}

TEST_F(SetupWindowTest, TheDelayAndTheBarFollowTheIni)
{
    struct Case
    {
        const char *timer;
        const char *smooth;
        int seconds;
        bool smoothBar;
    };
    for (const Case &c :
         {Case{"5", "False", 5, false}, Case{"abc", "True", 30, true}, Case{"", "Yes", 30, false},
          Case{"150", "true", 30, true}, Case{"0", "False", 0, false}}) {
        setEntry(ini(), "install.ini", "Timer", c.timer);
        setEntry(ini(), "Progress Bar", "Smooth", c.smooth);
        SetupWindow &w = open();
        next();
        ReadmeStep *readme = w.readmeStep();
        const std::string row = std::string("Timer=") + c.timer + " Smooth=" + c.smooth;
        EXPECT_EQ(readme->secondsLeft(), c.seconds) << row;
        EXPECT_EQ(readme->pgbDelay()->smooth(), c.smoothBar) << row;
        EXPECT_EQ(readme->pgbDelay()->borderStyle(), c.smoothBar ? 1 : 0) << row;
        EXPECT_EQ(w.cmdNext()->isEnabled(), c.seconds == 0) << row;
        EXPECT_EQ(readme->pgbDelay()->isVisible(), c.seconds > 0) << row;
        tick(c.seconds);
        EXPECT_TRUE(w.cmdNext()->isEnabled()) << row;
    }
}

TEST_F(SetupWindowTest, AnRtfReadmeIsShownAsItsText)
{
    writeFile(inPackage("readme.rtf"),
              "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Drive \\b fast\\b0 .\\par Caf\\'e9\\par}");
    setEntry(ini(), "install.ini", "Readme", "readme.rtf");
    SetupWindow &w = open();
    next();
    EXPECT_EQ(w.readmeStep()->txtReadme()->toPlainText(), QString::fromUtf8("Drive fast.\nCafé"));
}

TEST_F(SetupWindowTest, WithoutAReadmeTheStepIsPassedOver)
{
    setEntry(ini(), "install.ini", "Readme", "");
    SetupWindow &w = open();
    EXPECT_EQ(w.readmeStep(), nullptr);
    next();
    EXPECT_EQ(w.currentStep(), w.folderStep());
    w.cmdBack()->click();
    EXPECT_EQ(w.currentStep(), w.welcomeStep());
}

TEST_F(SetupWindowTest, AReadmeMissingFromThePackageIsSaidAndNotWaitedFor)
{
    fs::remove(inPackage("readme.txt"));
    SetupWindow &w = open();
    next();
    EXPECT_TRUE(w.readmeStep()->txtReadme()->toPlainText().startsWith(
        "The readme of this package could not be opened."));
    EXPECT_TRUE(w.cmdNext()->isEnabled());
    EXPECT_FALSE(ticker->isActive());
}

TEST_F(SetupWindowTest, InstallsIntoTheChosenFolderAndSaysWhatHappened)
{
    SetupWindow &w = open();
    toFolderStep();
    FolderStep *folder = w.folderStep();
    EXPECT_EQ(w.cmdNext()->text(), "&Install");
    EXPECT_FALSE(w.cmdNext()->isEnabled()); // no folder yet
    prompts.chosenFolder = qt(gameFolder());
    folder->cmdBrowse()->click();
    EXPECT_EQ(folder->txtGameFolder()->text(), qt(gameFolder()));
    EXPECT_TRUE(folder->lblCheck()->text().contains("Midtown2.exe found"));
    EXPECT_TRUE(w.cmdNext()->isEnabled());

    next();
    EXPECT_EQ(prompts.calls, (QStringList{"browse", "replace city.ar"}));
    EXPECT_EQ(w.currentStep(), w.doneStep());
    EXPECT_EQ(w.lblTitle()->text(), "Installation Complete");
    EXPECT_EQ(w.exitCode(), 0);
    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);

    const QString summary = w.doneStep()->lblSummary()->text();
    EXPECT_TRUE(summary.contains(
        "<b>Installed:</b><br>&nbsp;&nbsp;&nbsp;city.ar (replaced)<br>&nbsp;&nbsp;&nbsp;cars.ar"))
        << summary.toStdString();
    std::vector<std::string> backups;
    for (const auto &entry : fs::directory_iterator(gameFolder() + "/Quernel Backup"))
        backups.push_back(entry.path().filename().string());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_TRUE(summary.contains(qt(gameFolder() + "/Quernel Backup/" + backups.front())));
    EXPECT_EQ(readFile(gameFolder() + "/Quernel Backup/" + backups.front() + "/city.ar"),
              "the original city");

    const QListWidget *lines = w.installStep()->lstFiles();
    ASSERT_EQ(lines->count(), 2);
    EXPECT_EQ(lines->item(0)->text(), "city.ar: replaced (the old file is in the backup)");
    EXPECT_EQ(lines->item(1)->text(), "cars.ar: installed");
    EXPECT_EQ(w.installStep()->pgbInstall()->value(), 2);

    EXPECT_TRUE(w.cmdBack()->isHidden());
    EXPECT_TRUE(w.cmdCancel()->isHidden());
    EXPECT_EQ(w.cmdNext()->text(), "&Finish");
    next();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SetupWindowTest, NoToReplacingKeepsTheFileAndListsItAsSkipped)
{
    prompts.replaceAnswer = ReplaceAnswer::No;
    SetupWindow &w = open();
    toFolderStep();
    w.folderStep()->txtGameFolder()->setText(qt(gameFolder()));
    next();
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
    const QString summary = w.doneStep()->lblSummary()->text();
    EXPECT_TRUE(summary.contains(
        "<b>Skipped (the files in the game folder were kept):</b><br>&nbsp;&nbsp;&nbsp;city.ar"));
    EXPECT_FALSE(summary.contains("Backup"));
}

TEST_F(SetupWindowTest, AFolderThatDoesNotLookRightIsWarnedAboutAndMayBeTaken)
{
    fs::create_directories(at("Empty"));
    SetupWindow &w = open();
    toFolderStep();
    w.folderStep()->txtGameFolder()->setText(qt(at("Empty")));
    EXPECT_TRUE(
        w.folderStep()->lblCheck()->text().contains("does not look like a Midtown Madness 2 installation"));

    next();
    ASSERT_EQ(prompts.calls.size(), 1);
    EXPECT_TRUE(prompts.calls[0].startsWith("odd This folder does not look like"));
    EXPECT_EQ(w.currentStep(), w.folderStep());
    EXPECT_TRUE(fs::is_empty(at("Empty")));

    prompts.oddFolderAnswer = true;
    next();
    EXPECT_EQ(w.currentStep(), w.doneStep());
    EXPECT_EQ(readFile(at("Empty/cars.ar")), carsBytes);
}

TEST_F(SetupWindowTest, AFolderThatCannotBeUsedIsRefusedWithAMessage)
{
    SetupWindow &w = open();
    toFolderStep();
    w.folderStep()->txtGameFolder()->setText(qt(at("Nowhere")));
    EXPECT_TRUE(w.folderStep()->lblCheck()->text().contains("does not exist"));
    next();
    EXPECT_EQ(prompts.calls, QStringList{qt("error The folder " + at("Nowhere") + " does not exist.")});
    EXPECT_EQ(w.currentStep(), w.folderStep());
    EXPECT_FALSE(fs::exists(at("Nowhere")));
}

TEST_F(SetupWindowTest, AFullDiskEndsOnAStoppedPageThatSaysWhatWasNotInstalled)
{
    SetupWindow &w = open();
    int calls = 0;
    w.setCopyFunction([&](base::files::StagedCopy &copy, const std::string &source, const std::string &target,
                          const CopyOptions &options, std::string *error) {
        if (++calls == 3) { // after the backup of city.ar and city.ar itself
            *error = target + ": No space left on device";
            return CopyOutcome::Failed;
        }
        return copy.stage(source, target, options, error);
    });
    toFolderStep();
    w.folderStep()->txtGameFolder()->setText(qt(gameFolder()));
    next();
    EXPECT_EQ(w.currentStep(), w.doneStep());
    EXPECT_EQ(w.lblTitle()->text(), "Installation Stopped");
    EXPECT_EQ(w.exitCode(), 1);
    const QString summary = w.doneStep()->lblSummary()->text();
    EXPECT_TRUE(summary.contains("No space left on device")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("<b>Not installed:</b><br>&nbsp;&nbsp;&nbsp;cars.ar"));
    EXPECT_EQ(w.installStep()->lstFiles()->item(1)->text(), "cars.ar: not installed");
    EXPECT_EQ(w.installStep()->lblStatus()->text(), "The installation stopped.");
    EXPECT_FALSE(fs::exists(inGame("cars.ar")));
}

TEST_F(SetupWindowTest, CancelAsksAndLeavesWithoutChangingAnything)
{
    const auto before = listing(root.path());
    SetupWindow &w = open();
    toFolderStep();
    w.folderStep()->txtGameFolder()->setText(qt(gameFolder()));
    w.cmdCancel()->click();
    EXPECT_EQ(prompts.calls, QStringList{QuitNothingDone});
    EXPECT_TRUE(w.isVisible());
    prompts.quitAnswer = true;
    w.cmdCancel()->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.exitCode(), 1);
    EXPECT_EQ(listing(root.path()), before);
}

// The keyboard alone walks the window: the first focus on what matters, Enter on the default
// button, Esc as Cancel, Tab in reading order, and Alt with a letter on the buttons.
TEST_F(SetupWindowTest, TheKeyboardStartsOnWhatMattersAndEnterGoesOn)
{
    SetupWindow &w = open();
    auto enter = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); };
    EXPECT_EQ(QApplication::focusWidget(), w.cmdNext()); // not the e-mail link
    enter();
    ASSERT_EQ(w.currentStep(), w.readmeStep());
    EXPECT_EQ(QApplication::focusWidget(), w.readmeStep()->txtReadme());
    enter(); // Continue is held back by the countdown
    EXPECT_EQ(w.currentStep(), w.readmeStep());
    tick(30);
    enter();
    ASSERT_EQ(w.currentStep(), w.folderStep());
    EXPECT_EQ(QApplication::focusWidget(), w.folderStep()->txtGameFolder());
    QTest::keyClicks(w.folderStep()->txtGameFolder(), qt(gameFolder()));
    enter();
    ASSERT_EQ(w.currentStep(), w.doneStep());
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    EXPECT_EQ(QApplication::focusWidget(), w.cmdNext());
    enter();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SetupWindowTest, TabFollowsTheReadingOrderAndEscAsksLikeCancel)
{
    SetupWindow &w = open();
    EXPECT_EQ(tabCycle(), (Names{"cmdNext", "cmdCancel"})); // Back is disabled; the links are for the mouse
    toFolderStep();
    QTest::keyClicks(QApplication::focusWidget(), qt(gameFolder()));
    EXPECT_EQ(tabCycle(), (Names{"txtGameFolder", "cmdBrowse", "cmdBack", "cmdNext", "cmdCancel"}));

    w.folderStep()->txtGameFolder()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(prompts.calls, QStringList{QuitNothingDone});
    prompts.quitAnswer = true;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SetupWindowTest, AltWithTheUnderlinedLetterPressesThatButton)
{
    SetupWindow &w = open();
    // A button pressed by its mnemonic shows the press for a moment before it clicks.
    auto alt = [&](Qt::Key key) {
        QTest::keyClick(w.windowHandle(), key, Qt::AltModifier);
        QTest::qWait(300);
    };
    alt(Qt::Key_C); // Continue, not Cancel
    EXPECT_EQ(w.currentStep(), w.readmeStep());
    EXPECT_TRUE(prompts.calls.isEmpty());
    alt(Qt::Key_B);
    EXPECT_EQ(w.currentStep(), w.welcomeStep());
    alt(Qt::Key_A);
    EXPECT_EQ(prompts.calls, QStringList{QuitNothingDone});
}

TEST_F(InstalledPackageTest, AFolderHoldingThePackageOffersReinstallOrRemove)
{
    install(); // a second time: one line each, newest first
    const std::vector<InstallRecord> installations = installationsOf(gameFolder(), "My Pack");
    ASSERT_EQ(installations.size(), 2u);
    SetupWindow &w = toInstalledAlready();
    EXPECT_TRUE(prompts.calls.isEmpty());
    InstalledAlreadyStep *step = w.installedAlreadyStep();
    EXPECT_EQ(w.lblTitle()->text(), "Installed Already");
    EXPECT_EQ(w.findChild<QLabel *>("lblSubtitle")->text(), "My Pack is installed in this game folder.");
    EXPECT_EQ(step->lblInstallations()->text(),
              qt("Installed on " + installations[0].installedAt + ": 2 files.\nInstalled on " +
                 installations[1].installedAt + ": 2 files."));
    EXPECT_EQ(step->optReinstall()->text(),
              "&Reinstall: remove the installed files, then install the package again");
    EXPECT_EQ(step->optRemove()->text(),
              "Re&move: take the package out of the game folder and put back the files it replaced");
    EXPECT_TRUE(step->optReinstall()->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), step->optReinstall());
    EXPECT_EQ(w.cmdNext()->text(), "&Continue >");
    EXPECT_TRUE(w.cmdBack()->isEnabled());
    EXPECT_TRUE(w.cmdCancel()->isEnabled());
    EXPECT_TRUE(step->lblStatus()->text().isEmpty());
    EXPECT_TRUE(step->pgbCheck()->isHidden());
    w.cmdCancel()->click(); // the package is there: Cancel says it stays
    EXPECT_EQ(prompts.calls, QStringList{QuitKeepsPackage});

    w.cmdBack()->click();
    EXPECT_EQ(w.currentStep(), w.folderStep());
    // The button leads to Installed Already for this folder, and installs into one without the package.
    EXPECT_EQ(w.cmdNext()->text(), "&Continue >");
    w.folderStep()->txtGameFolder()->setText(qt(root.path() + "/another game"));
    EXPECT_EQ(w.cmdNext()->text(), "&Install");
    w.folderStep()->txtGameFolder()->setText(qt(gameFolder()));
    EXPECT_EQ(w.cmdNext()->text(), "&Continue >");
    w.cmdCancel()->click(); // nothing was changed yet: Cancel asks as before
    EXPECT_EQ(prompts.calls, (QStringList{QuitKeepsPackage, QuitNothingDone}));
}

TEST_F(InstalledPackageTest, TheCheckBeforeTheRemovalRunsAwayFromTheWindowAndCancelStopsIt)
{
    const auto before = listing(root.path());
    SetupWindow &w = toInstalledAlready();
    InstalledAlreadyStep *step = w.installedAlreadyStep();
    step->optRemove()->click();
    w.cmdNext()->click(); // the check has begun; its end comes through the window's events
    EXPECT_TRUE(step->checking());
    EXPECT_EQ(step->lblStatus()->text(), "Checking the installed files...");
    EXPECT_FALSE(step->pgbCheck()->isHidden());
    EXPECT_FALSE(w.cmdNext()->isEnabled());
    EXPECT_FALSE(w.cmdBack()->isEnabled());
    EXPECT_FALSE(step->optRemove()->isEnabled());
    EXPECT_TRUE(w.cmdCancel()->isEnabled());
    w.cmdCancel()->click();
    EXPECT_FALSE(step->checking());
    QTest::qWait(300); // the stopped check's end changes nothing
    EXPECT_TRUE(prompts.calls.isEmpty());
    EXPECT_EQ(w.currentStep(), step);
    EXPECT_TRUE(step->lblStatus()->text().isEmpty());
    EXPECT_TRUE(step->pgbCheck()->isHidden());
    EXPECT_TRUE(w.cmdNext()->isEnabled());
    EXPECT_TRUE(step->optRemove()->isChecked());
    EXPECT_TRUE(listing(root.path()) == before);

    next(); // a check of its own, then the question
    EXPECT_EQ(prompts.calls,
              QStringList{"remove Remove My Pack from the game folder and put back the files it replaced?"});
    EXPECT_EQ(w.currentStep(), w.doneStep());
}

TEST_F(InstalledPackageTest, RemoveAsksAndPutsTheGameFolderBackByteForByte)
{
    install(); // twice: the second run's originals are the first run's files
    SetupWindow &w = toInstalledAlready();
    w.installedAlreadyStep()->optRemove()->click();
    next();
    EXPECT_EQ(prompts.calls,
              QStringList{"remove Remove My Pack from the game folder and put back the files it replaced?"});
    ASSERT_EQ(w.currentStep(), w.doneStep());
    EXPECT_EQ(w.lblTitle()->text(), "Removal Complete");
    EXPECT_EQ(w.findChild<QLabel *>("lblSubtitle")->text(), "My Pack was removed from the game folder.");
    // Each file once, under what became of it in the end.
    EXPECT_TRUE(summary().contains("<b>Removed:</b><br>&nbsp;&nbsp;&nbsp;cars.ar</p>"))
        << summary().toStdString();
    EXPECT_TRUE(summary().contains("<b>Put back:</b><br>&nbsp;&nbsp;&nbsp;city.ar</p>"));
    EXPECT_FALSE(summary().contains("Left as they are"));
    EXPECT_EQ(w.removingStep()->pgbRemove()->value(), w.removingStep()->pgbRemove()->max());
    EXPECT_EQ(w.exitCode(), 0);
    EXPECT_TRUE(listing(gameFolder()) == gameBefore); // no dump of the archives' bytes
    EXPECT_TRUE(w.cmdBack()->isHidden());
    EXPECT_EQ(w.cmdNext()->text(), "&Finish");
    next();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(InstalledPackageTest, ReinstallLeavesOneInstallationWithThePackagesFiles)
{
    SetupWindow &w = toInstalledAlready();
    next();
    // The original came back first, so replacing it is asked again; nothing else is.
    EXPECT_EQ(prompts.calls, QStringList{"replace city.ar"});
    ASSERT_EQ(w.currentStep(), w.doneStep());
    EXPECT_EQ(w.lblTitle()->text(), "Installation Complete");
    EXPECT_EQ(w.exitCode(), 0);
    EXPECT_EQ(readFile(inGame("city.ar")), cityBytes);
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    const std::vector<InstallRecord> installations = installationsOf(gameFolder(), "My Pack");
    ASSERT_EQ(installations.size(), 1u);
    EXPECT_EQ(readFile(installations[0].folder + "/city.ar"), "the original city");
}

TEST_F(InstalledPackageTest, AnEditedFileIsNamedOnceAndNoChangesNothing)
{
    install(); // both installations find the file changed
    writeFile(inGame("cars.ar"), "tuned by the player");
    const auto before = listing(root.path());
    prompts.removalAnswer = false;
    SetupWindow &w = toInstalledAlready();
    w.installedAlreadyStep()->optRemove()->click();
    next();
    const QString question = "remove These files will be left as they are:\n\n"
                             "cars.ar: changed since it was installed\n\nRemove the rest of My Pack?";
    EXPECT_EQ(prompts.calls, QStringList{question});
    EXPECT_EQ(w.currentStep(), w.installedAlreadyStep());
    EXPECT_TRUE(listing(root.path()) == before);

    prompts.removalAnswer = true;
    next();
    ASSERT_EQ(w.currentStep(), w.doneStep());
    EXPECT_EQ(w.lblTitle()->text(), "Removal Incomplete");
    EXPECT_EQ(w.exitCode(), 1);
    EXPECT_TRUE(summary().contains(
        "<b>Left as they are:</b><br>&nbsp;&nbsp;&nbsp;cars.ar: changed since it was installed</p>"));
    EXPECT_EQ(readFile(inGame("cars.ar")), "tuned by the player");
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
}

TEST_F(InstalledPackageTest, TheKeyboardChoosesAndEnterRemoves)
{
    SetupWindow &w = toInstalledAlready();
    InstalledAlreadyStep *step = w.installedAlreadyStep();
    EXPECT_EQ(tabCycle(),
              (Names{"optReinstall", "cmdBack", "cmdNext", "cmdCancel"})); // one stop for the choice
    QTest::keyClick(w.windowHandle(), Qt::Key_M, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_TRUE(step->optRemove()->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), step->optRemove());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_TRUE(step->optReinstall()->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(step->optRemove()->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(prompts.calls, QStringList{QuitKeepsPackage});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    waitForCheck();
    ASSERT_EQ(w.currentStep(), w.doneStep());
    EXPECT_EQ(prompts.calls.size(), 2);
    EXPECT_EQ(QApplication::focusWidget(), w.cmdNext());
    EXPECT_TRUE(listing(gameFolder()) == gameBefore); // no dump of the archives' bytes
}

TEST_F(InstalledPackageTest, AReinstallThatCouldNotInstallDoesNotRemoveFirst)
{
    SetupWindow &w = toInstalledAlready();
    fs::remove(inPackage("cars.ar"));
    const auto before = listing(root.path());
    next();
    ASSERT_EQ(prompts.calls.size(), 1);
    EXPECT_TRUE(prompts.calls[0].startsWith("error cars.ar is missing from the package folder"))
        << prompts.calls[0].toStdString();
    EXPECT_EQ(w.currentStep(), w.installedAlreadyStep());
    EXPECT_TRUE(listing(root.path()) == before);
}

TEST_F(SetupWindowTest, AnotherSetupOnTheFolderIsWaitedForAndTheInstallationRunsOnceItIsDone)
{
    OtherSetup other(gameFolder());
    ASSERT_TRUE(other.held());
    SetupWindow &w = open();
    toFolderStep();
    w.folderStep()->txtGameFolder()->setText(qt(gameFolder()));
    next();
    EXPECT_EQ(prompts.calls, QStringList{"wait " + qt(gameFolder())});
    ASSERT_EQ(w.currentStep(), w.installStep());
    EXPECT_EQ(w.installStep()->lblStatus()->text(), "Waiting for the other setup to finish...");
    EXPECT_EQ(w.installStep()->lstFiles()->count(), 0);
    EXPECT_FALSE(w.cmdNext()->isEnabled());
    EXPECT_TRUE(w.cmdCancel()->isEnabled());
    QTest::qWait(600); // still held: still waiting, nothing asked again
    EXPECT_EQ(w.currentStep(), w.installStep());
    EXPECT_EQ(prompts.calls.size(), 1);
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");

    other.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.currentStep() == w.doneStep(); }, 10000));
    EXPECT_EQ(prompts.calls, (QStringList{"wait " + qt(gameFolder()), "replace city.ar"}));
    EXPECT_EQ(w.lblTitle()->text(), "Installation Complete");
    EXPECT_EQ(readFile(inGame("cars.ar")), carsBytes);
    EXPECT_EQ(w.exitCode(), 0);
}

TEST_F(SetupWindowTest, NoOrCancelWhileAnotherSetupWorksGoesBackToTheGameFolderWithNothingDone)
{
    OtherSetup other(gameFolder());
    ASSERT_TRUE(other.held());
    const auto before = listing(gameFolder());
    SetupWindow &w = open();
    toFolderStep();
    w.folderStep()->txtGameFolder()->setText(qt(gameFolder()));
    prompts.waitAnswer = false;
    next();
    EXPECT_EQ(prompts.calls, QStringList{"wait " + qt(gameFolder())});
    EXPECT_EQ(w.currentStep(), w.folderStep());

    prompts.waitAnswer = true;
    next();
    ASSERT_EQ(w.currentStep(), w.installStep());
    w.cmdCancel()->click(); // asks nothing: nothing was done
    EXPECT_EQ(w.currentStep(), w.folderStep());
    EXPECT_EQ(prompts.calls.size(), 2);
    other.release();
    QTest::qWait(600); // the folder is free now, and nothing starts by itself
    EXPECT_EQ(w.currentStep(), w.folderStep());
    EXPECT_TRUE(listing(gameFolder()) == before);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(InstalledPackageTest, ARemovalWaitsForAnotherSetupOnTheFolder)
{
    SetupWindow &w = toInstalledAlready();
    OtherSetup other(gameFolder());
    ASSERT_TRUE(other.held());
    w.installedAlreadyStep()->optRemove()->click();
    next();
    ASSERT_EQ(prompts.calls.size(), 2);
    EXPECT_EQ(prompts.calls[1], "wait " + qt(gameFolder()));
    ASSERT_EQ(w.currentStep(), w.removingStep());
    EXPECT_EQ(w.removingStep()->lblStatus()->text(), "Waiting for the other setup to finish...");
    EXPECT_TRUE(w.cmdCancel()->isEnabled());
    other.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.currentStep() == w.doneStep(); }, 10000));
    EXPECT_EQ(w.lblTitle()->text(), "Removal Complete");
    EXPECT_EQ(prompts.calls.size(), 2);
    EXPECT_EQ(readFile(inGame("city.ar")), "the original city");
    EXPECT_FALSE(fs::exists(inGame("cars.ar")));
}
