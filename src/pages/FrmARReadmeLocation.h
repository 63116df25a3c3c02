#pragma once

#include <memory>

#include "BrowsePanel.h"
#include "Page.h"

// Readme file picker, opened beside the details page: Open copies the chosen
// .rtf or .txt file into the package folder and names it on the details page.
class FrmARReadmeLocation : public Page
{
public:
    FrmARReadmeLocation();
    ~FrmARReadmeLocation() override;

    static form::PageLayout layout();

    form::DriveList *Drive1() { return lists().Drive1(); }
    form::DirList *Dir1() { return lists().Dir1(); }
    form::FileList *File1() { return lists().File1(); }
    form::Label *lblPath() { return loaded(m_lblPath); }

    void File1_Click();
    void File1_PathChange();
    void cmdNext_Click();
    void cmdCancel_Click();

protected:
    void build(form::Window &w) override;
    void frameCloseRequested() override;

private:
    BrowsePanel &lists()
    {
        window();
        return *m_lists;
    }

    std::unique_ptr<BrowsePanel> m_lists; // Drive1, Dir1 and File1, kept in step
    form::FileList *m_file = nullptr;
    form::Label *m_lblPath = nullptr;
};
