#include "BrowsePanel.h"

namespace {

constexpr int LabelHeight = 270;
constexpr int LabelOffset = 30; // the label's text lines up with the list's first row

form::ControlRow list(form::Kind kind, const char *name, const form::Rect &place)
{
    form::ControlRow layoutRow;
    layoutRow.kind = kind;
    layoutRow.name = name;
    layoutRow.place = place;
    return layoutRow;
}

form::ControlRow caption(const char *name, const char *text, const BrowsePanel::Geometry &g,
                         const form::Rect &beside, const char *buddy)
{
    form::ControlRow layoutRow;
    layoutRow.kind = form::Kind::Label;
    layoutRow.name = name;
    layoutRow.caption = text;
    layoutRow.place = {g.labelLeft, beside.top + LabelOffset, g.labelWidth, LabelHeight};
    layoutRow.buddy = buddy;
    return layoutRow;
}

} // namespace

std::vector<form::ControlRow> BrowsePanel::controls(const Geometry &g, const std::string &pattern)
{
    std::vector<form::ControlRow> rows;
    rows.push_back(list(form::Kind::DriveList, "Drive1", g.drive));
    rows.push_back(list(form::Kind::DirList, "Dir1", g.dir));
    form::ControlRow file = list(form::Kind::FileList, "File1", g.file);
    file.pattern = pattern;
    rows.push_back(file);
    rows.push_back(caption("lblVolume", "Volume:", g, g.drive, "Drive1"));
    rows.push_back(caption("lblFolder", "Folder:", g, g.dir, "Dir1"));
    rows.push_back(caption("lblFile", "File:", g, g.file, "File1"));
    return rows;
}

BrowsePanel::BrowsePanel(form::Window &window)
    : m_drive(&window.control<form::DriveList>("Drive1")), m_dir(&window.control<form::DirList>("Dir1")),
      m_file(&window.control<form::FileList>("File1"))
{
    m_drive->Change = [this] { Drive1_Change(); };
    m_dir->Change = [this] { Dir1_Change(); };
}

void BrowsePanel::Drive1_Change()
{
    m_dir->setPath(m_drive->lastFolderOn(m_drive->drive()));
    m_file->setPath(m_dir->path());
}

void BrowsePanel::Dir1_Change()
{
    m_file->setPath(m_dir->path());
    m_drive->rememberFolder(m_dir->path());
}

void BrowsePanel::setEnabled(bool enabled)
{
    m_file->setEnabled(enabled);
    m_dir->setEnabled(enabled);
    m_drive->setEnabled(enabled);
}
