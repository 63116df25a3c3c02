#pragma once

#include <QHash>
#include <QSet>

#include "BrowsePanel.h"
#include "Page.h"

class QLabel;
class QListWidget;

namespace platform {
class DirList;
class DriveList;
class FileList;
} // namespace platform

// AR file picker: each double-clicked .AR file is listed, counted and recorded at
// once in install.ini and temp.ini; Add copies them all into the package folder,
// writes the package summary into the AR file list page and closes the picker.
class FrmARAddARFiles : public Page
{
public:
    FrmARAddARFiles();

    // Page-level state, kept when the window is unloaded.
    qint16 FileNumber = 0; // running number of the last file added in this opening
    qint16 FileTotal = 0;  // files added in the last opening that added any

    platform::DriveList *Drive1() { return loaded(m_lists)->Drive1(); }
    platform::DirList *Dir1() { return loaded(m_lists)->Dir1(); }
    platform::FileList *File1() { return loaded(m_lists)->File1(); }
    QLabel *lblAmount() { return loaded(m_lblAmount); }
    QListWidget *lstFile() { return loaded(m_lstFile); }

    bool isAdding() const { return m_adding; }

    void File1_DblClick();
    void cmdBack_Click();
    void cmdNext_Click();
    void cmdCancel_Click();

protected:
    void build(PageWindow &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    // Whether the file may be recorded; if not, the author is told why.
    bool canRecord(const QString &name, const QString &path);
    void copyPickedFiles();
    void writeSummary();
    void showPackageSize();
    void setControlsEnabled(bool enabled);
    void close();
    void warnOnce(int fileNumber, const QString &what, const QString &error);

    BrowsePanel *m_lists = nullptr; // Drive1, Dir1 and File1, kept in step
    platform::FileList *m_file = nullptr;
    QLabel *m_lblAmount = nullptr;
    QListWidget *m_lstFile = nullptr;
    bool m_adding = false;
    QSet<int> m_warned;                     // files already reported during this Add
    QSet<QString> m_recorded;               // the files recorded in this opening, by their real path
    QHash<QString, QString> m_listedByName; // their listed paths, by name as Windows compares names
};
