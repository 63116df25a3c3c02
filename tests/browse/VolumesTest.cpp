#include "Volumes.h"

#include <string>
#include <vector>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestFolders.h"

using platform::Volume;

namespace {

std::vector<std::string> mountPoints(const QList<Volume> &volumes)
{
    std::vector<std::string> points;
    for (const Volume &volume : volumes)
        points.push_back(volume.mountPoint.toStdString());
    return points;
}

Volume find(const QList<Volume> &volumes, const QString &mountPoint)
{
    for (const Volume &volume : volumes) {
        if (volume.mountPoint == mountPoint)
            return volume;
    }
    ADD_FAILURE() << "no volume at " << mountPoint.toStdString();
    return {};
}

// A desktop: separate /home, an EFI partition, snaps, a USB stick (a blank in its
// name), a second stick with two blanks, a backup disk, an NFS share, a data disk,
// and the usual kernel file systems.
const QByteArray desktop = R"(22 28 0:21 / /sys rw,nosuid,nodev,noexec,relatime shared:7 - sysfs sysfs rw
23 28 0:22 / /proc rw,nosuid,nodev,noexec,relatime shared:13 - proc proc rw
24 28 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8012345k,nr_inodes=2003086,mode=755,inode64
25 24 0:23 / /dev/pts rw,nosuid,noexec,relatime shared:3 - devpts devpts rw,gid=5,mode=620,ptmxmode=000
26 28 0:24 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,size=1609000k,mode=755,inode64
28 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw,errors=remount-ro
29 22 0:6 / /sys/kernel/security rw,nosuid,nodev,noexec,relatime shared:8 - securityfs securityfs rw
30 24 0:25 / /dev/shm rw,nosuid,nodev shared:4 - tmpfs tmpfs rw,inode64
32 22 0:27 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:9 - cgroup2 cgroup2 rw,nsdelegate
33 22 0:28 / /sys/fs/pstore rw,nosuid,nodev,noexec,relatime shared:10 - pstore pstore rw
34 22 0:29 / /sys/firmware/efi/efivars rw,nosuid,nodev,noexec,relatime shared:11 - efivarfs efivarfs rw
35 22 0:30 / /sys/fs/bpf rw,nosuid,nodev,noexec,relatime shared:12 - bpf bpf rw,mode=700
36 23 0:31 / /proc/sys/fs/binfmt_misc rw,relatime shared:14 - autofs systemd-1 rw,fd=29,pgrp=1,timeout=0,direct
37 24 0:20 / /dev/mqueue rw,nosuid,nodev,noexec,relatime shared:15 - mqueue mqueue rw
38 24 0:32 / /dev/hugepages rw,relatime shared:16 - hugetlbfs hugetlbfs rw,pagesize=2M
39 22 0:7 / /sys/kernel/debug rw,nosuid,nodev,noexec,relatime shared:17 - debugfs debugfs rw
40 22 0:12 / /sys/kernel/tracing rw,nosuid,nodev,noexec,relatime shared:18 - tracefs tracefs rw
41 22 0:33 / /sys/fs/fuse/connections rw,nosuid,nodev,noexec,relatime shared:19 - fusectl fusectl rw
42 22 0:34 / /sys/kernel/config rw,nosuid,nodev,noexec,relatime shared:20 - configfs configfs rw
60 28 7:0 / /snap/core20/2105 ro,nodev,relatime shared:31 - squashfs /dev/loop0 ro,errors=continue
61 28 7:1 / /snap/firefox/3626 ro,nodev,relatime shared:33 - squashfs /dev/loop1 ro,errors=continue
80 28 259:1 / /boot/efi rw,relatime shared:49 - vfat /dev/nvme0n1p1 rw,fmask=0077,dmask=0077,codepage=437
82 28 259:3 / /home rw,relatime shared:51 - ext4 /dev/nvme0n1p3 rw
90 26 0:45 / /run/user/1000 rw,nosuid,nodev,relatime shared:500 - tmpfs tmpfs rw,size=1608996k,mode=700,uid=1000
91 90 0:46 / /run/user/1000/gvfs rw,nosuid,nodev,relatime shared:520 - fuse.gvfsd-fuse gvfsd-fuse rw,user_id=1000
92 90 0:47 / /run/user/1000/doc rw,nosuid,nodev,relatime shared:580 - fuse.portal portal rw,user_id=1000
95 28 8:17 / /media/anna/USB\040STICK rw,nosuid,nodev,relatime shared:600 - vfat /dev/sdb1 rw,uid=1000,utf8 uhelper=udisks2
96 28 8:33 / /mnt/backup rw,relatime shared:610 - btrfs /dev/sdc1 rw,space_cache=v2,subvolid=5,subvol=/
97 28 0:50 / /mnt/nas rw,relatime shared:620 - nfs4 nas.local:/export/media rw,vers=4.2
98 28 8:49 / /data rw,relatime shared:630 - xfs /dev/sdd1 rw
99 26 8:18 / /run/media/anna/Photos\040\0402024 rw master:7 - exfat /dev/sdb2 rw
)";

// A Docker container: overlay root, files bound over /etc, one bound folder.
const QByteArray container =
    R"(600 520 0:52 / / rw,relatime master:300 - overlay overlay rw,lowerdir=/var/lib/docker/overlay2/l/ABC:/var/lib/docker/overlay2/l/DEF,upperdir=/var/lib/docker/overlay2/123/diff,workdir=/var/lib/docker/overlay2/123/work
601 600 0:55 / /proc rw,nosuid,nodev,noexec,relatime - proc proc rw
602 600 0:56 / /dev rw,nosuid - tmpfs tmpfs rw,size=65536k,mode=755
603 602 0:57 / /dev/pts rw,nosuid,noexec,relatime - devpts devpts rw,gid=5,mode=620,ptmxmode=666
604 600 0:58 / /sys ro,nosuid,nodev,noexec,relatime - sysfs sysfs ro
605 604 0:30 / /sys/fs/cgroup ro,nosuid,nodev,noexec,relatime - cgroup2 cgroup rw
606 602 0:54 / /dev/mqueue rw,nosuid,nodev,noexec,relatime - mqueue mqueue rw
607 602 0:59 / /dev/shm rw,nosuid,nodev,noexec,relatime - tmpfs shm rw,size=65536k
608 600 254:1 /var/lib/docker/containers/4f2c/resolv.conf /etc/resolv.conf rw,relatime - ext4 /dev/vda1 rw
609 600 254:1 /var/lib/docker/containers/4f2c/hostname /etc/hostname rw,relatime - ext4 /dev/vda1 rw
610 600 254:1 /var/lib/docker/containers/4f2c/hosts /etc/hosts rw,relatime - ext4 /dev/vda1 rw
611 600 254:1 /home/anna/mods /work rw,relatime - ext4 /dev/vda1 rw
612 601 0:55 /bus /proc/bus ro,relatime - proc proc rw
613 601 0:56 /null /proc/kcore rw,nosuid - tmpfs tmpfs rw,size=65536k,mode=755
)";

} // namespace

TEST(ParseBrowsableVolumes, DesktopKeepsRootHomeMediaMntAndDisksInOrder)
{
    const QList<Volume> volumes = platform::parseBrowsableVolumes(desktop);
    EXPECT_EQ(mountPoints(volumes),
              (std::vector<std::string>{"/", "/data", "/home", "/media/anna/USB STICK", "/mnt/backup",
                                        "/mnt/nas", "/run/media/anna/Photos  2024"}));

    EXPECT_EQ(find(volumes, "/"), (Volume{"/", "root", "ext4", "/dev/nvme0n1p2"}));
    EXPECT_EQ(find(volumes, "/media/anna/USB STICK"),
              (Volume{"/media/anna/USB STICK", "USB STICK", "vfat", "/dev/sdb1"}));
    EXPECT_EQ(find(volumes, "/mnt/nas"), (Volume{"/mnt/nas", "nas", "nfs4", "nas.local:/export/media"}));
    EXPECT_EQ(find(volumes, "/run/media/anna/Photos  2024").label, "Photos  2024");
}

TEST(ParseBrowsableVolumes, ContainerKeepsOverlayRootAndBoundFolderButNotBoundFiles)
{
    const QList<Volume> volumes = platform::parseBrowsableVolumes(container);
    EXPECT_EQ(mountPoints(volumes), (std::vector<std::string>{"/", "/work"}));
    EXPECT_EQ(volumes.first().fsType, "overlay");
    EXPECT_EQ(volumes.first().label, "root");
}

TEST(ParseBrowsableVolumes, RootIsThereEvenWhenNothingParses)
{
    for (const QByteArray &text : {QByteArray(), QByteArray("garbage\n\n1 2 3\n"),
                                   QByteArray("22 28 0:21 / /proc rw - proc proc rw\n")}) {
        const QList<Volume> volumes = platform::parseBrowsableVolumes(text);
        ASSERT_EQ(mountPoints(volumes), std::vector<std::string>{"/"}) << text.toStdString();
        EXPECT_EQ(volumes.first().label, "root");
    }
}

TEST(ParseBrowsableVolumes, TopmostMountOfAPointCountsOnce)
{
    const QList<Volume> volumes = platform::parseBrowsableVolumes(R"(1 0 8:1 / / rw - ext4 /dev/sda1 rw
2 0 8:2 / / rw - btrfs /dev/sda2 rw
3 1 8:17 / /mnt/usb rw - ext4 /dev/sdb1 rw
4 1 8:33 / /mnt/usb rw - vfat /dev/sdc1 rw
5 1 8:49 / /mnt/scratch rw - ext4 /dev/sdd1 rw
6 5 0:60 / /mnt/scratch rw - tmpfs tmpfs rw
)");
    EXPECT_EQ(mountPoints(volumes), (std::vector<std::string>{"/", "/mnt/usb"}));
    EXPECT_EQ(volumes.at(0).fsType, "btrfs");
    EXPECT_EQ(volumes.at(1).device, "/dev/sdc1");
}

TEST(ParseBrowsableVolumes, PlaceAndTypeDecideTogether)
{
    const QList<Volume> volumes = platform::parseBrowsableVolumes(R"(1 0 8:1 / / rw - ext4 /dev/sda1 rw
2 1 0:70 / /home/anna/remote rw - fuse.sshfs anna@host:/ rw
3 1 0:71 / /opt/remote rw - fuse.sshfs anna@host:/ rw
4 1 7:3 / /media/anna/CDROM ro - iso9660 /dev/sr0 ro
5 1 7:4 / /media/anna/image ro - squashfs /dev/loop4 ro
6 1 0:72 / /mnt/ram rw - tmpfs tmpfs rw
7 1 8:65 / /srv/games rw - ntfs3 /dev/sde1 rw
8 1 8:66 / /var/lib/docker rw - ext4 /dev/sde2 rw
9 1 0:73 / /mnt/share rw - cifs //nas/share rw
10 1 0:74 /a /tmp/.mount_app rw - fuse.appimage app rw
)");
    EXPECT_EQ(mountPoints(volumes),
              (std::vector<std::string>{"/", "/home/anna/remote", "/media/anna/CDROM", "/media/anna/image",
                                        "/mnt/share", "/srv/games"}));
}

TEST(ParseBrowsableVolumes, DecodesOctalEscapesInMountPoints)
{
    const QList<Volume> volumes = platform::parseBrowsableVolumes(R"(1 0 8:1 / / rw - ext4 /dev/sda1 rw
2 1 8:2 / /mnt/back\134slash rw - ext4 /dev/sda2 rw
3 1 8:3 / /mnt/tab\011here rw - ext4 /dev/sda3 rw
4 1 8:4 / /mnt/short\04 rw - ext4 /dev/sda4 rw
5 1 8:5 / /media/caf\303\251 rw - ext4 /dev/sda5 rw
)");
    EXPECT_EQ(mountPoints(volumes), (std::vector<std::string>{"/", "/media/caf\xc3\xa9", "/mnt/back\\slash",
                                                              "/mnt/short\\04", "/mnt/tab\there"}));
    EXPECT_EQ(find(volumes, QStringLiteral("/media/caf\u00e9")).label, QStringLiteral("caf\u00e9"));
}

TEST(ReadDiskLabels, MapsCanonicalDevicesToDecodedLabels)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString devices = browsetest::makeFolder(temp.path(), "dev");
    const QString stick = browsetest::makeFile(devices, "sdb1");
    const QString disk = browsetest::makeFile(devices, "sdc1");
    const QString byLabel = browsetest::makeFolder(temp.path(), "by-label");
    browsetest::makeLink("../dev/sdb1", byLabel + "/USB\\x20STICK");
    browsetest::makeLink(disk, byLabel + "/DATA");
    browsetest::makeLink("../dev/gone", byLabel + "/GONE");

    const QHash<QString, QString> labels = platform::readDiskLabels(byLabel);
    EXPECT_EQ(labels.size(), 2);
    EXPECT_EQ(labels.value(QFileInfo(stick).canonicalFilePath()), "USB STICK");
    EXPECT_EQ(labels.value(QFileInfo(disk).canonicalFilePath()), "DATA");
    EXPECT_TRUE(platform::readDiskLabels(temp.path() + "/missing").isEmpty());
}

TEST(VolumeOf, LongestMountPointOnAFolderBoundary)
{
    const QList<Volume> volumes = {{"/", "root", "ext4", ""},
                                   {"/home", "home", "ext4", ""},
                                   {"/media/usb", "usb", "vfat", ""},
                                   {"/media/usb/inner", "inner", "vfat", ""}};
    EXPECT_EQ(platform::volumeOf("/", volumes), "/");
    EXPECT_EQ(platform::volumeOf("/etc", volumes), "/");
    EXPECT_EQ(platform::volumeOf("/home", volumes), "/home");
    EXPECT_EQ(platform::volumeOf("/home/anna/mods", volumes), "/home");
    EXPECT_EQ(platform::volumeOf("/homework", volumes), "/");
    EXPECT_EQ(platform::volumeOf("/media/usb/", volumes), "/media/usb");
    EXPECT_EQ(platform::volumeOf("/media/usb/inner/x", volumes), "/media/usb/inner");
    EXPECT_EQ(platform::volumeOf("/media/usb/innerx", volumes), "/media/usb");
    EXPECT_EQ(platform::volumeOf("/etc", volumes.mid(1)), "");
}

TEST(BrowsableVolumes, ThisMachineOffersRootFirstAndOnlyFolders)
{
    const QList<Volume> volumes = platform::browsableVolumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes.first().mountPoint, "/");
    QSet<QString> seen;
    for (const Volume &volume : volumes) {
        EXPECT_TRUE(QFileInfo(volume.mountPoint).isDir()) << volume.mountPoint.toStdString();
        EXPECT_FALSE(seen.contains(volume.mountPoint)) << volume.mountPoint.toStdString();
        seen.insert(volume.mountPoint);
        EXPECT_FALSE(volume.label.isEmpty());
    }
}
