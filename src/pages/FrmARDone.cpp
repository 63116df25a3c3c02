#include "FrmARDone.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "IniFuncs.h"
#include "PackageNames.h"
#include "PackageZip.h"
#include "Platform.h"
#include "Vemko.h"
#include "Widgets.h"

namespace {

// The files install.ini lists, with install.ini and setup.exe: the archive must hold every one.
std::vector<std::string> listedFiles()
{
    const QString install = Vemko::InstallFile();
    const QString main = package::toQt(package::section::Main);
    std::vector<std::string> names{std::string(package::file::Install), std::string(package::file::Setup)};
    const QString readme = ReadINI(install, main, package::toQt(package::key::Readme), QString());
    if (!readme.isEmpty())
        names.push_back(readme.toStdString());
    const int total =
        ReadINI(install, main, package::toQt(package::key::TotalFiles), QString()).trimmed().toInt();
    for (int number = 1; number <= total; ++number) {
        const QString name =
            ReadINI(install, package::toQt(package::section::Files), package::fileKey(number), QString());
        if (!name.isEmpty())
            names.push_back(name.toStdString());
    }
    return names;
}

} // namespace

FrmARDone::FrmARDone() : Page(QStringLiteral("Creation Complete")) {}

void FrmARDone::build(PageWindow &w)
{
    QLabel *text = widgets::label(
        &w, "lblDebug",
        QStringLiteral(
            "Creation of your setup package is now completed.  You should test it to ensure that it's "
            "built correctly.  If there's a problem, modify install.ini (which is the complete driving "
            "force for the Quernel), and add / remove .AR files as needed from the folder."),
        {24, 66, 408, 84});
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Where the package is, to hand it out: selectable, and one click from the file manager.
    QLabel *folderCaption =
        widgets::label(&w, "lblFolder", QStringLiteral("Package Folder:"), {24, 160, 408, 18});
    m_txtFolder = widgets::textBox(&w, "txtFolder", {24, 180, 408, 22}, true);
    m_txtFolder->setText(Vemko::PackageFolder);
    m_txtFolder->setCursorPosition(0);
    folderCaption->setBuddy(m_txtFolder);
    m_cmdTest = widgets::button(&w, "cmdTest", QStringLiteral("&Test Package"), {24, 218, 124, 25});
    m_cmdOpenFolder =
        widgets::button(&w, "cmdOpenFolder", QStringLiteral("&Open Folder"), {156, 218, 124, 25});
    m_cmdZip = widgets::button(&w, "cmdZip", QStringLiteral("Save as &Zip..."), {288, 218, 144, 25});
    // Packing progress first, then where the archive is: selectable, like the package folder.
    m_lblZip = widgets::label(&w, "lblZip", QString(), {24, 252, 84, 18});
    m_txtZip = widgets::textBox(&w, "txtZip", {110, 250, 322, 22}, true);
    m_txtZip->setVisible(false);
    m_lblZip->setBuddy(m_txtZip);
    w.cmdNext->setText(QStringLiteral("&Finish"));
    w.cmdCancel->setEnabled(false);
    m_packing = false;

    QObject::connect(m_cmdTest, &QPushButton::clicked, &w, [this] { cmdTest_Click(); });
    QObject::connect(m_cmdOpenFolder, &QPushButton::clicked, &w, [this] { cmdOpenFolder_Click(); });
    QObject::connect(m_cmdZip, &QPushButton::clicked, &w, [this] { cmdZip_Click(); });
    QObject::connect(w.cmdCancel, &QPushButton::clicked, &w, [this] { m_cancelPacking = true; });
    QObject::connect(w.cmdNext, &QPushButton::clicked, &w, [this] { cmdNext_Click(); });
}

void FrmARDone::cmdTest_Click()
{
    // The package's own setup.exe, as players see it, when Wine can start it at once; otherwise
    // the Linux installer of the program folder on the package, with the same steps and texts.
    platform::Platform &machine = platform::current();
    const QString wine = machine.wineLauncher();
    QString error;
    const bool started =
        wine.isEmpty()
            ? machine.startProgram(Vemko::ProgramFolder() + platform::separator() +
                                       package::toQt(package::file::RedistFolder) + platform::separator() +
                                       QStringLiteral("setup"),
                                   {QStringLiteral("--package"), Vemko::PackageFolder}, &error)
            : machine.startProgram(wine, {Vemko::PackageFile(package::toQt(package::file::Setup))}, &error);
    if (!started) {
        platform::current().messageBox(QStringLiteral("The package's installer could not be started:\r\n") +
                                           error,
                                       platform::MB_ICONWARNING, package::windowCaption());
    }
    window().cmdNext->setEnabled(true);
}

void FrmARDone::cmdOpenFolder_Click()
{
    QString error;
    if (!platform::current().openFolder(Vemko::PackageFolder, &error)) {
        platform::current().messageBox(QStringLiteral("The package folder could not be opened:\r\n") + error,
                                       platform::MB_ICONWARNING, package::windowCaption());
    }
}

void FrmARDone::cmdZip_Click()
{
    if (m_packing)
        return;
    const QString packageName =
        Vemko::PackageFolder.mid(Vemko::ProgramFolder().size() + platform::separator().size());
    const QString zipPath = Vemko::PackageFolder + QStringLiteral(".zip");
    PageWindow &w = window();
    QList<QWidget *> waiting{m_cmdTest, m_cmdOpenFolder, m_cmdZip, w.cmdNext};
    QList<bool> wasEnabled;
    for (QWidget *control : waiting) {
        wasEnabled << control->isEnabled();
        control->setEnabled(false);
    }
    w.cmdCancel->setEnabled(true);
    m_txtZip->setVisible(false);
    m_lblZip->setGeometry(24, 252, 408, 18);
    m_lblZip->setText(QStringLiteral("Packing... 0%"));
    m_packing = true;
    m_cancelPacking = false;

    // Progress and Cancel through the event pump, so the window stays live on large packages.
    std::string error;
    const package::zip::PackOutcome outcome = package::zip::packFolder(
        Vemko::PackageFolder.toStdString(), packageName.toStdString(), listedFiles(), zipPath.toStdString(),
        [this](double fraction) {
            m_lblZip->setText(QStringLiteral("Packing... %1%").arg(qRound(fraction * 100)));
            platform::current().doEvents();
            return !m_cancelPacking;
        },
        &error);

    m_packing = false;
    w.cmdCancel->setEnabled(false);
    for (int i = 0; i < waiting.size(); ++i)
        waiting[i]->setEnabled(wasEnabled[i]);
    m_lblZip->setText(QString());
    switch (outcome) {
    case package::zip::PackOutcome::Packed:
        m_lblZip->setGeometry(24, 252, 84, 18);
        m_lblZip->setText(QStringLiteral("Zip Archive:"));
        m_txtZip->setText(zipPath);
        m_txtZip->setCursorPosition(0);
        m_txtZip->setVisible(true);
        break;
    case package::zip::PackOutcome::Cancelled:
        m_lblZip->setText(QStringLiteral("Packing cancelled: no archive was written."));
        break;
    case package::zip::PackOutcome::Failed:
        platform::current().messageBox(QStringLiteral("The zip archive could not be written:\r\n") +
                                           QString::fromStdString(error),
                                       platform::MB_ICONWARNING, package::windowCaption());
        break;
    }
}

void FrmARDone::cmdNext_Click()
{
    // Without a temp.ini (nothing was ever picked) there is nothing to delete.
    platform::current().deleteFile(Vemko::TempFile());
    platform::current().endProgram();
}

void FrmARDone::frameCloseRequested()
{
    // Closing while the archive is written stops the packing first; nothing is left behind.
    if (m_packing) {
        m_cancelPacking = true;
        return;
    }
    cmdNext_Click();
}
