#include "DoneStep.h"

#include <algorithm>
#include <set>

#include <QDir>
#include <QLabel>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

namespace installer {

namespace {

QString paragraph(const std::string &heading, const std::vector<std::string> &names)
{
    QString list;
    for (const std::string &name : names)
        list += QStringLiteral("<br>&nbsp;&nbsp;&nbsp;") + qt(name).toHtmlEscaped();
    return QStringLiteral("<p><b>%1</b>%2</p>").arg(qt(heading).toHtmlEscaped(), list);
}

QString folderLink(const QString &folder)
{
    const QString shown = QDir::toNativeSeparators(folder).toHtmlEscaped();
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(QUrl::fromLocalFile(folder).toString().toHtmlEscaped(), shown);
}

// What became of the files in the end. The removal names a file once among those removed and
// put back, but several installations of the package may each leave it; the player sees it once,
// as left, since it is not what it was before the package came.
struct FinalOutcomes
{
    std::vector<std::string> removed;
    std::vector<std::string> restored;
    std::vector<std::string> left; // lines: "<name>: <reason>"
};

FinalOutcomes finalOutcomes(const UninstallResult &result)
{
    FinalOutcomes outcomes;
    std::set<std::string> named;
    for (const LeftFile &file : result.left) {
        named.insert(file.name);
        outcomes.left.push_back(texts::leftLine(file));
    }
    for (const std::string &name : result.removed) {
        if (!named.count(name))
            outcomes.removed.push_back(name);
    }
    for (const std::string &name : result.restored) {
        if (!named.count(name))
            outcomes.restored.push_back(name);
    }
    return outcomes;
}

} // namespace

DoneStep::DoneStep(const Package &package, QWidget *parent) : Step(parent), m_package(package)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    m_lblSummary = new QLabel(scroll);
    m_lblSummary->setObjectName(QStringLiteral("lblSummary"));
    m_lblSummary->setTextFormat(Qt::RichText);
    m_lblSummary->setWordWrap(true);
    m_lblSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblSummary->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_lblSummary->setOpenExternalLinks(true);
    m_lblSummary->setContentsMargins(9, 9, 9, 9);
    scroll->setWidget(m_lblSummary);
    layout->addWidget(scroll);
}

QString DoneStep::title() const
{
    return qt(m_removal ? texts::removedTitle(m_ok) : texts::doneTitle(m_ok));
}

QString DoneStep::subtitle() const
{
    return qt(m_removal ? texts::removedSubtitle(m_package, m_ok) : texts::doneSubtitle(m_package, m_ok));
}

void DoneStep::showResult(const InstallResult &result, const QString &gameFolder)
{
    m_ok = result.ok;
    m_removal = false;
    QString html;
    if (result.ok) {
        // The folder goes in as a link, so the text is escaped around it.
        const QString marker = QStringLiteral("\x01");
        html += QStringLiteral("<p>%1</p>")
                    .arg(qt(texts::copiedInto(utf8(marker)))
                             .toHtmlEscaped()
                             .replace(marker, folderLink(gameFolder)));
    } else {
        html += QStringLiteral("<p>%1</p>").arg(qt(result.error).toHtmlEscaped());
    }
    if (!result.installed.empty()) {
        std::vector<std::string> installed;
        for (const std::string &name : result.installed) {
            const bool replaced =
                std::find(result.replaced.begin(), result.replaced.end(), name) != result.replaced.end();
            installed.push_back(replaced ? name + texts::replacedMark() : name);
        }
        html += paragraph(texts::installedHeading(), installed);
    }
    if (!result.skipped.empty())
        html += paragraph(texts::skippedHeading(), result.skipped);
    if (!result.notInstalled.empty())
        html += paragraph(texts::notInstalledHeading(), result.notInstalled);
    if (!result.backupFolder.empty()) {
        html +=
            QStringLiteral("<p><b>%1</b> %2<br>%3<br>%4</p>")
                .arg(qt(texts::backupHeading()).toHtmlEscaped(), qt(texts::backupKeptIn()).toHtmlEscaped(),
                     folderLink(qt(result.backupFolder)), qt(texts::backupUndo()).toHtmlEscaped());
    }
    m_lblSummary->setText(html);
}

void DoneStep::showRemoval(const UninstallResult &result)
{
    m_ok = result.ok;
    m_removal = true;
    QString html;
    if (!result.error.empty())
        html += QStringLiteral("<p>%1</p>").arg(qt(result.error).toHtmlEscaped());
    const FinalOutcomes outcomes = finalOutcomes(result);
    if (!outcomes.removed.empty())
        html += paragraph(texts::removedHeading(), outcomes.removed);
    if (!outcomes.restored.empty())
        html += paragraph(texts::restoredHeading(), outcomes.restored);
    if (!outcomes.left.empty())
        html += paragraph(texts::leftHeading(), outcomes.left);
    m_lblSummary->setText(html);
}

} // namespace installer
