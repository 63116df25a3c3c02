#include "FrmARAddARFiles.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>

#include "Failure.h"
#include "Files.h"
#include "FrmARCreate.h"
#include "FrmARNew3.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Platform.h"
#include "Text.h"
#include "Vemko.h"

namespace {

// The most bytes a read of a package record gives back.
constexpr std::size_t IniValueLimit = 254;

const std::string FilesSection = package::text(package::section::Files);

std::string readInstall(std::string_view section, std::string_view key)
{
    return ReadINI(Vemko::InstallFile(), package::text(section), package::text(key), std::string());
}

std::string readDescription(std::string_view key)
{
    return readInstall(package::section::Main, key);
}

std::string readFileEntry(int number)
{
    return ReadINI(Vemko::InstallFile(), FilesSection, package::fileKey(number), std::string());
}

void warn(const std::string &text, unsigned icon = form::MB_ICONWARNING)
{
    form::runtime().messageBox(text, icon, package::text(package::WindowCaption));
}

// The classic number-to-text conversion that keeps a position for the sign.
std::string withSignPosition(int number)
{
    return number < 0 ? std::to_string(number) : " " + std::to_string(number);
}

// The classic conversion of text to a number: the leading digits, 0 when there are none
// (or when they make a number too large to hold).
int leadingNumber(std::string_view text)
{
    constexpr std::string_view Blanks = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return 0;
    text.remove_prefix(first);
    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t digits =
        std::find_if(text.begin(), text.end(), [](char c) { return c < '0' || c > '9'; }) - text.begin();
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + digits, value);
    (void)end;
    if (error != std::errc())
        return 0;
    value = negative ? -value : value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(value);
}

// What tells one picked file from another: the file itself, whatever folder link or
// doubled separator led to it; a file gone meanwhile by its path.
std::string fileIdentity(const std::string &path)
{
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(base::files::toPath(path), error);
    return error ? path : base::files::fromPath(canonical);
}

// Two names that land on the same file in the package folder on Windows, which ignores case.
std::string packageFolderKey(const std::string &name)
{
    return base::text::foldCase(name);
}

} // namespace

FrmARAddARFiles::FrmARAddARFiles() : Page(layout()) {}

FrmARAddARFiles::~FrmARAddARFiles() = default;

form::PageLayout FrmARAddARFiles::layout()
{
    using form::Kind;
    form::PageLayout page;
    page.title = "Add .AR File(s)";
    page.backCaption = "&Help";
    page.backEnabled = true;
    page.nextCaption = "&Add";
    page.controls.push_back({.kind = Kind::Label,
                             .name = "lblAmount",
                             .caption = "Amount of files in package: 0",
                             .place = {240, 840, 3300, 270}});
    const std::vector<form::ControlRow> lists = BrowsePanel::controls(
        {{1050, 1170, 2400, 360}, {1050, 1590, 2400, 1110}, {1050, 2760, 2400, 990}, 180, 840}, "*.ar");
    page.controls.insert(page.controls.end(), lists.begin(), lists.end());
    page.controls.push_back({.kind = Kind::Label,
                             .name = "lblAddFile",
                             .caption = "Double-click on a file to add it to your package",
                             .place = {180, 3810, 6480, 270}});
    // The file's name matters more than its folder: a long path shows its end.
    page.controls.push_back({.kind = Kind::ListBox,
                             .name = "lstFile",
                             .place = {3600, 840, 3060, 2910},
                             .flags = form::style::ElideLeft});
    return page;
}

void FrmARAddARFiles::build(form::Window &w)
{
    m_lblAmount = &w.control<form::Label>("lblAmount");
    m_lists = std::make_unique<BrowsePanel>(w);
    m_file = m_lists->File1();
    m_lstFile = &w.control<form::ListBox>("lstFile");

    m_file->DblClick = [this] { File1_DblClick(); };
    w.control<form::Button>("cmdBack").Click = [this] { cmdBack_Click(); };
    w.control<form::Button>("cmdNext").Click = [this] { cmdNext_Click(); };
    w.control<form::Button>("cmdCancel").Click = [this] { cmdCancel_Click(); };
}

BrowsePanel &FrmARAddARFiles::panel()
{
    window();
    return *m_lists;
}

void FrmARAddARFiles::Form_Load()
{
    FileNumber = 0;
    m_recorded.clear();
    m_listedByName.clear();
    // The lists start in the process's current folder; if that folder is gone there
    // is nowhere to browse from, and the page that opens the picker reports it.
    const std::string start = platform::current().currentFolder();
    std::error_code error;
    if (start.empty() || !std::filesystem::is_directory(base::files::toPath(start), error))
        throw platform::Failure(platform::failure::PathNotFound,
                                "Path not found: the current folder no longer exists");
}

void FrmARAddARFiles::File1_DblClick()
{
    if (m_adding || m_file->fileName().empty())
        return;
    if (FileNumber == 32767) {
        warn("No more files can be added in this window: it holds 32767 files already.\r\n"
             "Press Add to put them into the package, then add the others.");
        return;
    }
    const std::string name = m_file->fileName();
    const std::string path = m_file->path() + platform::separator() + name;
    if (!canRecord(name, path))
        return;
    m_recorded.insert(fileIdentity(path));
    m_listedByName.insert_or_assign(packageFolderKey(name), path);

    FileNumber = static_cast<std::int16_t>(FileNumber + 1);
    FileTotal = FileNumber;
    m_lblAmount->setText("Amount of files in package: " + std::to_string(FileTotal));
    m_lstFile->addItem(path);
    WriteINI(Vemko::InstallFile(), FilesSection, package::fileKey(FileNumber), name);
    WriteINI(Vemko::TempFile(), FilesSection, package::fileKey(FileNumber), path);
}

bool FrmARAddARFiles::canRecord(const std::string &name, const std::string &path)
{
    // Recorded twice, the file would be copied twice and listed twice in the package.
    if (m_recorded.contains(fileIdentity(path))) {
        warn("This file is in the list already:\r\n" + path, form::MB_ICONINFORMATION);
        return false;
    }
    // The package folder is flat: a second file of the same name would overwrite the
    // first there, while install.ini listed the name twice.
    if (const auto listed = m_listedByName.find(packageFolderKey(name)); listed != m_listedByName.end()) {
        warn("A file of the same name is in the list already:\r\n" + path + "\r\n" + listed->second +
             "\r\nThe package folder holds its files side by side, and Windows does not tell names apart "
             "by letter case, so one would overwrite the other. Please rename one of the files and add it "
             "again.");
        return false;
    }
    // A read of install.ini or temp.ini gives at most IniValueLimit bytes: a longer
    // name could not be read back by the package's installer, a longer path not by Add.
    const std::string limit = std::to_string(IniValueLimit);
    if (name.size() > IniValueLimit) {
        warn("This file's name is longer than " + limit + " bytes:\r\n" + name +
             "\r\nThe package's installer could not read it, so the package could not be installed. "
             "Please give the file a shorter name and add it again.");
        return false;
    }
    if (path.size() > IniValueLimit) {
        warn("This file's full path is longer than " + limit + " bytes:\r\n" + path +
             "\r\nThe package records could not hold it. Please move the file to a folder with a shorter "
             "path and add it from there.");
        return false;
    }
    return true;
}

void FrmARAddARFiles::cmdBack_Click()
{
    form::runtime().messageBox(
        "*To add an .AR file to your package, double click on the file (the list below the folder list)"
        "\r\n"
        "*Clicking Add will add all the files to the package and close the Add AR Files window",
        form::MB_ICONINFORMATION, "Quernel Vemko Help");
}

void FrmARAddARFiles::cmdNext_Click()
{
    if (m_adding)
        return;
    // Nothing recorded: the copy would name a file that was never picked.
    if (FileTotal < 1) {
        warn(
            "No file was added to the package yet.\r\nDouble-click on an .AR file to add it, then press Add.",
            form::MB_ICONINFORMATION);
        return;
    }

    WriteINI(Vemko::InstallFile(), package::text(package::section::Main),
             package::text(package::key::TotalFiles), withSignPosition(FileTotal));
    // The copy is driven by what install.ini says; if it cannot be written the
    // package cannot be assembled, and saying nothing would pass that off as done.
    if (leadingNumber(readDescription(package::key::TotalFiles)) != FileTotal) {
        warn("The package description could not be written:\r\n" + Vemko::InstallFile() +
             "\r\nCheck that the package folder exists and can be written to.");
        return;
    }

    m_adding = true;
    m_warned.clear();
    setControlsEnabled(false);
    frmARNew3().setAddRunning(true);

    frmARCreate().show();
    copyPickedFiles();
    writeSummary();
    showPackageSize();

    frmARCreate().unload();
    m_adding = false;
    close();
    frmARNew3().setAddRunning(false);
}

void FrmARAddARFiles::copyPickedFiles()
{
    FrmARCreate &create = frmARCreate();
    form::ProgressBar *bar = create.pgbStatus();
    platform::Platform &machine = platform::current();
    create.lblStatus()->setText("Adding Files to Package Folder...");
    bar->setMin(0);
    bar->setMax(leadingNumber(readDescription(package::key::TotalFiles)));
    bar->setValue(0);

    const int last = bar->max();
    for (FileNumber = 0; FileNumber <= last; FileNumber = static_cast<std::int16_t>(FileNumber + 1)) {
        // The last step handles the last file a second time.
        const int k = FileNumber != bar->max() ? FileNumber + 1 : FileNumber;
        const std::string source =
            ReadINI(Vemko::TempFile(), FilesSection, package::fileKey(k), std::string());

        std::string error;
        const std::int64_t size = machine.fileLength(source, &error);
        if (size < 0) {
            warnOnce(k, source, error);
        } else {
            create.lblStatus()->setText("Adding File (" + std::to_string(FileNumber) + " of " +
                                        readDescription(package::key::TotalFiles) +
                                        "), Size: " + std::to_string(size) + " bytes");
        }
        form::runtime().doEvents();

        if (size >= 0) {
            const std::string target = Vemko::PackageFile(readFileEntry(k));
            // A file picked from the package folder itself is already in place.
            if (machine.copyFile(source, target, &error) == platform::CopyOutcome::Failed)
                warnOnce(k, source, error);
        }
        bar->setValue(FileNumber);
        form::runtime().doEvents();
        if (FileNumber == 32767)
            break; // the counter cannot go further
    }
}

void FrmARAddARFiles::warnOnce(int fileNumber, const std::string &what, const std::string &error)
{
    if (!m_warned.insert(fileNumber).second)
        return;
    warn("File " + std::to_string(fileNumber) + " (" + what + ") was not added to the package:\r\n" + error);
}

void FrmARAddARFiles::writeSummary()
{
    // The summary is built line by line and put into the box once: setting the
    // box at every line would lay the whole text out again for each file.
    std::string text = "Package Name: " + readDescription(package::key::Name);
    const auto append = [&text](const std::string &line) { text += "\r\n" + line; };
    append("Author's Name: " + readDescription(package::key::Author));
    append("Author's Email Address: " + readDescription(package::key::AuthEmail));
    append("Author's Copyright: " + readDescription(package::key::Copyright));
    append("Total Number of Files: " + readDescription(package::key::TotalFiles));
    append("Readme Delay Timer: " + readDescription(package::key::Timer));
    append("Midtown Madness Version Needed: " + readDescription(package::key::mmType));
    append("Author's Web Site: " + readDescription(package::key::WWW));
    append("Readme File: " + readDescription(package::key::Readme));
    append("Progress Bar Display: Smooth=" +
           readInstall(package::section::ProgressBar, package::key::Smooth));

    const int last = frmARCreate().pgbStatus()->max();
    for (FileNumber = 1; FileNumber <= last; FileNumber = static_cast<std::int16_t>(FileNumber + 1)) {
        append(package::fileKey(FileNumber) + ": " + readFileEntry(FileNumber));
        if (FileNumber == 32767)
            break;
    }
    frmARNew3().txtFiles()->setText(text);
}

// The package's size is that of the files install.ini lists, the .AR files and the
// readme, as they are in the package folder: what the player's installer puts into
// the game. install.ini, setup.exe and temp.ini are not counted; a name listed twice
// counts once, a file missing from the folder not at all.
void FrmARAddARFiles::showPackageSize()
{
    std::set<std::string> names{readDescription(package::key::Readme)};
    const int total = leadingNumber(readDescription(package::key::TotalFiles));
    for (int k = 1; k <= total; ++k)
        names.insert(readFileEntry(k));
    names.erase(std::string());
    std::int64_t bytes = 0;
    for (const std::string &name : names)
        bytes += std::max<std::int64_t>(0, platform::current().fileLength(Vemko::PackageFile(name)));
    frmARNew3().showPackageSize(bytes);
}

void FrmARAddARFiles::setControlsEnabled(bool enabled)
{
    for (form::Button *button : {cmdBack(), cmdNext(), cmdCancel()})
        button->setEnabled(enabled);
    m_lists->setEnabled(enabled);
}

void FrmARAddARFiles::close()
{
    unload();
    frmARNew3().pickerClosed();
}

void FrmARAddARFiles::cmdCancel_Click()
{
    if (m_adding)
        return;
    // Closes the picker; the records written so far stay.
    close();
}

void FrmARAddARFiles::frameCloseRequested()
{
    cmdCancel_Click();
}
