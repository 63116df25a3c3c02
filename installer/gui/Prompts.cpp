#include "Prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace installer {

ReplaceAnswer MessageBoxPrompts::askReplace(QWidget *parent, const QString &fileName)
{
    QMessageBox box(
        QMessageBox::Question, parent ? parent->windowTitle() : QString(),
        QStringLiteral("%1 is in the game folder already.\n\nReplace it? The present file is kept in "
                       "the backup folder, so you can put it back later.")
            .arg(fileName),
        QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton *all = box.addButton(QStringLiteral("Yes to &All"), QMessageBox::YesRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    if (box.clickedButton() == all)
        return ReplaceAnswer::YesToAll;
    return box.clickedButton() == yes ? ReplaceAnswer::Yes : ReplaceAnswer::No;
}

bool MessageBoxPrompts::confirmOddFolder(QWidget *parent, const QString &description)
{
    return QMessageBox::warning(parent, parent ? parent->windowTitle() : QString(),
                                description + QStringLiteral("\n\nInstall into this folder anyway?"),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxPrompts::showError(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, parent ? parent->windowTitle() : QStringLiteral("Setup"), text);
}

bool MessageBoxPrompts::confirmQuit(QWidget *parent)
{
    return QMessageBox::question(parent, parent ? parent->windowTitle() : QString(),
                                 QStringLiteral("Nothing has been installed yet. Quit setup?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

QString MessageBoxPrompts::chooseFolder(QWidget *parent, const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Choose the game folder"), start);
}

} // namespace installer
