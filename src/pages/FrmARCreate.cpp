#include "FrmARCreate.h"

#include "PackageNames.h"
#include "Platform.h"
#include "Vemko.h"

FrmARCreate::FrmARCreate() : Page(layout()) {}

form::PageLayout FrmARCreate::layout()
{
    using form::Kind;
    form::PageLayout page;
    page.title = "Creating Package";
    // Nothing can be cancelled, nor gone back to, while the files are copied.
    page.cancelEnabled = false;
    page.nextEnabled = false;
    page.controls = {
        {.kind = Kind::Animation, .name = "Animation1", .place = {1380, 990, 4080, 900}},
        {.kind = Kind::Label, .name = "lblStatus", .caption = "lblStatus", .place = {240, 2250, 6360, 300}},
        {.kind = Kind::ProgressBar, .name = "pgbStatus", .place = {240, 2670, 6360, 300}},
    };
    return page;
}

void FrmARCreate::build(form::Window &w)
{
    m_animation = &w.control<form::Animation>("Animation1");
    m_lblStatus = &w.control<form::Label>("lblStatus");
    m_pgbStatus = &w.control<form::ProgressBar>("pgbStatus");
}

void FrmARCreate::Form_Load()
{
    // A clip that is missing or unreadable leaves the control empty; the copy goes on.
    if (m_animation->open(Vemko::ProgramFolder() + platform::separator() +
                          package::text(package::file::CopyAnimation)))
        m_animation->play();
}

void FrmARCreate::frameCloseRequested()
{
    // The page lives only while files are copied; closing it would hide the progress.
}
