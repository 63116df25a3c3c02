#pragma once

#include <string>
#include <vector>

#include "Form.h"

// The volume, folder and file lists of a picker, each with its label to the left
// (Drive1, Dir1, File1; lblVolume, lblFolder, lblFile). The panel keeps them in step,
// the same way in both pickers: the folder list follows the volume, the file list the
// folder. What a click or double-click on a file does is the page's own business.
class BrowsePanel
{
public:
    // Places of the three lists and of their labels' column, in twips.
    struct Geometry
    {
        form::Rect drive;
        form::Rect dir;
        form::Rect file;
        int labelLeft;
        int labelWidth;
    };

    // The layout rows of the three lists and their labels; the file list shows pattern.
    static std::vector<form::ControlRow> controls(const Geometry &geometry, const std::string &pattern);

    // Finds the lists in a window built with controls() and connects them.
    explicit BrowsePanel(form::Window &window);

    form::DriveList *Drive1() const { return m_drive; }
    form::DirList *Dir1() const { return m_dir; }
    form::FileList *File1() const { return m_file; }

    // Another volume: its last folder in the folder list, that folder's files in the file list.
    void Drive1_Change();
    // Another folder: its files in the file list; the volume remembers it.
    void Dir1_Change();

    void setEnabled(bool enabled);

private:
    form::DriveList *m_drive;
    form::DirList *m_dir;
    form::FileList *m_file;
};
