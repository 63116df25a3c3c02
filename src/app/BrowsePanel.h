#pragma once

#include <QRect>

class QWidget;

namespace platform {
class DirList;
class DriveList;
class FileList;
} // namespace platform

// The volume, folder and file lists of a picker, each with its label to the left,
// created with the objectNames the pickers use (Drive1, Dir1, File1). Their
// messages (a volume or folder that cannot be read) go through the platform's
// message box. The page wires their events to its own handlers.
struct BrowsePanel
{
    struct Geometry
    {
        QRect drive;
        QRect dir;
        QRect file;
        int labelX;
        int labelWidth;
    };

    BrowsePanel(QWidget *parent, const Geometry &geometry, const QString &pattern);

    platform::DriveList *Drive1;
    platform::DirList *Dir1;
    platform::FileList *File1;
};
