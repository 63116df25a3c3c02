#include "FrmARNew3.h"

#include <new>
#include <string>

#include "Failure.h"
#include "FrmARAddARFiles.h"
#include "Pages.h"
#include "Vemko.h"

namespace {
const std::string SizeCaption = "Package Size in kilobytes (uncompressed):";
}

FrmARNew3::FrmARNew3() : Page(layout()) {}

form::PageLayout FrmARNew3::layout()
{
    using form::Kind;
    form::PageLayout page;
    page.title = "Add .AR File(s)";
    page.nextCaption = "&Create Setup";
    page.controls = {
        {.kind = Kind::Button,
         .name = "cmdAddAR",
         .caption = "Add &AR Files...",
         .place = {4740, 900, 1860, 375}},
        {.kind = Kind::TextBox,
         .name = "txtFiles",
         .place = {240, 1380, 6360, 2220},
         .flags = form::style::Locked | form::style::MultiLine},
        {.kind = Kind::Label, .name = "lblSize", .caption = SizeCaption, .place = {240, 3720, 6360, 270}},
    };
    return page;
}

void FrmARNew3::build(form::Window &w)
{
    m_cmdAddAR = &w.control<form::Button>("cmdAddAR");
    m_txtFiles = &w.control<form::TextBox>("txtFiles");
    m_lblSize = &w.control<form::Label>("lblSize");

    m_cmdAddAR->Click = [this] { cmdAddAR_Click(); };
    w.control<form::Button>("cmdNext").Click = [this] { cmdNext_Click(); };
    w.control<form::Button>("cmdCancel").Click = [this] { cmdCancel_Click(); };
}

void FrmARNew3::cmdAddAR_Click()
{
    // Any failure while the picker is made and shown goes to the error report.
    try {
        frmARAddARFiles().show();
    } catch (const platform::Failure &failure) {
        Vemko::ReportError(failure.code(), failure.description());
    } catch (const std::bad_alloc &) {
        Vemko::ReportError(platform::failure::OutOfMemory, "Out of memory");
    } catch (const std::exception &e) {
        Vemko::ReportError(platform::failure::InternalError, e.what());
    }
    cmdNext()->setEnabled(false);
}

void FrmARNew3::pickerClosed()
{
    cmdNext()->setEnabled(true);
}

void FrmARNew3::setAddRunning(bool running)
{
    cmdAddAR()->setEnabled(!running);
    cmdNext()->setEnabled(!running && !frmARAddARFiles().isLoaded());
}

void FrmARNew3::showPackageSize(std::int64_t bytes)
{
    lblSize()->setText(SizeCaption + ' ' + std::to_string((bytes + 1023) / 1024));
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
