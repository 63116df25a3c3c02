#include "NameListing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "Files.h"
#include "Text.h"

namespace platform {

namespace {

// Plain "*" and "?" matching of case-folded UTF-8 texts, backtracking to the last "*"
// only; linear enough for file names. "?" stands for one character, not one byte.
bool wildcardMatches(std::string_view pattern, std::string_view name)
{
    const auto characterLength = [](std::string_view text, std::size_t at) {
        std::size_t length = 1;
        while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
            ++length;
        return length;
    };
    std::size_t p = 0, n = 0, resume = 0;
    std::size_t star = std::string_view::npos;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += characterLength(name, n);
        } else if (p < pattern.size() && pattern[p] != '*' && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            resume += characterLength(name, resume);
            n = resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool hasWildcard(std::string_view text)
{
    return text.find_first_of("*?") != std::string_view::npos;
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view Blanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

bool isHidden(const std::string &name)
{
    return !name.empty() && name[0] == '.';
}

enum class EntryType
{
    Folder,
    File,
    Other
};

// Links are followed: a link to a folder is a folder.
EntryType typeOf(const std::string &folder, const std::string &name)
{
    std::error_code ec;
    const auto status = std::filesystem::status(base::files::toPath(folder) / base::files::toPath(name), ec);
    if (ec)
        return EntryType::Other;
    if (std::filesystem::is_directory(status))
        return EntryType::Folder;
    return std::filesystem::is_regular_file(status) ? EntryType::File : EntryType::Other;
}

// Case-insensitive order; names equal but for case keep a fixed order among themselves.
std::vector<std::string> sortedWithoutCase(std::vector<std::string> names)
{
    struct Keyed
    {
        std::string key;
        std::string name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (std::string &name : names)
        keyed.push_back({base::text::foldCase(name), std::move(name)});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        return a.key != b.key ? a.key < b.key : a.name < b.name;
    });
    std::vector<std::string> sorted;
    sorted.reserve(keyed.size());
    for (Keyed &entry : keyed)
        sorted.push_back(std::move(entry.name));
    return sorted;
}

// The folder's names when it can be read; the error is set either way.
bool readFolder(const std::string &folder, std::vector<std::string> &names, std::string *error)
{
    const QuietDriveErrors quiet;
    if (!canListFolder(folder, error))
        return false;
    names = base::files::folderEntries(folder);
    return true;
}

} // namespace

NamePatterns::NamePatterns(std::string_view patternList)
{
    std::size_t start = 0;
    while (start <= patternList.size()) {
        std::size_t end = patternList.find(';', start);
        if (end == std::string_view::npos)
            end = patternList.size();
        const std::string text = base::text::foldCase(trimmed(patternList.substr(start, end - start)));
        start = end + 1;
        if (text.empty())
            continue;
        if (text == "*" || text == "*.*")
            m_matchesAll = true;
        else if (text[0] == '*' && !hasWildcard(std::string_view(text).substr(1)))
            m_patterns.push_back({Kind::Suffix, text.substr(1)});
        else
            m_patterns.push_back({hasWildcard(text) ? Kind::Wildcard : Kind::Exact, text});
    }
    if (m_patterns.empty())
        m_matchesAll = true;
}

bool NamePatterns::matches(std::string_view name) const
{
    if (m_matchesAll)
        return true;
    const std::string folded = base::text::foldCase(name);
    return std::any_of(m_patterns.cbegin(), m_patterns.cend(), [&](const Pattern &pattern) {
        switch (pattern.kind) {
        case Kind::Suffix:
            return folded.ends_with(pattern.text);
        case Kind::Exact:
            return folded == pattern.text;
        case Kind::Wildcard:
            return wildcardMatches(pattern.text, folded);
        }
        return false;
    });
}

#ifdef _WIN32
QuietDriveErrors::QuietDriveErrors()
    : m_previous(::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX))
{
}

QuietDriveErrors::~QuietDriveErrors()
{
    ::SetErrorMode(m_previous);
}

// The system's own search, as the listing itself does: the C runtime's stops at MAX_PATH
// characters and words its reasons in the C locale's terms.
bool canListFolder(const std::string &folder, std::string *error)
{
    const QuietDriveErrors quiet;
    std::wstring pattern = base::files::nativePath(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    const HANDLE search =
        ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        // An empty volume's root has not even "." and "..": readable, only empty.
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) {
            if (error)
                error->clear();
            return true;
        }
        if (error)
            *error = base::files::systemReason(code);
        return false;
    }
    ::FindClose(search);
    if (error)
        error->clear();
    return true;
}
#else
QuietDriveErrors::QuietDriveErrors() = default;
QuietDriveErrors::~QuietDriveErrors() = default;

bool canListFolder(const std::string &folder, std::string *error)
{
    std::error_code ec;
    const std::filesystem::directory_iterator probe(base::files::toPath(folder), ec);
    if (error)
        *error = ec ? ec.message() : std::string();
    return !ec;
}
#endif

std::vector<std::string> listSubfolders(const std::string &folder, std::string *error)
{
    std::vector<std::string> names;
    if (!readFolder(folder, names, error))
        return {};
    std::vector<std::string> visible;
    std::vector<std::string> hidden;
    for (std::string &name : names) {
        if (typeOf(folder, name) == EntryType::Folder)
            (isHidden(name) ? hidden : visible).push_back(std::move(name));
    }
    std::vector<std::string> sorted = sortedWithoutCase(std::move(visible));
    for (std::string &name : sortedWithoutCase(std::move(hidden)))
        sorted.push_back(std::move(name));
    return sorted;
}

std::vector<std::string> listFiles(const std::string &folder, const NamePatterns &patterns,
                                   std::string *error)
{
    std::vector<std::string> names;
    if (!readFolder(folder, names, error))
        return {};
    std::vector<std::string> files;
    for (std::string &name : names) {
        // Match first: the name is cheaper to test than the entry's type.
        if (!isHidden(name) && patterns.matches(name) && typeOf(folder, name) == EntryType::File)
            files.push_back(std::move(name));
    }
    return sortedWithoutCase(std::move(files));
}

} // namespace platform
