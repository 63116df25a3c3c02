#include "PackageFolder.h"

#include <windows.h>

#include "Files.h"
#include "Text.h"

namespace package::zip {

namespace {

// FILETIME counts 100 ns steps since 1601; time_t seconds since 1970.
std::time_t toTimeT(const FILETIME &time)
{
    const std::uint64_t ticks = (std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::time_t>(ticks / 10000000ULL - 11644473600ULL);
}

std::uint64_t sizeOf(DWORD high, DWORD low)
{
    return (std::uint64_t(high) << 32) | low;
}

std::string kindOf(DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return "a symbolic link";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "a folder";
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return "a device";
    return {};
}

class HandleReader : public FileReader
{
public:
    explicit HandleReader(HANDLE file) : m_file(file) {}
    ~HandleReader() override { ::CloseHandle(m_file); }
    long long read(char *buffer, std::size_t size, std::string &reason) override
    {
        DWORD got = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!::ReadFile(m_file, buffer, wanted, &got, nullptr)) {
            reason = base::files::systemReason(::GetLastError());
            return -1;
        }
        return got;
    }

private:
    HANDLE m_file;
};

} // namespace

struct PackageFolder::System
{
    DWORD openError = 0;
};

PackageFolder::PackageFolder(const std::string &path) : m_path(path), m_system(std::make_unique<System>())
{
    // The folder itself may be reached through a link, as on Linux; its entries may not.
    const DWORD attributes = ::GetFileAttributesW(base::files::nativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        m_system->openError = ::GetLastError();
    else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        m_system->openError = ERROR_DIRECTORY;
}

PackageFolder::~PackageFolder() = default;

bool PackageFolder::isOpen(std::string *reason) const
{
    if (m_system->openError != 0 && reason)
        *reason = base::files::systemReason(m_system->openError);
    return m_system->openError == 0;
}

bool PackageFolder::list(std::vector<FolderEntry> &entries, std::string &reason) const
{
    WIN32_FIND_DATAW found;
    // Long names only: the short 8.3 aliases are never listed.
    const HANDLE search = ::FindFirstFileExW(base::files::nativePath(m_path + "\\*").c_str(), FindExInfoBasic,
                                             &found, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        reason = base::files::systemReason(::GetLastError());
        return false;
    }
    do {
        FolderEntry entry;
        entry.name = base::text::narrow(found.cFileName);
        if (entry.name == "." || entry.name == "..")
            continue;
        if (const std::string kind = kindOf(found.dwFileAttributes); !kind.empty())
            entry.notPacked = notPackedReason(kind);
        entry.size = sizeOf(found.nFileSizeHigh, found.nFileSizeLow);
        entry.modified = toTimeT(found.ftLastWriteTime);
        entry.identity[0] = (std::uint64_t(found.ftLastWriteTime.dwHighDateTime) << 32) |
                            found.ftLastWriteTime.dwLowDateTime;
        entries.push_back(std::move(entry));
    } while (::FindNextFileW(search, &found));
    const DWORD code = ::GetLastError();
    ::FindClose(search);
    if (code != ERROR_NO_MORE_FILES) {
        reason = base::files::systemReason(code);
        return false;
    }
    return true;
}

std::unique_ptr<FileReader> PackageFolder::open(const FolderEntry &entry, std::string &reason) const
{
    // The link itself is opened, never what it points to, and only for reading beside others.
    const HANDLE file = ::CreateFileW(base::files::nativePath(m_path + "\\" + entry.name).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = base::files::systemReason(::GetLastError());
        return nullptr;
    }
    auto reader = std::make_unique<HandleReader>(file);
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info))
        reason = base::files::systemReason(::GetLastError());
    else if (const std::string kind = kindOf(info.dwFileAttributes); !kind.empty())
        reason = notPackedReason(kind);
    else if (::GetFileType(file) != FILE_TYPE_DISK)
        reason = notPackedReason("no regular file");
    else if (((std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime) !=
             entry.identity[0])
        reason = "replaced by another file while the archive was written";
    else if (sizeOf(info.nFileSizeHigh, info.nFileSizeLow) != entry.size)
        reason = "changed while the archive was written";
    else
        return reader;
    return nullptr;
}

} // namespace package::zip
