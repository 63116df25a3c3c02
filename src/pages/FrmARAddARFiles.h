#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "BrowsePanel.h"
#include "Page.h"

// AR file picker: each double-clicked .AR file is listed, counted and recorded at
// once in install.ini and temp.ini; Add copies them all into the package folder,
// writes the package summary into the AR file list page and closes the picker.
class FrmARAddARFiles : public Page
{
public:
    FrmARAddARFiles();
    ~FrmARAddARFiles() override;

    static form::PageLayout layout();

    // Page-level state, kept when the window is unloaded.
    std::int16_t FileNumber = 0; // running number of the last file added in this opening
    std::int16_t FileTotal = 0;  // files added in the last opening that added any

    form::DriveList *Drive1() { return panel().Drive1(); }
    form::DirList *Dir1() { return panel().Dir1(); }
    form::FileList *File1() { return panel().File1(); }
    form::Label *lblAmount() { return loaded(m_lblAmount); }
    form::ListBox *lstFile() { return loaded(m_lstFile); }

    bool isAdding() const { return m_adding; }

    void File1_DblClick();
    void cmdBack_Click();
    void cmdNext_Click();
    void cmdCancel_Click();

protected:
    void build(form::Window &w) override;
    void Form_Load() override;
    void frameCloseRequested() override;

private:
    BrowsePanel &panel();
    // Whether the file may be recorded; if not, the author is told why.
    bool canRecord(const std::string &name, const std::string &path);
    void copyPickedFiles();
    void writeSummary();
    void showPackageSize();
    void setControlsEnabled(bool enabled);
    void close();
    void warnOnce(int fileNumber, const std::string &what, const std::string &error);

    std::unique_ptr<BrowsePanel> m_lists; // Drive1, Dir1 and File1, kept in step
    form::FileList *m_file = nullptr;
    form::Label *m_lblAmount = nullptr;
    form::ListBox *m_lstFile = nullptr;
    bool m_adding = false;
    std::set<int> m_warned;           // files already reported during this Add
    std::set<std::string> m_recorded; // the files recorded in this opening, by their real path
    std::unordered_map<std::string, std::string>
        m_listedByName; // their listed paths, by name as Windows compares names
};
