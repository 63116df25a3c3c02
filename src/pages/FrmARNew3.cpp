#include "FrmARNew3.h"

#include <new>

#include <QLabel>
#include <QPushButton>

#include "Failure.h"
#include "FrmARAddARFiles.h"
#include "MultiLineTextBox.h"
#include "Pages.h"
#include "Vemko.h"
#include "Widgets.h"

namespace {
const QString SizeCaption = QStringLiteral("Package Size in kilobytes (uncompressed):");
}

FrmARNew3::FrmARNew3() : Page(QStringLiteral("Add .AR File(s)")) {}

void FrmARNew3::build(PageWindow &w)
{
    w.cmdNext->setText(QStringLiteral("&Create Setup"));
    m_cmdAddAR = widgets::button(&w, "cmdAddAR", QStringLiteral("Add &AR Files..."), {316, 60, 124, 25});
    m_txtFiles = new platform::MultiLineTextBox(&w);
    m_txtFiles->setObjectName(QStringLiteral("txtFiles"));
    m_txtFiles->setGeometry(16, 92, 424, 148);
    m_txtFiles->setReadOnly(true);
    m_txtFiles->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_lblSize = widgets::label(&w, "lblSize", SizeCaption, {16, 248, 424, 18});

    QObject::connect(m_cmdAddAR, &QPushButton::clicked, &w, [this] { cmdAddAR_Click(); });
    QObject::connect(w.cmdNext, &QPushButton::clicked, &w, [this] { cmdNext_Click(); });
    QObject::connect(w.cmdCancel, &QPushButton::clicked, &w, [this] { cmdCancel_Click(); });
}

void FrmARNew3::cmdAddAR_Click()
{
    // Any failure while the picker is made and shown goes to the error report.
    try {
        frmARAddARFiles().show();
    } catch (const platform::Failure &failure) {
        Vemko::ReportError(failure.code(), failure.description());
    } catch (const std::bad_alloc &) {
        Vemko::ReportError(platform::failure::OutOfMemory, QStringLiteral("Out of memory"));
    } catch (const std::exception &e) {
        Vemko::ReportError(platform::failure::InternalError, QString::fromLocal8Bit(e.what()));
    }
    window().cmdNext->setEnabled(false);
}

void FrmARNew3::pickerClosed()
{
    window().cmdNext->setEnabled(true);
}

void FrmARNew3::setAddRunning(bool running)
{
    m_cmdAddAR->setEnabled(!running);
    window().cmdNext->setEnabled(!running && !frmARAddARFiles().isLoaded());
}

void FrmARNew3::showPackageSize(qint64 bytes)
{
    lblSize()->setText(SizeCaption + QLatin1Char(' ') + QString::number((bytes + 1023) / 1024));
}

void FrmARNew3::cmdNext_Click()
{
    Vemko::CopySetupAndFinish();
}

void FrmARNew3::cmdCancel_Click()
{
    Vemko::ConfirmCancel();
}

void FrmARNew3::frameCloseRequested()
{
    cmdCancel_Click();
}
