#pragma once

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

    platform::DriveList *Drive1() { return loaded(m_drive); }
    platform::DirList *Dir1() { return loaded(m_dir); }
    platform::FileList *File1() { return loaded(m_file); }
    QLabel *lblPath() { return loaded(m_lblPath); }

    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void cmdNext_Click();
    void cmdCancel_Click();

protected:
    void build(PageWindow &w) override;
    void frameCloseRequested() override;

private:
    platform::DriveList *m_drive = nullptr;
    platform::DirList *m_dir = nullptr;
    platform::FileList *m_file = nullptr;
    QLabel *m_lblPath = nullptr;
};
