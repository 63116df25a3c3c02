#include "WelcomeStep.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace installer {

namespace {

QLabel *valueLabel(QWidget *parent, const char *name, const QString &text, bool rich = false)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(rich ? Qt::RichText : Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(rich ? Qt::TextBrowserInteraction : Qt::TextSelectableByMouse);
    label->setOpenExternalLinks(rich);
    return label;
}

// An address only becomes a link when it looks like one; anything else is shown as written.
QString link(const QString &text, const QString &scheme)
{
    const QString escaped = text.toHtmlEscaped();
    if (text.contains(QLatin1Char(' ')) || text.contains(QLatin1Char('"')))
        return escaped;
    if (scheme == QLatin1String("mailto:") && !text.contains(QLatin1Char('@')))
        return escaped;
    if (scheme.isEmpty() && !text.contains(QLatin1Char('.')))
        return escaped;
    QString target = text;
    if (scheme.isEmpty() && !text.contains(QLatin1String("://")))
        target = QStringLiteral("http://") + text;
    else if (!scheme.isEmpty())
        target = scheme + text;
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), escaped);
}

} // namespace

WelcomeStep::WelcomeStep(const Package &package, QWidget *parent) : Step(parent), m_package(package)
{
    auto *layout = new QVBoxLayout(this);
    auto *intro = valueLabel(this, "lblIntro",
                             QStringLiteral("This program installs %1 into your %2 folder.")
                                 .arg(package.name.isEmpty() ? QStringLiteral("this add-on") : package.name,
                                      gameTitle(package.gameVersion)));
    layout->addWidget(intro);
    layout->addSpacing(8);

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(6);
    auto row = [&](const QString &caption, QLabel *value, bool show) {
        if (show)
            form->addRow(caption, value);
        else
            value->hide();
    };
    row(QStringLiteral("Package:"), valueLabel(this, "lblName", package.name), !package.name.isEmpty());
    row(QStringLiteral("Author:"), valueLabel(this, "lblAuthor", package.author), !package.author.isEmpty());
    row(QStringLiteral("E-mail:"),
        valueLabel(this, "lblEmail", link(package.email, QStringLiteral("mailto:")), true),
        !package.email.isEmpty());
    row(QStringLiteral("Web site:"), valueLabel(this, "lblWWW", link(package.www, QString()), true),
        !package.www.isEmpty());
    row(QStringLiteral("Copyright:"), valueLabel(this, "lblCopyright", package.copyright),
        !package.copyright.isEmpty());
    const QString game = package.gameVersion
                             ? gameTitle(package.gameVersion)
                             : QStringLiteral("Midtown Madness (the package does not say which)");
    row(QStringLiteral("Needs:"), valueLabel(this, "lblGame", game), true);

    qint64 bytes = 0;
    for (const QString &name : package.files)
        bytes += QFileInfo(package.pathOf(name)).size();
    row(QStringLiteral("Files:"),
        valueLabel(this, "lblFiles",
                   QStringLiteral("%1 (%2)").arg(
                       package.files.join(QStringLiteral(", ")),
                       QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat))),
        true);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addWidget(valueLabel(this, "lblHowTo",
                                 QStringLiteral("Click Continue to go on, or Cancel to leave "
                                                "without changing anything.")));
}

QString WelcomeStep::title() const
{
    return m_package.name.isEmpty() ? QStringLiteral("Welcome")
                                    : QStringLiteral("Welcome to %1").arg(m_package.name);
}

QString WelcomeStep::subtitle() const
{
    return QStringLiteral("An add-on for %1").arg(gameTitle(m_package.gameVersion));
}

} // namespace installer
