// Checks how the setup window keeps the last game folder under HKEY_CURRENT_USER, on a real
// (or Wine's) registry: plain C++, one line per failure, then "N passed, M failed"; the exit code
// is non-zero on any failure. The key is removed before and after.
#include <cstdio>
#include <string>

#include <windows.h>

#include "CheckTally.h"
#include "LastFolder.h"
#include "Text.h"

using base::text::widen;
using namespace installer::win;

namespace {

using check_tally::check;

void checkEqual(const std::string &actual, const std::string &expected, const char *what)
{
    check(actual == expected, std::string(what) + ": \"" + actual + "\", not \"" + expected + "\"");
}

void removeKey()
{
    ::RegDeleteKeyW(HKEY_CURRENT_USER, lastFolderKey);
}

// The value stored as the bytes given, of the type given, as another program might have left it.
void store(DWORD type, const void *bytes, DWORD size)
{
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, lastFolderKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    ::RegSetValueExW(key, lastFolderValue, 0, type, static_cast<const BYTE *>(bytes), size);
    ::RegCloseKey(key);
}

} // namespace

int wmain()
{
    removeKey();
    checkEqual(readLastGameFolder(), "", "no key");

    const std::string folder = "C:\\Spiele\\Stra\xC3\x9F"
                               "e \xE6\x9D\xB1\xE4\xBA\xAC\\Midtown Madness 2";
    checkEqual(rememberGameFolder(folder) ? "written" : "refused", "written", "remember");
    checkEqual(readLastGameFolder(), folder, "the folder read back, with its non-ASCII letters");
    rememberGameFolder("D:\\MM2");
    checkEqual(readLastGameFolder(), "D:\\MM2", "the newer folder replaces the older");

    const std::wstring text = L"E:\\Games\\MM2";
    store(REG_SZ, text.c_str(), DWORD(text.size() * sizeof(wchar_t)));
    checkEqual(readLastGameFolder(), "E:\\Games\\MM2", "a value stored without its closing null");
    const wchar_t withTail[] = L"E:\\MM2\0garbage";
    store(REG_SZ, withTail, sizeof withTail);
    checkEqual(readLastGameFolder(), "E:\\MM2", "what follows a null is no part of the folder");
    store(REG_EXPAND_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
    checkEqual(readLastGameFolder(), "", "a value of another type");
    const DWORD number = 2;
    store(REG_DWORD, &number, sizeof number);
    checkEqual(readLastGameFolder(), "", "a number");
    store(REG_SZ, L"", sizeof(wchar_t));
    checkEqual(readLastGameFolder(), "", "an empty text");
    const std::wstring huge(40000, L'x');
    store(REG_SZ, huge.c_str(), DWORD((huge.size() + 1) * sizeof(wchar_t)));
    checkEqual(readLastGameFolder(), "", "a text longer than any folder");

    removeKey();
    return check_tally::report();
}
