#include "BrowsePanel.h"

#include <QLabel>

#include "DirList.h"
#include "DriveList.h"
#include "FileList.h"
#include "Platform.h"
#include "Widgets.h"

namespace {

void reportThroughPlatform(const QString &title, const QString &text)
{
    platform::current().messageBox(text, platform::MB_ICONWARNING, title);
}

void caption(QWidget *parent, const char *name, const QString &text, const BrowsePanel::Geometry &g,
             const QRect &beside, QWidget *buddy)
{
    QLabel *l = widgets::label(parent, name, text, {g.labelX, beside.y() + 2, g.labelWidth, 18});
    l->setBuddy(buddy);
}

} // namespace

BrowsePanel::BrowsePanel(QWidget *parent, const Geometry &g, const QString &pattern)
{
    Drive1 = new platform::DriveList(parent);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(g.drive);
    Drive1->setMessageHandler(reportThroughPlatform);

    Dir1 = new platform::DirList(parent);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(g.dir);
    Dir1->setMessageHandler(reportThroughPlatform);

    File1 = new platform::FileList(parent);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(g.file);
    File1->setPattern(pattern);

    caption(parent, "lblVolume", QStringLiteral("Volume:"), g, g.drive, Drive1);
    caption(parent, "lblFolder", QStringLiteral("Folder:"), g, g.dir, Dir1);
    caption(parent, "lblFile", QStringLiteral("File:"), g, g.file, File1);
}
