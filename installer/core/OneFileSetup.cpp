#include "OneFileSetup.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <system_error>

#include "Files.h"
#include "Package.h"
#include "PackageFormat.h"
#include "Sha256.h"
#include "Text.h"
#include "ZipReader.h"

namespace installer {

namespace {

namespace fs = std::filesystem;

std::string shownName(std::string_view name)
{
    return "\"" + std::string(name) + "\"";
}

// Why one name is no path inside the package's folder; empty when it is one.
std::string nameProblem(std::string_view name)
{
    if (name.empty())
        return "an entry without a name";
    if (!base::text::isValidUtf8(name))
        return "an entry whose name is not UTF-8";
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "an entry whose name holds a control character";
    }
    const std::string shown = shownName(name);
    if (name.front() == '/')
        return "an entry " + shown + " with an absolute path";
    if (name.find('\\') != std::string_view::npos)
        return "an entry " + shown + " with a backslash in its name";
    if (name.find(':') != std::string_view::npos)
        return "an entry " + shown + " with a drive letter or a colon in its name";
    return {};
}

// The parts of a name between its slashes ("a/b/" gives "a", "b").
std::vector<std::string_view> partsOf(std::string_view name)
{
    std::vector<std::string_view> parts;
    while (!name.empty()) {
        const std::size_t slash = name.find('/');
        parts.push_back(name.substr(0, slash));
        name = slash == std::string_view::npos ? std::string_view{} : name.substr(slash + 1);
    }
    return parts;
}

std::string randomSuffix()
{
    std::random_device device;
    std::mt19937_64 generator((std::uint64_t(device()) << 32) ^ device());
    static const char digits[] = "0123456789abcdef";
    std::string suffix;
    for (int i = 0; i < 12; ++i)
        suffix += digits[generator() % 16];
    return suffix;
}

constexpr std::string_view FolderPrefix = "Quernel Setup ";
constexpr std::string_view LockName = "unpacked.lock";

// Unpacked folders a killed run left: nobody holds their lock, and they are older than any run
// that may be making one right now.
void sweepAbandoned(const std::string &root)
{
    const auto now = fs::file_time_type::clock::now();
    for (const std::string &name : base::files::folderEntries(root)) {
        const std::string folder = root + '/' + name;
        const std::string lockPath = folder + '/' + std::string(LockName);
        std::error_code ec;
        if (!name.starts_with(FolderPrefix) || !fs::is_regular_file(base::files::toPath(lockPath), ec))
            continue;
        const auto changed = fs::last_write_time(base::files::toPath(folder), ec);
        if (ec || now - changed < std::chrono::hours(1))
            continue;
        base::files::FileLock probe;
        std::string ignored;
        if (probe.tryAcquire(lockPath, &ignored) != base::files::FileLock::Outcome::Acquired)
            continue;
        probe.release();
        fs::remove_all(base::files::toPath(folder), ec);
    }
}

// A new folder that no one else has made, readable by this user alone on POSIX (the user's
// temporary folder is private on Windows already).
std::optional<std::string> freshFolder(const std::string &root, std::string *error)
{
    std::error_code ec;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = root + '/' + std::string(FolderPrefix) + randomSuffix();
        if (fs::create_directory(base::files::toPath(path), ec)) {
            fs::permissions(base::files::toPath(path), fs::perms::owner_all, fs::perm_options::replace, ec);
            return path;
        }
        if (ec) {
            *error = path + ": cannot be created (" + ec.message() + ")";
            return std::nullopt;
        }
    }
    *error = root + ": no new folder could be made in it";
    return std::nullopt;
}

std::uint64_t little(std::string_view bytes, std::size_t at, int width)
{
    std::uint64_t value = 0;
    for (int i = 0; i < width && at + std::size_t(i) < bytes.size(); ++i)
        value |= std::uint64_t(static_cast<unsigned char>(bytes[at + std::size_t(i)])) << (8 * i);
    return value;
}

// The hex SHA-256 of the file's bytes from offset to its end.
std::optional<std::string> digestFrom(const std::string &path, std::uint64_t offset)
{
    std::ifstream file(base::files::toPath(path), std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    Sha256 digest;
    std::string chunk(1 << 16, '\0');
    while (file) {
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        digest.update(chunk.data(), std::size_t(file.gcount()));
    }
    std::string reason;
    const std::optional<Sha256::Digest> result = file.eof() ? digest.tryFinish(&reason) : std::nullopt;
    return result ? std::optional<std::string>(Sha256::hex(*result)) : std::nullopt;
}

} // namespace

std::optional<std::uint64_t> programImageSize(const std::string &path)
{
    std::ifstream file(base::files::toPath(path), std::ios::binary);
    std::string head(4096, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(std::size_t(file.gcount()));
    if (head.size() < 0x40 || head.compare(0, 2, "MZ") != 0)
        return std::nullopt;
    const std::size_t pe = std::size_t(little(head, 0x3C, 4));
    if (pe + 24 > head.size() || head.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return std::nullopt;
    const std::size_t sections = std::size_t(little(head, pe + 6, 2));
    const std::size_t optionalSize = std::size_t(little(head, pe + 20, 2));
    const std::size_t table = pe + 24 + optionalSize;
    if (table + sections * 40 > head.size())
        return std::nullopt;
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < sections; ++i) {
        const std::size_t section = table + i * 40;
        end = std::max(end, little(head, section + 20, 4) + little(head, section + 16, 4));
    }
    // A signature (the certificate table: data directory 4, its offset a file offset) follows.
    const std::uint64_t magic = little(head, pe + 24, 2);
    const std::size_t directories = pe + 24 + (magic == 0x20B ? 112 : 96);
    if (optionalSize >= (magic == 0x20B ? 112u : 96u) + 5 * 8)
        end = std::max(end, little(head, directories + 32, 4) + little(head, directories + 36, 4));
    return end;
}

std::optional<std::string> programWithoutPackage(const std::string &path, std::string *error)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(base::files::toPath(path), ec);
    if (ec) {
        *error = path + ": " + ec.message();
        return std::nullopt;
    }
    const std::uint64_t wanted = std::min<std::uint64_t>(programImageSize(path).value_or(size), size);
    std::ifstream file(base::files::toPath(path), std::ios::binary);
    std::string bytes(std::size_t(wanted), '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (std::uint64_t(file.gcount()) != wanted) {
        *error = path + ": cannot be read";
        return std::nullopt;
    }
    return bytes;
}

std::string packageLayoutProblem(const std::vector<std::string> &names, std::string *folder)
{
    std::string top;
    std::set<std::string> seen;
    bool hasIni = false;
    for (const std::string &name : names) {
        if (const std::string problem = nameProblem(name); !problem.empty())
            return "has " + problem;
        const std::vector<std::string_view> parts = partsOf(name);
        for (std::string_view part : parts) {
            if (part == ".." || part == ".")
                return "has an entry " + shownName(name) + " that leaves its folder";
        }
        if (top.empty())
            top = std::string(parts.front());
        if (parts.front() != top)
            return "holds more than one folder (" + shownName(top) + " and " + shownName(parts.front()) +
                   "): a package is one folder";
        const bool folderEntry = name.back() == '/';
        if (folderEntry ? parts.size() != 1 : parts.size() != 2)
            return "has an entry " + shownName(name) + " that is not a file of the package's folder";
        for (std::string_view part : parts) {
            if (!isBareFileName(part) || isDeviceName(part))
                return "has an entry " + shownName(name) + " whose name Windows cannot take";
        }
        // Windows folds letter case: two names that differ in case alone would be one file.
        if (!seen.insert(base::text::foldCase(name)).second)
            return "holds " + shownName(name) + " twice";
        if (!folderEntry && parts[1] == package::file::Install)
            hasIni = true;
    }
    if (!hasIni)
        return "holds no folder with " + std::string(package::file::Install) + ": it is no package";
    *folder = top;
    return {};
}

UnpackedPackage::~UnpackedPackage()
{
    removeTemporaryFolder();
}

void UnpackedPackage::removeTemporaryFolder()
{
    if (m_temporaryFolder.empty())
        return;
    m_lock.release();
    std::error_code ignored;
    fs::remove_all(base::files::toPath(m_temporaryFolder), ignored);
    m_temporaryFolder.clear();
    m_packageFolder.clear();
    m_archiveSha256.clear();
}

UnpackedPackage::Outcome UnpackedPackage::unpack(const std::string &programPath, std::string *error,
                                                 const std::string &temporaryRoot)
{
    removeTemporaryFolder();
    ZipReader reader;
    switch (reader.open(programPath, error)) {
    case ZipReader::Opened::NoArchive: {
        // Bytes after the program's image with no end record: a one-file setup cut short.
        const std::optional<std::uint64_t> image = programImageSize(programPath);
        if (image && *image < reader.fileSize()) {
            *error = programPath + ": its last " + std::to_string(reader.fileSize() - *image) +
                     " bytes are no complete zip archive (the file was cut short or altered)";
            return Outcome::Refused;
        }
        return Outcome::NoArchive;
    }
    case ZipReader::Opened::Damaged:
        return Outcome::Refused;
    case ZipReader::Opened::Ready:
        break;
    }
    auto refuse = [&](const std::string &reason) {
        *error = programPath + ": the package in it " + reason;
        removeTemporaryFolder();
        return Outcome::Refused;
    };

    std::vector<std::string> names;
    std::uint64_t total = 0;
    for (const ZipEntry &entry : reader.entries()) {
        names.push_back(entry.name);
        total += entry.size;
    }
    std::string top;
    if (const std::string problem = packageLayoutProblem(names, &top); !problem.empty())
        return refuse(problem);

    std::string root = temporaryRoot;
    if (root.empty()) {
        std::error_code ec;
        root = base::files::fromPath(fs::temp_directory_path(ec));
        if (ec)
            return refuse("cannot be unpacked: there is no temporary folder (" + ec.message() + ")");
    }
    std::string spaceError;
    if (const auto space = base::files::volumeSpace(root, &spaceError); space && space->available < total)
        return refuse("needs " + std::to_string(total) + " bytes in " + root + ", which has " +
                      std::to_string(space->available) + " free");
    sweepAbandoned(root);
    std::string folderError;
    const std::optional<std::string> folder = freshFolder(root, &folderError);
    if (!folder)
        return refuse("cannot be unpacked: " + folderError);
    m_temporaryFolder = *folder;
    // Held while the folder is in use: the system drops it when this process ends however it
    // ends, so that a later run can tell a killed run's folder from one in use.
    if (m_lock.tryAcquire(m_temporaryFolder + '/' + std::string(LockName), &folderError) !=
        base::files::FileLock::Outcome::Acquired)
        return refuse("cannot be unpacked: " + folderError);
    const std::string packageFolder = m_temporaryFolder + '/' + top;
    std::error_code ec;
    fs::create_directory(base::files::toPath(packageFolder), ec);
    if (ec)
        return refuse("cannot be unpacked: " + packageFolder + ": " + ec.message());
    for (const ZipEntry &entry : reader.entries()) {
        if (entry.folder())
            continue;
        if (!reader.extract(entry, m_temporaryFolder + '/' + entry.name, error)) {
            removeTemporaryFolder();
            return Outcome::Refused;
        }
    }
    const std::optional<std::string> digest = digestFrom(programPath, reader.archiveOffset());
    if (!digest)
        return refuse("cannot be read again to take its digest");
    m_packageFolder = packageFolder;
    m_archiveSha256 = *digest;
    return Outcome::Unpacked;
}

} // namespace installer
