#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

// The package folder as the zip packing reads it: its entries listed once, each file opened only
// while it is read, never through a link and only while it is still the file that was listed.
// Paths and names are UTF-8.
namespace package::zip {

// One entry of the package folder as it was listed.
struct FolderEntry
{
    std::string name;       // in the package folder
    std::string notPacked;  // why it cannot be packed (a link, a folder, a FIFO...); empty for a file
    std::uint64_t size = 0;
    std::time_t modified = 0;
    std::uint64_t identity[2] = {}; // what tells this file from another that takes its name later
};

// A listed file open for reading.
class FileReader
{
public:
    virtual ~FileReader() = default;
    // Up to size bytes; 0 at the end; -1 with the reason.
    virtual long long read(char *buffer, std::size_t size, std::string &reason) = 0;
};

class PackageFolder
{
public:
    explicit PackageFolder(const std::string &path);
    ~PackageFolder();
    PackageFolder(const PackageFolder &) = delete;
    PackageFolder &operator=(const PackageFolder &) = delete;

    // False with the system's reason when the folder cannot be opened.
    bool isOpen(std::string *reason = nullptr) const;
    const std::string &path() const { return m_path; }

    // The folder's entries in the order the system lists them, "." and ".." left out; false with
    // the reason when the folder cannot be read to its end.
    bool list(std::vector<FolderEntry> &entries, std::string &reason) const;

    // The listed file for reading, or nullptr with the reason: never through a link, never
    // waiting on a FIFO, and only while it is still the regular file that was listed, of its size.
    std::unique_ptr<FileReader> open(const FolderEntry &entry, std::string &reason) const;

private:
    struct System;
    std::string m_path;
    std::unique_ptr<System> m_system;
};

// What every refusal of an entry that is no regular file ends with.
std::string notPackedReason(const std::string &kind);

} // namespace package::zip
