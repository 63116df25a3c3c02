#include "FrmARAddARFiles.h"

#include <algorithm>
#include <string_view>

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>

#include "BrowsePanel.h"
#include "Failure.h"
#include "FileList.h"
#include "FrmARCreate.h"
#include "FrmARNew3.h"
#include "IniFuncs.h"
#include "MultiLineTextBox.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Platform.h"
#include "ProgressBar.h"
#include "Text.h"
#include "Vemko.h"
#include "Widgets.h"

namespace {

// The most bytes a read of a package record gives back.
constexpr int IniValueLimit = 254;

const QString FilesSection = package::toQt(package::section::Files);

QString readInstall(std::string_view section, std::string_view key)
{
    return ReadINI(Vemko::InstallFile(), package::toQt(section), package::toQt(key), QString());
}

QString readDescription(std::string_view key)
{
    return readInstall(package::section::Main, key);
}

QString readFileEntry(int number)
{
    return ReadINI(Vemko::InstallFile(), FilesSection, package::fileKey(number), QString());
}

// The classic number-to-text conversion that keeps a position for the sign.
QString withSignPosition(int number)
{
    return number < 0 ? QString::number(number) : QStringLiteral(" ") + QString::number(number);
}

// The classic conversion of text to a number: the leading digits, 0 when there are none.
int leadingNumber(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == QLatin1Char('-') || t[end] == QLatin1Char('+')))
        ++end;
    while (end < t.size() && t[end].isDigit())
        ++end;
    return t.left(end).toInt();
}

// What tells one picked file from another: the file itself, whatever folder link or
// doubled separator led to it; a file gone meanwhile by its path.
QString fileIdentity(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// Two names that land on the same file in the package folder on Windows, which ignores case.
QString packageFolderKey(const QString &name)
{
    return package::toQt(base::text::foldCase(name.toStdString()));
}

// Rows that ask for no width of their own are laid out as wide as the list: a long
// path is then elided on the left, showing the file's name, where the list would
// otherwise grow a horizontal scroll bar and show the start of the folder.
class ListWideRows : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {0, QStyledItemDelegate::sizeHint(option, index).height()};
    }
};

} // namespace

FrmARAddARFiles::FrmARAddARFiles() : Page(QStringLiteral("Add .AR File(s)")) {}

void FrmARAddARFiles::build(PageWindow &w)
{
    m_lblAmount =
        widgets::label(&w, "lblAmount", QStringLiteral("Amount of files in package: 0"), {16, 56, 220, 18});
    m_lists = new BrowsePanel(&w, {{70, 78, 160, 24}, {70, 106, 160, 74}, {70, 184, 160, 66}, 12, 56},
                              QStringLiteral("*.ar"));
    m_file = m_lists->File1();
    widgets::label(&w, "lblAddFile", QStringLiteral("Double-click on a file to add it to your package"),
                   {12, 254, 432, 18});
    m_lstFile = new QListWidget(&w);
    m_lstFile->setObjectName(QStringLiteral("lstFile"));
    m_lstFile->setGeometry(240, 56, 204, 194);
    m_lstFile->setTextElideMode(Qt::ElideLeft); // the file's name matters more than its folder
    m_lstFile->setItemDelegate(new ListWideRows(m_lstFile));
    w.cmdBack->setText(QStringLiteral("&Help"));
    w.cmdBack->setEnabled(true);
    w.cmdNext->setText(QStringLiteral("&Add"));

    QObject::connect(m_file, &platform::FileList::dblClick, &w, [this] { File1_DblClick(); });
    QObject::connect(w.cmdBack, &QPushButton::clicked, &w, [this] { cmdBack_Click(); });
    QObject::connect(w.cmdNext, &QPushButton::clicked, &w, [this] { cmdNext_Click(); });
    QObject::connect(w.cmdCancel, &QPushButton::clicked, &w, [this] { cmdCancel_Click(); });
}

void FrmARAddARFiles::Form_Load()
{
    FileNumber = 0;
    m_recorded.clear();
    m_listedByName.clear();
    // The lists start in the process's current folder; if that folder is gone there
    // is nowhere to browse from, and the page that opens the picker reports it.
    const QString start = QDir::currentPath();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        throw platform::Failure(platform::failure::PathNotFound,
                                QStringLiteral("Path not found: the current folder no longer exists"));
}

void FrmARAddARFiles::File1_DblClick()
{
    if (m_adding || m_file->fileName().isEmpty())
        return;
    if (FileNumber == 32767) {
        platform::current().messageBox(
            QStringLiteral("No more files can be added in this window: it holds 32767 files already.\r\n"
                           "Press Add to put them into the package, then add the others."),
            platform::MB_ICONWARNING, package::windowCaption());
        return;
    }
    const QString name = m_file->fileName();
    const QString path = m_file->path() + platform::separator() + name;
    if (!canRecord(name, path))
        return;
    m_recorded.insert(fileIdentity(path));
    m_listedByName.insert(packageFolderKey(name), path);

    FileNumber = static_cast<qint16>(FileNumber + 1);
    FileTotal = FileNumber;
    m_lblAmount->setText(QStringLiteral("Amount of files in package: ") + QString::number(FileTotal));
    auto *line = new QListWidgetItem(path, m_lstFile);
    line->setToolTip(path);
    m_lstFile->scrollToItem(line);
    WriteINI(Vemko::InstallFile(), FilesSection, package::fileKey(FileNumber), name);
    WriteINI(Vemko::TempFile(), FilesSection, package::fileKey(FileNumber), path);
}

bool FrmARAddARFiles::canRecord(const QString &name, const QString &path)
{
    const auto warn = [](const QString &text) {
        platform::current().messageBox(text, platform::MB_ICONWARNING, package::windowCaption());
        return false;
    };
    // Recorded twice, the file would be copied twice and listed twice in the package.
    if (m_recorded.contains(fileIdentity(path))) {
        platform::current().messageBox(QStringLiteral("This file is in the list already:\r\n") + path,
                                       platform::MB_ICONINFORMATION, package::windowCaption());
        return false;
    }
    // The package folder is flat: a second file of the same name would overwrite the
    // first there, while install.ini listed the name twice.
    if (const auto listed = m_listedByName.constFind(packageFolderKey(name));
        listed != m_listedByName.cend()) {
        return warn(
            QStringLiteral("A file of the same name is in the list already:\r\n") + path +
            QStringLiteral("\r\n") + *listed +
            QStringLiteral("\r\nThe package folder holds its files side by side, and Windows does not "
                           "tell names apart by letter case, so one would overwrite the other. Please "
                           "rename one of the files and add it again."));
    }
    // A read of install.ini or temp.ini gives at most IniValueLimit bytes: a longer
    // name could not be read back by the package's installer, a longer path not by Add.
    if (name.toUtf8().size() > IniValueLimit) {
        return warn(QStringLiteral("This file's name is longer than %1 bytes:\r\n").arg(IniValueLimit) +
                    name +
                    QStringLiteral("\r\nThe package's installer could not read it, so the package could not "
                                   "be installed. Please give the file a shorter name and add it again."));
    }
    if (path.toUtf8().size() > IniValueLimit) {
        return warn(QStringLiteral("This file's full path is longer than %1 bytes:\r\n").arg(IniValueLimit) +
                    path +
                    QStringLiteral("\r\nThe package records could not hold it. Please move the file to a "
                                   "folder with a shorter path and add it from there."));
    }
    return true;
}

void FrmARAddARFiles::cmdBack_Click()
{
    platform::current().messageBox(
        QStringLiteral(
            "*To add an .AR file to your package, double click on the file (the list below the folder "
            "list)") +
            QStringLiteral("\r\n") +
            QStringLiteral(
                "*Clicking Add will add all the files to the package and close the Add AR Files window"),
        platform::MB_ICONINFORMATION, QStringLiteral("Quernel Vemko Help"));
}

void FrmARAddARFiles::cmdNext_Click()
{
    if (m_adding)
        return;
    // Nothing recorded: the copy would name a file that was never picked.
    if (FileTotal < 1) {
        platform::current().messageBox(
            QStringLiteral(
                "No file was added to the package yet.\r\nDouble-click on an .AR file to add it, then "
                "press Add."),
            platform::MB_ICONINFORMATION, package::windowCaption());
        return;
    }

    WriteINI(Vemko::InstallFile(), package::toQt(package::section::Main),
             package::toQt(package::key::TotalFiles), withSignPosition(FileTotal));
    // The copy is driven by what install.ini says; if it cannot be written the
    // package cannot be assembled, and saying nothing would pass that off as done.
    if (leadingNumber(readDescription(package::key::TotalFiles)) != FileTotal) {
        platform::current().messageBox(
            QStringLiteral("The package description could not be written:\r\n") + Vemko::InstallFile() +
                QStringLiteral("\r\nCheck that the package folder exists and can be written to."),
            platform::MB_ICONWARNING, package::windowCaption());
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
    platform::ProgressBar *bar = create.pgbStatus();
    create.lblStatus()->setText(QStringLiteral("Adding Files to Package Folder..."));
    bar->setMin(0);
    bar->setMax(leadingNumber(readDescription(package::key::TotalFiles)));
    bar->setValue(0);

    const int last = bar->max();
    for (FileNumber = 0; FileNumber <= last; FileNumber = static_cast<qint16>(FileNumber + 1)) {
        // The last step handles the last file a second time.
        const int k = FileNumber != bar->max() ? FileNumber + 1 : FileNumber;
        const QString source = ReadINI(Vemko::TempFile(), FilesSection, package::fileKey(k), QString());

        QString error;
        const qint64 size = platform::current().fileLength(source, &error);
        if (size < 0) {
            warnOnce(k, source, error);
        } else {
            create.lblStatus()->setText(QStringLiteral("Adding File (") + QString::number(FileNumber) +
                                        QStringLiteral(" of ") + readDescription(package::key::TotalFiles) +
                                        QStringLiteral("), Size: ") + QString::number(size) +
                                        QStringLiteral(" bytes"));
        }
        platform::current().doEvents();

        if (size >= 0) {
            const QString target = Vemko::PackageFile(readFileEntry(k));
            // A file picked from the package folder itself is already in place.
            if (platform::current().copyFile(source, target, &error) == platform::CopyOutcome::Failed)
                warnOnce(k, source, error);
        }
        bar->setValue(FileNumber);
        platform::current().doEvents();
        if (FileNumber == 32767)
            break; // the counter cannot go further
    }
}

void FrmARAddARFiles::warnOnce(int fileNumber, const QString &what, const QString &error)
{
    if (m_warned.contains(fileNumber))
        return;
    m_warned.insert(fileNumber);
    platform::current().messageBox(QStringLiteral("File %1 (%2) was not added to the package:\r\n%3")
                                       .arg(QString::number(fileNumber), what, error),
                                   platform::MB_ICONWARNING, package::windowCaption());
}

void FrmARAddARFiles::writeSummary()
{
    // The summary is built line by line and put into the box once: setting the
    // box at every line would lay the whole text out again for each file.
    QString text = QStringLiteral("Package Name: ") + readDescription(package::key::Name);
    const auto append = [&text](const QString &line) { text += QStringLiteral("\r\n") + line; };
    append(QStringLiteral("Author's Name: ") + readDescription(package::key::Author));
    append(QStringLiteral("Author's Email Address: ") + readDescription(package::key::AuthEmail));
    append(QStringLiteral("Author's Copyright: ") + readDescription(package::key::Copyright));
    append(QStringLiteral("Total Number of Files: ") + readDescription(package::key::TotalFiles));
    append(QStringLiteral("Readme Delay Timer: ") + readDescription(package::key::Timer));
    append(QStringLiteral("Midtown Madness Version Needed: ") + readDescription(package::key::mmType));
    append(QStringLiteral("Author's Web Site: ") + readDescription(package::key::WWW));
    append(QStringLiteral("Readme File: ") + readDescription(package::key::Readme));
    append(QStringLiteral("Progress Bar Display: Smooth=") +
           readInstall(package::section::ProgressBar, package::key::Smooth));

    const int last = frmARCreate().pgbStatus()->max();
    for (FileNumber = 1; FileNumber <= last; FileNumber = static_cast<qint16>(FileNumber + 1)) {
        append(package::fileKey(FileNumber) + QStringLiteral(": ") + readFileEntry(FileNumber));
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
    QSet<QString> names{readDescription(package::key::Readme)};
    const int total = leadingNumber(readDescription(package::key::TotalFiles));
    for (int k = 1; k <= total; ++k)
        names.insert(readFileEntry(k));
    names.remove(QString());
    qint64 bytes = 0;
    for (const QString &name : names)
        bytes += std::max<qint64>(0, platform::current().fileLength(Vemko::PackageFile(name)));
    frmARNew3().showPackageSize(bytes);
}

void FrmARAddARFiles::setControlsEnabled(bool enabled)
{
    PageWindow &w = window();
    for (QPushButton *button : {w.cmdBack, w.cmdNext, w.cmdCancel})
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
