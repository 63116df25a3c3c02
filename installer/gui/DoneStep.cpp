#include "DoneStep.h"

#include <QDir>
#include <QLabel>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

namespace installer {

namespace {

QString paragraph(const QString &heading, const QStringList &names)
{
    QString list;
    for (const QString &name : names)
        list += QStringLiteral("<br>&nbsp;&nbsp;&nbsp;") + name.toHtmlEscaped();
    return QStringLiteral("<p><b>%1</b>%2</p>").arg(heading.toHtmlEscaped(), list);
}

QString folderLink(const QString &folder)
{
    const QString shown = QDir::toNativeSeparators(folder).toHtmlEscaped();
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(QUrl::fromLocalFile(folder).toString().toHtmlEscaped(), shown);
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
    return m_ok ? QStringLiteral("Installation Complete") : QStringLiteral("Installation Stopped");
}

QString DoneStep::subtitle() const
{
    const QString name = m_package.name.isEmpty() ? QStringLiteral("The package") : m_package.name;
    return m_ok ? QStringLiteral("%1 is ready to play.").arg(name)
                : QStringLiteral("%1 was not installed completely.").arg(name);
}

void DoneStep::showResult(const InstallResult &result, const QString &gameFolder)
{
    m_ok = result.ok;
    QString html;
    if (result.ok)
        html += QStringLiteral("<p>The files were copied into %1.</p>").arg(folderLink(gameFolder));
    else
        html += QStringLiteral("<p>%1</p>").arg(result.error.toHtmlEscaped());
    if (!result.installed.isEmpty()) {
        QStringList installed;
        for (const QString &name : result.installed)
            installed.append(result.replaced.contains(name) ? name + QStringLiteral(" (replaced)") : name);
        html += paragraph(QStringLiteral("Installed:"), installed);
    }
    if (!result.skipped.isEmpty())
        html +=
            paragraph(QStringLiteral("Skipped (the files in the game folder were kept):"), result.skipped);
    if (!result.notInstalled.isEmpty())
        html += paragraph(QStringLiteral("Not installed:"), result.notInstalled);
    if (!result.backupFolder.isEmpty()) {
        html += QStringLiteral("<p><b>Backup:</b> the files that were replaced are kept in<br>%1<br>"
                               "Copy them back into the game folder to undo the change.</p>")
                    .arg(folderLink(result.backupFolder));
    }
    m_lblSummary->setText(html);
}

} // namespace installer
