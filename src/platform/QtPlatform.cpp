#include "QtPlatform.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include "FileOps.h"
#include "Wine.h"

namespace platform {

namespace {

// A message box grows as wide as its longest unbreakable run of text, and a long
// path has no blank to wrap at. In words longer than LongWord characters, invisible
// break opportunities after each separator, and at least every Chunk characters,
// let the box wrap them within its usual width, lines filled nearly to the edge.
QString withBreakablePaths(const QString &text)
{
    constexpr qsizetype LongWord = 32;
    constexpr qsizetype Chunk = 8;
    const QChar zeroWidthSpace(0x200B);
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size();) {
        if (text[i].isSpace()) {
            out += text[i++];
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        const QStringView word = QStringView(text).mid(i, end - i);
        if (word.size() <= LongWord) {
            out += word;
        } else {
            qsizetype run = 0;
            for (const QChar c : word) {
                out += c;
                if (c == QLatin1Char('/') || c == QLatin1Char('\\') || ++run >= Chunk) {
                    out += zeroWidthSpace;
                    run = 0;
                }
            }
        }
        i = end;
    }
    return out;
}

} // namespace

int QtPlatform::messageBox(const QString &text, unsigned flags, const QString &title)
{
    QMessageBox box;
    box.setWindowTitle(title);
    // The texts use CR LF between lines; a label wants plain line feeds.
    box.setText(withBreakablePaths(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
    box.setTextFormat(Qt::PlainText);

    switch (flags & 0xF0) {
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }

    if ((flags & 0xF) == MB_YESNO) {
        QPushButton *yes = box.addButton(QMessageBox::Yes);
        QPushButton *no = box.addButton(QMessageBox::No);
        box.setDefaultButton((flags & MB_DEFBUTTON2) ? no : yes);
        box.setEscapeButton(no);
    } else {
        box.setDefaultButton(box.addButton(QMessageBox::Ok));
    }

    box.setWindowModality(Qt::ApplicationModal);
    // A system-modal box stays in front of every window until it is answered. Set
    // last: adding buttons and setting the modality reset the window flags.
    if (flags & MB_SYSTEMMODAL)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);

    const int result = box.exec();
    if (result == QMessageBox::Yes)
        return IDYES;
    if (result == QMessageBox::No)
        return IDNO;
    return IDOK;
}

QString QtPlatform::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

bool QtPlatform::createFolder(const QString &path, QString *error)
{
    return fileops::createFolder(path, error);
}

CopyOutcome QtPlatform::copyFile(const QString &source, const QString &target, QString *error)
{
    // Large files keep the windows live: events run between the chunks.
    return fileops::copyFile(source, target, error, [this] { doEvents(); });
}

bool QtPlatform::deleteFile(const QString &path, QString *error)
{
    return fileops::deleteFile(path, error);
}

qint64 QtPlatform::fileLength(const QString &path, QString *error)
{
    return fileops::fileLength(path, error);
}

bool QtPlatform::startProgram(const QString &path, const QStringList &arguments, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        if (error)
            *error = QStringLiteral("%1: No such file or directory").arg(path);
        return false;
    }
    if (!info.isExecutable()) {
        if (error)
            *error = QStringLiteral("%1: Permission denied").arg(path);
        return false;
    }
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    if (!process.startDetached()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, process.errorString());
        return false;
    }
    return true;
}

bool QtPlatform::openFolder(const QString &path, QString *error)
{
    if (!QFileInfo(path).isDir()) {
        if (error)
            *error = QStringLiteral("%1: No such folder").arg(path);
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        if (error)
            *error = QStringLiteral("%1: no file manager could be started to show it").arg(path);
        return false;
    }
    return true;
}

QString QtPlatform::wineLauncher() const
{
    return findWineLauncher(QProcessEnvironment::systemEnvironment());
}

void QtPlatform::doEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtPlatform::endProgram()
{
    fileops::removePendingFiles();
    std::fflush(nullptr);
    // Every INI write is already complete on disk, so nothing needs to run on the way out;
    // no page handler and no destructor runs.
    std::_Exit(0);
}

} // namespace platform
