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
#include "GameFolderLock.h"
#include "InstallationTesting.h"
#include "PathStatus.h"
#include "SetupTexts.h"
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

// Bytes rounded up to whole allocation units: what a file really takes on the volume.
std::uint64_t allocated(std::uint64_t bytes, std::uint64_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

// About what one file's journal entry and folder entries take: two names, two digests, the keys.
constexpr std::uint64_t RecordBytesPerFile = 512;

// One of two figures in a unit in which they differ: "needs 2.1 MB, 2.0 MB are free" is a reason,
// "needs 2 MB, 2 MB are free" is none. What is needed is rounded up, what is free down.
std::pair<std::string, std::string> spaceFigures(std::uint64_t needed, std::uint64_t available)
{
    static const struct
    {
        std::uint64_t size;
        const char *name;
    } units[] = {{1ull << 30, "GB"}, {1ull << 20, "MB"}, {1ull << 10, "KB"}};
    for (const auto &unit : units) {
        const std::uint64_t tenths = unit.size / 10;
        const std::uint64_t up = (needed + tenths - 1) / tenths;
        const std::uint64_t down = available / tenths;
        if (up == down || (up < 10 && unit.size > 1024))
            continue;
        const auto text = [&](std::uint64_t n) {
            return std::to_string(n / 10) + "." + std::to_string(n % 10) + " " + unit.name;
        };
        return {text(up), text(down)};
    }
    return {std::to_string(needed) + " bytes", std::to_string(available) + " bytes"};
}

// The digest of the bytes a copy writes, taken as they are written.
class WrittenDigest
{
public:
    void attach(base::files::CopyOptions &options)
    {
        m_hash = Sha256();
        m_size = 0;
        options.written = [this](const char *data, std::size_t size) {
            m_hash.update(data, size);
            m_size += size;
        };
    }
    FileDigest result() { return {m_size, Sha256::hex(m_hash.finish())}; }

private:
    Sha256 m_hash;
    std::uint64_t m_size = 0;
};

testing::StepHook g_stepHook;

void stepDone(testing::InstallStep step, const std::string &fileName)
{
    if (g_stepHook)
        g_stepHook(step, fileName);
}

} // namespace

namespace testing {

void setStepHook(StepHook hook)
{
    g_stepHook = std::move(hook);
}

} // namespace testing

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

base::files::CopyOptions Installation::copyOptions()
{
    base::files::CopyOptions options;
    // A power loss after the rename must not leave an empty game file.
    options.durable = true;
    options.progress = [this](std::uint64_t copied, std::uint64_t total) {
        if (m_betweenChunks)
            m_betweenChunks(copied, total);
        return !*m_cancelled;
    };
    return options;
}

CopyOutcome Installation::stage(base::files::StagedCopy &copy, const std::string &source,
                                const std::string &target, const base::files::CopyOptions &options,
                                std::string *error)
{
    if (m_copy)
        return m_copy(copy, source, target, options, error);
    return copy.stage(source, target, options, error);
}

std::string backupAreaOf(const std::string &gameFolder, const std::vector<std::string> &packageFiles)
{
    // A "Quernel Backup" that is a link (or no folder) would send the backups elsewhere: the first
    // of "Quernel Backup (2)", "(3)", ... that is a real folder or free takes its place.
    // The same goes for a name that one of the package's files takes.
    const auto takenByPackage = [&](const std::string &leaf) {
        return std::any_of(packageFiles.begin(), packageFiles.end(),
                           [&](const std::string &name) { return sameNameIgnoringCase(name, leaf); });
    };
    std::string leaf = backupRootName();
    for (int n = 2; n < 1000; ++n) {
        const std::string root = gameFolder + '/' + leaf;
        const fs::file_status status = linkStatus(root);
        if (!takenByPackage(leaf) &&
            (!fs::exists(status) || (fs::is_directory(status) && !base::files::isLink(root))))
            return root;
        leaf = backupRootName() + " (" + std::to_string(n) + ")";
    }
    return {};
}

std::string Installation::backupRoot() const
{
    return backupAreaOf(m_gameFolder, m_package.files);
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

    for (const std::string &name : m_package.files) {
        const fs::file_status existing = linkStatus(target(name));
        if (!fs::exists(existing))
            continue;
        if (base::files::isLink(target(name)) || !fs::is_regular_file(existing))
            return name + " in the game folder is not a plain file; it is left alone.";
        if ((existing.permissions() & fs::perms::owner_write) == fs::perms::none)
            return name + " in the game folder is read-only and cannot be replaced.";
    }
    if (backupRoot().empty())
        return "No folder for the backups can be made in " + m_gameFolder + ".";
    return spaceProblem();
}

std::string Installation::spaceProblem() const
{
    std::string error;
    const std::optional<base::files::VolumeSpace> space = base::files::volumeSpace(m_gameFolder, &error);
    if (!space)
        return {};
    const std::uint64_t unit = space->allocationUnit;
    // Every new file stays; each replaced original goes into the backup while the new file takes
    // its place, so at most one original more is on the volume at a time. The record takes an
    // entry per file; the folders of the backup area and a margin for the file system's own needs.
    std::uint64_t needed = 0;
    std::uint64_t largestOriginal = 0;
    for (const std::string &name : m_package.files) {
        needed += allocated(sizeOf(m_package.pathOf(name)), unit);
        if (exists(target(name)))
            largestOriginal = std::max(largestOriginal, allocated(sizeOf(target(name)), unit));
    }
    needed += largestOriginal;
    needed += allocated(RecordBytesPerFile * m_package.files.size(), unit) * 2 + 8 * unit;
    needed += needed / 50; // 2 %
    if (space->available >= needed)
        return {};
    const auto [wanted, free] = spaceFigures(needed, space->available);
    return "There is not enough free space in " + m_gameFolder + ": the package needs " + wanted + ", " +
           free + " are free.";
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

std::string Installation::claimRunFolder(const std::string &root, const Timestamp &when,
                                         std::string *error) const
{
    std::error_code ec;
    const fs::file_status rootStatus = linkStatus(root);
    if (root.empty() || base::files::isLink(root) || !fs::is_directory(rootStatus)) {
        *error = "The backup folder " + root + " cannot be created" + (ec ? ": " + ec.message() : ".");
        return {};
    }
    // Created here and now, never taken over: a run in the same second gets a folder of its own.
    const std::string base = root + '/' + backupLeafName(m_package.name, when);
    for (int n = 1; n < 10000; ++n) {
        const std::string folder = n == 1 ? base : base + " (" + std::to_string(n) + ")";
        if (fs::create_directory(base::files::toPath(folder), ec) && !ec)
            return folder;
        if (!exists(folder))
            break;
    }
    *error = "The backup folder " + base + " cannot be created" + (ec ? ": " + ec.message() : ".");
    return {};
}

CopyOutcome Installation::stageOriginal(const std::string &runFolder, const std::vector<RecordedFile> &done,
                                        RecordedFile &file, base::files::StagedCopy &backup,
                                        std::string *error)
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
            return CopyOutcome::SameFile;
        }
    }
    // The record has its own names in the folder; no backup takes them or another backup's name.
    const auto taken = [&](const std::string &name) {
        return exists(runFolder + '/' + name) || sameNameIgnoringCase(name, recordFileName()) ||
               sameNameIgnoringCase(name, journalFileName()) ||
               sameNameIgnoringCase(name, keptInstallerFileName()) || base::files::isTemporaryName(name) ||
               std::any_of(done.begin(), done.end(), [&](const RecordedFile &earlier) {
                   return earlier.replacedOriginal && sameNameIgnoringCase(earlier.backupName, name);
               });
    };
    std::string name = taken(file.name) ? file.name + " (original)" : file.name;
    for (int n = 2; taken(name); ++n)
        name = file.name + " (original " + std::to_string(n) + ")";
    file.backupName = name;

    base::files::CopyOptions options = copyOptions();
    WrittenDigest digest;
    digest.attach(options);
    const CopyOutcome staged = stage(backup, original, runFolder + '/' + name, options, error);
    if (staged == CopyOutcome::Copied) {
        const FileDigest written = digest.result();
        file.originalSize = written.size;
        file.originalSha256 = written.sha256;
    }
    return staged == CopyOutcome::SameFile ? CopyOutcome::Failed : staged;
}

InstallResult Installation::run(const AskReplace &ask)
{
    InstallResult result;
    result.error = preflight();
    if (!result.error.empty()) {
        result.notInstalled = m_package.files;
        return result;
    }

    // One setup at a time in a game folder, from the first look at its records to the last file.
    const std::string area = backupRoot();
    GameFolderLock lock = GameFolderLock::tryLock(area);
    if (!lock.held()) {
        result.notInstalled = m_package.files;
        result.busy = lock.state() == GameFolderLock::State::Busy;
        result.error = result.busy ? texts::busyLine(m_gameFolder)
                                   : "The backup folder " + area + " cannot be used: " + lock.error();
        std::error_code ec;
        fs::remove(base::files::toPath(area), ec); // made for the lock file, and only when empty
        return result;
    }

    // What installers killed before their first record left goes now that the folder is ours.
    removeStrayRunFolders(m_gameFolder);

    const auto &files = m_package.files;
    const int count = int(files.size());
    const Timestamp when = m_clock ? m_clock() : localNow();
    std::string error;
    const std::string runFolder = claimRunFolder(area, when, &error);
    if (runFolder.empty()) {
        result.notInstalled = files;
        result.error = error;
        lock.leave(area);
        return result;
    }
    // Until the record is in it, a Ctrl-C or a kill by a script leaves no empty folder behind.
    const base::files::PendingFolder pendingRunFolder(runFolder);
    InstallRecord record{runFolder, m_package.name, installedAt(when), false, {}};
    record.sequence = nextSequence();
    record.archiveSha256 = m_package.archiveSha256;
    std::size_t journalled = 0;
    bool summaryWritten = false;
    // The copies of the file under way, staged and not yet in place: dropped when the run stops.
    base::files::StagedCopy backup;
    base::files::StagedCopy copy;

    // Ends the run: the record says exactly what may have been done, or nothing stays when nothing was.
    auto finish = [&](int from, std::string stopError, bool cancelled) {
        result.notInstalled.assign(files.begin() + from, files.end());
        result.error = std::move(stopError);
        result.cancelled = cancelled;
        result.ok = result.error.empty();
        if (!result.replaced.empty())
            result.backupFolder = runFolder;
        backup = {};
        copy = {};
        std::string recordError;
        if (journalled == 0) {
            std::error_code ec;
            if (!summaryWritten || removeRecord(record, &recordError))
                fs::remove(base::files::toPath(runFolder), ec);
        } else {
            result.recordFolder = runFolder;
            record.complete = result.ok;
            // The journal already names every file; the summary only says the run is over.
            if (!writeRecord(record, &recordError) && result.ok)
                result.error = "Every file was installed, but the record " + record.path() +
                               " could not be marked as complete (" + recordError +
                               "); removing the package still works.";
        }
        lock.leave(area);
        return result;
    };
    auto cancelled = [&](int from) { return finish(from, "The installation was cancelled.", true); };
    auto notInstalled = [&](int from) { return joinNames({files.begin() + from, files.end()}); };

    std::vector<RecordedFile> done;
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
        backup = {};
        copy = {};
        bool backupStaged = false;
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
            const CopyOutcome saved = stageOriginal(runFolder, done, file, backup, &error);
            if (saved == CopyOutcome::Cancelled)
                return cancelled(i);
            if (saved == CopyOutcome::Failed)
                return finish(i, name + " could not be backed up (" + error + "); it was left as it was.",
                              false);
            backupStaged = saved == CopyOutcome::Copied;
            if (backupStaged)
                stepDone(testing::InstallStep::OriginalStaged, name);
        }

        // The package's file, made whole beside the backups; its digest is that of what was written.
        base::files::CopyOptions options = copyOptions();
        options.stagingFolder = runFolder;
        // Installed files get what any new file in the game folder gets, not the package's mode.
        options.keepSourcePermissions = false;
        WrittenDigest digest;
        digest.attach(options);
        const CopyOutcome copied = stage(copy, source, destination, options, &error);
        if (copied == CopyOutcome::Cancelled)
            return cancelled(i);
        if (copied != CopyOutcome::Copied)
            return finish(
                i, name + " could not be copied (" + error + "). Not installed: " + notInstalled(i) + ".",
                false);
        const FileDigest written = digest.result();
        file.size = written.size;
        file.sha256 = written.sha256;
        stepDone(testing::InstallStep::FileStaged, name);

        // The record leads: the entry is on disk before the backup or the game file is touched.
        if (!summaryWritten && !writeRecord(record, &error))
            return finish(i,
                          "The record of the installation could not be written (" + error +
                              "), so nothing more was installed. Not installed: " + notInstalled(i) + ".",
                          false);
        summaryWritten = true;
        if (!appendToJournal(record, journalled + 1, file, &error))
            return finish(i,
                          "The record of the installation could not be written (" + error +
                              "), so the installation stopped before " + name +
                              ". Not installed: " + notInstalled(i) + ".",
                          false);
        ++journalled;
        done.push_back(file);
        stepDone(testing::InstallStep::Journalled, name);
        if (backupStaged && backup.publish(&error))
            stepDone(testing::InstallStep::OriginalKept, name);
        else if (backupStaged)
            return finish(i,
                          name + " could not be backed up (" + error +
                              "); it was left as it was. Not installed: " + notInstalled(i) + ".",
                          false);
        if (copy.publish(&error))
            stepDone(testing::InstallStep::FileInPlace, name);
        else
            return finish(i,
                          name + " could not be put in place (" + error +
                              "); it was left as it was. Not installed: " + notInstalled(i) + ".",
                          false);

        result.installed.push_back(name);
        if (file.replacedOriginal)
            result.replaced.push_back(name);
        if (m_fileDone)
            m_fileDone(name, file.replacedOriginal ? FileOutcome::Replaced : FileOutcome::Installed);
    }
    if (m_progress)
        m_progress(count, count, {});
    return finish(count, {}, false);
}

std::uint64_t Installation::nextSequence() const
{
    std::uint64_t highest = 0;
    for (const InstallRecord &record : recordedInstallations(m_gameFolder))
        highest = std::max(highest, record.sequence);
    return highest + 1;
}

} // namespace installer
