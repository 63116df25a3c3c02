#pragma once

#include <QObject>
#include <QRect>

class QWidget;

namespace platform {
class DirList;
class DriveList;
class FileList;
} // namespace platform

// The volume, folder and file lists of a picker, each with its label to the left,
// created with the objectNames the pickers use (Drive1, Dir1, File1). The panel
// keeps them in step, the same way in both pickers: the folder list follows the
// volume, the file list the folder. Their messages (a volume or folder that cannot
// be read) go through the platform's message box. What a click or double-click on
// a file does is the page's own business.
class BrowsePanel : public QObject
{
public:
    struct Geometry
    {
        QRect drive;
        QRect dir;
        QRect file;
        int labelX;
        int labelWidth;
    };

    // Places the lists on parent, which owns them and the panel.
    BrowsePanel(QWidget *parent, const Geometry &geometry, const QString &pattern);

    platform::DriveList *Drive1() const { return m_drive; }
    platform::DirList *Dir1() const { return m_dir; }
    platform::FileList *File1() const { return m_file; }

    // Another volume: its last folder in the folder list, that folder's files in the file list.
    void Drive1_Change();
    // Another folder: its files in the file list; the volume remembers it.
    void Dir1_Change();

    void setEnabled(bool enabled);

private:
    platform::DriveList *m_drive;
    platform::DirList *m_dir;
    platform::FileList *m_file;
};
