#include "FrmARCreate.h"

#include <QLabel>
#include <QPushButton>

#include "Animation.h"
#include "PackageNames.h"
#include "Platform.h"
#include "ProgressBar.h"
#include "Vemko.h"
#include "Widgets.h"

FrmARCreate::FrmARCreate() : Page(QStringLiteral("Creating Package")) {}

void FrmARCreate::build(PageWindow &w)
{
    m_animation = new platform::Animation(&w);
    m_animation->setObjectName(QStringLiteral("Animation1"));
    m_animation->setGeometry(92, 66, 272, 60);
    m_lblStatus = widgets::label(&w, "lblStatus", QStringLiteral("lblStatus"), {16, 150, 424, 20});
    m_pgbStatus = new platform::ProgressBar(&w);
    m_pgbStatus->setObjectName(QStringLiteral("pgbStatus"));
    m_pgbStatus->setGeometry(16, 178, 424, 20);
    w.cmdCancel->setEnabled(false);
    w.cmdNext->setEnabled(false);
}

void FrmARCreate::Form_Load()
{
    // A clip that is missing or unreadable leaves the control empty; the copy goes on.
    m_animation->open(Vemko::ProgramFolder() + platform::separator() +
                      package::toQt(package::file::CopyAnimation));
}

void FrmARCreate::frameCloseRequested()
{
    // The page lives only while files are copied; closing it would hide the progress.
}
