#include "FileLinks.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string_view>

#include "Files.h"
#include "Text.h"

namespace base::files {

namespace {

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// The path of the file or folder after every link on the way, without the "\\?\" prefix.
std::optional<std::wstring> finalPath(const std::wstring &path)
{
    std::unique_ptr<void, decltype(&::CloseHandle)> handle(
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr),
        &::CloseHandle);
    if (handle.get() == INVALID_HANDLE_VALUE) {
        handle.release();
        return std::nullopt;
    }
    std::wstring resolved(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            handle.get(), resolved.data(), static_cast<DWORD>(resolved.size()), FILE_NAME_NORMALIZED);
        if (length == 0)
            return std::nullopt;
        if (length < resolved.size()) {
            resolved.resize(length);
            break;
        }
        resolved.resize(length + 1);
    }
    if (resolved.rfind(L"\\\\?\\", 0) == 0)
        resolved.erase(0, 4);
    while (resolved.size() > 1 && isSeparator(resolved.back()))
        resolved.pop_back();
    return resolved;
}

bool sameText(std::wstring_view a, std::wstring_view b)
{
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

} // namespace

bool isLink(const std::string &path)
{
    std::wstring wide = nativePath(path);
    while (wide.size() > 1 && isSeparator(wide.back()))
        wide.pop_back();
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return true;

    // Wine follows a Unix link without saying so: compare where the path leads with where its
    // folder leads, followed by its own name.
    const std::size_t separator = wide.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return false;
    const std::wstring_view name = std::wstring_view(wide).substr(separator + 1);
    if (name.empty() || name == L"." || name == L"..")
        return false;
    std::wstring folder = wide.substr(0, separator);
    if (folder.empty() || folder.back() == L':')
        folder += L'\\';
    const std::optional<std::wstring> self = finalPath(wide);
    const std::optional<std::wstring> parent = finalPath(folder);
    if (!self || !parent)
        return false;
    const std::size_t cut = self->find_last_of(L'\\');
    return cut == std::wstring::npos || !sameText(std::wstring_view(*self).substr(0, cut), *parent) ||
           !sameText(std::wstring_view(*self).substr(cut + 1), name);
}

} // namespace base::files
