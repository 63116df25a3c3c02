#include "DriveList.h"

#include <algorithm>

#include <QComboBox>
#include <QDir>
#include <QVBoxLayout>

#include "FolderListing.h"

namespace platform {

DriveList::DriveList(QWidget *parent)
    : QWidget(parent), m_combo(new QComboBox(this)), m_messageHandler(warningThroughPlatform())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_combo);
    setFocusProxy(m_combo);

    // activated, not currentIndexChanged: only the author's picks; code goes through setDrive().
    connect(m_combo, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < m_volumes.size())
            choose(m_volumes.at(index).mountPoint);
    });

    const QString here = QDir::currentPath();
    setVolumes(browsableVolumes());
    m_drive = volumeOf(here, m_volumes);
    if (m_drive.isEmpty() && !m_volumes.isEmpty())
        m_drive = m_volumes.first().mountPoint;
    rememberFolder(here);
    showCurrent();
}

QString DriveList::drive() const
{
    return m_drive;
}

void DriveList::setDrive(const QString &mountPoint)
{
    const QString target = volumeOf(mountPoint, m_volumes);
    if (!target.isEmpty())
        choose(target);
}

void DriveList::setVolumes(const QList<Volume> &volumes)
{
    m_volumes = volumes;
    const QSignalBlocker blocker(m_combo);
    m_combo->clear();
    for (const Volume &volume : m_volumes)
        m_combo->addItem(QStringLiteral("%1  [%2]").arg(volume.mountPoint, volume.label));
    const bool stillOffered = std::any_of(m_volumes.cbegin(), m_volumes.cend(),
                                          [&](const Volume &volume) { return volume.mountPoint == m_drive; });
    if (!stillOffered)
        m_drive = m_volumes.isEmpty() ? QString() : m_volumes.first().mountPoint;
    showCurrent();
}

void DriveList::rememberFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const QString volume = volumeOf(clean, m_volumes);
    if (volume.isEmpty())
        return;
    m_lastFolder.insert(volume, clean);
    // Walking down into another volume's mount point moves the folder list onto that
    // volume; the drop-down follows, so that picking the volume left behind works.
    if (volume != m_drive) {
        m_drive = volume;
        showCurrent();
    }
}

QString DriveList::lastFolderOn(const QString &mountPoint) const
{
    QString folder = m_lastFolder.value(mountPoint, mountPoint);
    // A remembered folder may have gone or been locked since; fall back towards the root.
    while (folder.size() > mountPoint.size() && !canListFolder(folder))
        folder = QDir::cleanPath(folder + QStringLiteral("/.."));
    return folder.size() < mountPoint.size() ? mountPoint : folder;
}

void DriveList::choose(const QString &mountPoint)
{
    if (mountPoint == m_drive) {
        showCurrent();
        return;
    }
    QString reason;
    if (!canListFolder(mountPoint, &reason)) {
        showCurrent(); // the drop-down returns to the volume that stays current
        if (m_messageHandler)
            m_messageHandler(browseMessageTitle, cannotOpenText(tr("volume"), mountPoint, reason));
        return;
    }
    m_drive = mountPoint;
    showCurrent();
    emit change();
}

void DriveList::showCurrent()
{
    const QSignalBlocker blocker(m_combo);
    for (qsizetype i = 0; i < m_volumes.size(); ++i) {
        if (m_volumes.at(i).mountPoint == m_drive) {
            m_combo->setCurrentIndex(int(i));
            return;
        }
    }
    m_combo->setCurrentIndex(-1);
}

} // namespace platform
