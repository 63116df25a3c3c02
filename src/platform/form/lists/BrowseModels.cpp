#include "BrowseModels.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "Files.h"
#include "NameListing.h"
#include "Text.h"

namespace form::lists {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char Separator = '\\';

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Letter case does not tell Windows paths apart.
std::string comparable(const std::string &path)
{
    return base::text::foldCase(path);
}

#else
constexpr char Separator = '/';

bool isSeparator(char c)
{
    return c == '/';
}

std::string comparable(const std::string &path)
{
    return path;
}
#endif

bool samePath(const std::string &a, const std::string &b)
{
    return a == b || comparable(a) == comparable(b);
}

// Whether the folder at path lies on (or is) the volume at root.
bool holds(const std::string &root, const std::string &path)
{
    if (root.empty() || path.size() < root.size())
        return false;
    if (!samePath(path.substr(0, root.size()), root))
        return false;
    return path.size() == root.size() || isSeparator(root.back()) || isSeparator(path[root.size()]);
}

std::string child(const std::string &folder, const std::string &name)
{
    return isSeparator(folder.back()) ? folder + name : folder + Separator + name;
}

// The root a folder on no offered volume is shown under: its own ("/", "D:\").
std::string rootOf(const std::string &folder)
{
    const std::string root = base::files::fromPath(base::files::toPath(folder).root_path());
    return root.empty() ? std::string(1, Separator) : root;
}

#ifdef _WIN32
// What a volume without a label of its own is called, by its kind, as Explorer does.
std::string defaultLabel(const wchar_t *root)
{
    switch (::GetDriveTypeW(root)) {
    case DRIVE_REMOVABLE:
        return "Removable Disk";
    case DRIVE_REMOTE:
        return "Network Drive";
    case DRIVE_CDROM:
        return "CD Drive";
    case DRIVE_RAMDISK:
        return "RAM Disk";
    default:
        return "Local Disk";
    }
}
#endif

} // namespace

std::vector<Volume> systemVolumes()
{
#ifdef _WIN32
    const platform::QuietDriveErrors quiet;
    std::vector<wchar_t> roots(::GetLogicalDriveStringsW(0, nullptr) + 1, L'\0');
    const DWORD length = ::GetLogicalDriveStringsW(DWORD(roots.size()), roots.data());
    std::vector<Volume> volumes;
    for (const wchar_t *root = roots.data(); root < roots.data() + length && *root;
         root += wcslen(root) + 1) {
        wchar_t label[MAX_PATH + 1] = L"";
        if (!::GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
            label[0] = L'\0';
        volumes.push_back(
            {base::text::narrow(root), label[0] ? base::text::narrow(label) : defaultLabel(root)});
    }
    return volumes;
#else
    return {{"/", "root"}};
#endif
}

std::string startFolder()
{
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    if (!ec)
        return cleanFolder(base::files::fromPath(cwd));
#ifdef _WIN32
    return "C:\\";
#else
    return "/";
#endif
}

std::string cleanFolder(const std::string &folder)
{
    fs::path path = base::files::toPath(folder);
    if (path.is_relative()) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(path, ec);
        if (!ec)
            path = absolute;
    }
    path = path.lexically_normal();
    const std::size_t rootLength = base::files::fromPath(path.root_path()).size();
    std::string clean = base::files::fromPath(path);
    while (clean.size() > std::max<std::size_t>(rootLength, 1) && isSeparator(clean.back()))
        clean.pop_back();
    return clean;
}

std::string volumeOf(const std::string &path, const std::vector<Volume> &volumes)
{
    std::string best;
    for (const Volume &volume : volumes)
        if (holds(volume.root, path) && volume.root.size() > best.size())
            best = volume.root;
    return best;
}

std::string cannotOpen(const std::string &what, const std::string &path, const std::string &reason)
{
    return "Cannot open the " + what + " " + path + ":\n" + reason + ".";
}

DriveModel::DriveModel(std::vector<Volume> volumes, const std::string &folder)
    : m_volumes(std::move(volumes)), m_drive(volumeOf(folder, m_volumes))
{
}

int DriveModel::currentRow() const
{
    for (std::size_t row = 0; row < m_volumes.size(); ++row)
        if (m_volumes[row].root == m_drive)
            return int(row);
    return -1;
}

Outcome DriveModel::setDrive(const std::string &path)
{
    const std::string root = volumeOf(cleanFolder(path), m_volumes);
    if (root.empty())
        return {};
    std::string reason;
    if (!platform::canListFolder(root, &reason))
        return {false, cannotOpen("volume", root, reason)};
    m_drive = root;
    return {true, {}};
}

void DriveModel::setVolumes(const std::vector<Volume> &volumes)
{
    m_volumes = volumes;
    if (currentRow() < 0)
        m_drive = volumes.empty() ? std::string() : volumes.front().root;
}

void DriveModel::rememberFolder(const std::string &folder)
{
    const std::string root = volumeOf(folder, m_volumes);
    if (root.empty())
        return;
    m_lastFolder[root] = folder;
    m_drive = root;
}

std::string DriveModel::lastFolderOn(const std::string &root) const
{
    const auto found = std::find_if(m_lastFolder.begin(), m_lastFolder.end(),
                                    [&](const auto &entry) { return samePath(entry.first, root); });
    if (found == m_lastFolder.end())
        return root;
    fs::path folder = base::files::toPath(found->second);
    while (base::files::fromPath(folder).size() > root.size() &&
           !platform::canListFolder(base::files::fromPath(folder)))
        folder = folder.parent_path();
    const std::string reachable = base::files::fromPath(folder);
    return reachable.size() >= root.size() ? reachable : root;
}

DirModel::DirModel(std::vector<Volume> volumes, const std::string &folder) : m_volumes(std::move(volumes))
{
    const std::string clean = cleanFolder(folder);
    show(clean, platform::listSubfolders(clean));
}

std::vector<std::string> DirModel::entries() const
{
    std::vector<std::string> paths;
    paths.reserve(m_rows.size());
    for (const DirRow &row : m_rows)
        paths.push_back(row.path);
    return paths;
}

Outcome DirModel::setPath(const std::string &folder)
{
    const std::string target = cleanFolder(folder);
    if (target == m_path)
        return {};
    std::string reason;
    const std::vector<std::string> subfolders = platform::listSubfolders(target, &reason);
    if (!reason.empty())
        return {false, cannotOpen("folder", target, reason)};
    show(target, subfolders);
    return {true, {}};
}

Outcome DirModel::openRow(int row)
{
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    return setPath(m_rows[std::size_t(row)].path);
}

void DirModel::setVolumes(const std::vector<Volume> &volumes)
{
    m_volumes = volumes;
    show(m_path, platform::listSubfolders(m_path));
}

void DirModel::show(const std::string &folder, const std::vector<std::string> &subfolders)
{
    m_path = folder;
    std::string root = volumeOf(folder, m_volumes);
    if (root.empty())
        root = rootOf(folder);
    m_rows = {{root, 0, true}};
    std::string at = root;
    for (const fs::path &part : base::files::toPath(folder.substr(std::min(root.size(), folder.size())))) {
        const std::string name = base::files::fromPath(part);
        if (name.empty() || std::all_of(name.begin(), name.end(), isSeparator))
            continue;
        at = child(at, name);
        m_rows.push_back({at, int(m_rows.size()), true});
    }
    m_chainLength = int(m_rows.size());
    for (const std::string &name : subfolders)
        m_rows.push_back({child(m_path, name), m_chainLength, false});
}

FileModel::FileModel(const std::string &patterns, const std::string &folder)
    : m_pattern(patterns.empty() ? "*.*" : patterns), m_path(cleanFolder(folder))
{
    m_files = platform::listFiles(m_path, platform::NamePatterns(m_pattern));
}

int FileModel::selectedRow() const
{
    if (m_selected.empty())
        return -1;
    const auto found = std::find(m_files.begin(), m_files.end(), m_selected);
    return found == m_files.end() ? -1 : int(found - m_files.begin());
}

Outcome FileModel::setPath(const std::string &folder)
{
    const std::string target = cleanFolder(folder);
    std::string reason;
    std::vector<std::string> files = platform::listFiles(target, platform::NamePatterns(m_pattern), &reason);
    if (!reason.empty())
        return {false, cannotOpen("folder", target, reason)};
    m_path = target;
    m_files = std::move(files);
    m_selected.clear();
    return {true, {}};
}

void FileModel::setPattern(const std::string &patterns)
{
    m_pattern = patterns;
    m_files = platform::listFiles(m_path, platform::NamePatterns(m_pattern));
    m_selected.clear();
}

bool FileModel::setFileName(const std::string &name)
{
    const bool listed = std::find(m_files.begin(), m_files.end(), name) != m_files.end();
    const std::string next = listed ? name : std::string();
    if (next == m_selected)
        return false;
    m_selected = next;
    return !next.empty();
}

} // namespace form::lists
