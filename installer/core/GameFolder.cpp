#include "GameFolder.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "Files.h"
#include "Package.h"
#include "Text.h"

namespace installer {

namespace fs = std::filesystem;

namespace {

std::string programOf(int gameVersion)
{
    return gameVersion == 1 ? "midtown.exe" : "midtown2.exe";
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A name no other probe uses at the same time.
std::string uniqueSuffix()
{
    static std::atomic<unsigned> counter{0};
    return std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
           std::to_string(++counter) + "-" +
           std::to_string(reinterpret_cast<std::uintptr_t>(&counter) % 65521);
}

FolderCheck refused(FolderProblem problem, std::string error)
{
    FolderCheck check;
    check.problem = problem;
    check.error = std::move(error);
    return check;
}

} // namespace

std::string gameFolderFrom(std::string_view typed)
{
    std::string_view text = trimmed(typed);
    // Windows' "Copy as path" puts quotes around the folder.
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = trimmed(text.substr(1, text.size() - 2));
    if (text.empty())
        return {};
#ifdef _WIN32
    // A long path comes back absolute and clean already, in the "\\?\" form that the lexical
    // steps below would take apart.
    if (base::files::toPath(text).native().starts_with(L"\\\\?\\"))
        return base::files::fromPath(base::files::toPath(text));
#endif
    std::error_code ec;
    fs::path path = fs::absolute(base::files::toPath(text), ec);
    if (ec)
        path = base::files::toPath(text);
    path = path.lexically_normal();
    if (!path.has_filename() && path.has_relative_path())
        path = path.parent_path(); // "/games/mm2/" as "/games/mm2"
    return base::files::fromPath(path);
}

bool canWriteInto(const std::string &folder, std::string *reason)
{
    // The probe must never outlive the check, even when a signal or a kill ends the program in
    // the middle of it: an unnamed file where the system has them, a file the system removes when
    // it is closed on Windows, and otherwise a name removed at once.
    auto failed = [&](int error) {
        if (reason)
            *reason = std::generic_category().message(error);
        return false;
    };
#ifdef _WIN32
    const std::wstring probe = base::files::nativePath(folder + "/.setup-probe-" + uniqueSuffix());
    const int fd = ::_wopen(probe.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY | _O_TEMPORARY,
                            _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return failed(errno);
    ::_close(fd);
    return true;
#else
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
        return failed(errno);
#endif
    const std::string probe = folder + "/.setup-probe-" + uniqueSuffix();
    fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return failed(errno);
    ::unlink(probe.c_str());
    ::close(fd);
    return true;
#endif
}

FolderCheck checkGameFolder(const std::string &folder, int gameVersion, const std::string &packageFolder)
{
    if (trimmed(folder).empty())
        return refused(FolderProblem::NotGiven, "No game folder is given.");
    const fs::path path = base::files::toPath(folder);
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status))
        return refused(FolderProblem::Missing, "The folder " + folder + " does not exist.");
    if (!fs::is_directory(status))
        return refused(FolderProblem::NotAFolder, folder + " is not a folder.");
    if (base::files::sameFile(folder, packageFolder))
        return refused(FolderProblem::PackageFolder,
                       folder + " is the package folder itself, not the game folder.");
    std::string reason;
    if (!canWriteInto(folder, &reason))
        return refused(FolderProblem::NotWritable, "Files cannot be written into " + folder + ": " + reason);

    FolderCheck check;
    std::string programs[3]; // found name of midtown.exe [1] and midtown2.exe [2]
    bool archives = false;
    for (const std::string &name : base::files::folderEntries(folder)) {
        std::error_code typeError;
        if (!fs::is_regular_file(base::files::toPath(folder + '/' + name), typeError))
            continue;
        const std::string folded = base::text::foldCase(name);
        for (int v = 1; v <= 2; ++v) {
            if (folded == programOf(v))
                programs[v] = name;
        }
        if (folded.size() >= 3 && folded.ends_with(".ar"))
            archives = true;
    }
    if (gameVersion == 1 || gameVersion == 2) {
        const int other = 3 - gameVersion;
        if (!programs[gameVersion].empty()) {
            check.look = FolderLook::RightGame;
            check.marker = programs[gameVersion];
        } else if (!programs[other].empty()) {
            check.look = FolderLook::OtherGame;
            check.marker = programs[other];
        } else {
            check.look = archives ? FolderLook::ArchivesOnly : FolderLook::NoGame;
        }
    } else {
        const std::string found = !programs[2].empty() ? programs[2] : programs[1];
        check.look = !found.empty() ? FolderLook::RightGame
                     : archives     ? FolderLook::ArchivesOnly
                                    : FolderLook::NoGame;
        check.marker = found;
    }
    return check;
}

std::string describe(const FolderCheck &check, int gameVersion)
{
    if (!check.usable())
        return check.error;
    const std::string game = gameTitle(gameVersion);
    switch (check.look) {
    case FolderLook::RightGame:
        return "This looks like a " + game + " folder (" + check.marker + " found).";
    case FolderLook::ArchivesOnly:
        return "Game archives (.ar) found, but not the game's program; this may still be the right folder.";
    case FolderLook::OtherGame:
        return "This looks like a " + gameTitle(3 - gameVersion) + " folder (" + check.marker +
               " found), but the package is made for " + game + ".";
    case FolderLook::NoGame:
        break;
    }
    return "This folder does not look like a " + game +
           " installation: neither the game's program nor any .ar archive is in it.";
}

} // namespace installer
