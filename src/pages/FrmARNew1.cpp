#include "FrmARNew1.h"

#include <string_view>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "FrmARNew2.h"
#include "FrmARReadmeLocation.h"
#include "IniFuncs.h"
#include "PackageNames.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "Widgets.h"

namespace {

QString readDescription(std::string_view key)
{
    return ReadINI(Vemko::InstallFile(), package::toQt(package::section::Main), package::toQt(key),
                   QString());
}

void writeDescription(std::string_view key, const QString &value)
{
    WriteINI(Vemko::InstallFile(), package::toQt(package::section::Main), package::toQt(key), value);
}

QLineEdit *row(PageWindow &w, const char *labelName, const QString &caption, const char *boxName, int y,
               int boxWidth = 300)
{
    QLabel *l = widgets::label(&w, labelName, caption, {20, y, 110, 22});
    QLineEdit *box = widgets::textBox(&w, boxName, {136, y, boxWidth, 22});
    l->setBuddy(box);
    return box;
}

} // namespace

FrmARNew1::FrmARNew1() : Page(QStringLiteral("AR Package Details")) {}

void FrmARNew1::build(PageWindow &w)
{
    m_txtReadme = row(w, "lblReadme", QStringLiteral("Readme File:"), "txtReadme", 76, 208);
    m_txtReadme->setReadOnly(true);
    m_cmdBrowse = widgets::button(&w, "cmdBrowse", QStringLiteral("&Browse..."), {352, 75, 84, 24});
    m_txtAName = row(w, "lblAName", QStringLiteral("Author's Name:"), "txtAName", 112);
    m_txtAEmail = row(w, "lblAEmail", QStringLiteral("Author's Email:"), "txtAEmail", 148);
    m_txtAWWW = row(w, "lblAWWW", QStringLiteral("Web Site:"), "txtAWWW", 184);
    m_txtCopyright = row(w, "lblCopyright", QStringLiteral("Copyight:"), "txtCopyright", 220);

    widgets::onClick(m_txtReadme, [this] { txtReadme_Click(); });
    QObject::connect(m_cmdBrowse, &QPushButton::clicked, &w, [this] { cmdBrowse_Click(); });
    QObject::connect(w.cmdNext, &QPushButton::clicked, &w, [this] { cmdNext_Click(); });
    QObject::connect(w.cmdCancel, &QPushButton::clicked, &w, [this] { cmdCancel_Click(); });
}

void FrmARNew1::Form_Load()
{
    // A package without a stored name is new: its fields start empty.
    if (readDescription(package::key::Name).isEmpty())
        return;
    m_txtCopyright->setText(readDescription(package::key::Copyright));
    m_txtAName->setText(readDescription(package::key::Author));
    m_txtAWWW->setText(readDescription(package::key::WWW));
    m_txtAEmail->setText(readDescription(package::key::AuthEmail));
    m_txtReadme->setText(readDescription(package::key::Readme));
}

void FrmARNew1::cmdNext_Click()
{
    writeDescription(package::key::Copyright, m_txtCopyright->text());
    writeDescription(package::key::Author, m_txtAName->text());
    writeDescription(package::key::WWW, m_txtAWWW->text());
    writeDescription(package::key::AuthEmail, m_txtAEmail->text());
    writeDescription(package::key::Readme, m_txtReadme->text());
    frmARNew2().show();
    hide();
}

void FrmARNew1::cmdBrowse_Click()
{
    frmARReadmeLocation().show();
}

void FrmARNew1::txtReadme_Click()
{
    platform::current().messageBox(QStringLiteral("Use the Browse button to locate the readme file."),
                                   platform::MB_ICONINFORMATION, QStringLiteral("Quernel Vemko"));
}

void FrmARNew1::cmdCancel_Click()
{
    Vemko::ConfirmCancel();
}

void FrmARNew1::frameCloseRequested()
{
    cmdCancel_Click();
}
