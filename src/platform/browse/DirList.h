#pragma once

#include <QList>
#include <QWidget>

#include "BrowseMessage.h"
#include "Volumes.h"

class QModelIndex;

namespace platform {

class BrowseListView;
class FolderChainModel;

// The folder list (Dir1): the chain of folders from the volume root down to the
// current folder (open-folder look, each one indented further), then the current
// folder's sub-folders (closed-folder look, one more step in), sorted without
// regard to case, hidden ones after the others. Double-click or Enter opens an entry.
// The volume root is the mount point of the browsable volume holding the current
// folder. Starts at the process's current folder.
class DirList : public QWidget
{
    Q_OBJECT

public:
    explicit DirList(QWidget *parent = nullptr);

    // The current folder; no trailing "/" except for "/" itself.
    QString path() const;
    // Makes folder the current one and raises change(), when it differs from the
    // current one. A folder that cannot be read is not entered: the author is told
    // why and nothing changes.
    void setPath(const QString &folder);

    // The mount point the chain starts at.
    QString volumeRoot() const { return m_root; }
    QList<Volume> volumes() const { return m_volumes; }
    // Uses these volumes to find the chain's root (made-up ones in tests); relists
    // the current folder under its new root. Raises nothing.
    void setVolumes(const QList<Volume> &volumes);

    // The full path of every row, chain first, then the sub-folders.
    QStringList entries() const;
    // What a double-click on row does.
    void openEntry(int row);

    void setMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }

signals:
    // The current folder changed (opened by the author or set by code).
    void change();

private:
    void showFolder(const QString &folder, const QStringList &subfolders);
    void revealCurrent();

    BrowseListView *m_view;
    FolderChainModel *m_model;
    QList<Volume> m_volumes;
    QString m_path;
    QString m_root;
    MessageHandler m_messageHandler;
};

} // namespace platform
