#include "Installation.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <thread>

#include "FileLinks.h"
#include "GameFolder.h"
#include "PathStatus.h"
#include "Text.h"

namespace installer {

namespace fs = std::filesystem;
using base::files::CopyOutcome;

namespace {

using paths::exists;
using paths::linkStatus;

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

std::string installedAt(const Timestamp &when)
{
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month, when.day,
                  when.hour, when.minute, when.second);
    return text;
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b)
{
    return base::text::foldCase(a) == base::text::foldCase(b);
}

// Removes the run's folder and then the backup area, each only when it is empty.
void removeIfEmpty(const std::string &runFolder)
{
    std::error_code ec;
    const fs::path folder = base::files::toPath(runFolder);
    if (fs::remove(folder, ec))
        fs::remove(folder.parent_path(), ec);
}

// Puts a game file back as it was before a copy over it: the original from its backup, or no
// file where there was none.
bool undoCopy(const std::string &destination, const std::string &originalBackup, std::string *error)
{
    if (originalBackup.empty()) {
        std::error_code ec;
        fs::remove(base::files::toPath(destination), ec);
        if (ec)
            *error = destination + ": " + ec.message();
        return !ec;
    }
    base::files::CopyOptions options;
    options.durable = true;
    return base::files::copyFile(originalBackup, destination, options, error) == CopyOutcome::Copied;
}

// The digest of a file, read on a thread of its own while the caller copies the same file, so
// that the record costs little more time than the copy.
class DigestInBackground
{
public:
    explicit DigestInBackground(std::string path) : m_path(std::move(path))
    {
        try {
            m_thread = std::thread([this] { read(); });
        } catch (const std::system_error &) {
            // No thread to be had: result() reads the file itself.
        }
    }
    ~DigestInBackground()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    DigestInBackground(const DigestInBackground &) = delete;
    DigestInBackground &operator=(const DigestInBackground &) = delete;

    // The digest of the whole file, once it is read.
    std::optional<FileDigest> result(std::string *error)
    {
        if (m_thread.joinable())
            m_thread.join();
        else
            read();
        if (!m_digest)
            *error = m_error;
        return m_digest;
    }

private:
    void read()
    {
        m_digest = digestOfFile(m_path, &m_error, [this] { return !m_stop; });
    }

    std::string m_path;
    std::atomic<bool> m_stop{false};
    std::optional<FileDigest> m_digest;
    std::string m_error;
    std::thread m_thread;
};

// The run's record on disk: rewritten after each file while it lists few files or a second has
// passed since the last write (a long list of small files is not rewritten per file), and once
// at the end.
class RecordKeeper
{
public:
    static constexpr std::size_t FilesWrittenEachTime = 64;
    static constexpr std::chrono::seconds LongestWait{1};

    explicit RecordKeeper(InstallRecord record) : m_record(std::move(record)) {}

    const InstallRecord &record() const { return m_record; }
    bool written() const { return m_written; }

    bool add(RecordedFile file, std::string *error)
    {
        m_record.files.push_back(std::move(file));
        if (m_record.files.size() >= FilesWrittenEachTime &&
            std::chrono::steady_clock::now() - m_lastWrite < LongestWait)
            return true;
        return write(error);
    }

    bool finish(bool complete, std::string *error)
    {
        m_record.complete = complete;
        return write(error);
    }

private:
    bool write(std::string *error)
    {
        if (!writeRecord(m_record, error))
            return false;
        m_written = true;
        m_lastWrite = std::chrono::steady_clock::now();
        return true;
    }

    InstallRecord m_record;
    bool m_written = false;
    std::chrono::steady_clock::time_point m_lastWrite;
};

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
    // The same goes for a name that one of the package's files takes.
    const auto takenByPackage = [this](const std::string &leaf) {
        return std::any_of(m_package.files.begin(), m_package.files.end(),
                           [&](const std::string &name) { return sameNameIgnoringCase(name, leaf); });
    };
    std::string leaf = backupRootName();
    for (int n = 2; n < 1000; ++n) {
        const std::string root = target(leaf);
        const fs::file_status status = linkStatus(root);
        if (!takenByPackage(leaf) &&
            (!fs::exists(status) || (fs::is_directory(status) && !base::files::isLink(root))))
            return root;
        leaf = backupRootName() + " (" + std::to_string(n) + ")";
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

std::string Installation::claimRunFolder(const Timestamp &when, std::string *error) const
{
    const std::string root = backupRoot();
    std::error_code ec;
    if (!root.empty())
        fs::create_directory(base::files::toPath(root), ec);
    const fs::file_status rootStatus = linkStatus(root);
    if (root.empty() || base::files::isLink(root) || !fs::is_directory(rootStatus)) {
        *error = "The backup folder " + root + " cannot be created" + (ec ? ": " + ec.message() : ".");
        return {};
    }
    // Created here and now, never taken over: a second installer at work in the same game folder
    // (or a run in the same second) gets a folder of its own.
    const std::string base = root + '/' + backupLeafName(m_package.name, when);
    for (int n = 1; n < 10000; ++n) {
        const std::string folder = n == 1 ? base : base + " (" + std::to_string(n) + ")";
        if (fs::create_directory(base::files::toPath(folder), ec) && !ec)
            return folder;
        if (!exists(folder))
            break;
    }
    *error = "The backup folder " + base + " cannot be created" + (ec ? ": " + ec.message() : ".");
    fs::remove(base::files::toPath(root), ec); // only when nothing else is in it
    return {};
}

CopyOutcome Installation::keepOriginal(const std::string &runFolder, const std::vector<RecordedFile> &done,
                                       RecordedFile &file, bool &backupMadeNow, std::string *error)
{
    const std::string original = target(file.name);
    file.replacedOriginal = true;
    // A name that differs only in letter case from one before it is the same file where names
    // ignore case: its original is in the backup already, and stays there.
    for (const RecordedFile &earlier : done) {
        if (earlier.replacedOriginal && sameNameIgnoringCase(earlier.name, file.name) &&
            base::files::sameFile(target(earlier.name), original) &&
            exists(runFolder + '/' + earlier.backupName)) {
            file.backupName = earlier.backupName;
            file.originalSize = earlier.originalSize;
            file.originalSha256 = earlier.originalSha256;
            return CopyOutcome::Copied;
        }
    }
    // The record has its own name in the folder; no backup takes it or another backup's name.
    std::string name =
        sameNameIgnoringCase(file.name, recordFileName()) ? file.name + " (original)" : file.name;
    for (int n = 2; exists(runFolder + '/' + name); ++n)
        name = file.name + " (original " + std::to_string(n) + ")";
    file.backupName = name;

    std::optional<FileDigest> digest;
    const std::string backup = runFolder + '/' + name;
    const CopyOutcome saved = copyWithDigest(original, backup, digest, error);
    if (saved == CopyOutcome::Failed || saved == CopyOutcome::Cancelled)
        return saved;
    if (!digest) {
        std::error_code ec;
        fs::remove(base::files::toPath(backup), ec);
        return CopyOutcome::Failed;
    }
    backupMadeNow = true;
    file.originalSize = digest->size;
    file.originalSha256 = digest->sha256;
    return CopyOutcome::Copied;
}

CopyOutcome Installation::copyWithDigest(const std::string &source, const std::string &destination,
                                         std::optional<FileDigest> &digest, std::string *error)
{
    DigestInBackground reading(source);
    const CopyOutcome outcome = copy(source, destination, error);
    if (outcome == CopyOutcome::Failed || outcome == CopyOutcome::Cancelled)
        return outcome; // the reading is stopped as it goes out of scope
    digest = reading.result(error);
    // The source read beside the copy changed under it (or could not be read): what the copy
    // wrote is read again, as that is what the record must describe.
    if (!digest || digest->size != sizeOf(destination))
        digest = digestOfFile(destination, error);
    return outcome;
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
    const Timestamp when = m_clock ? m_clock() : localNow();
    std::string error;
    const std::string runFolder = claimRunFolder(when, &error);
    if (runFolder.empty()) {
        result.notInstalled = files;
        result.error = error;
        return result;
    }
    // Until the record is in it, a Ctrl-C or a kill by a script leaves no empty folder behind.
    const base::files::PendingFolder pendingRunFolder(runFolder);
    const base::files::PendingFolder pendingBackupArea(
        base::files::fromPath(base::files::toPath(runFolder).parent_path()));
    RecordKeeper record(InstallRecord{runFolder, m_package.name, installedAt(when), false, {}});

    bool recordFailed = false;
    // Ends the run: the record says exactly what was done, or nothing stays when nothing was.
    auto finish = [&](int from, std::string stopError, bool cancelled) {
        result.notInstalled.assign(files.begin() + from, files.end());
        result.error = std::move(stopError);
        result.cancelled = cancelled;
        result.ok = result.error.empty();
        if (!result.replaced.empty())
            result.backupFolder = runFolder;
        std::string recordError;
        if (!result.installed.empty() && !record.finish(result.ok, &recordError) && !recordFailed) {
            const std::string problem = "the record of the installation could not be written (" +
                                        recordError +
                                        "), so the package cannot be removed with its originals put back.";
            result.error =
                result.ok ? "Every file was installed, but " + problem : result.error + " Also, " + problem;
            result.ok = false;
        }
        if (record.written())
            result.recordFolder = runFolder;
        else
            removeIfEmpty(runFolder);
        return result;
    };
    auto cancelled = [&](int from) { return finish(from, "The installation was cancelled.", true); };
    auto notInstalled = [&](int from) { return joinNames({files.begin() + from, files.end()}); };

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
            return finish(i, packageFileProblem(m_package, name), false);

        RecordedFile file;
        file.name = name;
        bool backupMadeNow = false;
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
            const CopyOutcome saved =
                keepOriginal(runFolder, record.record().files, file, backupMadeNow, &error);
            if (saved == CopyOutcome::Cancelled)
                return cancelled(i);
            if (saved == CopyOutcome::Failed)
                return finish(i, name + " could not be backed up (" + error + "); it was left as it was.",
                              false);
        }

        std::optional<FileDigest> digest;
        const CopyOutcome copied = copyWithDigest(source, destination, digest, &error);
        const std::string backup = file.replacedOriginal ? runFolder + '/' + file.backupName : std::string();
        if (copied == CopyOutcome::Failed || copied == CopyOutcome::Cancelled) {
            // The original is still in place.
            std::error_code ec;
            if (backupMadeNow)
                fs::remove(base::files::toPath(backup), ec);
            if (copied == CopyOutcome::Cancelled)
                return cancelled(i);
            return finish(
                i, name + " could not be copied (" + error + "). Not installed: " + notInstalled(i) + ".",
                false);
        }
        if (!digest) {
            // What cannot be recorded does not stay installed: the game folder goes back as it was.
            const std::string readError = error;
            if (!undoCopy(destination, backup, &error))
                return finish(i + 1,
                              name + " could not be read back after copying (" + readError +
                                  ") nor put back as it was (" + error + "); it is not in the record." +
                                  " Not installed: " + notInstalled(i + 1) + ".",
                              false);
            std::error_code ec;
            if (backupMadeNow)
                fs::remove(base::files::toPath(backup), ec);
            return finish(i,
                          name + " could not be read back after copying (" + readError +
                              "); it was put back as it was. Not installed: " + notInstalled(i) + ".",
                          false);
        }
        file.size = digest->size;
        file.sha256 = digest->sha256;
        const bool replaced = file.replacedOriginal;
        result.installed.push_back(name);
        if (replaced)
            result.replaced.push_back(name);
        const bool recorded = record.add(std::move(file), &error);
        if (m_fileDone)
            m_fileDone(name, replaced ? FileOutcome::Replaced : FileOutcome::Installed);
        recordFailed = !recorded;
        if (recordFailed)
            return finish(i + 1,
                          "The record of the installation could not be written (" + error +
                              "), so the installation stopped after " + name +
                              ". Not installed: " + notInstalled(i + 1) + ".",
                          false);
    }
    if (m_progress)
        m_progress(count, count, {});
    return finish(count, {}, false);
}

} // namespace installer
