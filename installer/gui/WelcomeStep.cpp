#include "WelcomeStep.h"

#include <filesystem>

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "Files.h"

namespace installer {

namespace {

QLabel *valueLabel(QWidget *parent, const char *name, const QString &text, bool rich = false)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(rich ? Qt::RichText : Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    // Links open by mouse; Tab goes from control to control and never stops in a label.
    label->setTextInteractionFlags(rich ? Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse
                                        : Qt::TextSelectableByMouse);
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
    auto *intro = valueLabel(this, "lblIntro", qt(texts::welcomeIntro(package)));
    layout->addWidget(intro);
    layout->addSpacing(8);

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(6);
    auto row = [&](const std::string &caption, QLabel *value, bool show) {
        if (show)
            form->addRow(qt(caption), value);
        else
            value->hide();
    };
    row(texts::packageCaption(), valueLabel(this, "lblName", qt(package.name)), !package.name.empty());
    row(texts::authorCaption(), valueLabel(this, "lblAuthor", qt(package.author)), !package.author.empty());
    row(texts::emailCaption(),
        valueLabel(this, "lblEmail", link(qt(package.email), QStringLiteral("mailto:")), true),
        !package.email.empty());
    row(texts::webSiteCaption(), valueLabel(this, "lblWWW", link(qt(package.www), QString()), true),
        !package.www.empty());
    row(texts::copyrightCaption(), valueLabel(this, "lblCopyright", qt(package.copyright)),
        !package.copyright.empty());
    row(texts::needsCaption(), valueLabel(this, "lblGame", qt(texts::neededGame(package))), true);

    std::uint64_t bytes = 0;
    for (const std::string &name : package.files) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(base::files::toPath(package.pathOf(name)), ec);
        bytes += ec ? 0 : size;
    }
    row(texts::filesCaption(), valueLabel(this, "lblFiles", qt(texts::fileList(package, bytes))), true);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addWidget(valueLabel(this, "lblHowTo", qt(texts::welcomeHowTo())));
}

QString WelcomeStep::title() const
{
    return qt(texts::welcomeTitle(m_package));
}

QString WelcomeStep::subtitle() const
{
    return qt(texts::welcomeSubtitle(m_package));
}

} // namespace installer
