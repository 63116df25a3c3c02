#include "FolderStep.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "InstallRecord.h"
#include "Installation.h"
#include "Prompts.h"

namespace installer {

FolderStep::FolderStep(const Package &package, Prompts &prompts, QWidget *parent)
    : Step(parent), m_package(package), m_prompts(prompts)
{
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(qt(texts::folderIntro(package)), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addSpacing(8);

    auto *caption = new QLabel(qt(texts::folderCaption()), this);
    layout->addWidget(caption);
    auto *row = new QHBoxLayout;
    m_txtGameFolder = new QLineEdit(this);
    m_txtGameFolder->setObjectName(QStringLiteral("txtGameFolder"));
    caption->setBuddy(m_txtGameFolder);
    m_cmdBrowse = new QPushButton(qt(texts::browseButton()), this);
    m_cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    row->addWidget(m_txtGameFolder, 1);
    row->addWidget(m_cmdBrowse);
    layout->addLayout(row);

    auto *checkRow = new QHBoxLayout;
    m_lblCheckIcon = new QLabel(this);
    m_lblCheckIcon->setFixedSize(20, 20);
    m_lblCheckIcon->setAlignment(Qt::AlignTop);
    m_lblCheck = new QLabel(this);
    m_lblCheck->setObjectName(QStringLiteral("lblCheck"));
    m_lblCheck->setWordWrap(true);
    m_lblCheck->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    checkRow->addWidget(m_lblCheckIcon, 0, Qt::AlignTop);
    checkRow->addWidget(m_lblCheck, 1);
    layout->addLayout(checkRow);
    layout->addStretch(1);

    auto *note = new QLabel(qt(texts::backupNote()), this);
    note->setWordWrap(true);
    layout->addWidget(note);

    connect(m_cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
    connect(m_txtGameFolder, &QLineEdit::textChanged, this, [this] { txtGameFolder_Change(); });
    txtGameFolder_Change();
}

QString FolderStep::title() const
{
    return qt(texts::folderTitle());
}

QString FolderStep::subtitle() const
{
    return qt(texts::folderSubtitle(m_package));
}

QWidget *FolderStep::firstFocus() const
{
    return m_txtGameFolder;
}

bool FolderStep::isComplete() const
{
    return !m_txtGameFolder->text().trimmed().isEmpty();
}

QString FolderStep::folder() const
{
    return qt(gameFolderFrom(utf8(m_txtGameFolder->text())));
}

void FolderStep::cmdBrowse_Click()
{
    const QString chosen = m_prompts.chooseFolder(window(), folder());
    if (!chosen.isEmpty())
        m_txtGameFolder->setText(QDir::toNativeSeparators(chosen));
}

void FolderStep::txtGameFolder_Change()
{
    QStyle::StandardPixmap icon = QStyle::SP_CustomBase;
    QString text;
    if (isComplete()) {
        const FolderCheck check = checkGameFolder(utf8(folder()), m_package.gameVersion, m_package.folder);
        text = qt(describe(check, m_package.gameVersion));
        icon = !check.usable()        ? QStyle::SP_MessageBoxCritical
               : check.needsWarning() ? QStyle::SP_MessageBoxWarning
                                      : QStyle::SP_DialogApplyButton;
    }
    m_holdsPackage = isComplete() && !installationsOf(utf8(folder()), m_package.name).empty();
    m_lblCheck->setText(text);
    m_lblCheckIcon->setPixmap(icon == QStyle::SP_CustomBase ? QPixmap()
                                                            : style()->standardIcon(icon).pixmap(16, 16));
    emit completeChanged();
}

bool FolderStep::confirm()
{
    const FolderCheck check = checkGameFolder(utf8(folder()), m_package.gameVersion, m_package.folder);
    if (!check.usable()) {
        m_prompts.showError(window(), qt(check.error));
        return false;
    }
    if (check.needsWarning() &&
        !m_prompts.confirmOddFolder(window(), qt(describe(check, m_package.gameVersion))))
        return false;
    return true;
}

} // namespace installer
