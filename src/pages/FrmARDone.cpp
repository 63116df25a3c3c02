#include "FrmARDone.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "IniFuncs.h"
#include "PackageNames.h"
#include "PackageZip.h"
#include "Platform.h"
#include "Vemko.h"

namespace {

// The whole text as a number, blanks around it aside; 0 when it is not one.
int wholeNumber(std::string_view text)
{
    constexpr std::string_view Blanks = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return 0;
    text = text.substr(first, text.find_last_not_of(Blanks) - first + 1);
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return 0;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

// The files install.ini lists, with install.ini and setup.exe: the archive must hold every one.
std::vector<std::string> listedFiles()
{
    const std::string install = Vemko::InstallFile();
    const std::string main = package::text(package::section::Main);
    std::vector<std::string> names{package::text(package::file::Install),
                                   package::text(package::file::Setup)};
    const std::string readme = ReadINI(install, main, package::text(package::key::Readme), std::string());
    if (!readme.empty())
        names.push_back(readme);
    const int total =
        wholeNumber(ReadINI(install, main, package::text(package::key::TotalFiles), std::string()));
    for (int number = 1; number <= total; ++number) {
        const std::string name =
            ReadINI(install, package::text(package::section::Files), package::fileKey(number), std::string());
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

void warn(const std::string &text)
{
    form::runtime().messageBox(text, form::MB_ICONWARNING, package::text(package::WindowCaption));
}

} // namespace

FrmARDone::FrmARDone() : Page(layout()) {}

form::PageLayout FrmARDone::layout()
{
    using form::Kind;
    using namespace form::style;
    form::PageLayout page;
    page.title = "Creation Complete";
    page.nextCaption = "&Finish";
    // Cancel only stops a packing under way.
    page.cancelEnabled = false;
    page.controls = {
        {.kind = Kind::Label,
         .name = "lblDebug",
         .caption =
             "Creation of your setup package is now completed.  You should test it to ensure that it's "
             "built correctly.  If there's a problem, modify install.ini (which is the complete driving "
             "force for the Quernel), and add / remove .AR files as needed from the folder.",
         .place = {360, 990, 6120, 1260},
         .flags = WordWrap},
        // Where the package is, to hand it out: selectable, and one click from the file manager. Each
        // row's caption runs on beneath its box, which covers the caption's free end.
        {.kind = Kind::Label,
         .name = "lblFolder",
         .caption = "Package Folder:",
         .place = {360, 2430, 6120, 270},
         .buddy = "txtFolder"},
        {.kind = Kind::TextBox, .name = "txtFolder", .place = {1890, 2400, 4590, 330}, .flags = Locked},
        {.kind = Kind::Button,
         .name = "cmdTest",
         .caption = "&Test Package",
         .place = {360, 2850, 1365, 375}},
        {.kind = Kind::Button,
         .name = "cmdOpenFolder",
         .caption = "&Open Folder",
         .place = {1815, 2850, 1335, 375}},
        {.kind = Kind::Button,
         .name = "cmdZip",
         .caption = "Save as &Zip...",
         .place = {3240, 2850, 1485, 375}},
        {.kind = Kind::Button,
         .name = "cmdSetup",
         .caption = "Save as &Setup...",
         .place = {4815, 2850, 1665, 375}},
        // Packing progress across the row first, then "Zip Archive:" and where the archive is, in
        // the box that covers the label's free end: selectable, like the package folder. The
        // setup file's row the same beneath.
        {.kind = Kind::Label, .name = "lblZip", .place = {360, 3360, 6120, 270}, .buddy = "txtZip"},
        {.kind = Kind::TextBox, .name = "txtZip", .place = {1890, 3330, 4590, 330}, .flags = Locked | Hidden},
        {.kind = Kind::Label, .name = "lblSetup", .place = {360, 3780, 6120, 270}, .buddy = "txtSetup"},
        {.kind = Kind::TextBox,
         .name = "txtSetup",
         .place = {1890, 3750, 4590, 330},
         .flags = Locked | Hidden},
    };
    return page;
}

void FrmARDone::build(form::Window &w)
{
    m_txtFolder = &w.control<form::TextBox>("txtFolder");
    m_txtFolder->setText(Vemko::PackageFolder);
    m_cmdTest = &w.control<form::Button>("cmdTest");
    m_cmdOpenFolder = &w.control<form::Button>("cmdOpenFolder");
    m_cmdZip = &w.control<form::Button>("cmdZip");
    m_lblZip = &w.control<form::Label>("lblZip");
    m_txtZip = &w.control<form::TextBox>("txtZip");
    m_cmdSetup = &w.control<form::Button>("cmdSetup");
    m_lblSetup = &w.control<form::Label>("lblSetup");
    m_txtSetup = &w.control<form::TextBox>("txtSetup");
    m_packing = false;

    m_cmdTest->Click = [this] { cmdTest_Click(); };
    m_cmdOpenFolder->Click = [this] { cmdOpenFolder_Click(); };
    m_cmdZip->Click = [this] { cmdZip_Click(); };
    m_cmdSetup->Click = [this] { cmdSetup_Click(); };
    w.control<form::Button>("cmdCancel").Click = [this] { cmdCancel_Click(); };
    w.control<form::Button>("cmdNext").Click = [this] { cmdNext_Click(); };
}

void FrmARDone::cmdTest_Click()
{
    // The package's own setup.exe, as players see it, where Windows programs start at once (on
    // Windows, or through a set-up Wine); otherwise the Linux installer of the program folder on
    // the package, with the same steps and texts.
    platform::Platform &machine = platform::current();
    const std::string setup = Vemko::PackageFile(package::text(package::file::Setup));
    const std::string wine = machine.wineLauncher();
    const std::string sep = platform::separator();
    std::string error;
    bool started = false;
    if (machine.runsWindowsPrograms())
        started = machine.startProgram(setup, {}, &error);
    else if (!wine.empty())
        started = machine.startProgram(wine, {setup}, &error);
    else
        started = machine.startProgram(Vemko::ProgramFolder() + sep +
                                           package::text(package::file::RedistFolder) + sep + "setup",
                                       {"--package", Vemko::PackageFolder}, &error);
    if (!started)
        warn("The package's installer could not be started:\r\n" + error);
    cmdNext()->setEnabled(true);
}

void FrmARDone::cmdOpenFolder_Click()
{
    std::string error;
    if (!platform::current().openFolder(Vemko::PackageFolder, &error))
        warn("The package folder could not be opened:\r\n" + error);
}

void FrmARDone::cmdZip_Click()
{
    pack({.path = Vemko::PackageFolder + ".zip",
          .label = m_lblZip,
          .box = m_txtZip,
          .doneCaption = "Zip Archive:",
          .cancelled = "Packing cancelled: no archive was written.",
          .failed = "The zip archive could not be written:\r\n"});
}

void FrmARDone::cmdSetup_Click()
{
    // The Windows installer with the package after it, beside the package folder: the one file
    // Windows players download and run.
    const std::string sep = platform::separator();
    pack({.path = Vemko::PackageFolder + " Setup.exe",
          .installer = Vemko::ProgramFolder() + sep + package::text(package::file::RedistFolder) + sep +
                       package::text(package::file::Setup),
          .label = m_lblSetup,
          .box = m_txtSetup,
          .doneCaption = "Setup File:",
          .cancelled = "Packing cancelled: no setup file was written.",
          .failed = "The setup file could not be written:\r\n"});
}

void FrmARDone::pack(const PackTarget &target)
{
    if (m_packing)
        return;
    const std::size_t nameStart = Vemko::ProgramFolder().size() + platform::separator().size();
    const std::string packageName =
        nameStart < Vemko::PackageFolder.size() ? Vemko::PackageFolder.substr(nameStart) : std::string();
    const std::vector<form::Control *> waiting{m_cmdTest, m_cmdOpenFolder, m_cmdZip, m_cmdSetup, cmdNext()};
    std::vector<bool> wasEnabled;
    for (form::Control *control : waiting) {
        wasEnabled.push_back(control->isEnabled());
        control->setEnabled(false);
    }
    cmdCancel()->setEnabled(true);
    target.box->setVisible(false);
    target.label->setText("Packing... 0%");
    m_packing = true;
    m_cancelPacking = false;

    // Progress and Cancel through the event pump, so the window stays live on large packages.
    const package::zip::PackProgress progress = [this, &target](double fraction) {
        target.label->setText("Packing... " + std::to_string(std::lround(fraction * 100)) + "%");
        form::runtime().doEvents();
        return !m_cancelPacking;
    };
    std::string error;
    const package::zip::PackOutcome outcome =
        target.installer.empty() ? package::zip::packFolder(Vemko::PackageFolder, packageName, listedFiles(),
                                                            target.path, progress, &error)
                                 : package::zip::packSetup(Vemko::PackageFolder, packageName, listedFiles(),
                                                           target.installer, target.path, progress, &error);

    m_packing = false;
    cmdCancel()->setEnabled(false);
    for (std::size_t i = 0; i < waiting.size(); ++i)
        waiting[i]->setEnabled(wasEnabled[i]);
    target.label->setText(std::string());
    switch (outcome) {
    case package::zip::PackOutcome::Packed:
        target.label->setText(target.doneCaption);
        target.box->setText(target.path);
        target.box->setVisible(true);
        break;
    case package::zip::PackOutcome::Cancelled:
        target.label->setText(target.cancelled);
        break;
    case package::zip::PackOutcome::Failed:
        warn(target.failed + error);
        break;
    }
}

void FrmARDone::cmdCancel_Click()
{
    m_cancelPacking = true;
}

void FrmARDone::cmdNext_Click()
{
    // Without a temp.ini (nothing was ever picked) there is nothing to delete.
    platform::current().deleteFile(Vemko::TempFile());
    form::runtime().endProgram();
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
