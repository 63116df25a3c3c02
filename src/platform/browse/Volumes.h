#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace platform {

// A mounted file system that an author would browse, as the volume list offers it.
struct Volume
{
    QString mountPoint; // absolute, escapes decoded, no trailing "/" except for "/" itself
    QString label;      // disk label, else the mount point's last name, "root" for "/"
    QString fsType;
    QString device; // the mount source as the kernel reports it (/dev/sda1, server:/share, overlay...)

    bool operator==(const Volume &) const = default;
};

// The browsable volumes among the lines of a /proc/<pid>/mountinfo text: "/" always
// (whatever its type, e.g. a container's overlay root), disk and network file
// systems outside the system folders, and anything mounted under /media,
// /run/media, /mnt or /home; pseudo file systems, snap images and the system
// folders' mounts (/proc, /sys, /dev, /run, /boot, /etc, /var, /usr, /snap, ...)
// left out. A mount point mounted twice counts once, as its topmost mount.
// "/" first, then by mount point. Labels are the default ones (see Volume).
QList<Volume> parseBrowsableVolumes(const QByteArray &mountinfo);

// Disk labels from a folder of symbolic links like /dev/disk/by-label, keyed by the
// canonical path of the device each link points to; udev's \xNN escapes decoded.
QHash<QString, QString> readDiskLabels(const QString &byLabelFolder = QStringLiteral("/dev/disk/by-label"));

// The browsable volumes of this process: parseBrowsableVolumes() of
// /proc/self/mountinfo, less mount points that are not folders (files bound into
// containers), with the disk labels applied.
QList<Volume> browsableVolumes();

// The mount point of the volume holding path: the longest mount point that is
// path itself or one of its parent folders; empty when none is.
QString volumeOf(const QString &path, const QList<Volume> &volumes);

} // namespace platform
