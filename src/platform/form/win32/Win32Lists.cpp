#include "Win32Lists.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "NameListing.h"
#include "Text.h"
#include "Win32Controls.h"

namespace form::win32 {

namespace fs = std::filesystem;

namespace {

bool sameName(const std::string &a, const std::string &b)
{
    return base::text::foldCase(a) == base::text::foldCase(b);
}

// An absolute, clean folder path without a trailing separator except at a root ("C:\").
// Resolved by name only: the process's current folder is read, never changed.
std::string cleanFolder(const std::string &folder)
{
    std::error_code ec;
    fs::path path = fs::absolute(fs::path(wide(folder)), ec).lexically_normal();
    std::string clean = utf8(path.wstring());
    while (clean.size() > 3 && (clean.back() == '\\' || clean.back() == '/'))
        clean.pop_back();
    return clean;
}

std::string currentFolder()
{
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    return ec ? std::string("C:\\") : cleanFolder(utf8(cwd.wstring()));
}

// The volume whose root is the longest prefix of path, letter case ignored.
std::string volumeOf(const std::string &path, const std::vector<Volume> &volumes)
{
    std::string best;
    for (const Volume &volume : volumes) {
        const std::string &root = volume.root;
        if (path.size() < root.size() || !sameName(path.substr(0, root.size()), root))
            continue;
        const bool holds = path.size() == root.size() || root.back() == '\\' || path[root.size()] == '\\';
        if (holds && root.size() > best.size())
            best = volume.root;
    }
    return best;
}

std::string cannotOpen(const std::string &what, const std::string &path, const std::string &reason)
{
    return "Cannot open the " + what + " " + path + ":\n" + reason + ".";
}

std::string child(const std::string &folder, const std::string &name)
{
    return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

// Whether a volume can be listed, without the system's "insert a disk" dialog.
bool canListVolume(const std::string &root, std::string *reason)
{
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const bool readable = platform::canListFolder(root, reason);
    SetErrorMode(previous);
    return readable;
}

void fillList(HWND list, const std::vector<std::wstring> &rows, UINT resetMessage, UINT addMessage)
{
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, resetMessage, 0, 0);
    for (const std::wstring &row : rows)
        SendMessageW(list, addMessage, 0, reinterpret_cast<LPARAM>(row.c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

class DriveCombo : public Native<DriveList>
{
public:
    DriveCombo(const ControlSpec &spec, Win32Window &window, HWND hwnd)
        : Native(spec, window, hwnd), m_volumes(systemVolumes())
    {
        m_drive = volumeOf(currentFolder(), m_volumes);
        if (m_drive.empty() && !m_volumes.empty())
            m_drive = m_volumes.front().root;
        refresh();
    }
    std::string drive() const override { return m_drive; }
    void setDrive(const std::string &path) override
    {
        const std::string root = volumeOf(cleanFolder(path), m_volumes);
        if (root.empty())
            return;
        std::string reason;
        if (!canListVolume(root, &reason)) {
            refresh(); // the list shows the current volume again
            warnCannotOpen(cannotOpen("volume", root, reason));
            return;
        }
        m_drive = root;
        refresh();
        m_window.raise(Change);
    }
    std::vector<Volume> volumes() const override { return m_volumes; }
    void setVolumes(const std::vector<Volume> &volumes) override
    {
        m_volumes = volumes;
        if (std::none_of(volumes.begin(), volumes.end(), [&](const Volume &v) { return v.root == m_drive; }))
            m_drive = volumes.empty() ? std::string() : volumes.front().root;
        refresh();
    }
    void rememberFolder(const std::string &folder) override
    {
        const std::string root = volumeOf(folder, m_volumes);
        if (root.empty())
            return;
        m_lastFolder[base::text::foldCase(root)] = folder;
        m_drive = root;
        refresh();
    }
    std::string lastFolderOn(const std::string &root) const override
    {
        const auto found = m_lastFolder.find(base::text::foldCase(root));
        if (found == m_lastFolder.end())
            return root;
        fs::path folder(wide(found->second));
        while (utf8(folder.wstring()).size() > root.size() &&
               !platform::canListFolder(utf8(folder.wstring())))
            folder = folder.parent_path();
        const std::string reachable = utf8(folder.wstring());
        return reachable.size() >= root.size() ? reachable : root;
    }
    void onCommand(WORD code) override
    {
        if (code != CBN_SELCHANGE)
            return;
        const LRESULT row = SendMessageW(m_hwnd, CB_GETCURSEL, 0, 0);
        if (row >= 0 && std::size_t(row) < m_volumes.size())
            setDrive(m_volumes[std::size_t(row)].root);
    }

private:
    // Rows as "c: [label]"; the current volume selected.
    void refresh()
    {
        std::vector<std::wstring> rows;
        int current = -1;
        for (const Volume &volume : m_volumes) {
            std::string row = base::text::foldCase(volume.root.substr(0, 2));
            if (!volume.label.empty())
                row += " [" + volume.label + "]";
            if (volume.root == m_drive)
                current = int(rows.size());
            rows.push_back(wide(row));
        }
        fillList(m_hwnd, rows, CB_RESETCONTENT, CB_ADDSTRING);
        SendMessageW(m_hwnd, CB_SETCURSEL, WPARAM(current), 0);
    }

    std::vector<Volume> m_volumes;
    std::string m_drive;
    std::map<std::string, std::string> m_lastFolder; // by folded root
};

class DirListBox : public Native<DirList>
{
public:
    DirListBox(const ControlSpec &spec, Win32Window &window, HWND hwnd)
        : Native(spec, window, hwnd), m_volumes(systemVolumes())
    {
        const std::string start = currentFolder();
        show(start, platform::listSubfolders(start));
    }
    std::string path() const override { return m_path; }
    void setPath(const std::string &folder) override
    {
        const std::string target = cleanFolder(folder);
        if (target == m_path)
            return;
        std::string reason;
        const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        const std::vector<std::string> subfolders = platform::listSubfolders(target, &reason);
        SetErrorMode(previous);
        if (!reason.empty()) {
            warnCannotOpen(cannotOpen("folder", target, reason));
            return;
        }
        show(target, subfolders);
        m_window.raise(Change);
    }
    std::vector<std::string> entries() const override { return m_entries; }
    void openEntry(int row) override
    {
        if (row >= 0 && row < int(m_entries.size()))
            setPath(m_entries[std::size_t(row)]);
    }
    void setVolumes(const std::vector<Volume> &volumes) override
    {
        m_volumes = volumes;
        show(m_path, platform::listSubfolders(m_path));
    }
    void onCommand(WORD code) override
    {
        if (code == LBN_DBLCLK)
            openEntry(int(SendMessageW(m_hwnd, LB_GETCURSEL, 0, 0)));
    }

private:
    // The chain from the root to the folder, indented, then its sub-folders one step further in.
    void show(const std::string &folder, const std::vector<std::string> &subfolders)
    {
        m_path = folder;
        std::string root = volumeOf(folder, m_volumes);
        if (root.empty())
            root = fs::path(wide(folder)).root_path().empty()
                       ? folder
                       : utf8(fs::path(wide(folder)).root_path().wstring());
        m_entries = {root};
        std::vector<std::wstring> rows = {wide(root)};
        std::string at = root;
        std::wstring indent = L"  ";
        for (const auto &part : fs::path(wide(folder.substr(std::min(root.size(), folder.size())))))
            if (!part.empty() && part.wstring() != L"\\" && part.wstring() != L"/") {
                at = child(at, utf8(part.wstring()));
                m_entries.push_back(at);
                rows.push_back(indent + part.wstring());
                indent += L"  ";
            }
        const int current = int(rows.size()) - 1;
        for (const std::string &name : subfolders) {
            m_entries.push_back(child(m_path, name));
            rows.push_back(indent + wide(name));
        }
        fillList(m_hwnd, rows, LB_RESETCONTENT, LB_ADDSTRING);
        SendMessageW(m_hwnd, LB_SETCURSEL, WPARAM(current), 0);
    }

    std::vector<Volume> m_volumes;
    std::string m_path;
    std::vector<std::string> m_entries;
};

class FileListBox : public Native<FileList>
{
public:
    FileListBox(const ControlSpec &spec, Win32Window &window, HWND hwnd)
        : Native(spec, window, hwnd), m_pattern(spec.pattern.empty() ? "*.*" : spec.pattern),
          m_path(currentFolder())
    {
        show(platform::listFiles(m_path, platform::NamePatterns(m_pattern)));
    }
    std::string path() const override { return m_path; }
    void setPath(const std::string &folder) override
    {
        const std::string target = cleanFolder(folder);
        std::string reason;
        const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        std::vector<std::string> files =
            platform::listFiles(target, platform::NamePatterns(m_pattern), &reason);
        SetErrorMode(previous);
        if (!reason.empty()) {
            warnCannotOpen(cannotOpen("folder", target, reason));
            return;
        }
        m_path = target;
        show(std::move(files));
        m_window.raise(PathChange);
    }
    std::string pattern() const override { return m_pattern; }
    void setPattern(const std::string &patterns) override
    {
        m_pattern = patterns;
        show(platform::listFiles(m_path, platform::NamePatterns(m_pattern)));
    }
    std::string fileName() const override
    {
        const LRESULT row = SendMessageW(m_hwnd, LB_GETCURSEL, 0, 0);
        return row >= 0 && std::size_t(row) < m_files.size() ? m_files[std::size_t(row)] : std::string();
    }
    void setFileName(const std::string &name) override
    {
        const auto found = std::find(m_files.begin(), m_files.end(), name);
        const int row = found == m_files.end() ? -1 : int(found - m_files.begin());
        if (row == int(SendMessageW(m_hwnd, LB_GETCURSEL, 0, 0)))
            return;
        SendMessageW(m_hwnd, LB_SETCURSEL, WPARAM(row), 0);
        if (row >= 0)
            m_window.raise(Click);
    }
    std::vector<std::string> files() const override { return m_files; }
    void dblClick() override
    {
        if (isEnabled() && !fileName().empty())
            m_window.raise(DblClick);
    }
    void onCommand(WORD code) override
    {
        if (code == LBN_SELCHANGE && !fileName().empty())
            m_window.raise(Click);
        else if (code == LBN_DBLCLK)
            dblClick();
    }

private:
    void show(std::vector<std::string> files)
    {
        m_files = std::move(files);
        std::vector<std::wstring> rows;
        for (const std::string &name : m_files)
            rows.push_back(wide(name));
        fillList(m_hwnd, rows, LB_RESETCONTENT, LB_ADDSTRING);
    }

    std::string m_pattern;
    std::string m_path;
    std::vector<std::string> m_files;
};

constexpr DWORD ListStyle = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;

} // namespace

std::vector<Volume> systemVolumes()
{
    std::vector<Volume> volumes;
    wchar_t roots[512] = {};
    const DWORD length = GetLogicalDriveStringsW(511, roots);
    if (length == 0 || length > 511)
        return {{"C:\\", ""}};
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    for (const wchar_t *root = roots; *root; root += lstrlenW(root) + 1) {
        wchar_t label[MAX_PATH + 1] = {};
        const UINT type = GetDriveTypeW(root);
        if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN)
            continue;
        // Removable and optical drives are not asked for a label: that would spin them up.
        if (type == DRIVE_FIXED || type == DRIVE_REMOTE || type == DRIVE_RAMDISK)
            GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
        volumes.push_back({utf8(root), utf8(label)});
    }
    SetErrorMode(previous);
    return volumes;
}

std::unique_ptr<Control> makeDriveList(const ControlSpec &spec, Win32Window &window, int id)
{
    ControlSpec tall = spec; // the drop-down's height includes its open list
    tall.place.height = std::max(spec.place.height, 3000);
    HWND hwnd = createChild(window, tall, id, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL);
    return std::make_unique<DriveCombo>(spec, window, hwnd);
}

std::unique_ptr<Control> makeDirList(const ControlSpec &spec, Win32Window &window, int id)
{
    return std::make_unique<DirListBox>(
        spec, window, createChild(window, spec, id, L"LISTBOX", ListStyle, WS_EX_CLIENTEDGE));
}

std::unique_ptr<Control> makeFileList(const ControlSpec &spec, Win32Window &window, int id)
{
    return std::make_unique<FileListBox>(
        spec, window, createChild(window, spec, id, L"LISTBOX", ListStyle, WS_EX_CLIENTEDGE));
}

} // namespace form::win32
