#include "FrmARReadmeLocation.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "BrowsePanel.h"
#include "FileList.h"
#include "FrmARNew1.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "Widgets.h"

namespace {

const QString Instruction =
    QStringLiteral("Please locate your AR Package Readme file.  It must be in the .RTF or .TXT formats.  "
                   "Information will appear here.");

} // namespace

FrmARReadmeLocation::FrmARReadmeLocation() : Page(QStringLiteral("Locate Readme File")) {}

void FrmARReadmeLocation::build(PageWindow &w)
{
    m_lists = new BrowsePanel(&w, {{76, 58, 364, 24}, {76, 86, 364, 78}, {76, 168, 364, 50}, 16, 56},
                              QStringLiteral("*.rtf;*.txt"));
    m_file = m_lists->File1();
    m_lblPath = widgets::label(&w, "lblPath", Instruction, {16, 222, 424, 50});
    m_lblPath->setWordWrap(true);
    m_lblPath->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    w.cmdNext->setText(QStringLiteral("&Open"));

    QObject::connect(m_file, &platform::FileList::click, &w, [this] { File1_Click(); });
    QObject::connect(m_file, &platform::FileList::pathChange, &w, [this] { File1_PathChange(); });
    QObject::connect(w.cmdNext, &QPushButton::clicked, &w, [this] { cmdNext_Click(); });
    QObject::connect(w.cmdCancel, &QPushButton::clicked, &w, [this] { cmdCancel_Click(); });
}

void FrmARReadmeLocation::File1_Click()
{
    const QString name = m_file->fileName();
    m_lblPath->setText(QStringLiteral("Absolute Path: ") + m_file->path() + platform::separator() + name +
                       QStringLiteral("\r\n") + QStringLiteral("File Name: ") + name);
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
    const QString name = m_file->fileName();
    if (name.isEmpty()) {
        platform::current().messageBox(
            QStringLiteral(
                "Please select the readme file first: click an .RTF or .TXT file in the file list."),
            platform::MB_ICONINFORMATION, package::windowCaption());
        return;
    }
    WriteINI(Vemko::TempFile(), package::toQt(package::section::Main), package::toQt(package::key::Readme),
             name);
    const QString source = m_file->path() + platform::separator() + name;
    QString error;
    // A readme picked from the package folder itself is already in place.
    if (platform::current().copyFile(source, Vemko::PackageFile(name), &error) ==
        platform::CopyOutcome::Failed) {
        platform::current().messageBox(
            QStringLiteral("The readme file could not be copied into the package folder:\r\n") + error,
            platform::MB_ICONWARNING, package::windowCaption());
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
