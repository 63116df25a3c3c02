#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Outcome of copying a file into a package.
enum class CopyOutcome
{
    Copied,   // the target now holds the source's bytes
    SameFile, // source and target are one file: nothing to do, it is already in place
    Failed,   // nothing changed at the target; the error text says why
};

// The machine as the pages use it: the program folder, files and processes. Paths
// are UTF-8. One instance is current at a time: the running program's, or a
// recording one in tests. Window services (message boxes, the event pump, ending the
// program) are the form runtime's.
class Platform
{
public:
    virtual ~Platform() = default;

    // The folder of the running program, without a trailing separator unless it is the root.
    virtual std::string programFolder() const = 0;

    // The process's current folder; empty when it no longer exists.
    virtual std::string currentFolder() const = 0;

    // Whether new files and folders can be made in folder: a program folder under Program
    // Files cannot, for an author without administrator rights.
    virtual bool canCreateIn(const std::string &folder) const = 0;

    // Creates one folder level; false (with the reason) if it exists already or cannot be made.
    virtual bool createFolder(const std::string &path, std::string *error = nullptr) = 0;

    // Copies source to target, replacing the target, letting window events run while it
    // copies. The target is never left half-written.
    virtual CopyOutcome copyFile(const std::string &source, const std::string &target,
                                 std::string *error = nullptr) = 0;

    virtual bool deleteFile(const std::string &path, std::string *error = nullptr) = 0;

    // The file's length in bytes, or -1 with the reason.
    virtual std::int64_t fileLength(const std::string &path, std::string *error = nullptr) = 0;

    // Starts a program with these arguments without waiting for it, in the current folder.
    virtual bool startProgram(const std::string &path, const std::vector<std::string> &arguments,
                              std::string *error = nullptr) = 0;

    // True where a Windows program starts by itself: on Windows.
    virtual bool runsWindowsPrograms() const = 0;
    // The Wine launcher when Wine is installed and set up for this user, so that a Windows
    // program starts at once; empty otherwise (and always on Windows).
    virtual std::string wineLauncher() const = 0;

    // Shows the folder in the desktop's file manager, without waiting for it.
    virtual bool openFolder(const std::string &path, std::string *error = nullptr) = 0;
};

// The platform in use. install() does not take ownership.
Platform &current();
void install(Platform *platform);

// The separator used to join a folder and a name, by plain concatenation.
std::string separator();

} // namespace platform
