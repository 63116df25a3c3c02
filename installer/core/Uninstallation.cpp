#include "Uninstallation.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "FileLinks.h"
#include "Files.h"
#include "GameFolder.h"
#include "GameFolderLock.h"
#include "Installation.h"
#include "Package.h"
#include "PathStatus.h"
#include "SetupTexts.h"
#include "Sha256.h"
#include "Text.h"

namespace installer {

namespace fs = std::filesystem;

namespace {

const char *const ChangedReason = "changed since it was installed";
const char *const NotPlainReason = "is not a plain file any more";
const char *const BackupMissingReason = "the backup of the original is missing";
const char *const BackupDamagedReason = "the backup of the original is damaged";
const char *const BadNameReason = "is not a plain file name";
const char *const BadFolderReason = "the backup folder of its installation is a link or not a folder";

using KeepGoing = std::function<bool()>;
using paths::exists;
using paths::isRealFolder;
using paths::linkStatus;

// What lies at a recorded name in the game folder now.
struct FileState
{
    enum class Kind
    {
        Missing,
        Plain,
        NotPlain,   // a link, a folder, a FIFO ...
        Unreadable, // a plain file whose digest could not be taken
    };
    Kind kind = Kind::Missing;
    FileDigest digest;
    std::string error;

    bool holds(std::uint64_t size, const std::string &sha256) const
    {
        return kind == Kind::Plain && digest.size == size && digest.sha256 == sha256;
    }
};

FileState inspect(const std::string &path, const KeepGoing &keepGoing)
{
    FileState state;
    const fs::file_status status = linkStatus(path);
    if (!fs::exists(status))
        return state;
    if (base::files::isLink(path) || !fs::is_regular_file(status)) {
        state.kind = FileState::Kind::NotPlain;
        return state;
    }
    if (const auto digest = digestOfFile(path, &state.error, keepGoing)) {
        state.kind = FileState::Kind::Plain;
        state.digest = *digest;
    } else {
        state.kind = FileState::Kind::Unreadable;
    }
    return state;
}

enum class BackupState
{
    Good,
    Missing,
    Damaged, // another digest, or no plain file (a link is never read)
};

BackupState inspectBackup(const std::string &path, const RecordedFile &file, const KeepGoing &keepGoing)
{
    if (!exists(path))
        return BackupState::Missing;
    if (base::files::isLink(path))
        return BackupState::Damaged;
    std::string error;
    const auto digest = digestOfFile(path, &error, keepGoing);
    const bool good = digest && digest->size == file.originalSize && digest->sha256 == file.originalSha256;
    return good ? BackupState::Good : BackupState::Damaged;
}

enum class Step
{
    Remove,      // the package's own file, no original: delete it
    Restore,     // the package's own file (or none): copy the original back, then drop its backup
    DropBackup,  // the original is in place already: only its backup remains to go
    AlreadyDone, // an added file that is gone already
    Leave,
};

struct Verdict
{
    Step step;
    std::string reason; // for Leave
};

// What to do with one recorded file, judged from what the game folder holds now. Every half-done
// state of an earlier run (a restore renamed into place but its backup still there, a file removed
// but the record not yet rewritten) is recognised here, so running again finishes the work.
Verdict judge(const RecordedFile &file, const FileState &now, const std::function<BackupState()> &backup)
{
    using Kind = FileState::Kind;
    if (now.kind == Kind::NotPlain)
        return {Step::Leave, NotPlainReason};
    if (now.kind == Kind::Unreadable)
        return {Step::Leave, "cannot be read (" + now.error + ")"};
    if (file.replacedOriginal && now.holds(file.originalSize, file.originalSha256))
        return {Step::DropBackup, {}};
    const bool packagesOwn = now.holds(file.size, file.sha256);
    if (!packagesOwn && now.kind != Kind::Missing)
        return {Step::Leave, ChangedReason};
    if (!file.replacedOriginal)
        return {packagesOwn ? Step::Remove : Step::AlreadyDone, {}};
    switch (backup()) {
    case BackupState::Good:
        return {Step::Restore, {}};
    case BackupState::Missing:
        return {Step::Leave, BackupMissingReason};
    case BackupState::Damaged:
        break;
    }
    return {Step::Leave, BackupDamagedReason};
}

// The state a file is left in once the step is done, for judging an older installation of the
// same name before anything has changed.
FileState after(const Verdict &verdict, const RecordedFile &file, const FileState &now)
{
    FileState state = now;
    if (verdict.step == Step::Remove) {
        state = {};
    } else if (verdict.step == Step::Restore) {
        state.kind = FileState::Kind::Plain;
        state.digest = {file.originalSize, file.originalSha256};
    }
    return state;
}

// A file that several installations wrote and that each of them leaves is named once, with the
// reason of the newest (the first to judge it).
void addLeft(std::vector<LeftFile> &left, const std::string &name, std::string reason)
{
    if (std::none_of(left.begin(), left.end(), [&](const LeftFile &file) { return file.name == name; }))
        left.push_back({name, std::move(reason)});
}

bool hasBareNames(const RecordedFile &file)
{
    return isBareFileName(file.name) && (!file.replacedOriginal || isBareFileName(file.backupName));
}

// The key under which a name is one file in the game folder (Windows ignores letter case).
std::string fileKey(const std::string &name)
{
#ifdef _WIN32
    return base::text::foldCase(name);
#else
    return name;
#endif
}

// A run's folder must be "<game>/Quernel Backup[ (n)]/<name>", both real folders: through a link,
// restoring and dropping backups would reach outside the game folder.
bool isSafeRunFolder(const std::string &gameFolder, const std::string &folder);

bool isSafeRunFolder(const std::string &gameFolder, const std::string &folder)
{
    const fs::path path = base::files::toPath(folder);
    const fs::path root = path.parent_path();
    const std::string rootName = base::files::fromPath(root.filename());
    const std::string leafName = base::files::fromPath(path.filename());
    const bool placed =
        root.parent_path().lexically_normal() == base::files::toPath(gameFolder).lexically_normal() &&
        (rootName == backupRootName() || rootName.starts_with(backupRootName() + " (")) &&
        isBareFileName(leafName);
    return placed && isRealFolder(base::files::fromPath(root)) && isRealFolder(folder);
}

// Undoes installations one after another, collecting what it did into one result.
class Remover
{
public:
    Remover(std::string gameFolder, const Uninstallation::Progress &progress,
            std::shared_ptr<std::atomic<bool>> cancelled, int count, UninstallResult &result)
        : m_gameFolder(std::move(gameFolder)), m_progress(progress), m_cancelled(std::move(cancelled)),
          m_count(count), m_result(result)
    {
    }

    // False when the run stops here (cancelled).
    bool undo(const InstallRecord &record, bool folderIsSafe)
    {
        std::vector<bool> done(record.files.size(), false);
        for (std::size_t i = record.files.size(); i-- > 0;) {
            const RecordedFile &file = record.files[i];
            if (m_progress)
                m_progress(m_index, m_count, file.name);
            ++m_index;
            if (*m_cancelled) {
                stopCancelled();
                break;
            }
            if (!folderIsSafe || !hasBareNames(file)) {
                leave(file, folderIsSafe ? BadNameReason : BadFolderReason);
                continue;
            }
            const auto outcome = undoFile(record, file);
            if (!outcome) {
                stopCancelled();
                break;
            }
            done[i] = *outcome;
        }
        keepWhatIsLeft(record, done, folderIsSafe);
        return !m_result.cancelled;
    }

    void finish()
    {
        if (m_progress)
            m_progress(m_count, m_count, {});
        m_result.ok = !m_recordsRemain && m_result.error.empty();
    }

private:
    std::string target(const std::string &name) const { return m_gameFolder + '/' + name; }

    // A name undone by a newer and then by an older installation is named once, for what the
    // older one did last.
    void note(std::vector<std::string> &list, const std::string &name)
    {
        for (std::vector<std::string> *names : {&m_result.removed, &m_result.restored})
            std::erase(*names, name);
        list.push_back(name);
    }

    void leave(const RecordedFile &file, std::string reason)
    {
        addLeft(m_result.left, file.name, std::move(reason));
    }

    void stopCancelled()
    {
        m_result.cancelled = true;
        m_result.error = "The removal was cancelled.";
    }

    // True when the file is done with, false when it is left; nothing when cancelled before
    // anything changed.
    std::optional<bool> undoFile(const InstallRecord &record, const RecordedFile &file)
    {
        const KeepGoing keepGoing = [flag = m_cancelled] { return !*flag; };
        const std::string path = target(file.name);
        const std::string backup = record.folder + '/' + file.backupName;
        const FileState now = inspect(path, keepGoing);
        const Verdict verdict = judge(file, now, [&] { return inspectBackup(backup, file, keepGoing); });
        // A digest stopped half-way judges nothing.
        if (*m_cancelled)
            return std::nullopt;

        std::error_code ec;
        switch (verdict.step) {
        case Step::Leave:
            leave(file, verdict.reason);
            return false;
        case Step::AlreadyDone:
            note(m_result.removed, file.name);
            return true;
        case Step::Remove:
            fs::remove(base::files::toPath(path), ec);
            if (ec) {
                leave(file, "could not be removed (" + ec.message() + ")");
                return false;
            }
            note(m_result.removed, file.name);
            return true;
        case Step::Restore: {
            std::string error = backup + ": a link";
            if (base::files::isLink(backup) || !putBack(backup, path, &error)) {
                leave(file, "the original could not be put back (" + error + ")");
                return false;
            }
            [[fallthrough]];
        }
        case Step::DropBackup:
            // Only now that the original is in place.
            if (exists(backup))
                fs::remove(base::files::toPath(backup), ec);
            if (ec) {
                leave(file,
                      "the original is back, but its backup could not be removed (" + ec.message() + ")");
                return false;
            }
            note(m_result.restored, file.name);
            return true;
        }
        return false;
    }

    // The backup takes the file's place in one step: nothing to copy, so a full disk cannot stop it.
    // Where it cannot be moved (another volume mounted in between), it is copied.
    static bool putBack(const std::string &backup, const std::string &path, std::string *error)
    {
        if (base::files::moveFile(backup, path, error))
            return true;
        base::files::CopyOptions options;
        // A power loss after the rename must not leave an empty game file behind.
        options.durable = true;
        return base::files::copyFile(backup, path, options, error) == base::files::CopyOutcome::Copied;
    }

    // The record then lists only what remains to be done; without anything left it goes, with the
    // run's folder and the backup area when they are empty.
    void keepWhatIsLeft(const InstallRecord &record, const std::vector<bool> &done, bool folderIsSafe)
    {
        InstallRecord rest = record;
        rest.files.clear();
        for (std::size_t i = 0; i < record.files.size(); ++i) {
            if (!done[i])
                rest.files.push_back(record.files[i]);
        }
        if (!folderIsSafe) {
            m_recordsRemain = true;
            return;
        }
        std::string error;
        if (rest.files.empty()) {
            if (!removeRecord(record, &error)) {
                m_recordsRemain = true;
                setError("The record " + record.path() + " could not be removed: " + error);
            }
            return;
        }
        m_recordsRemain = true;
        // Not fatal: a record that still lists finished files is judged again by the next run.
        if (rest.files.size() != record.files.size() && !rewriteRecord(rest, &error))
            setError("The record " + record.path() + " could not be updated: " + error);
    }

    void setError(std::string error)
    {
        if (m_result.error.empty())
            m_result.error = std::move(error);
    }

    std::string m_gameFolder;
    const Uninstallation::Progress &m_progress;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    int m_count;
    int m_index = 0;
    bool m_recordsRemain = false;
    UninstallResult &m_result;
};

} // namespace

Uninstallation::Uninstallation(std::string gameFolder, std::string packageName)
    : m_gameFolder(std::move(gameFolder)), m_packageName(std::move(packageName))
{
    while (m_gameFolder.size() > 1 && (m_gameFolder.back() == '/' || m_gameFolder.back() == '\\'))
        m_gameFolder.pop_back();
    m_installations = installationsOf(m_gameFolder, m_packageName);
}

std::string Uninstallation::preflight() const
{
    const FolderCheck folder = checkGameFolder(m_gameFolder, 0, {});
    if (!folder.usable())
        return folder.error;
    if (m_installations.empty()) {
        std::string text = (m_packageName.empty() ? std::string("The package") : m_packageName) +
                           " is not installed in " + m_gameFolder + ".";
        // A record refused as hostile or damaged is named, so that "not installed" is not all.
        std::vector<std::string> unreadable;
        recordedInstallations(m_gameFolder, &unreadable);
        if (!unreadable.empty())
            text += " A record that cannot be used: " + unreadable.front();
        return text;
    }
    return {};
}

std::vector<LeftFile> Uninstallation::check() const
{
    std::vector<LeftFile> left;
    // What each name will hold once the newer installations are undone.
    std::map<std::string, FileState> planned;
    for (const InstallRecord &record : m_installations) {
        const bool folderIsSafe = isSafeRunFolder(m_gameFolder, record.folder);
        for (auto file = record.files.rbegin(); file != record.files.rend(); ++file) {
            if (!folderIsSafe || !hasBareNames(*file)) {
                addLeft(left, file->name, folderIsSafe ? BadNameReason : BadFolderReason);
                continue;
            }
            const std::string key = fileKey(file->name);
            const auto known = planned.find(key);
            const FileState now =
                known != planned.end() ? known->second : inspect(m_gameFolder + '/' + file->name, {});
            const Verdict verdict = judge(
                *file, now, [&] { return inspectBackup(record.folder + '/' + file->backupName, *file, {}); });
            if (verdict.step == Step::Leave)
                addLeft(left, file->name, verdict.reason);
            planned[key] = after(verdict, *file, now);
        }
    }
    return left;
}

UninstallResult Uninstallation::run()
{
    UninstallResult result;
    const FolderCheck folder = checkGameFolder(m_gameFolder, 0, {});
    if (!folder.usable()) {
        result.error = folder.error;
        return result;
    }
    // One setup at a time in a game folder: the records are read again once it is ours.
    const std::string area = backupAreaOf(m_gameFolder);
    std::optional<GameFolderLock> lock;
    if (!area.empty() && isRealFolder(area)) {
        lock = GameFolderLock::tryLock(area);
        if (!lock->held()) {
            result.busy = lock->state() == GameFolderLock::State::Busy;
            result.error = result.busy ? texts::busyLine(m_gameFolder)
                                       : "The backup folder " + area + " cannot be used: " + lock->error();
            return result;
        }
        removeStrayRunFolders(m_gameFolder);
        // A run's folder that was read before and is no folder of its own now stays in the list,
        // so that the player learns why it is left.
        std::vector<InstallRecord> now = installationsOf(m_gameFolder, m_packageName);
        for (InstallRecord &before : m_installations) {
            const bool stillThere = std::any_of(now.begin(), now.end(), [&](const InstallRecord &record) {
                return record.folder == before.folder;
            });
            if (!stillThere && !isRealFolder(before.folder) && paths::exists(before.folder))
                now.push_back(std::move(before));
        }
        m_installations = std::move(now);
    }
    const auto leaveArea = [&] {
        if (lock)
            lock->leave(area);
    };
    result.error = preflight();
    if (!result.error.empty()) {
        leaveArea();
        return result;
    }
    int count = 0;
    for (const InstallRecord &record : m_installations)
        count += int(record.files.size());
    Remover remover(m_gameFolder, m_progress, m_cancelled, count, result);
    for (const InstallRecord &record : m_installations) {
        if (!remover.undo(record, isSafeRunFolder(m_gameFolder, record.folder))) {
            leaveArea();
            return result;
        }
    }
    remover.finish();
    leaveArea();
    return result;
}

void Uninstallation::sweepStrays()
{
    const std::string area = backupAreaOf(m_gameFolder);
    if (area.empty() || !isRealFolder(area))
        return;
    GameFolderLock lock = GameFolderLock::tryLock(area);
    if (!lock.held())
        return;
    removeStrayRunFolders(m_gameFolder);
    lock.leave(area);
}

} // namespace installer
