#include "FrmARReadmeLocation.h"

#include <string>

#include "FrmARNew1.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"

namespace {

const std::string Instruction =
    "Please locate your AR Package Readme file.  It must be in the .RTF or .TXT formats.  "
    "Information will appear here.";

} // namespace

FrmARReadmeLocation::FrmARReadmeLocation() : Page(layout()) {}

FrmARReadmeLocation::~FrmARReadmeLocation() = default;

form::PageLayout FrmARReadmeLocation::layout()
{
    form::PageLayout page;
    page.title = "Locate Readme File";
    page.nextCaption = "&Open";
    page.controls = BrowsePanel::controls({.drive = {1140, 870, 5460, 360},
                                           .dir = {1140, 1290, 5460, 1170},
                                           .file = {1140, 2520, 5460, 750},
                                           .labelLeft = 240,
                                           .labelWidth = 840},
                                          "*.rtf;*.txt");
    page.controls.push_back({.kind = form::Kind::Label,
                             .name = "lblPath",
                             .caption = Instruction,
                             .place = {240, 3330, 6360, 750},
                             .flags = form::style::WordWrap});
    return page;
}

void FrmARReadmeLocation::build(form::Window &w)
{
    m_lists = std::make_unique<BrowsePanel>(w);
    m_file = m_lists->File1();
    m_lblPath = &w.control<form::Label>("lblPath");

    m_file->Click = [this] { File1_Click(); };
    m_file->PathChange = [this] { File1_PathChange(); };
    w.control<form::Button>("cmdNext").Click = [this] { cmdNext_Click(); };
    w.control<form::Button>("cmdCancel").Click = [this] { cmdCancel_Click(); };
}

void FrmARReadmeLocation::File1_Click()
{
    const std::string name = m_file->fileName();
    m_lblPath->setText("Absolute Path: " + m_file->path() + platform::separator() + name + "\r\n" +
                       "File Name: " + name);
}

void FrmARReadmeLocation::File1_PathChange()
{
    // Another folder clears the selection: information already shown follows the file
    // list's folder, with no file named, rather than naming a file no longer selected.
    // The instruction stays until the first click.
    if (m_lblPath->text() != Instruction)
        File1_Click();
}

void FrmARReadmeLocation::cmdNext_Click()
{
    const std::string name = m_file->fileName();
    if (name.empty()) {
        form::runtime().messageBox(
            "Please select the readme file first: click an .RTF or .TXT file in the file list.",
            form::MB_ICONINFORMATION, std::string(package::WindowCaption));
        return;
    }
    WriteINI(Vemko::TempFile(), package::text(package::section::Main), package::text(package::key::Readme),
             name);
    const std::string source = m_file->path() + platform::separator() + name;
    std::string error;
    // A readme picked from the package folder itself is already in place.
    if (platform::current().copyFile(source, Vemko::PackageFile(name), &error) ==
        platform::CopyOutcome::Failed) {
        form::runtime().messageBox("The readme file could not be copied into the package folder:\r\n" + error,
                                   form::MB_ICONWARNING, std::string(package::WindowCaption));
        return;
    }
    frmARNew1().txtReadme()->setText(name);
    unload();
}

void FrmARReadmeLocation::cmdCancel_Click()
{
    unload();
}

void FrmARReadmeLocation::frameCloseRequested()
{
    cmdCancel_Click();
}
