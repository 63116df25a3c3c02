#include "FrmARNew0.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "FrmARNew1.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "Widgets.h"

FrmARNew0::FrmARNew0() : Page(QStringLiteral("Create Package Folder")) {}

void FrmARNew0::build(PageWindow &w)
{
    m_lblPackage = widgets::label(&w, "lblPackage", QStringLiteral("Package Name:"), {20, 96, 104, 22});
    m_txtPackage = widgets::textBox(&w, "txtPackage", {128, 96, 308, 22});
    m_lblPackage->setBuddy(m_txtPackage);
    m_lblProject = widgets::label(&w, "lblProject", QStringLiteral("Package Folder:"), {20, 150, 104, 22});
    m_txtProject = widgets::textBox(&w, "txtProject", {128, 150, 308, 22});
    m_lblProject->setBuddy(m_txtProject);

    QObject::connect(m_txtPackage, &QLineEdit::textChanged, &w, [this] { txtPackage_Change(); });
    QObject::connect(w.cmdNext, &QPushButton::clicked, &w, [this] { cmdNext_Click(); });
    QObject::connect(w.cmdCancel, &QPushButton::clicked, &w, [this] { cmdCancel_Click(); });
}

void FrmARNew0::Form_Load()
{
    platform::current().doEvents();
    m_txtProject->setText(Vemko::ProgramFolder() + platform::separator() +
                          QStringLiteral("New Project Folder"));
    Vemko::PackageFolder = m_txtProject->text();
    const QString stored = ReadINI(Vemko::InstallFile(), package::toQt(package::section::Main),
                                   package::toQt(package::key::Name), QString());
    if (!stored.isEmpty())
        m_txtPackage->setText(stored); // moves the folder along through the change handler
}

void FrmARNew0::txtPackage_Change()
{
    m_txtProject->setText(Vemko::ProgramFolder() + platform::separator() + m_txtPackage->text());
    Vemko::PackageFolder = m_txtProject->text();
}

bool FrmARNew0::isUnsafePackageName(const QString &name)
{
    // The package folder must be a folder directly inside the program folder.
    return name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')) ||
           name.contains(QLatin1Char('\\')) || name.contains(QChar(0));
}

void FrmARNew0::cmdNext_Click()
{
    if (isUnsafePackageName(m_txtPackage->text())) {
        platform::current().messageBox(
            QStringLiteral(
                "The package name cannot contain \"/\" or \"\\\" and cannot be \".\" or \"..\".\r\n"
                "The package folder is made inside the program folder under the package name; "
                "please choose another name."),
            platform::MB_ICONWARNING, package::windowCaption());
        return;
    }
    // An existing folder is simply used; one that cannot be made would lose everything
    // the author enters from here on, so the page stays and says why.
    const QString folder = m_txtProject->text();
    QString error;
    if (!platform::current().createFolder(folder, &error) && !QFileInfo(folder).isDir()) {
        if (QFileInfo::exists(folder))
            error = folder + QStringLiteral(": A file of that name is in the way");
        platform::current().messageBox(
            QStringLiteral("The package folder could not be created:\r\n") + error +
                QStringLiteral("\r\nPlease choose another package name, or check that the program "
                               "folder can be written to."),
            platform::MB_ICONWARNING, package::windowCaption());
        return;
    }
    WriteINI(Vemko::InstallFile(), package::toQt(package::section::Main), package::toQt(package::key::Name),
             m_txtPackage->text());
    frmARNew1().show();
    unload();
}

void FrmARNew0::cmdCancel_Click()
{
    Vemko::ConfirmCancel();
}

void FrmARNew0::frameCloseRequested()
{
    cmdCancel_Click();
}
