#pragma once

#include <QHash>
#include <QList>
#include <QWidget>

#include "BrowseMessage.h"
#include "Volumes.h"

class QComboBox;

namespace platform {

// The volume list (Drive1): a drop-down of the browsable volumes, each shown by its
// mount point and label ("/media/usb  [USB STICK]"). Starts on the volume of the
// process's current folder. Remembers, for this list's lifetime, the folder last
// visited on each volume, which the page feeds through rememberFolder().
// Volumes nest on Linux (/media/usb lies inside /): the current volume is always
// the one holding the folder browsed, as the folder list's chain root is.
class DriveList : public QWidget
{
    Q_OBJECT

public:
    explicit DriveList(QWidget *parent = nullptr);

    // The current volume's mount point.
    QString drive() const;
    // Makes the volume holding mountPoint (a mount point or any folder on it) the
    // current one and raises change(). A volume that cannot be read stays unchosen:
    // the author is told why and nothing changes.
    void setDrive(const QString &mountPoint);

    QList<Volume> volumes() const { return m_volumes; }
    // Offers these volumes instead (a fresh browsableVolumes() after a medium came in,
    // or made-up ones in tests); keeps the current volume when still offered, else
    // takes the first one. Raises nothing.
    void setVolumes(const QList<Volume> &volumes);

    // Tells the list the folder now browsed (the page calls it on every folder
    // change): recorded as the one last visited on its volume, and that volume
    // becomes the current one, without raising change().
    void rememberFolder(const QString &folder);
    // The folder last visited on the volume at mountPoint, or its nearest parent that
    // can still be read; the mount point itself when none was visited.
    QString lastFolderOn(const QString &mountPoint) const;

    void setMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }

signals:
    // The author picked another volume, or setDrive() changed it.
    void change();

private:
    void choose(const QString &mountPoint);
    void showCurrent();

    QComboBox *m_combo;
    QList<Volume> m_volumes;
    QString m_drive;
    QHash<QString, QString> m_lastFolder; // mount point -> folder
    MessageHandler m_messageHandler;
};

} // namespace platform
