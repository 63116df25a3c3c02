#pragma once

#include "BrowsePanel.h"
#include "Page.h"

class QLabel;

namespace platform {
class DirList;
class DriveList;
class FileList;
} // namespace platform

// Readme file picker, opened beside the details page: Open copies the chosen
// .rtf or .txt file into the package folder and names it on the details page.
class FrmARReadmeLocation : public Page
{
public:
    FrmARReadmeLocation();

    platform::DriveList *Drive1() { return loaded(m_lists)->Drive1(); }
    platform::DirList *Dir1() { return loaded(m_lists)->Dir1(); }
    platform::FileList *File1() { return loaded(m_lists)->File1(); }
    QLabel *lblPath() { return loaded(m_lblPath); }

    void File1_Click();
    void File1_PathChange();
    void cmdNext_Click();
    void cmdCancel_Click();

protected:
    void build(PageWindow &w) override;
    void frameCloseRequested() override;

private:
    BrowsePanel *m_lists = nullptr; // Drive1, Dir1 and File1, kept in step
    platform::FileList *m_file = nullptr;
    QLabel *m_lblPath = nullptr;
};
