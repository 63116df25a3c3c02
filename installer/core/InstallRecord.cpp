#include "InstallRecord.h"

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

constexpr std::string_view MainSection = "Installation";
// Far above any real record (a few hundred bytes per file), far below what could hurt to read.
constexpr std::uint64_t MaxRecordBytes = 64u << 20;
constexpr std::uint64_t MaxRecordedFiles = 1'000'000;

std::string fileSection(std::size_t number)
{
    return "File" + std::to_string(number);
}

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

std::vector<std::string> entriesOf(const std::string &folder)
{
    return base::files::folderEntries(folder);
}

} // namespace

std::string InstallRecord::path() const
{
    return folder + '/' + recordFileName();
}

std::string recordFileName()
{
    return "Quernel Installation.ini";
}

std::string recordToBytes(const InstallRecord &record)
{
    std::string out;
    out.append("[").append(MainSection).append("]\r\n");
    line(out, "Package", record.packageName);
    line(out, "Installed", record.installedAt);
    line(out, "Complete", yesNo(record.complete));
    line(out, "Files", std::to_string(record.files.size()));
    for (std::size_t i = 0; i < record.files.size(); ++i) {
        const RecordedFile &file = record.files[i];
        out.append("[").append(fileSection(i + 1)).append("]\r\n");
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
    return out;
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
    parsed.complete = reader.flag(MainSection, "Complete");
    const std::uint64_t count = reader.number(MainSection, "Files");
    if (reader.ok() && count > MaxRecordedFiles)
        reader.fail("[Installation] Files is too large");
    for (std::uint64_t i = 1; reader.ok() && i <= count; ++i) {
        const std::string section = fileSection(i);
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
        parsed.files.push_back(std::move(file));
    }
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

std::optional<InstallRecord> readRecord(const std::string &folder, std::string *error)
{
    if (!isRealFolder(folder)) {
        *error = folder + ": not a folder of its own";
        return std::nullopt;
    }
    InstallRecord record;
    record.folder = folder;
    const std::string path = record.path();
    if (base::files::isLink(path)) {
        *error = path + ": a link, not a record";
        return std::nullopt;
    }
    const std::optional<std::string> bytes = base::files::readRegularFile(path, MaxRecordBytes, error);
    if (!bytes)
        return std::nullopt;
    std::string reason;
    if (!recordFromBytes(*bytes, &record, &reason)) {
        *error = path + ": " + reason;
        return std::nullopt;
    }
    return record;
}

bool removeRecord(const InstallRecord &record, std::string *error)
{
    std::error_code ec;
    if (!fs::remove(base::files::toPath(record.path()), ec) && ec) {
        *error = record.path() + ": " + ec.message();
        return false;
    }
    // Each only when nothing else is in it: originals not put back stay with their folder.
    const fs::path folder = base::files::toPath(record.folder);
    fs::remove(folder, ec);
    if (!ec)
        fs::remove(folder.parent_path(), ec);
    return true;
}

std::vector<InstallRecord> recordedInstallations(const std::string &gameFolder,
                                                 std::vector<std::string> *unreadable)
{
    std::vector<InstallRecord> records;
    for (const std::string &area : entriesOf(gameFolder)) {
        const std::string areaPath = gameFolder + '/' + area;
        if (!isBackupAreaName(area) || !isRealFolder(areaPath))
            continue;
        for (const std::string &run : entriesOf(areaPath)) {
            const std::string folder = areaPath + '/' + run;
            if (!isRealFolder(folder))
                continue;
            if (!paths::exists(folder + '/' + recordFileName()))
                continue; // a backup folder of an installation before records were kept
            std::string error;
            if (std::optional<InstallRecord> record = readRecord(folder, &error))
                records.push_back(std::move(*record));
            else if (unreadable)
                unreadable->push_back(error);
        }
    }
    std::stable_sort(records.begin(), records.end(), [](const InstallRecord &a, const InstallRecord &b) {
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
