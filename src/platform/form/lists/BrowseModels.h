#pragma once

#include <map>
#include <string>
#include <vector>

#include "Form.h"

// What the volume, folder and file lists show and how they move, without any window: each
// runtime draws these models with its own controls and raises the events they call for. Paths
// are UTF-8: "/" separators and mount points on Linux, drive roots ("C:\") and "\" on Windows,
// where letter case does not tell folders apart.
namespace form::lists {

// What a move of a list came to: whether its event is due, or why it could not go there (the
// text for the author; nothing changed then).
struct Outcome
{
    bool changed = false;
    std::string failure;
};

// The volumes this system offers, with their labels. Never raises a system dialog for an empty
// drive.
std::vector<Volume> systemVolumes();

// The folder a list shows first: the process's current folder.
std::string startFolder();

// A folder path made absolute and clean, without a trailing separator except at a root.
std::string cleanFolder(const std::string &folder);

// The root of the volume holding path (the one with the longest matching root); empty when
// none does.
std::string volumeOf(const std::string &path, const std::vector<Volume> &volumes);

// The text telling the author why a volume or folder cannot be opened.
std::string cannotOpen(const std::string &what, const std::string &path, const std::string &reason);

// The volume list: the volumes, the current one and the folder last visited on each.
class DriveModel
{
public:
    DriveModel(std::vector<Volume> volumes, const std::string &folder);

    const std::string &drive() const { return m_drive; }
    const std::vector<Volume> &volumes() const { return m_volumes; }
    // The current volume's row; -1 when there is none.
    int currentRow() const;

    // Makes the volume holding path current when it can be read. Change is due on every
    // success, also when the volume stays the same; a path on no volume changes nothing.
    Outcome setDrive(const std::string &path);
    // Keeps the current volume when still offered, else takes the first.
    void setVolumes(const std::vector<Volume> &volumes);
    // Records folder as the last one visited on its volume, which becomes current.
    void rememberFolder(const std::string &folder);
    // The folder last visited on the volume at root, or its nearest readable parent; root
    // itself when none was visited.
    std::string lastFolderOn(const std::string &root) const;

private:
    std::vector<Volume> m_volumes;
    std::string m_drive;
    std::map<std::string, std::string> m_lastFolder; // by volume root as offered
};

// A row of the folder list: the folder's full path, how far it is indented and whether it is
// drawn as an open folder (the chain down to the current folder) or a closed one (its
// sub-folders).
struct DirRow
{
    std::string path;
    int level = 0;
    bool open = false;

    bool operator==(const DirRow &) const = default;
};

// The folder list: the chain from the volume root down to the current folder, then the
// current folder's sub-folders.
class DirModel
{
public:
    DirModel(std::vector<Volume> volumes, const std::string &folder);

    const std::string &path() const { return m_path; }
    const std::vector<DirRow> &rows() const { return m_rows; }
    std::vector<std::string> entries() const;
    // The row of the current folder (the last of the chain).
    int currentRow() const { return m_chainLength - 1; }

    // Enters folder when it can be read; Change is due when it differs from the current one.
    Outcome setPath(const std::string &folder);
    // What a double-click on a row does: enters that row's folder. Other rows do nothing.
    Outcome openRow(int row);
    // Uses these volumes to find the chain's root; lists the folder again.
    void setVolumes(const std::vector<Volume> &volumes);

private:
    void show(const std::string &folder, const std::vector<std::string> &subfolders);

    std::vector<Volume> m_volumes;
    std::string m_path;
    std::vector<DirRow> m_rows;
    int m_chainLength = 0;
};

// The file list: a folder's regular files matching ";"-separated patterns, and the selection.
class FileModel
{
public:
    // An empty pattern list shows every file ("*.*").
    FileModel(const std::string &patterns, const std::string &folder);

    const std::string &path() const { return m_path; }
    const std::string &pattern() const { return m_pattern; }
    const std::vector<std::string> &files() const { return m_files; }
    const std::string &fileName() const { return m_selected; }
    // The selected file's row; -1 when none is selected.
    int selectedRow() const;

    // Lists folder (again, when it is the current one) with nothing selected when it can be
    // read; PathChange is then due.
    Outcome setPath(const std::string &folder);
    // Lists the folder again with these patterns, nothing selected. Raises nothing.
    void setPattern(const std::string &patterns);
    // Selects the file of that exact name; a name not listed, or "", clears the selection.
    // Whether Click is due: the selection changed to a file.
    bool setFileName(const std::string &name);

private:
    std::string m_pattern;
    std::string m_path;
    std::vector<std::string> m_files;
    std::string m_selected;
};

} // namespace form::lists
