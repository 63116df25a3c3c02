#include "InstallRecord.h"

#include "ProgramsList.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "FileLinks.h"
#include "Files.h"
#include "IniDocument.h"
#include "Package.h"
#include "PathStatus.h"
#include "Text.h"

namespace installer {

namespace fs = std::filesystem;

namespace {

using paths::isRealFolder;
using paths::linkStatus;

constexpr std::string_view MainSection = "Installation";
// Far above any real record (a few hundred bytes per file), far below what could hurt to read.
constexpr std::uint64_t MaxRecordBytes = 64u << 20;
constexpr std::uint64_t MaxRecordedFiles = 1'000'000;

std::string fileSection(std::size_t number)
{
    return "File" + std::to_string(number);
}

void fileLines(std::string &out, std::size_t number, const RecordedFile &file);

std::string yesNo(bool yes)
{
    return yes ? "Yes" : "No";
}

void line(std::string &out, std::string_view key, std::string_view value)
{
    out.append(key).append("=").append(value).append("\r\n");
}

bool isDigest(std::string_view text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char &c : out) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return out;
}

// Reads one record's values, collecting the first problem as a one-line reason.
class RecordReader
{
public:
    explicit RecordReader(std::string_view bytes) : m_document(bytes) {}

    bool has(std::string_view section, std::string_view key) const
    {
        return m_document.value(section, key).has_value();
    }

    std::string text(std::string_view section, std::string_view key)
    {
        const std::optional<std::string> stored = m_document.value(section, key);
        if (!stored)
            fail("[" + std::string(section) + "] has no " + std::string(key));
        return stored ? std::string(base::ini::trimmed(*stored)) : std::string();
    }

    std::uint64_t number(std::string_view section, std::string_view key)
    {
        const std::string value = text(section, key);
        std::uint64_t n = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (ec != std::errc() || end != value.data() + value.size())
            fail("[" + std::string(section) + "] " + std::string(key) + " is not a number");
        return n;
    }

    bool flag(std::string_view section, std::string_view key)
    {
        const std::string value = text(section, key);
        if (value != "Yes" && value != "No")
            fail("[" + std::string(section) + "] " + std::string(key) + " is neither Yes nor No");
        return value == "Yes";
    }

    std::string digest(std::string_view section, std::string_view key)
    {
        const std::string value = lowered(text(section, key));
        if (!isDigest(value))
            fail("[" + std::string(section) + "] " + std::string(key) + " is not a SHA-256 digest");
        return value;
    }

    std::string bareName(std::string_view section, std::string_view key)
    {
        const std::string value = text(section, key);
        if (!isBareFileName(value))
            fail("[" + std::string(section) + "] " + std::string(key) + " \"" + value +
                 "\" is not a plain file name");
        return value;
    }

    void fail(std::string reason)
    {
        if (m_error.empty())
            m_error = std::move(reason);
    }
    bool ok() const { return m_error.empty(); }
    const std::string &error() const { return m_error; }

private:
    base::ini::Document m_document;
    std::string m_error;
};

// "Quernel Backup" and "Quernel Backup (n)": where runs keep their folders.
bool isBackupAreaName(std::string_view name)
{
    constexpr std::string_view area = "Quernel Backup";
    if (name == area)
        return true;
    if (!name.starts_with(area) || name.size() < area.size() + 4)
        return false;
    std::string_view rest = name.substr(area.size());
    if (!rest.starts_with(" (") || !rest.ends_with(")"))
        return false;
    rest = rest.substr(2, rest.size() - 3);
    return !rest.empty() &&
           std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The n of a run's folder named "... (n)"; 1 for a plain name.
unsigned long folderNumber(const std::string &folder)
{
    if (folder.empty() || folder.back() != ')')
        return 1;
    const std::size_t open = folder.rfind(" (");
    if (open == std::string::npos)
        return 1;
    unsigned long n = 1;
    const char *first = folder.data() + open + 2;
    const char *last = folder.data() + folder.size() - 1;
    const auto [end, ec] = std::from_chars(first, last, n);
    return ec == std::errc() && end == last ? n : 1;
}

// Reads one file's section; the reader notes what is wrong.
RecordedFile readFileSection(RecordReader &reader, const std::string &section)
{
    RecordedFile file;
    file.name = reader.bareName(section, "Name");
    file.size = reader.number(section, "Size");
    file.sha256 = reader.digest(section, "SHA256");
    file.replacedOriginal = reader.flag(section, "Original");
    if (file.replacedOriginal) {
        file.backupName = reader.bareName(section, "Backup");
        file.originalSize = reader.number(section, "OriginalSize");
        file.originalSha256 = reader.digest(section, "OriginalSHA256");
    }
    return file;
}

// The bytes of a journal cut into its entries, each from a line "[File<n>]" to the next; what
// lies before the first entry comes back in front (nothing, in a journal that is whole).
std::vector<std::string_view> journalEntries(std::string_view bytes, std::string_view &front)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = bytes.find("[File"); at != std::string_view::npos;
         at = bytes.find("[File", at + 1)) {
        if (at == 0 || bytes[at - 1] == '\n')
            starts.push_back(at);
    }
    front = bytes.substr(0, starts.empty() ? bytes.size() : starts.front());
    std::vector<std::string_view> entries;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : bytes.size();
        entries.push_back(bytes.substr(starts[i], end - starts[i]));
    }
    return entries;
}

std::vector<std::string> entriesOf(const std::string &folder)
{
    return base::files::folderEntries(folder);
}

} // namespace

std::string InstallRecord::path() const
{
    return folder + '/' + recordFileName();
}

std::string InstallRecord::journalPath() const
{
    return folder + '/' + journalFileName();
}

std::string journalFileName()
{
    return "Quernel Journal.ini";
}

std::string recordFileName()
{
    return "Quernel Installation.ini";
}

std::string keptInstallerFileName()
{
    return "Quernel Uninstall.exe";
}

std::string recordToBytes(const InstallRecord &record)
{
    std::string out;
    out.append("[").append(MainSection).append("]\r\n");
    line(out, "Package", record.packageName);
    line(out, "Installed", record.installedAt);
    if (record.sequence > 0)
        line(out, "Sequence", std::to_string(record.sequence));
    if (!record.archiveSha256.empty())
        line(out, "Archive SHA-256", record.archiveSha256);
    line(out, "Complete", yesNo(record.complete));
    line(out, "Files", std::to_string(record.files.size()));
    for (std::size_t i = 0; i < record.files.size(); ++i)
        fileLines(out, i + 1, record.files[i]);
    return out;
}

namespace {

void fileLines(std::string &out, std::size_t number, const RecordedFile &file)
{
    out.append("[").append(fileSection(number)).append("]\r\n");
    line(out, "Name", file.name);
    line(out, "Size", std::to_string(file.size));
    line(out, "SHA256", file.sha256);
    line(out, "Original", yesNo(file.replacedOriginal));
    if (file.replacedOriginal) {
        line(out, "Backup", file.backupName);
        line(out, "OriginalSize", std::to_string(file.originalSize));
        line(out, "OriginalSHA256", file.originalSha256);
    }
}

} // namespace

std::string journalEntryBytes(std::size_t number, const RecordedFile &file)
{
    std::string out;
    fileLines(out, number, file);
    line(out, "End", std::to_string(number));
    return out;
}

bool journalFromBytes(std::string_view bytes, std::size_t firstNumber, std::vector<RecordedFile> *files,
                      std::string *error)
{
    std::string_view front;
    const std::vector<std::string_view> entries = journalEntries(bytes, front);
    // Without any entry, the bytes can only be the first one, cut short.
    if (!entries.empty() && front.find_first_not_of(" \t\r\n") != std::string_view::npos) {
        *error = "the journal does not begin with an entry";
        return false;
    }
    if (entries.size() > MaxRecordedFiles) {
        *error = "the journal is too long";
        return false;
    }
    std::vector<RecordedFile> read;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t number = firstNumber + i;
        const std::string section = fileSection(number);
        RecordReader reader(entries[i]);
        // An entry is whole once its closing line is there; only the last one can lack it, cut
        // short by a kill while it was appended (its file was never touched).
        const std::string end = reader.text(section, "End");
        if (reader.ok() && end != std::to_string(number))
            reader.fail("[" + section + "] ends with End=" + end);
        if (!reader.ok() && i + 1 == entries.size())
            break;
        // A whole entry that does not make sense is no accident: the journal is refused.
        RecordedFile file = readFileSection(reader, section);
        if (!reader.ok()) {
            *error = "journal: " + reader.error();
            return false;
        }
        read.push_back(std::move(file));
    }
    files->insert(files->end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
    return true;
}

bool recordFromBytes(std::string_view bytes, InstallRecord *record, std::string *error)
{
    RecordReader reader(bytes);
    InstallRecord parsed;
    parsed.packageName = reader.text(MainSection, "Package");
    if (!reader.ok()) {
        *error = "not an installation record";
        return false;
    }
    parsed.installedAt = reader.text(MainSection, "Installed");
    if (reader.ok() && reader.has(MainSection, "Sequence"))
        parsed.sequence = reader.number(MainSection, "Sequence");
    if (reader.ok() && reader.has(MainSection, "Archive SHA-256"))
        parsed.archiveSha256 = reader.digest(MainSection, "Archive SHA-256");
    parsed.complete = reader.flag(MainSection, "Complete");
    const std::uint64_t count = reader.number(MainSection, "Files");
    if (reader.ok() && count > MaxRecordedFiles)
        reader.fail("[Installation] Files is too large");
    for (std::uint64_t i = 1; reader.ok() && i <= count; ++i)
        parsed.files.push_back(readFileSection(reader, fileSection(i)));
    if (!reader.ok()) {
        *error = reader.error();
        return false;
    }
    parsed.folder = std::move(record->folder);
    *record = std::move(parsed);
    return true;
}

bool writeRecord(const InstallRecord &record, std::string *error)
{
    return base::files::replaceFileContent(record.path(), recordToBytes(record), error);
}

bool appendToJournal(const InstallRecord &record, std::size_t number, const RecordedFile &file,
                     std::string *error)
{
    return base::files::appendDurably(record.journalPath(), journalEntryBytes(number, file), error);
}

bool rewriteRecord(const InstallRecord &record, std::string *error)
{
    if (!writeRecord(record, error))
        return false;
    std::error_code ec;
    if (!fs::remove(base::files::toPath(record.journalPath()), ec) && ec) {
        *error = record.journalPath() + ": " + ec.message();
        return false;
    }
    return true;
}

namespace {

// The summary's bytes: the file, or, when a replacement was caught between removing the old one
// and naming the new one, its temporary if that is a whole summary.
std::optional<std::string> summaryBytes(const std::string &path, std::string *error)
{
    if (base::files::isLink(path)) {
        *error = path + ": a link, not a record";
        return std::nullopt;
    }
    if (paths::exists(path))
        return base::files::readRegularFile(path, MaxRecordBytes, error);
    const fs::path native = base::files::toPath(path);
    const std::string temporary = base::files::fromPath(native.parent_path()) + "/." +
                                  base::files::fromPath(native.filename()) + ".writing";
    std::string ignored;
    InstallRecord probe;
    if (!base::files::isLink(temporary)) {
        if (auto bytes = base::files::readRegularFile(temporary, MaxRecordBytes, &ignored);
            bytes && recordFromBytes(*bytes, &probe, &ignored))
            return bytes;
    }
    return base::files::readRegularFile(path, MaxRecordBytes, error);
}

} // namespace

std::optional<InstallRecord> readRecord(const std::string &folder, std::string *error)
{
    if (!isRealFolder(folder)) {
        *error = folder + ": not a folder of its own";
        return std::nullopt;
    }
    InstallRecord record;
    record.folder = folder;
    const std::string path = record.path();
    const std::optional<std::string> bytes = summaryBytes(path, error);
    if (!bytes)
        return std::nullopt;
    std::string reason;
    if (!recordFromBytes(*bytes, &record, &reason)) {
        *error = path + ": " + reason;
        return std::nullopt;
    }
    const std::string journal = record.journalPath();
    if (paths::exists(journal)) {
        if (base::files::isLink(journal)) {
            *error = journal + ": a link, not a journal";
            return std::nullopt;
        }
        const std::optional<std::string> entries =
            base::files::readRegularFile(journal, MaxRecordBytes, error);
        if (!entries)
            return std::nullopt;
        if (!journalFromBytes(*entries, 1, &record.files, &reason)) {
            *error = journal + ": " + reason;
            return std::nullopt;
        }
    }
    return record;
}

namespace {

// Temporaries only this layer makes, left in a run's folder by a killed run.
void removeTemporariesIn(const std::string &folder)
{
    for (const std::string &name : entriesOf(folder)) {
        const std::string path = folder + '/' + name;
        std::error_code ec;
        if (base::files::isTemporaryName(name) && fs::is_regular_file(linkStatus(path)) &&
            !base::files::isLink(path))
            fs::remove(base::files::toPath(path), ec);
    }
}

} // namespace

bool removeRecord(const InstallRecord &record, std::string *error)
{
    std::error_code ec;
    // The installer's copy kept for the uninstall command goes with the record it serves.
    for (const std::string &path :
         {record.folder + '/' + keptInstallerFileName(), record.journalPath(), record.path()}) {
        if (!fs::remove(base::files::toPath(path), ec) && ec) {
            *error = path + ": " + ec.message();
            return false;
        }
    }
    removeTemporariesIn(record.folder);
    // Each only when nothing else is in it: originals not put back stay with their folder.
    const fs::path folder = base::files::toPath(record.folder);
    fs::remove(folder, ec);
    if (!ec)
        fs::remove(folder.parent_path(), ec);
    return true;
}

namespace {

// The run folders of every backup area of the game folder, never reached through a link.
std::vector<std::string> runFolders(const std::string &gameFolder)
{
    std::vector<std::string> folders;
    for (const std::string &area : entriesOf(gameFolder)) {
        const std::string areaPath = gameFolder + '/' + area;
        if (!isBackupAreaName(area) || !isRealFolder(areaPath))
            continue;
        for (const std::string &run : entriesOf(areaPath)) {
            if (isRealFolder(areaPath + '/' + run))
                folders.push_back(areaPath + '/' + run);
        }
    }
    return folders;
}

} // namespace

std::vector<std::string> strayRunFolders(const std::string &gameFolder)
{
    std::vector<std::string> strays;
    for (const std::string &folder : runFolders(gameFolder)) {
        const std::vector<std::string> inside = entriesOf(folder);
        if (std::all_of(inside.begin(), inside.end(), [&](const std::string &name) {
                return base::files::isTemporaryName(name) &&
                       fs::is_regular_file(linkStatus(folder + '/' + name));
            }))
            strays.push_back(folder);
    }
    return strays;
}

void removeStrayRunFolders(const std::string &gameFolder)
{
    for (const std::string &folder : strayRunFolders(gameFolder)) {
        removeTemporariesIn(folder);
        std::error_code ec;
        fs::remove(base::files::toPath(folder), ec);
    }
}

std::vector<InstallRecord> recordedInstallations(const std::string &gameFolder,
                                                 std::vector<std::string> *unreadable)
{
    std::vector<InstallRecord> records;
    for (const std::string &folder : runFolders(gameFolder)) {
        const std::string summary = folder + '/' + recordFileName();
        if (!paths::exists(summary) && !paths::exists(folder + "/." + recordFileName() + ".writing"))
            continue; // a backup folder of an installation before records were kept
        std::string error;
        if (std::optional<InstallRecord> record = readRecord(folder, &error))
            records.push_back(std::move(*record));
        else if (unreadable)
            unreadable->push_back(error);
    }
    std::stable_sort(records.begin(), records.end(), [](const InstallRecord &a, const InstallRecord &b) {
        if (a.sequence != b.sequence)
            return a.sequence < b.sequence;
        if (a.installedAt != b.installedAt)
            return a.installedAt < b.installedAt;
        return folderNumber(a.folder) < folderNumber(b.folder);
    });
    return records;
}

std::vector<InstallRecord> installationsOf(const std::string &gameFolder, std::string_view packageName)
{
    std::vector<InstallRecord> all = recordedInstallations(gameFolder);
    std::vector<InstallRecord> exact, anyCase;
    const std::string folded = base::text::foldCase(packageName);
    for (InstallRecord &record : all) {
        if (record.packageName == packageName)
            exact.push_back(record);
        else if (base::text::foldCase(record.packageName) == folded)
            anyCase.push_back(record);
    }
    std::vector<InstallRecord> chosen = exact.empty() ? std::move(anyCase) : std::move(exact);
    std::reverse(chosen.begin(), chosen.end());
    return chosen;
}

} // namespace installer
