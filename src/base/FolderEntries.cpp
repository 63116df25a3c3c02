#include "Files.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>

#include "Text.h"
#endif

namespace base::files {

std::vector<std::string> folderEntries(const std::string &folder)
{
    std::vector<std::string> names;
#ifdef _WIN32
    // The C runtime's folder listing that std::filesystem uses stops at MAX_PATH characters; the
    // system's own takes the long form.
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileExW((nativePath(folder) + L"\\*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(text::narrow(name));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
#else
    std::error_code ec;
    for (std::filesystem::directory_iterator it(toPath(folder), ec), end; !ec && it != end; it.increment(ec))
        names.push_back(fromPath(it->path().filename()));
#endif
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace base::files
