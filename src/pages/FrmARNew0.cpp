#include "FrmARNew0.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "Files.h"
#include "FrmARNew1.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Platform.h"
#include "Text.h"
#include "Vemko.h"

namespace {

bool leavesTheProgramFolder(std::string_view name)
{
    return name == "." || name == ".." || name.find_first_of("/\\") != std::string_view::npos;
}

// Besides the separators, what Windows allows in no file or folder name: these
// characters and the control characters below a blank. In UTF-8 no byte of a longer
// character falls below 0x80, so bytes can be checked one by one.
bool hasCharacterWindowsRefuses(std::string_view name)
{
    return std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 ||
               std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
    });
}

// Windows drops a trailing dot or blank from a folder name: the folder made there
// would not bear the package's name.
bool endsInDotOrBlank(std::string_view name)
{
    return name.ends_with('.') || name.ends_with(' ');
}

// Windows opens a device for these names, whatever follows the first dot and in any
// letter case; it reads the superscript digits as port numbers too.
bool isWindowsDeviceName(std::string_view name)
{
    std::string_view stem = name.substr(0, name.find('.'));
    while (stem.ends_with(' '))
        stem.remove_suffix(1);
    const std::string folded = base::text::foldCase(stem);
    for (const char *device : {"con", "prn", "aux", "nul"})
        if (folded == device)
            return true;
    if (folded.size() < 4)
        return false;
    const std::string_view port = std::string_view(folded).substr(0, 3);
    const std::string_view number = std::string_view(folded).substr(3);
    if (port != "com" && port != "lpt")
        return false;
    if (number.size() == 1)
        return number[0] >= '1' && number[0] <= '9';
    return number == "\u00B9" || number == "\u00B2" || number == "\u00B3";
}

struct NameRule
{
    bool (*breaks)(std::string_view name);
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

bool isFolder(const std::string &path)
{
    std::error_code ignored;
    return std::filesystem::is_directory(base::files::toPath(path), ignored);
}

bool exists(const std::string &path)
{
    std::error_code ignored;
    return std::filesystem::exists(base::files::toPath(path), ignored);
}

const std::string Caption(package::WindowCaption);

// What the author can do about a package folder that could not be made. Package folders
// go inside the program folder; unpacked where nothing can be written (Program Files),
// the wizard has to move.
std::string adviceWhenNotCreated()
{
    const std::string program = Vemko::ProgramFolder();
    if (!platform::current().canCreateIn(program))
        return "Package folders are made inside the program folder, and " + program +
               " cannot be written to. Please move the wizard's folder to a folder you can write to, such "
               "as one in your Documents, and start it from there.";
    return "Please choose another package name, or check that the program folder can be written to.";
}

} // namespace

FrmARNew0::FrmARNew0() : Page(layout()) {}

form::PageLayout FrmARNew0::layout()
{
    using form::Kind;
    form::PageLayout page;
    page.title = "Create Package Folder";
    page.controls = {
        {.kind = Kind::Label,
         .name = "lblPackage",
         .caption = "Package Name:",
         .place = {300, 1440, 1560, 330},
         .buddy = "txtPackage"},
        {.kind = Kind::TextBox, .name = "txtPackage", .place = {1920, 1440, 4620, 330}},
        {.kind = Kind::Label,
         .name = "lblProject",
         .caption = "Package Folder:",
         .place = {300, 2250, 1560, 330},
         .buddy = "txtProject"},
        {.kind = Kind::TextBox, .name = "txtProject", .place = {1920, 2250, 4620, 330}},
    };
    return page;
}

void FrmARNew0::build(form::Window &w)
{
    m_txtPackage = &w.control<form::TextBox>("txtPackage");
    m_txtProject = &w.control<form::TextBox>("txtProject");

    m_txtPackage->Change = [this] { txtPackage_Change(); };
    w.control<form::Button>("cmdNext").Click = [this] { cmdNext_Click(); };
    w.control<form::Button>("cmdCancel").Click = [this] { cmdCancel_Click(); };
}

void FrmARNew0::Form_Load()
{
    form::runtime().doEvents();
    m_txtProject->setText(Vemko::ProgramFolder() + platform::separator() + "New Project Folder");
    Vemko::PackageFolder = m_txtProject->text();
    const std::string stored = ReadINI(Vemko::InstallFile(), package::text(package::section::Main),
                                       package::text(package::key::Name), std::string());
    if (!stored.empty())
        m_txtPackage->setText(stored); // moves the folder along through the change handler
}

void FrmARNew0::txtPackage_Change()
{
    m_txtProject->setText(Vemko::ProgramFolder() + platform::separator() + m_txtPackage->text());
    Vemko::PackageFolder = m_txtProject->text();
}

std::string FrmARNew0::refusalOf(const std::string &name)
{
    for (const NameRule &rule : NameRules)
        if (rule.breaks(name))
            return rule.refusal;
    return {};
}

void FrmARNew0::cmdNext_Click()
{
    if (const std::string refusal = refusalOf(m_txtPackage->text()); !refusal.empty()) {
        form::runtime().messageBox(refusal, form::MB_ICONWARNING, Caption);
        return;
    }
    // An existing folder is simply used; one that cannot be made would lose everything
    // the author enters from here on, so the page stays and says why.
    const std::string folder = m_txtProject->text();
    std::string error;
    if (!platform::current().createFolder(folder, &error) && !isFolder(folder)) {
        if (exists(folder))
            error = folder + ": A file of that name is in the way";
        form::runtime().messageBox("The package folder could not be created:\r\n" + error + "\r\n" +
                                       adviceWhenNotCreated(),
                                   form::MB_ICONWARNING, Caption);
        return;
    }
    WriteINI(Vemko::InstallFile(), package::text(package::section::Main), package::text(package::key::Name),
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
