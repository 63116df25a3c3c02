#include "FrmARDone.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "PackageNames.h"
#include "Platform.h"
#include "Vemko.h"
#include "Widgets.h"

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
    w.cmdNext->setText(QStringLiteral("&Finish"));
    w.cmdCancel->setEnabled(false);

    QObject::connect(m_cmdTest, &QPushButton::clicked, &w, [this] { cmdTest_Click(); });
    QObject::connect(m_cmdOpenFolder, &QPushButton::clicked, &w, [this] { cmdOpenFolder_Click(); });
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
            ? machine.startProgram(Vemko::ProgramFolder() + platform::separator() + package::toQt(package::file::RedistFolder) +
                                       platform::separator() + QStringLiteral("setup"),
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

void FrmARDone::cmdNext_Click()
{
    // Without a temp.ini (nothing was ever picked) there is nothing to delete.
    platform::current().deleteFile(Vemko::TempFile());
    platform::current().endProgram();
}

void FrmARDone::frameCloseRequested()
{
    cmdNext_Click();
}
