#include "SetupWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "DoneStep.h"
#include "FolderStep.h"
#include "GameFolderLock.h"
#include "InstallRecord.h"
#include "InstallStep.h"
#include "InstalledAlreadyStep.h"
#include "Prompts.h"
#include "ReadmeStep.h"
#include "RemovingStep.h"
#include "Uninstallation.h"
#include "WelcomeStep.h"

namespace installer {

namespace {

QFrame *separator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

SetupWindow::SetupWindow(Package package, Prompts &prompts, std::unique_ptr<Ticker> readmeTicker,
                         QWidget *parent)
    : QWidget(parent), m_package(std::move(package)), m_prompts(prompts), m_busyWait(gameFolderBusy)
{
    m_busyPoll.setInterval(BusyPollMilliseconds);
    connect(&m_busyPoll, &QTimer::timeout, this, [this] {
        m_busyWait.tick(); // may run again, and that run may begin a new wait
        if (!m_busyWait.waiting())
            m_busyPoll.stop();
    });
    setObjectName(QStringLiteral("SetupWindow"));
    setWindowTitle(qt(texts::windowTitle(m_package)));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // A header band in the window colour, as setup programs have it.
    auto *header = new QWidget(this);
    header->setObjectName(QStringLiteral("header"));
    header->setAutoFillBackground(true);
    QPalette headerPalette = header->palette();
    headerPalette.setColor(QPalette::Window, headerPalette.color(QPalette::Base));
    header->setPalette(headerPalette);
    auto *headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(18, 12, 18, 12);
    headerLayout->setSpacing(3);
    m_lblTitle = new QLabel(header);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    m_lblTitle->setFont(titleFont);
    m_lblSubtitle = new QLabel(header);
    m_lblSubtitle->setObjectName(QStringLiteral("lblSubtitle"));
    m_lblSubtitle->setContentsMargins(12, 0, 0, 0);
    headerLayout->addWidget(m_lblTitle);
    headerLayout->addWidget(m_lblSubtitle);
    layout->addWidget(header);
    layout->addWidget(separator(this));

    m_stack = new QStackedWidget(this);
    m_stack->setContentsMargins(12, 10, 12, 6);
    layout->addWidget(m_stack, 1);

    m_welcome = new WelcomeStep(m_package, m_stack);
    m_stack->addWidget(m_welcome);
    if (!m_package.readme.empty()) {
        m_readme = new ReadmeStep(
            m_package, readmeTicker ? std::move(readmeTicker) : std::make_unique<SecondTicker>(), m_stack);
        m_stack->addWidget(m_readme);
    }
    m_folder = new FolderStep(m_package, m_prompts, m_stack);
    m_stack->addWidget(m_folder);
    m_installedAlready = new InstalledAlreadyStep(m_package, m_stack);
    m_stack->addWidget(m_installedAlready);
    m_removing = new RemovingStep(m_package, m_stack);
    m_stack->addWidget(m_removing);
    m_install = new InstallStep(m_package, m_prompts, m_stack);
    m_stack->addWidget(m_install);
    m_done = new DoneStep(m_package, m_stack);
    m_stack->addWidget(m_done);
    for (int i = 0; i < m_stack->count(); ++i)
        connect(static_cast<Step *>(m_stack->widget(i)), &Step::completeChanged, this,
                [this] { updateButtons(); });

    layout->addWidget(separator(this));
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 10, 12, 12);
    m_cmdBack = new QPushButton(qt(texts::backButton()), this);
    m_cmdBack->setObjectName(QStringLiteral("cmdBack"));
    m_cmdNext = new QPushButton(this);
    m_cmdNext->setObjectName(QStringLiteral("cmdNext"));
    m_cmdCancel = new QPushButton(qt(texts::cancelButton()), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton *b : {m_cmdBack, m_cmdNext, m_cmdCancel}) {
        b->setMinimumWidth(96);
        // Enter on a button that has the focus presses it, as in any dialog.
        b->setAutoDefault(true);
    }
    buttons->addStretch(1);
    buttons->addWidget(m_cmdBack);
    buttons->addWidget(m_cmdNext);
    buttons->addSpacing(10);
    buttons->addWidget(m_cmdCancel);
    layout->addLayout(buttons);

    connect(m_cmdNext, &QPushButton::clicked, this, [this] { cmdNext_Click(); });
    connect(m_cmdBack, &QPushButton::clicked, this, [this] { cmdBack_Click(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    auto *esc = new QShortcut(QKeySequence::Cancel, this);
    connect(esc, &QShortcut::activated, this, [this] {
        if (m_cmdCancel->isVisible() && m_cmdCancel->isEnabled())
            m_cmdCancel->click();
    });

    setFixedSize(600, 440);
    showStep(m_welcome);
}

SetupWindow::~SetupWindow() = default;

Step *SetupWindow::currentStep() const
{
    return static_cast<Step *>(m_stack->currentWidget());
}

void SetupWindow::showStep(Step *step)
{
    m_stack->setCurrentWidget(step);
    m_lblTitle->setText(step->title());
    m_lblSubtitle->setText(step->subtitle());
    step->enter();
    updateButtons();
    m_cmdNext->setDefault(true);
    // The keyboard starts on what the step is about, or on the way forward; never on a link.
    QWidget *focus = step->firstFocus();
    if (!focus || !focus->isEnabled())
        focus = m_cmdNext->isEnabled() ? static_cast<QWidget *>(m_cmdNext) : m_cmdCancel;
    focus->setFocus(Qt::OtherFocusReason);
}

void SetupWindow::keyPressEvent(QKeyEvent *event)
{
    // Enter that no control took (a text box, a label) presses the step's default button; a plain
    // window, unlike a dialog, does not do that by itself.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (m_cmdNext->isVisible() && m_cmdNext->isEnabled())
            m_cmdNext->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SetupWindow::updateButtons()
{
    Step *step = currentStep();
    const bool beforeInstall =
        step == m_welcome || step == m_readme || step == m_folder || step == m_installedAlready;
    // The caption follows the step and, on the game folder step, whether the folder holds the package.
    m_cmdNext->setText(step->nextText());
    const bool checking = step == m_installedAlready && m_installedAlready->checking();
    m_cmdBack->setEnabled(step != m_welcome && beforeInstall && !checking);
    m_cmdNext->setEnabled(!m_installing && step->isComplete());
    // A wait for the game folder can be cancelled: nothing was done.
    m_cmdCancel->setEnabled(beforeInstall || m_busyWait.waiting());
    // Once the files are copied there is nothing to go back to or cancel.
    m_cmdBack->setVisible(step != m_done);
    m_cmdCancel->setVisible(step != m_done);
}

void SetupWindow::cmdNext_Click()
{
    Step *step = currentStep();
    if (!step->isComplete())
        return;
    if (step == m_welcome)
        showStep(m_readme ? static_cast<Step *>(m_readme) : m_folder);
    else if (step == m_readme)
        showStep(m_folder);
    else if (step == m_folder)
        folderChosen();
    else if (step == m_installedAlready)
        runRemoval(!m_installedAlready->removeChosen());
    else if (step == m_install || step == m_removing)
        showStep(m_done);
    else if (step == m_done)
        close();
}

void SetupWindow::cmdBack_Click()
{
    Step *step = currentStep();
    if (step == m_installedAlready)
        showStep(m_folder);
    else if (step == m_folder)
        showStep(m_readme ? static_cast<Step *>(m_readme) : m_welcome);
    else if (step == m_readme)
        showStep(m_welcome);
}

void SetupWindow::cmdCancel_Click()
{
    if (m_busyWait.waiting()) {
        stopWaiting(); // nothing was done: back to the choice of the folder
        showStep(m_folder);
        return;
    }
    if (currentStep() == m_installedAlready && m_installedAlready->checking()) {
        m_installedAlready->stopCheck(); // nothing was done: the choice again
        m_installedAlready->firstFocus()->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (m_prompts.confirmQuit(this, quitQuestion())) {
        m_finished = true;
        close();
    }
}

QString SetupWindow::quitQuestion() const
{
    // On Installed Already the package is in the game folder, and stays there.
    return qt(currentStep() == m_installedAlready ? texts::keepInstalledQuitQuestion()
                                                  : texts::quitQuestion());
}

void SetupWindow::folderChosen()
{
    if (!m_folder->confirm())
        return;
    const QString gameFolder = m_folder->folder();
    const std::vector<InstallRecord> installations = installationsOf(utf8(gameFolder), m_package.name);
    if (installations.empty()) {
        runInstallation(gameFolder);
        return;
    }
    m_installedAlready->showInstallations(installations);
    showStep(m_installedAlready);
}

void SetupWindow::runInstallation(const QString &gameFolder)
{
    m_cmdNext->setFocus(Qt::OtherFocusReason); // the line edit and Back are disabled or gone now
    m_installing = true;
    showStep(m_install);
    const InstallResult result = m_install->install(gameFolder, m_copy);
    m_installing = false;
    if (result.busy) {
        waitForFolder(gameFolder, [this, gameFolder] { runInstallation(gameFolder); });
        return;
    }
    m_busyWait.finished();
    m_exitCode = result.ok ? 0 : 1;
    m_done->showResult(result, gameFolder);
    showStep(m_done);
}

bool SetupWindow::confirmRemoval(const std::vector<LeftFile> &left, bool thenInstall)
{
    // Reinstall was asked for already; only files that would stay behind need a word first.
    if (left.empty() && thenInstall)
        return true;
    return m_prompts.confirmRemoval(
        this, qt(left.empty() ? texts::removeQuestion(m_package) : texts::leftQuestion(m_package, left)));
}

void SetupWindow::runRemoval(bool thenInstall)
{
    const QString gameFolder = m_folder->folder();
    // A package that cannot be installed is not taken out first for a reinstall, or the player
    // would end with neither.
    if (thenInstall) {
        if (const std::string problem = Installation(m_package, utf8(gameFolder)).preflight();
            !problem.empty()) {
            m_prompts.showError(this, qt(problem));
            return;
        }
    }
    auto uninstallation = std::make_unique<Uninstallation>(utf8(gameFolder), m_package.name);
    if (const std::string problem = uninstallation->preflight(); !problem.empty()) {
        m_prompts.showError(this, qt(problem));
        return;
    }
    // Every recorded file is read for its digest, away from the window's thread; Cancel stops that.
    m_cmdCancel->setFocus(Qt::OtherFocusReason);
    m_installedAlready->startCheck(
        std::move(uninstallation),
        [this, thenInstall, gameFolder](std::unique_ptr<Uninstallation> checked, std::vector<LeftFile> left) {
            if (!confirmRemoval(left, thenInstall)) {
                m_installedAlready->firstFocus()->setFocus(Qt::OtherFocusReason);
                return;
            }
            remove(std::move(checked), thenInstall, gameFolder);
        });
}

void SetupWindow::remove(std::unique_ptr<Uninstallation> uninstallation, bool thenInstall,
                         const QString &gameFolder)
{
    m_cmdNext->setFocus(Qt::OtherFocusReason); // the choices, Back and Cancel are gone now
    m_installing = true;
    showStep(m_removing);
    const UninstallResult removal = m_removing->remove(*uninstallation);
    m_installing = false;
    if (removal.busy) {
        waitForFolder(gameFolder, [this, thenInstall, gameFolder] {
            remove(std::make_unique<Uninstallation>(utf8(gameFolder), m_package.name), thenInstall,
                   gameFolder);
        });
        return;
    }
    m_busyWait.finished();
    // Files left as they are were agreed to; a removal that could not go on ends here.
    if (thenInstall && removal.error.empty()) {
        runInstallation(gameFolder);
        return;
    }
    m_exitCode = removal.ok ? 0 : 1;
    m_done->showRemoval(removal);
    showStep(m_done);
}

void SetupWindow::waitForFolder(const QString &gameFolder, std::function<void()> retry)
{
    // Asked once: a folder taken again between the look and the run is waited for again.
    if (!m_busyWait.agreed() && !m_prompts.confirmWait(this, gameFolder)) {
        stopWaiting();
        showStep(m_folder);
        return;
    }
    m_busyWait.begin(utf8(gameFolder), std::move(retry));
    const QString status = qt(texts::busyWaiting());
    if (currentStep() == m_removing)
        m_removing->showStatus(status);
    else
        m_install->lblStatus()->setText(status);
    m_busyPoll.start();
    updateButtons();
    m_cmdCancel->setFocus(Qt::OtherFocusReason);
}

void SetupWindow::stopWaiting()
{
    m_busyWait.cancel();
    m_busyPoll.stop();
}

void SetupWindow::closeEvent(QCloseEvent *event)
{
    if (m_busyWait.waiting()) {
        event->ignore(); // as Cancel: nothing was done, back to the game folder
        cmdCancel_Click();
        return;
    }
    if (m_installing) {
        event->ignore(); // a copy is under way; it is short and ends by itself
        return;
    }
    // The title bar's close button asks like Cancel does until something is installed.
    Step *step = currentStep();
    if (!m_finished && step != m_done && step != m_install && step != m_removing &&
        !m_prompts.confirmQuit(this, quitQuestion())) {
        event->ignore();
        return;
    }
    m_finished = true;
    event->accept();
}

} // namespace installer
