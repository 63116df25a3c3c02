#include "FrmARNew0.h"

#include <algorithm>

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

namespace {

bool leavesTheProgramFolder(const QString &name)
{
    return name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')) ||
           name.contains(QLatin1Char('\\'));
}

// Besides the separators, what Windows allows in no file or folder name: these
// characters and the control characters below a blank.
bool hasCharacterWindowsRefuses(const QString &name)
{
    return std::any_of(name.cbegin(), name.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || QStringView(u"<>:\"|?*").contains(c); });
}

// Windows drops a trailing dot or blank from a folder name: the folder made there
// would not bear the package's name.
bool endsInDotOrBlank(const QString &name)
{
    return name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '));
}

// Windows opens a device for these names, whatever follows the first dot and in any
// letter case; it reads the superscript digits as port numbers too.
bool isWindowsDeviceName(const QString &name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    QStringView stem = dot < 0 ? QStringView(name) : QStringView(name).first(dot);
    while (stem.endsWith(QLatin1Char(' ')))
        stem.chop(1);
    for (const char *device : {"CON", "PRN", "AUX", "NUL"})
        if (stem.compare(QLatin1String(device), Qt::CaseInsensitive) == 0)
            return true;
    if (stem.size() != 4)
        return false;
    const QStringView port = stem.first(3);
    const QChar number = stem[3];
    return (port.compare(QLatin1String("COM"), Qt::CaseInsensitive) == 0 ||
            port.compare(QLatin1String("LPT"), Qt::CaseInsensitive) == 0) &&
           ((number >= QLatin1Char('1') && number <= QLatin1Char('9')) ||
            QStringView(u"\u00B9\u00B2\u00B3").contains(number));
}

struct NameRule
{
    bool (*breaks)(const QString &name);
    const char *refusal;
};

// The package folder must be a folder directly inside the program folder, and as
// packages travel to Windows, its name must be one Windows can hold too.
const NameRule NameRules[] = {
    {leavesTheProgramFolder,
     "The package name cannot contain \"/\" or \"\\\" and cannot be \".\" or \"..\".\r\n"
     "The package folder is made inside the program folder under the package name; "
     "please choose another name."},
    {hasCharacterWindowsRefuses,
     "The package name cannot contain < > : \" | ? * or control characters.\r\n"
     "The package folder is made under the package name, and Windows allows none of them in a folder "
     "name; please choose another name."},
    {endsInDotOrBlank,
     "The package name cannot end in a dot or a blank.\r\n"
     "The package folder is made under the package name, and Windows drops them from the end of a "
     "folder name; please choose another name."},
    {isWindowsDeviceName,
     "The package name cannot be CON, PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9, with or without an "
     "extension.\r\n"
     "The package folder is made under the package name, and Windows keeps these names for its devices; "
     "please choose another name."},
};

} // namespace

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

QString FrmARNew0::refusalOf(const QString &name)
{
    for (const NameRule &rule : NameRules)
        if (rule.breaks(name))
            return QString::fromUtf8(rule.refusal);
    return {};
}

void FrmARNew0::cmdNext_Click()
{
    if (const QString refusal = refusalOf(m_txtPackage->text()); !refusal.isEmpty()) {
        platform::current().messageBox(refusal, platform::MB_ICONWARNING, package::windowCaption());
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
