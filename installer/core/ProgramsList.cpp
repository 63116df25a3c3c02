#include "ProgramsList.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "Files.h"
#include "InstallRecord.h"
#include "OneFileSetup.h"
#include "Sha256.h"

#ifdef _WIN32
#include <windows.h>

#include "Text.h"
#endif

namespace installer {

namespace {

// Windows shows and runs these paths: its own separator throughout.
std::string windowsPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

#ifdef _WIN32
const wchar_t UninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string lastError(const std::string &what, LSTATUS status)
{
    return what + " (Windows error " + std::to_string(status) + ")";
}

bool writeEntry(const ProgramsListEntry &entry, std::string *error)
{
    HKEY key = nullptr;
    const std::wstring path = UninstallKey + base::text::widen(entry.key);
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        *error = lastError("The entry in the list of installed programs could not be made", status);
        return false;
    }
    const auto text = [&](const wchar_t *name, const std::string &value) {
        if (status != ERROR_SUCCESS || value.empty())
            return;
        const std::wstring wide = base::text::widen(value);
        status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(wide.c_str()),
                                DWORD((wide.size() + 1) * sizeof(wchar_t)));
    };
    const auto number = [&](const wchar_t *name, DWORD value) {
        if (status == ERROR_SUCCESS)
            status =
                RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    };
    text(L"DisplayName", entry.displayName);
    text(L"Publisher", entry.publisher);
    text(L"InstallLocation", entry.installLocation);
    text(L"DisplayIcon", entry.keptInstaller);
    text(L"UninstallString", entry.uninstallString);
    number(L"EstimatedSize", entry.estimatedSizeKb);
    number(L"NoModify", 1);
    number(L"NoRepair", 1);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
        *error = lastError("The entry in the list of installed programs could not be written", status);
        return false;
    }
    return true;
}

bool removeEntry(const std::string &entryKey, std::string *error)
{
    const std::wstring path = UninstallKey + base::text::widen(entryKey);
    const LSTATUS status = RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        return true;
    *error = lastError("The entry in the list of installed programs could not be removed", status);
    return false;
}
#endif

} // namespace

std::string programsListKey(const std::string &packageName, const std::string &gameFolder)
{
    std::string folder = windowsPath(gameFolder);
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    std::transform(folder.begin(), folder.end(), folder.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    Sha256 digest;
    const std::string keyed = packageName + '\n' + folder;
    digest.update(keyed.data(), keyed.size());
    return "Quernel " + Sha256::hex(digest.finish()).substr(0, 16);
}

std::string quotedArgument(const std::string &argument)
{
    std::string quoted = "\"" + argument;
    // Backslashes before the closing quote would escape it; doubled, they stand for themselves.
    for (auto end = argument.rbegin(); end != argument.rend() && *end == '\\'; ++end)
        quoted += '\\';
    return quoted + '"';
}

ProgramsListEntry programsListEntry(const Package &package, const std::string &gameFolder,
                                    std::uint64_t sizeBytes, const std::string &keptInstaller)
{
    ProgramsListEntry entry;
    entry.key = programsListKey(package.name, gameFolder);
    entry.displayName = package.name + " (" + gameTitle(package.gameVersion) + " add-on)";
    entry.publisher = package.author;
    entry.installLocation = windowsPath(gameFolder);
    entry.estimatedSizeKb = std::uint32_t(std::min<std::uint64_t>((sizeBytes + 1023) / 1024, 0xFFFFFFFFu));
    entry.keptInstaller = windowsPath(keptInstaller);
    entry.uninstallString = quotedArgument(entry.keptInstaller) + " --uninstall " +
                            quotedArgument(package.name) + " --target " +
                            quotedArgument(entry.installLocation);
    return entry;
}

std::string listInstallation(const Package &package, const std::string &gameFolder,
                             const InstallResult &result)
{
#ifdef _WIN32
    std::error_code ec;
    if (result.recordFolder.empty() ||
        !std::filesystem::is_directory(base::files::toPath(result.recordFolder), ec))
        return {};
    const std::string kept = result.recordFolder + '/' + keptInstallerFileName();
    // A one-file setup keeps its program alone: the removal needs no package.
    std::string error;
    const std::optional<std::string> program = programWithoutPackage(base::files::runningProgram(), &error);
    if (!program || !base::files::replaceFileContent(kept, *program, &error))
        return "The installer could not keep a copy of itself for removing the package later: " + error;
    std::uint64_t size = 0;
    for (const std::string &name : result.installed) {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(base::files::toPath(gameFolder + '/' + name), ec);
        size += ec ? 0 : bytes;
    }
    if (!writeEntry(programsListEntry(package, gameFolder, size, kept), &error))
        return error;
    return {};
#else
    (void)package;
    (void)gameFolder;
    (void)result;
    return {};
#endif
}

std::string unlistRemoval(const std::string &packageName, const std::string &gameFolder)
{
#ifdef _WIN32
    // Judged by what the game folder holds now, not by this run alone: an installation this run
    // could not undo completely, or one another setup made meanwhile, keeps the entry.
    std::string error;
    if (installationsOf(gameFolder, packageName).empty() &&
        !removeEntry(programsListKey(packageName, gameFolder), &error))
        return error;
    return {};
#else
    (void)packageName;
    (void)gameFolder;
    return {};
#endif
}

} // namespace installer
