// Checks the volume, folder and file lists' models on a real Windows (or Wine) file system: long
// names only (never an 8.3 alias), names in several scripts, drive roots and their labels, and an
// absent drive's failure text. One line per failure, then "N passed, M failed".
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "BrowseModels.h"
#include "CheckTally.h"
#include "Files.h"
#include "NameListing.h"
#include "Text.h"

using base::text::narrow;
using base::text::widen;
using check_tally::check;
namespace lists = form::lists;

namespace {

std::string joined(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ", ") + name;
    return "[" + text + "]";
}

void touch(const std::string &path)
{
    const HANDLE file =
        ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    check(file != INVALID_HANDLE_VALUE, "create " + path);
    ::CloseHandle(file);
}

std::string makeScratchFolder()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::string folder = narrow(temp) + "listes é 日本 " + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryW(widen(folder).c_str(), nullptr);
    return folder;
}

void checkFileList(const std::string &folder)
{
    const std::vector<std::string> names{"notes.txt", "notes.txtx", "ÉTÉ.TXT", "日本.txt"};
    for (const std::string &name : names)
        touch(folder + "\\" + name);

    lists::FileModel model("*.txt", folder);
    const std::vector<std::string> expected{"notes.txt", "ÉTÉ.TXT", "日本.txt"};
    check(model.files() == expected,
          "*.txt lists " + joined(model.files()) + ", expected " + joined(expected));
    check(model.path() == folder, "the file list's folder is " + model.path());

    // The alias of "notes.txtx" ends in ".TXT": were aliases matched, it would be listed.
    wchar_t shortName[MAX_PATH] = L"";
    const std::string longPath = folder + "\\notes.txtx";
    const DWORD length = ::GetShortPathNameW(widen(longPath).c_str(), shortName, MAX_PATH);
    const std::string alias = length ? narrow(shortName) : std::string();
    const std::string aliasName = alias.substr(alias.find_last_of('\\') + 1);
    std::printf("the 8.3 alias of notes.txtx: %s\n", aliasName.c_str());
    if (!aliasName.empty() && aliasName != "notes.txtx") {
        check(platform::NamePatterns("*.txt").matches(aliasName),
              "the alias " + aliasName + " would match *.txt");
        const std::vector<std::string> all = lists::FileModel("*.*", folder).files();
        check(std::find(all.begin(), all.end(), aliasName) == all.end(),
              "the alias " + aliasName + " is listed");
    }
    check(!lists::FileModel("*.txtx", folder).files().empty(), "*.txtx lists notes.txtx");
    check(lists::FileModel("ÉTÉ.txt", folder).files() == std::vector<std::string>{"ÉTÉ.TXT"},
          "an exact name matches without regard to case beyond ASCII");

    check(model.setFileName("日本.txt"), "selecting 日本.txt is a click");
    check(model.fileName() == "日本.txt", "the selection is 日本.txt");
}

void checkDirList(const std::string &folder)
{
    ::CreateDirectoryW(widen(folder + "\\Sous-dossier ß").c_str(), nullptr);
    const std::vector<form::Volume> volumes = lists::systemVolumes();
    lists::DirModel model(volumes, folder);
    const std::vector<lists::DirRow> &rows = model.rows();
    check(!rows.empty() && rows.front().path.size() == 3 && rows.front().path.substr(1) == ":\\",
          "the chain starts at a drive root: " + (rows.empty() ? std::string() : rows.front().path));
    check(model.path() == folder, "the folder list's folder is " + model.path());
    check(!rows.empty() && rows[std::size_t(model.currentRow())].path == folder,
          "the chain ends at the folder");
    check(!rows.empty() && rows.back().path == folder + "\\Sous-dossier ß" && !rows.back().open,
          "the sub-folder follows, closed: " + (rows.empty() ? std::string() : rows.back().path));

    // Letter case does not tell folders apart: a lower-case path is on drive C.
    std::string lower = folder;
    lower[0] = char(std::tolower(static_cast<unsigned char>(lower[0])));
    check(lists::volumeOf(lower, volumes) == std::string(1, char(std::toupper(lower[0]))) + ":\\",
          "the volume of " + lower + " is " + lists::volumeOf(lower, volumes));
    check(lists::cleanFolder(folder + "\\.\\Sous-dossier ß\\..\\") == folder, "a folder path is cleaned");
    check(lists::cleanFolder("C:/") == "C:\\", "a root keeps its separator: " + lists::cleanFolder("C:/"));

    const lists::Outcome missing = model.setPath(folder + "\\absent");
    check(!missing.changed &&
              missing.failure.rfind("Cannot open the folder " + folder + "\\absent:\n", 0) == 0,
          "an absent folder gives the failure text: " + missing.failure);
    check(model.path() == folder, "an absent folder changes nothing");
    check(model.openRow(int(rows.size()) - 1).changed && model.path() == folder + "\\Sous-dossier ß",
          "the sub-folder's row enters it");

    // The folder remembered on drive C falls back to its nearest readable parent once gone; the
    // drive is found whatever the case of its letter.
    lists::DriveModel drives(volumes, folder);
    drives.rememberFolder(folder + "\\Sous-dossier ß");
    const std::string root = folder.substr(0, 3);
    check(drives.lastFolderOn(root) == folder + "\\Sous-dossier ß",
          "remembered: " + drives.lastFolderOn(root));
    ::SetCurrentDirectoryW(widen(folder).c_str());
    ::RemoveDirectoryW(widen(folder + "\\Sous-dossier ß").c_str());
    std::string lowerRoot = root;
    lowerRoot[0] = char(std::tolower(static_cast<unsigned char>(lowerRoot[0])));
    check(drives.lastFolderOn(lowerRoot) == folder, "after removal: " + drives.lastFolderOn(lowerRoot));
}

void checkVolumes()
{
    // The label the system reports for drive C, or what a fixed drive without one is called.
    const auto labelOfC = [] {
        wchar_t label[MAX_PATH + 1] = L"";
        ::GetVolumeInformationW(L"C:\\", label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
        return label[0] ? narrow(label) : std::string("Local Disk");
    };
    const auto listedLabelOfC = [] {
        for (const form::Volume &volume : lists::systemVolumes())
            if (volume.root == "C:\\")
                return volume.label;
        return std::string("<C:\\ not listed>");
    };
    check(listedLabelOfC() == labelOfC(),
          "drive C's label is " + listedLabelOfC() + ", expected " + labelOfC());
    const std::vector<form::Volume> volumes = lists::systemVolumes();

    // A drive that is not there: the author's text, no system dialog, the volume stays unchosen.
    std::vector<form::Volume> offered = volumes;
    offered.push_back({"Q:\\", ""});
    lists::DriveModel model(offered, "C:\\windows");
    check(model.drive() == "C:\\", "the current volume is C:\\ (" + model.drive() + ")");
    const lists::Outcome absent = model.setDrive("Q:\\");
    check(!absent.changed && absent.failure.rfind("Cannot open the volume Q:\\:\n", 0) == 0 &&
              absent.failure.size() > 30,
          "an absent drive gives the failure text: " + absent.failure);
    check(model.drive() == "C:\\", "an absent drive changes nothing");
    check(model.setDrive("c:\\windows").changed && model.drive() == "C:\\", "c:\\windows is on C:\\");
}

} // namespace

int wmain()
{
    const std::string folder = makeScratchFolder();
    checkFileList(folder);
    checkDirList(folder);
    checkVolumes();
    for (const char *name : {"notes.txt", "notes.txtx", "ÉTÉ.TXT", "日本.txt"})
        ::DeleteFileW(widen(folder + "\\" + name).c_str());
    ::RemoveDirectoryW(widen(folder + "\\Sous-dossier ß").c_str());
    ::RemoveDirectoryW(widen(folder).c_str());
    return check_tally::report();
}
