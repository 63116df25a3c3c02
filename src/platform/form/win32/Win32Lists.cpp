#include "Win32Lists.h"

#include <algorithm>
#include <filesystem>

#include "BrowseModels.h"
#include "Text.h"
#include "Win32Controls.h"

namespace form::win32 {

namespace {

// Raises what a model's move calls for, or tells the author why it could not move.
void report(const Win32Window &window, const lists::Outcome &outcome, const Handler &event)
{
    if (!outcome.failure.empty())
        warnCannotOpen(outcome.failure);
    else if (outcome.changed)
        window.raise(event);
}

void fill(HWND list, const std::vector<std::wstring> &rows, UINT resetMessage, UINT addMessage,
          UINT selectMessage, int selected)
{
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, resetMessage, 0, 0);
    for (const std::wstring &row : rows)
        SendMessageW(list, addMessage, 0, reinterpret_cast<LPARAM>(row.c_str()));
    SendMessageW(list, selectMessage, WPARAM(selected), 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

class DriveCombo : public Native<DriveList>
{
public:
    DriveCombo(const ControlRow &layoutRow, Win32Window &window, HWND hwnd)
        : Native(layoutRow, window, hwnd), m_model(lists::systemVolumes(), lists::startFolder())
    {
        draw();
    }
    std::string drive() const override { return m_model.drive(); }
    void setDrive(const std::string &path) override
    {
        const lists::Outcome outcome = m_model.setDrive(path);
        draw(); // a volume that could not be read gives way to the current one again
        report(m_window, outcome, Change);
    }
    std::vector<Volume> volumes() const override { return m_model.volumes(); }
    void setVolumes(const std::vector<Volume> &volumes) override
    {
        m_model.setVolumes(volumes);
        draw();
    }
    void rememberFolder(const std::string &folder) override
    {
        m_model.rememberFolder(folder);
        draw();
    }
    std::string lastFolderOn(const std::string &root) const override { return m_model.lastFolderOn(root); }
    void onCommand(WORD code) override
    {
        const LRESULT row = SendMessageW(m_hwnd, CB_GETCURSEL, 0, 0);
        if (code == CBN_SELCHANGE && row >= 0 && std::size_t(row) < m_model.volumes().size())
            setDrive(m_model.volumes()[std::size_t(row)].root);
    }

private:
    // "c: [label]", as the classic drive list shows a volume.
    void draw()
    {
        std::vector<std::wstring> rows;
        for (const Volume &volume : m_model.volumes()) {
            std::string row = base::text::foldCase(volume.root.substr(0, 2));
            if (!volume.label.empty())
                row += " [" + volume.label + "]";
            rows.push_back(wide(row));
        }
        fill(m_hwnd, rows, CB_RESETCONTENT, CB_ADDSTRING, CB_SETCURSEL, m_model.currentRow());
    }

    lists::DriveModel m_model;
};

class DirListBox : public Native<DirList>
{
public:
    DirListBox(const ControlRow &layoutRow, Win32Window &window, HWND hwnd)
        : Native(layoutRow, window, hwnd), m_model(lists::systemVolumes(), lists::startFolder())
    {
        draw();
    }
    std::string path() const override { return m_model.path(); }
    void setPath(const std::string &folder) override { move(m_model.setPath(folder)); }
    std::vector<std::string> entries() const override { return m_model.entries(); }
    void openEntry(int row) override { move(m_model.openRow(row)); }
    void setVolumes(const std::vector<Volume> &volumes) override
    {
        m_model.setVolumes(volumes);
        draw();
    }
    void onCommand(WORD code) override
    {
        if (code == LBN_DBLCLK)
            openEntry(int(SendMessageW(m_hwnd, LB_GETCURSEL, 0, 0)));
    }

private:
    void move(const lists::Outcome &outcome)
    {
        if (outcome.changed)
            draw();
        report(m_window, outcome, Change);
    }
    // Each row its folder's name, indented by its level; the root by its whole path.
    void draw()
    {
        std::vector<std::wstring> rows;
        for (const lists::DirRow &row : m_model.rows()) {
            const std::filesystem::path path(wide(row.path));
            const std::wstring name = path.has_relative_path() ? path.filename().wstring() : path.wstring();
            rows.push_back(std::wstring(std::size_t(std::max(0, row.level)) * 2, L' ') + name);
        }
        fill(m_hwnd, rows, LB_RESETCONTENT, LB_ADDSTRING, LB_SETCURSEL, m_model.currentRow());
    }

    lists::DirModel m_model;
};

class FileListBox : public Native<FileList>
{
public:
    FileListBox(const ControlRow &layoutRow, Win32Window &window, HWND hwnd)
        : Native(layoutRow, window, hwnd), m_model(layoutRow.pattern, lists::startFolder())
    {
        draw();
    }
    std::string path() const override { return m_model.path(); }
    void setPath(const std::string &folder) override
    {
        const lists::Outcome outcome = m_model.setPath(folder);
        if (outcome.changed)
            draw();
        report(m_window, outcome, PathChange);
    }
    std::string pattern() const override { return m_model.pattern(); }
    void setPattern(const std::string &patterns) override
    {
        m_model.setPattern(patterns);
        draw();
    }
    std::string fileName() const override { return m_model.fileName(); }
    void setFileName(const std::string &name) override
    {
        const bool clicked = m_model.setFileName(name);
        SendMessageW(m_hwnd, LB_SETCURSEL, WPARAM(m_model.selectedRow()), 0);
        if (clicked)
            m_window.raise(Click);
    }
    std::vector<std::string> files() const override { return m_model.files(); }
    void dblClick() override
    {
        if (isEnabled() && !m_model.fileName().empty())
            m_window.raise(DblClick);
    }
    void onCommand(WORD code) override
    {
        if (code == LBN_SELCHANGE) {
            const LRESULT row = SendMessageW(m_hwnd, LB_GETCURSEL, 0, 0);
            const auto &files = m_model.files();
            setFileName(row >= 0 && std::size_t(row) < files.size() ? files[std::size_t(row)]
                                                                    : std::string());
        } else if (code == LBN_DBLCLK) {
            dblClick();
        }
    }

private:
    void draw()
    {
        std::vector<std::wstring> rows;
        for (const std::string &name : m_model.files())
            rows.push_back(wide(name));
        fill(m_hwnd, rows, LB_RESETCONTENT, LB_ADDSTRING, LB_SETCURSEL, m_model.selectedRow());
    }

    lists::FileModel m_model;
};

constexpr DWORD ListStyle = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;

} // namespace

std::unique_ptr<Control> makeDriveList(const ControlRow &layoutRow, Win32Window &window, int id)
{
    ControlRow tall = layoutRow; // a drop-down's height includes its open list
    tall.place.height = std::max(layoutRow.place.height, 3000);
    HWND hwnd = createChild(window, tall, id, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL);
    return std::make_unique<DriveCombo>(layoutRow, window, hwnd);
}

std::unique_ptr<Control> makeDirList(const ControlRow &layoutRow, Win32Window &window, int id)
{
    return std::make_unique<DirListBox>(
        layoutRow, window, createChild(window, layoutRow, id, L"LISTBOX", ListStyle, WS_EX_CLIENTEDGE));
}

std::unique_ptr<Control> makeFileList(const ControlRow &layoutRow, Win32Window &window, int id)
{
    return std::make_unique<FileListBox>(
        layoutRow, window, createChild(window, layoutRow, id, L"LISTBOX", ListStyle, WS_EX_CLIENTEDGE));
}

} // namespace form::win32
