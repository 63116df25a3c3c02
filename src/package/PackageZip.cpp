#include "PackageZip.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string_view>
#include <vector>

#include <zlib.h>

#include "Files.h"
#include "PackageFolder.h"
#include "PackageFormat.h"
#include "ZipWriter.h"

namespace package::zip {

namespace {

constexpr std::size_t SampleBytes = 256 * 1024;
constexpr std::uint64_t SmallFileBytes = 64 * 1024;

void setError(std::string *error, const std::string &path, const std::string &reason)
{
    if (error)
        *error = path + ": " + reason;
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool isTempIni(const std::string &name)
{
    return lowered(name) == std::string(package::file::Temp);
}

// install.ini and the readme: always deflated, however short.
bool isText(const std::string &name)
{
    const std::string extension = lowered(base::files::fromPath(base::files::toPath(name).extension()));
    return extension == ".ini" || extension == ".txt" || extension == ".rtf";
}

// One regular file of the package folder as it was listed (never through a link): packing reads
// that very file or fails, whatever takes its name meanwhile.
struct PackageFile
{
    FolderEntry entry;
    std::string path; // the package folder's path with the name, for messages
    const std::string &name() const { return entry.name; }
    std::uint64_t size() const { return entry.size; }
};

#ifdef _WIN32
constexpr char Separator = '\\';
#else
constexpr char Separator = '/';
#endif

// A name as a message shows it: control characters as \xNN, so that the message stays one line.
std::string shown(std::string_view name)
{
    std::string text;
    for (const unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

// Why a name cannot be an entry of the archive, or empty. Unpackers on Windows take a backslash
// for a folder separator and a colon for a drive or a stream: such a name, or one with a ".."
// part, would be written outside the folder it is unpacked into.
std::string unsafeNameReason(std::string_view name)
{
    if (name.empty() || name == ".")
        return "the name is empty";
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find_first_of("/\\", start), name.size());
        if (name.substr(start, end - start) == "..")
            return "the name holds \"..\", which leads out of the folder it is unpacked into";
        start = end + 1;
    }
    if (name.find('\\') != std::string_view::npos)
        return "the name holds a backslash, which Windows takes for a folder separator";
    if (name.find('/') != std::string_view::npos)
        return "the name holds a slash, which unpackers take for a folder separator";
    if (name.find(':') != std::string_view::npos)
        return "the name holds a colon, which Windows takes for a drive or a stream";
    if (std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }))
        return "the name holds a control character";
    return {};
}

std::string pathIn(const PackageFolder &folder, std::string_view name)
{
    return folder.path() + Separator + shown(name);
}

// The folder's regular files in name order, temp.ini left out. Anything else in the folder, or a
// name that cannot go into the archive, fails the listing with its name.
bool listFiles(const PackageFolder &folder, std::vector<PackageFile> &files, std::string *error)
{
    std::vector<FolderEntry> entries;
    std::string reason;
    if (!folder.list(entries, reason)) {
        setError(error, folder.path(), reason);
        return false;
    }
    for (FolderEntry &entry : entries) {
        if (isTempIni(entry.name))
            continue;
        const std::string path = pathIn(folder, entry.name);
        if (const std::string unsafe = unsafeNameReason(entry.name); !unsafe.empty()) {
            setError(error, path, unsafe);
            return false;
        }
        if (!entry.notPacked.empty()) {
            setError(error, path, entry.notPacked);
            return false;
        }
        files.push_back({std::move(entry), path});
    }
    std::sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.name() < b.name(); });
    return true;
}

// The file's first bytes, no more than it has: a buffer sized to the sample would cost a fill for
// every small file of a large package.
bool readSample(const PackageFolder &folder, const PackageFile &file, std::string &sample,
                std::string &reason)
{
    const std::unique_ptr<FileReader> in = folder.open(file.entry, reason);
    if (!in)
        return false;
    sample.assign(static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), SampleBytes)), '\0');
    std::size_t filled = 0;
    while (filled < sample.size()) {
        const long long got = in->read(sample.data() + filled, sample.size() - filled, reason);
        if (got <= 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    sample.resize(filled);
    return reason.empty();
}

// The packing's progress over the bytes of all files, in steps of a thousandth at least so that
// the caller's event pump runs often without running for every chunk of a large package.
class PackingProgress
{
public:
    PackingProgress(const PackProgress &callback, std::uint64_t total) : m_callback(callback), m_total(total)
    {
    }

    // False when the callback cancels.
    bool start() { return report(0.0); }
    bool advance(std::uint64_t bytes)
    {
        m_done += bytes;
        const double fraction = m_total ? static_cast<double>(m_done) / static_cast<double>(m_total) : 0.0;
        return fraction - m_reported < 0.001 || report(std::min(fraction, 1.0));
    }
    bool finish() { return report(1.0); }

private:
    bool report(double fraction)
    {
        m_reported = fraction;
        return !m_callback || m_callback(fraction);
    }

    const PackProgress &m_callback;
    const std::uint64_t m_total;
    std::uint64_t m_done = 0;
    double m_reported = 0.0;
};

enum class FileOutcome
{
    Packed,
    Failed,
    Cancelled,
};

constexpr std::size_t ReadChunk = 256 * 1024;

// One listed file into the archive, opened only while it is read (a package may have more files
// than a process may hold open), checked to be the listed file then, and exactly the listed size:
// a file that grows or shrinks under the packing fails it rather than giving an entry that
// differs from its header.
FileOutcome packFile(const PackageFolder &folder, const PackageFile &file, const std::string &entry,
                     ZipWriter::Method method, ZipWriter &writer, PackingProgress &progress,
                     std::vector<char> &buffer, std::string *error)
{
    std::string reason;
    const std::unique_ptr<FileReader> in = folder.open(file.entry, reason);
    if (!in) {
        setError(error, file.path, reason);
        return FileOutcome::Failed;
    }
    if (!writer.beginFile(entry, file.entry.modified, file.size(), method, error))
        return FileOutcome::Failed;
    std::uint64_t left = file.size();
    for (;;) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        // Past the listed size one byte more is asked for: there must be none.
        const long long got = in->read(buffer.data(), wanted ? wanted : 1, reason);
        if (got < 0) {
            setError(error, file.path, reason);
            return FileOutcome::Failed;
        }
        if ((wanted == 0 && got > 0) || (wanted > 0 && got == 0)) {
            setError(error, file.path, "changed while the archive was written");
            return FileOutcome::Failed;
        }
        if (wanted == 0)
            break;
        if (!writer.write(buffer.data(), static_cast<std::size_t>(got), error))
            return FileOutcome::Failed;
        left -= static_cast<std::uint64_t>(got);
        if (!progress.advance(static_cast<std::uint64_t>(got)))
            return FileOutcome::Cancelled;
    }
    return writer.endFile(error) ? FileOutcome::Packed : FileOutcome::Failed;
}

} // namespace

std::string notPackedReason(const std::string &kind)
{
    return kind + ", not packed: the archive takes only the package's own files";
}

bool worthDeflating(const std::string &sample)
{
    if (sample.empty())
        return false;
    uLongf packed = compressBound(static_cast<uLong>(sample.size()));
    const std::unique_ptr<Bytef[]> out(new Bytef[packed]);
    if (compress2(out.get(), &packed, reinterpret_cast<const Bytef *>(sample.data()),
                  static_cast<uLong>(sample.size()), 1) != Z_OK)
        return false;
    // Less than a tenth saved is not worth the time the players' unpacking costs.
    return packed < sample.size() * 9 / 10;
}

namespace {

// The package archive at zipPath, after the bytes of the file at prefixPath unless it is empty.
PackOutcome pack(const std::string &packageFolder, const std::string &packageName,
                 const std::vector<std::string> &required, const std::string &prefixPath,
                 const std::string &zipPath, const PackProgress &progress, std::string *error)
{
    // The package's name is the archive's one folder: it must not lead out of it either.
    if (const std::string reason = unsafeNameReason(packageName); !reason.empty()) {
        setError(error, packageFolder, "package name \"" + shown(packageName) + "\": " + reason);
        return PackOutcome::Failed;
    }
    const PackageFolder folder(packageFolder);
    if (std::string reason; !folder.isOpen(&reason)) {
        setError(error, packageFolder, reason);
        return PackOutcome::Failed;
    }
    std::vector<PackageFile> files;
    if (!listFiles(folder, files, error))
        return PackOutcome::Failed;
    for (const std::string &name : required) {
        const bool present = std::any_of(files.begin(), files.end(), [&](const PackageFile &file) {
            return lowered(file.name()) == lowered(name);
        });
        if (!present) {
            setError(error, pathIn(folder, name), "No such file or directory");
            return PackOutcome::Failed;
        }
    }

    // Small files are deflated without a trial: the trial would cost as much as the deflate, and a
    // few KiB that do not shrink grow by a few bytes only.
    std::vector<ZipWriter::Method> methods;
    std::uint64_t total = 0;
    for (const PackageFile &file : files) {
        bool deflate = isText(file.name()) || file.size() <= SmallFileBytes;
        if (!deflate) {
            std::string sample, reason;
            if (!readSample(folder, file, sample, reason)) {
                setError(error, file.path, reason);
                return PackOutcome::Failed;
            }
            deflate = worthDeflating(sample);
        }
        methods.push_back(deflate ? ZipWriter::Method::Deflate : ZipWriter::Method::Store);
        total += file.size();
    }

    ZipWriter writer(zipPath);
    PackingProgress packing(progress, total);
    auto cancelled = [&] {
        setError(error, zipPath, "cancelled");
        return PackOutcome::Cancelled;
    };
    if (!writer.open(error) || (!prefixPath.empty() && !writer.copyPrefix(prefixPath, error)))
        return PackOutcome::Failed;
    if (!packing.start())
        return cancelled();

    const std::string top = packageName + "/";
    if (!writer.addFolder(top, std::time(nullptr), error))
        return PackOutcome::Failed;
    std::vector<char> buffer(ReadChunk);
    for (std::size_t i = 0; i < files.size(); ++i) {
        switch (
            packFile(folder, files[i], top + files[i].name(), methods[i], writer, packing, buffer, error)) {
        case FileOutcome::Packed:
            break;
        case FileOutcome::Failed:
            return PackOutcome::Failed;
        case FileOutcome::Cancelled:
            return cancelled();
        }
    }
    if (!packing.finish())
        return cancelled();
    return writer.commit(error) ? PackOutcome::Packed : PackOutcome::Failed;
}

} // namespace

PackOutcome packFolder(const std::string &packageFolder, const std::string &packageName,
                       const std::vector<std::string> &required, const std::string &zipPath,
                       const PackProgress &progress, std::string *error)
{
    return pack(packageFolder, packageName, required, std::string(), zipPath, progress, error);
}

PackOutcome packSetup(const std::string &packageFolder, const std::string &packageName,
                      const std::vector<std::string> &required, const std::string &installerPath,
                      const std::string &setupPath, const PackProgress &progress, std::string *error)
{
    return pack(packageFolder, packageName, required, installerPath, setupPath, progress, error);
}

} // namespace package::zip
