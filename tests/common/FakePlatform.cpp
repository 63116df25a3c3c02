#include "FakePlatform.h"

#include <algorithm>
#include <cstdlib>

#include <unistd.h>
#include <system_error>

#include "FileOps.h"
#include "Files.h"

namespace fs = std::filesystem;

FakePlatform::FakePlatform()
{
    std::string templ = (fs::temp_directory_path() / "quernel-test-XXXXXX").string();
    if (!mkdtemp(templ.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    m_dir = templ;
    m_programFolder = base::files::fromPath(m_dir / "program");
    fs::create_directories(m_dir / "program");
}

FakePlatform::~FakePlatform()
{
    std::error_code ec;
    // Tests take permissions away to force failures; give them back so that all goes.
    for (auto it = fs::recursive_directory_iterator(m_dir, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_dir, ec);
}

std::string FakePlatform::currentFolder() const
{
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    return ec ? std::string() : base::files::fromPath(cwd);
}

bool FakePlatform::canCreateIn(const std::string &folder) const
{
    return std::find(lockedFolders.begin(), lockedFolders.end(), folder) == lockedFolders.end() &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool FakePlatform::createFolder(const std::string &path, std::string *error)
{
    const std::string parent = base::files::fromPath(base::files::toPath(path).parent_path());
    if (std::find(lockedFolders.begin(), lockedFolders.end(), parent) != lockedFolders.end()) {
        if (error)
            *error = path + ": Permission denied";
        return false;
    }
    return platform::fileops::createFolder(path, error);
}

platform::CopyOutcome FakePlatform::copyFile(const std::string &source, const std::string &target,
                                             std::string *error)
{
    copies.push_back(source + " -> " + target);
    // Events run through the runtime in use: this fake one, or a real one in end-to-end runs.
    return platform::fileops::copyFile(
        source, target, error, [] { form::runtime().doEvents(); }, copyChunkSize);
}

bool FakePlatform::deleteFile(const std::string &path, std::string *error)
{
    return platform::fileops::deleteFile(path, error);
}

std::int64_t FakePlatform::fileLength(const std::string &path, std::string *error)
{
    return platform::fileops::fileLength(path, error);
}

bool FakePlatform::startProgram(const std::string &path, const std::vector<std::string> &arguments,
                                std::string *error)
{
    startedPrograms.push_back(path);
    startedArguments.push_back(arguments);
    if (!startSucceeds && error)
        *error = path + ": Permission denied";
    return startSucceeds;
}

bool FakePlatform::openFolder(const std::string &path, std::string *error)
{
    openedFolders.push_back(path);
    if (!openFolderSucceeds && error)
        *error = path + ": No file manager to show it";
    return openFolderSucceeds;
}
