#include "FrmARNew1.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "FrmARNew2.h"
#include "FrmARReadmeLocation.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "Platform.h"
#include "Vemko.h"
#include "Widgets.h"

namespace {

const QString Section = QStringLiteral("install.ini");

QString installFile()
{
    return Vemko::PackageFile(QStringLiteral("install.ini"));
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
    if (ReadINI(installFile(), Section, QStringLiteral("Name"), QString()).isEmpty())
        return;
    m_txtCopyright->setText(ReadINI(installFile(), Section, QStringLiteral("Copyright"), QString()));
    m_txtAName->setText(ReadINI(installFile(), Section, QStringLiteral("Author"), QString()));
    m_txtAWWW->setText(ReadINI(installFile(), Section, QStringLiteral("WWW"), QString()));
    m_txtAEmail->setText(ReadINI(installFile(), Section, QStringLiteral("AuthEmail"), QString()));
    m_txtReadme->setText(ReadINI(installFile(), Section, QStringLiteral("Readme"), QString()));
}

void FrmARNew1::cmdNext_Click()
{
    WriteINI(installFile(), Section, QStringLiteral("Copyright"), m_txtCopyright->text());
    WriteINI(installFile(), Section, QStringLiteral("Author"), m_txtAName->text());
    WriteINI(installFile(), Section, QStringLiteral("WWW"), m_txtAWWW->text());
    WriteINI(installFile(), Section, QStringLiteral("AuthEmail"), m_txtAEmail->text());
    WriteINI(installFile(), Section, QStringLiteral("Readme"), m_txtReadme->text());
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
