#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Files.h"

namespace installer {

// A one-file setup is the installer's program with its package appended as a zip archive: one
// folder named after the package holding install.ini and the files beside it. Unpacked whole into
// a fresh private temporary folder, that folder is the package folder of the run; the object
// removes it with everything in it when it goes, also after a failure. A folder that a killed run
// left behind is swept by a later run. A plain installer carries no archive and is left as it is.
class UnpackedPackage
{
public:
    enum class Outcome
    {
        NoArchive, // the program carries no package: the package folder is the one beside it
        Unpacked,
        Refused, // cut short, altered or hostile; the error names the file and the reason
    };

    UnpackedPackage() = default;
    ~UnpackedPackage();
    UnpackedPackage(const UnpackedPackage &) = delete;
    UnpackedPackage &operator=(const UnpackedPackage &) = delete;

    // Reads the archive at the end of programPath and unpacks it under temporaryRoot (empty: the
    // system's temporary folder). Everything is checked before the first file is written, and the
    // bytes (sizes, CRC-32) as they are written: a refusal leaves no folder behind.
    Outcome unpack(const std::string &programPath, std::string *error, const std::string &temporaryRoot = {});

    // The unpacked package's folder (inside the temporary folder); empty unless Unpacked.
    const std::string &packageFolder() const { return m_packageFolder; }
    // The SHA-256 of the archive part of the file (64 hex digits); empty unless Unpacked.
    const std::string &archiveSha256() const { return m_archiveSha256; }

private:
    void removeTemporaryFolder();

    std::string m_temporaryFolder;
    std::string m_packageFolder;
    std::string m_archiveSha256;
    base::files::FileLock m_lock; // on a file in the temporary folder while it is in use
};

// The bytes a Windows program's file needs (its sections and its signature, from the PE headers):
// more in the file is an appended archive. Nothing when the file is no Windows program.
std::optional<std::uint64_t> programImageSize(const std::string &path);

// The installer's program without the package a one-file setup carries (the bytes of its image),
// or the whole file when it carries none: what a removal later runs. Nothing when unreadable.
std::optional<std::string> programWithoutPackage(const std::string &path, std::string *error);

// Why the archive's names are no package (empty when they are one): one top folder holding
// install.ini and plain files beside it; no "..", absolute path, drive letter, backslash, control
// character, device name or name given twice. folder: the top folder's name when they are.
std::string packageLayoutProblem(const std::vector<std::string> &names, std::string *folder);

} // namespace installer
