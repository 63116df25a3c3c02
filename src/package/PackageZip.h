#pragma once

#include <functional>
#include <string>
#include <vector>

// The package folder packed into one zip archive that players download: one folder named after the
// package holding every file of the package except the wizard's own temp.ini. Paths are UTF-8.
namespace package::zip {

enum class PackOutcome
{
    Packed,    // the archive is complete at its place, replacing any older one
    Failed,    // nothing written, an older archive untouched; the error names the file and the reason
    Cancelled, // stopped by the progress callback; nothing written, an older archive untouched
};

// Called while the archive is written with the fraction done (0 to 1); false cancels.
using PackProgress = std::function<bool(double fraction)>;

// Writes the archive to a hidden temporary beside zipPath and renames it over zipPath only when
// complete, so a failure or a cancel leaves neither a partial archive nor a temporary. The files
// named in required (those install.ini lists) must all be there: a package that lost one would
// install half, so its absence fails the packing with the file's name. Only the folder's regular
// files are packed, each read without following a link: a link, a FIFO, a device or a folder in
// the package folder fails the packing with its name, and so does a name that an unpacker would
// write outside its folder (a backslash, a colon, a ".." part) or a control character.
PackOutcome packFolder(const std::string &packageFolder, const std::string &packageName,
                       const std::vector<std::string> &required, const std::string &zipPath,
                       const PackProgress &progress, std::string *error);

// The same archive after the bytes of the installer at installerPath (the Windows setup.exe,
// unchanged), written to setupPath as packFolder writes zipPath: one file players run, which
// carries its package. The archive's offsets count from the start of the file, so unzip tools
// open it as they open any self-extracting archive. An installer that cannot be read fails the
// packing with its name.
PackOutcome packSetup(const std::string &packageFolder, const std::string &packageName,
                      const std::vector<std::string> &required, const std::string &installerPath,
                      const std::string &setupPath, const PackProgress &progress, std::string *error);

// True when deflating pays for these bytes (a sample of a file): text and code shrink, packed
// or random data does not and is stored as it is.
bool worthDeflating(const std::string &sample);

} // namespace package::zip
