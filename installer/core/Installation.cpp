#include "Installation.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "FileLinks.h"
#include "GameFolder.h"
#include "Text.h"

namespace installer {

namespace fs = std::filesystem;
using base::files::CopyOutcome;

namespace {

// Characters no Windows folder name may hold, so the backup can be copied anywhere; the name cut
// so that the folder's name stays far below any system's limit.
std::string safeFolderName(const std::string &name)
{
    std::string safe;
    for (const char c : name) {
        const bool bad = static_cast<unsigned char>(c) < 0x20 ||
                         std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
        safe += bad ? '_' : c;
    }
    safe = base::text::cutUtf8(safe, MaxBackupNameBytes);
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' ' || safe.back() == '\t'))
        safe.pop_back();
    const std::size_t first = safe.find_first_not_of(" \t");
    return first == std::string::npos ? "Package" : safe.substr(first);
}

std::string stamp(const Timestamp &when)
{
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d-%02d-%02d", when.year, when.month, when.day,
                  when.hour, when.minute, when.second);
    return text;
}

std::string backupLeafName(const std::string &packageName, const Timestamp &when)
{
    return safeFolderName(packageName) + ' ' + stamp(when);
}

std::string joinNames(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

fs::file_status linkStatus(const std::string &path)
{
    std::error_code ec;
    return fs::symlink_status(base::files::toPath(path), ec);
}

bool exists(const std::string &path)
{
    return fs::exists(linkStatus(path));
}

std::uint64_t sizeOf(const std::string &path)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(base::files::toPath(path), ec);
    return ec ? 0 : size;
}

std::string megabytes(std::uint64_t bytes)
{
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
}

} // namespace

Timestamp localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string backupRootName()
{
    return "Quernel Backup";
}

std::string backupFolderName(const std::string &packageName, const Timestamp &when)
{
    return backupRootName() + '/' + backupLeafName(packageName, when);
}

Installation::Installation(Package package, std::string gameFolder)
    : m_package(std::move(package)), m_gameFolder(std::move(gameFolder))
{
    while (m_gameFolder.size() > 1 && (m_gameFolder.back() == '/' || m_gameFolder.back() == '\\'))
        m_gameFolder.pop_back();
}

std::string Installation::target(const std::string &name) const
{
    return m_gameFolder + '/' + name;
}

CopyOutcome Installation::copy(const std::string &source, const std::string &target, std::string *error)
{
    base::files::CopyOptions options;
    // A power loss after the rename must not leave an empty game file.
    options.durable = true;
    options.progress = [this](std::uint64_t copied, std::uint64_t total) {
        if (m_betweenChunks)
            m_betweenChunks(copied, total);
        return !*m_cancelled;
    };
    if (m_copy)
        return m_copy(source, target, options, error);
    return base::files::copyFile(source, target, options, error);
}

std::string Installation::backupRoot() const
{
    // A "Quernel Backup" that is a link (or no folder) would send the backups elsewhere: the first
    // of "Quernel Backup (2)", "(3)", ... that is a real folder or free takes its place.
    std::string root = target(backupRootName());
    for (int n = 2; n < 1000; ++n) {
        const fs::file_status status = linkStatus(root);
        if (!fs::exists(status) || (fs::is_directory(status) && !base::files::isLink(root)))
            return root;
        root = target(backupRootName() + " (" + std::to_string(n) + ")");
    }
    return {};
}

std::string Installation::preflight() const
{
    for (const std::string &name : m_package.files) {
        if (!isBareFileName(name))
            return "\"" + name + "\" is not a plain file name.";
        if (name.size() > MaxIniValueBytes)
            return name + " has a name longer than " + std::to_string(MaxIniValueBytes) + " bytes.";
        if (const std::string problem = packageFileProblem(m_package, name); !problem.empty()) {
            if (base::files::isLink(m_package.pathOf(name)))
                return problem;
            return name + " is missing from the package folder (" + m_package.folder + ").";
        }
    }
    const FolderCheck folder = checkGameFolder(m_gameFolder, m_package.gameVersion, m_package.folder);
    if (!folder.usable())
        return folder.error;

    std::uint64_t needed = 0;
    std::uint64_t largestOriginal = 0;
    for (const std::string &name : m_package.files) {
        needed += sizeOf(m_package.pathOf(name));
        const fs::file_status existing = linkStatus(target(name));
        if (!fs::exists(existing))
            continue;
        if (base::files::isLink(target(name)) || !fs::is_regular_file(existing))
            return name + " in the game folder is not a plain file; it is left alone.";
        if ((existing.permissions() & fs::perms::owner_write) == fs::perms::none)
            return name + " in the game folder is read-only and cannot be replaced.";
        largestOriginal = std::max(largestOriginal, sizeOf(target(name)));
    }
    if (backupRoot().empty())
        return "No folder for the backups can be made in " + m_gameFolder + ".";

    // The new files stay, each replaced original moves into the backup (its copy takes the place
    // the original frees), and one copy is under way at a time.
    needed += largestOriginal;
    std::error_code ec;
    const fs::space_info space = fs::space(base::files::toPath(m_gameFolder), ec);
    if (!ec && space.available < needed)
        return "There is not enough free space in " + m_gameFolder + ": the package needs " +
               megabytes(needed) + ", " + megabytes(space.available) + " are free.";
    return {};
}

std::vector<std::string> Installation::existingFiles() const
{
    std::vector<std::string> names;
    for (const std::string &name : m_package.files) {
        if (exists(target(name)))
            names.push_back(name);
    }
    return names;
}

bool Installation::createBackupFolder(InstallResult &result, std::string *error)
{
    if (!result.backupFolder.empty())
        return true;
    const std::string root = backupRoot();
    std::error_code ec;
    if (!root.empty())
        fs::create_directory(base::files::toPath(root), ec);
    const fs::file_status rootStatus = linkStatus(root);
    if (root.empty() || base::files::isLink(root) || !fs::is_directory(rootStatus)) {
        *error = "The backup folder " + root + " cannot be created" + (ec ? ": " + ec.message() : ".");
        return false;
    }
    // Created here and now, never taken over: a second installer at work in the same game folder
    // (or a run in the same second) gets a folder of its own.
    const std::string base = root + '/' + backupLeafName(m_package.name, m_clock ? m_clock() : localNow());
    for (int n = 1; n < 10000; ++n) {
        const std::string folder = n == 1 ? base : base + " (" + std::to_string(n) + ")";
        if (fs::create_directory(base::files::toPath(folder), ec) && !ec) {
            result.backupFolder = folder;
            return true;
        }
        if (!exists(folder))
            break;
    }
    *error = "The backup folder " + base + " cannot be created" + (ec ? ": " + ec.message() : ".");
    return false;
}

void Installation::dropEmptyBackupFolder(InstallResult &result) const
{
    if (result.backupFolder.empty() || !result.replaced.empty())
        return;
    std::error_code ec;
    const fs::path folder = base::files::toPath(result.backupFolder);
    fs::remove(folder, ec);
    fs::remove(folder.parent_path(), ec); // only when nothing else is in it
    result.backupFolder.clear();
}

InstallResult Installation::run(const AskReplace &ask)
{
    InstallResult result;
    result.error = preflight();
    if (!result.error.empty()) {
        result.notInstalled = m_package.files;
        return result;
    }

    const auto &files = m_package.files;
    const int count = int(files.size());
    auto stop = [&](int from, std::string error, bool cancelled) {
        result.notInstalled.assign(files.begin() + from, files.end());
        result.error = std::move(error);
        result.cancelled = cancelled;
        dropEmptyBackupFolder(result);
        return result;
    };
    auto cancelled = [&](int from) { return stop(from, "The installation was cancelled.", true); };

    bool replaceAll = false;
    for (int i = 0; i < count; ++i) {
        const std::string &name = files[i];
        if (m_progress)
            m_progress(i, count, name);
        if (*m_cancelled)
            return cancelled(i);
        const std::string source = m_package.pathOf(name);
        const std::string destination = target(name);
        // Checked again just before the copy: the package may have changed since the preflight.
        if (base::files::isLink(source))
            return stop(i, packageFileProblem(m_package, name), false);

        std::string backup;
        bool backupMadeNow = false;
        std::string error;
        if (exists(destination)) {
            if (!replaceAll) {
                const ReplaceAnswer answer = ask ? ask(name) : ReplaceAnswer::No;
                if (answer == ReplaceAnswer::No) {
                    result.skipped.push_back(name);
                    if (m_fileDone)
                        m_fileDone(name, FileOutcome::Skipped);
                    continue;
                }
                replaceAll = answer == ReplaceAnswer::YesToAll;
            }
            if (!createBackupFolder(result, &error))
                return stop(i, error, false);
            backup = result.backupFolder + '/' + name;
            // A name that differs only in letter case from one before it is the same file where
            // names ignore case: its original is in the backup already, and stays there.
            if (!exists(backup)) {
                const CopyOutcome saved = copy(destination, backup, &error);
                if (saved == CopyOutcome::Cancelled)
                    return cancelled(i);
                if (saved == CopyOutcome::Failed)
                    return stop(i, name + " could not be backed up (" + error + "); it was left as it was.",
                                false);
                backupMadeNow = true;
            }
        }

        const CopyOutcome copied = copy(source, destination, &error);
        if (copied == CopyOutcome::Failed || copied == CopyOutcome::Cancelled) {
            std::error_code ec;
            if (backupMadeNow)
                fs::remove(base::files::toPath(backup), ec); // the original is still in place
            if (copied == CopyOutcome::Cancelled)
                return cancelled(i);
            const std::vector<std::string> rest(files.begin() + i, files.end());
            return stop(
                i, name + " could not be copied (" + error + "). Not installed: " + joinNames(rest) + ".",
                false);
        }
        result.installed.push_back(name);
        if (!backup.empty())
            result.replaced.push_back(name);
        if (m_fileDone)
            m_fileDone(name, backup.empty() ? FileOutcome::Installed : FileOutcome::Replaced);
    }
    if (m_progress)
        m_progress(count, count, {});
    result.ok = true;
    return result;
}

} // namespace installer
