#include "Volumes.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace platform {

namespace {

// File systems that hold no files of the author's: kernel interfaces and memory.
bool isPseudoFileSystem(const QString &type)
{
    static const QSet<QString> types = {
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("tmpfs"),
        QStringLiteral("ramfs"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),
        QStringLiteral("securityfs"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("pstore"),
        QStringLiteral("bpf"),
        QStringLiteral("autofs"),
        QStringLiteral("configfs"),
        QStringLiteral("fusectl"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("nsfs"),
        QStringLiteral("efivarfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("selinuxfs"),
        QStringLiteral("nfsd"),
        QStringLiteral("devfs"),
        QStringLiteral("usbfs"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"),
        QStringLiteral("fuse.lxcfs"),
        QStringLiteral("fuse.snapfuse"),
    };
    return types.contains(type) || type.startsWith(QLatin1String("cgroup"));
}

// File systems that keep files on a disk or share them over the network.
bool isDiskFileSystem(const QString &type)
{
    static const QSet<QString> types = {
        QStringLiteral("ext2"),     QStringLiteral("ext3"),     QStringLiteral("ext4"),
        QStringLiteral("xfs"),      QStringLiteral("btrfs"),    QStringLiteral("vfat"),
        QStringLiteral("msdos"),    QStringLiteral("exfat"),    QStringLiteral("ntfs"),
        QStringLiteral("ntfs3"),    QStringLiteral("fuseblk"),  QStringLiteral("iso9660"),
        QStringLiteral("udf"),      QStringLiteral("f2fs"),     QStringLiteral("zfs"),
        QStringLiteral("jfs"),      QStringLiteral("reiserfs"), QStringLiteral("hfs"),
        QStringLiteral("hfsplus"),  QStringLiteral("nilfs2"),   QStringLiteral("bcachefs"),
        QStringLiteral("nfs"),      QStringLiteral("nfs4"),     QStringLiteral("cifs"),
        QStringLiteral("smb3"),     QStringLiteral("smbfs"),    QStringLiteral("9p"),
        QStringLiteral("virtiofs"), QStringLiteral("ceph"),
    };
    return types.contains(type);
}

bool isAtOrUnder(const QString &path, QLatin1String folder)
{
    return path == folder || (path.startsWith(folder) && path.at(folder.size()) == QLatin1Char('/'));
}

// Places where the author keeps or plugs in files: anything mounted there is offered.
bool isUserPlace(const QString &mountPoint)
{
    return isAtOrUnder(mountPoint, QLatin1String("/media")) ||
           isAtOrUnder(mountPoint, QLatin1String("/run/media")) ||
           isAtOrUnder(mountPoint, QLatin1String("/mnt")) || isAtOrUnder(mountPoint, QLatin1String("/home"));
}

// The operating system's own folders: their mounts (the EFI partition, container
// bind mounts of /etc/hosts, snap images, /var/lib/docker...) are not the author's.
bool isSystemPlace(const QString &mountPoint)
{
    static const QLatin1String folders[] = {
        QLatin1String("/proc"), QLatin1String("/sys"),  QLatin1String("/dev"), QLatin1String("/run"),
        QLatin1String("/boot"), QLatin1String("/efi"),  QLatin1String("/etc"), QLatin1String("/var"),
        QLatin1String("/usr"),  QLatin1String("/snap"), QLatin1String("/tmp"), QLatin1String("/lib"),
        QLatin1String("/bin"),  QLatin1String("/sbin"),
    };
    return std::any_of(std::begin(folders), std::end(folders),
                       [&](QLatin1String folder) { return isAtOrUnder(mountPoint, folder); });
}

// mountinfo writes blanks, tabs, newlines and backslashes in paths as \ooo.
QString decodeMountField(const QByteArray &field)
{
    QByteArray decoded;
    decoded.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](qsizetype at) { return field.at(at) >= '0' && field.at(at) <= '7'; };
        if (field.at(i) == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) &&
            isOctal(i + 3)) {
            decoded.append(char(((field.at(i + 1) - '0') << 6) | ((field.at(i + 2) - '0') << 3) |
                                (field.at(i + 3) - '0')));
            i += 3;
        } else {
            decoded.append(field.at(i));
        }
    }
    return QFile::decodeName(decoded);
}

// udev writes blanks and other unsafe bytes of a label as \xNN.
QString decodeLabelName(const QString &name)
{
    const QByteArray raw = QFile::encodeName(name);
    QByteArray decoded;
    decoded.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        bool ok = false;
        if (raw.at(i) == '\\' && i + 3 < raw.size() && raw.at(i + 1) == 'x') {
            const int byte = raw.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                decoded.append(char(byte));
                i += 3;
                continue;
            }
        }
        decoded.append(raw.at(i));
    }
    return QString::fromUtf8(decoded);
}

QString defaultLabel(const QString &mountPoint)
{
    if (mountPoint == QLatin1String("/"))
        return QStringLiteral("root");
    return mountPoint.mid(mountPoint.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isBrowsable(const Volume &volume)
{
    if (volume.mountPoint == QLatin1String("/"))
        return true;
    if (isPseudoFileSystem(volume.fsType))
        return false;
    if (isUserPlace(volume.mountPoint))
        return true;
    return isDiskFileSystem(volume.fsType) && !isSystemPlace(volume.mountPoint);
}

} // namespace

QList<Volume> parseBrowsableVolumes(const QByteArray &mountinfo)
{
    // Later lines mount on top of earlier ones: the last mount of a point is the one in use.
    QList<Volume> mounts;
    QHash<QString, qsizetype> indexOfMountPoint;
    for (const QByteArray &line : mountinfo.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype separator = fields.indexOf(QByteArrayLiteral("-"));
        if (separator < 6 || separator + 2 >= fields.size())
            continue;
        Volume volume;
        volume.mountPoint = QDir::cleanPath(decodeMountField(fields.at(4)));
        if (!volume.mountPoint.startsWith(QLatin1Char('/')))
            continue;
        volume.fsType = decodeMountField(fields.at(separator + 1));
        volume.device = decodeMountField(fields.at(separator + 2));
        volume.label = defaultLabel(volume.mountPoint);
        if (const auto found = indexOfMountPoint.constFind(volume.mountPoint);
            found != indexOfMountPoint.cend()) {
            mounts[*found] = volume;
        } else {
            indexOfMountPoint.insert(volume.mountPoint, mounts.size());
            mounts.append(volume);
        }
    }

    QList<Volume> volumes;
    std::copy_if(mounts.cbegin(), mounts.cend(), std::back_inserter(volumes), isBrowsable);
    if (!indexOfMountPoint.contains(QStringLiteral("/")))
        volumes.append(Volume{QStringLiteral("/"), defaultLabel(QStringLiteral("/")), QString(), QString()});
    std::sort(volumes.begin(), volumes.end(), [](const Volume &a, const Volume &b) {
        const bool aIsRoot = a.mountPoint == QLatin1String("/");
        const bool bIsRoot = b.mountPoint == QLatin1String("/");
        if (aIsRoot != bIsRoot)
            return aIsRoot;
        return a.mountPoint < b.mountPoint;
    });
    return volumes;
}

QHash<QString, QString> readDiskLabels(const QString &byLabelFolder)
{
    QHash<QString, QString> labels;
    const QFileInfoList links =
        QDir(byLabelFolder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &link : links) {
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty())
            labels.insert(device, decodeLabelName(link.fileName()));
    }
    return labels;
}

QList<Volume> browsableVolumes()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    QList<Volume> volumes;
    if (file.open(QIODevice::ReadOnly))
        volumes = parseBrowsableVolumes(file.readAll());
    else
        volumes = parseBrowsableVolumes(QByteArray());

    const QHash<QString, QString> labels = readDiskLabels();
    QList<Volume> result;
    for (Volume &volume : volumes) {
        if (volume.mountPoint != QLatin1String("/") && !QFileInfo(volume.mountPoint).isDir())
            continue;
        if (volume.device.startsWith(QLatin1Char('/'))) {
            const QString label = labels.value(QFileInfo(volume.device).canonicalFilePath());
            if (!label.isEmpty())
                volume.label = label;
        }
        result.append(volume);
    }
    return result;
}

QString volumeOf(const QString &path, const QList<Volume> &volumes)
{
    const QString clean = QDir::cleanPath(path);
    QString best;
    for (const Volume &volume : volumes) {
        const QString &mountPoint = volume.mountPoint;
        const bool holds = mountPoint == QLatin1String("/")
                               ? clean.startsWith(QLatin1Char('/'))
                               : clean == mountPoint || (clean.startsWith(mountPoint) &&
                                                         clean.at(mountPoint.size()) == QLatin1Char('/'));
        if (holds && mountPoint.size() > best.size())
            best = mountPoint;
    }
    return best;
}

} // namespace platform
