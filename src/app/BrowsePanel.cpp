#include "BrowsePanel.h"

#include <QLabel>

#include "DirList.h"
#include "DriveList.h"
#include "FileList.h"
#include "Widgets.h"

namespace {

void caption(QWidget *parent, const char *name, const QString &text, const BrowsePanel::Geometry &g,
             const QRect &beside, QWidget *buddy)
{
    QLabel *l = widgets::label(parent, name, text, {g.labelX, beside.y() + 2, g.labelWidth, 18});
    l->setBuddy(buddy);
}

} // namespace

BrowsePanel::BrowsePanel(QWidget *parent, const Geometry &g, const QString &pattern)
    : QObject(parent), m_drive(new platform::DriveList(parent)), m_dir(new platform::DirList(parent)),
      m_file(new platform::FileList(parent))
{
    m_drive->setObjectName(QStringLiteral("Drive1"));
    m_drive->setGeometry(g.drive);
    m_dir->setObjectName(QStringLiteral("Dir1"));
    m_dir->setGeometry(g.dir);
    m_file->setObjectName(QStringLiteral("File1"));
    m_file->setGeometry(g.file);
    m_file->setPattern(pattern);

    caption(parent, "lblVolume", QStringLiteral("Volume:"), g, g.drive, m_drive);
    caption(parent, "lblFolder", QStringLiteral("Folder:"), g, g.dir, m_dir);
    caption(parent, "lblFile", QStringLiteral("File:"), g, g.file, m_file);

    connect(m_drive, &platform::DriveList::change, this, &BrowsePanel::Drive1_Change);
    connect(m_dir, &platform::DirList::change, this, &BrowsePanel::Dir1_Change);
}

void BrowsePanel::Drive1_Change()
{
    m_dir->setPath(m_drive->lastFolderOn(m_drive->drive()));
    m_file->setPath(m_dir->path());
}

void BrowsePanel::Dir1_Change()
{
    m_file->setPath(m_dir->path());
    m_drive->rememberFolder(m_dir->path());
}

void BrowsePanel::setEnabled(bool enabled)
{
    for (QWidget *list :
         {static_cast<QWidget *>(m_file), static_cast<QWidget *>(m_dir), static_cast<QWidget *>(m_drive)})
        list->setEnabled(enabled);
}
