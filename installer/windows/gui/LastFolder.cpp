#include "LastFolder.h"

#include <windows.h>

#include "Handles.h"
#include "WinText.h"

namespace installer::win {

namespace {

// Longer than any folder a player would type; a bigger value is no folder of ours.
constexpr DWORD MaxValueBytes = 32768 * sizeof(wchar_t);

} // namespace

std::string readLastGameFolder()
{
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, lastFolderKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return {};
    UniqueKey key(raw);
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(raw, lastFolderValue, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ || bytes == 0 || bytes > MaxValueBytes)
        return {};
    // The stored text need not end in a null character: one more is kept free for it.
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(raw, lastFolderValue, nullptr, &type, reinterpret_cast<BYTE *>(text.data()),
                           &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    text.resize(bytes / sizeof(wchar_t));
    if (const auto end = text.find(L'\0'); end != std::wstring::npos)
        text.resize(end);
    return utf8(text);
}

bool rememberGameFolder(const std::string &folder)
{
    HKEY raw = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, lastFolderKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return false;
    UniqueKey key(raw);
    const std::wstring text = wide(folder);
    return ::RegSetValueExW(raw, lastFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace installer::win
