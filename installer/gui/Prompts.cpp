#include "Prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "QtText.h"
#include "SetupTexts.h"

namespace installer {

ReplaceAnswer MessageBoxPrompts::askReplace(QWidget *parent, const QString &fileName)
{
    QMessageBox box(QMessageBox::Question, parent ? parent->windowTitle() : QString(),
                    qt(texts::replaceQuestion(utf8(fileName))), QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(qt(texts::yesButton()), QMessageBox::YesRole);
    QPushButton *no = box.addButton(qt(texts::noButton()), QMessageBox::NoRole);
    QPushButton *all = box.addButton(qt(texts::yesToAllButton()), QMessageBox::YesRole);
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
                                qt(texts::oddFolderQuestion(utf8(description))),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxPrompts::showError(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, parent ? parent->windowTitle() : qt(texts::errorCaption()), text);
}

bool MessageBoxPrompts::confirmQuit(QWidget *parent, const QString &question)
{
    return QMessageBox::question(parent, parent ? parent->windowTitle() : QString(), question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool MessageBoxPrompts::confirmWait(QWidget *parent, const QString &gameFolder)
{
    return QMessageBox::question(parent, parent ? parent->windowTitle() : QString(),
                                 qt(texts::busyQuestion(utf8(QDir::toNativeSeparators(gameFolder)))),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

bool MessageBoxPrompts::confirmRemoval(QWidget *parent, const QString &question)
{
    // The player has just chosen to remove the package: Enter goes on, Esc does not.
    QMessageBox box(QMessageBox::Question, parent ? parent->windowTitle() : QString(), question,
                    QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(qt(texts::yesButton()), QMessageBox::YesRole);
    QPushButton *no = box.addButton(qt(texts::noButton()), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

QString MessageBoxPrompts::chooseFolder(QWidget *parent, const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, qt(texts::folderPickerTitle()), start);
}

} // namespace installer
