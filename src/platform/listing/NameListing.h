#pragma once

#include <concepts>
#include <string>
#include <string_view>
#include <vector>

// Names in a folder as the pickers list them. Names and paths are UTF-8.
namespace platform {

// A ";"-separated list of wildcard patterns ("*.rtf;*.txt"), each matched against a
// whole file name without regard to letter case: "*" stands for any run of
// characters, "?" for one. An empty list, "*" and "*.*" match every name ("*.*"
// keeps its old meaning of "all files", dot or not). Compiled once, then cheap
// to apply to many names.
class NamePatterns
{
public:
    explicit NamePatterns(std::string_view patternList);

    bool matches(std::string_view name) const;

    // The same for a toolkit's text type that gives its UTF-8 through toStdString(), so that
    // the widgets' own listing keeps one set of patterns with this one.
    template <class Text>
    requires requires(const Text &text)
    {
        {
            text.toStdString()
            } -> std::convertible_to<std::string>;
    }
    explicit NamePatterns(const Text &patternList) : NamePatterns(std::string_view(patternList.toStdString()))
    {
    }
    template <class Text>
    requires requires(const Text &text)
    {
        {
            text.toStdString()
            } -> std::convertible_to<std::string>;
    }
    bool matches(const Text &name) const { return matches(std::string_view(name.toStdString())); }

private:
    enum class Kind
    {
        Suffix,
        Exact,
        Wildcard
    };
    struct Pattern
    {
        Kind kind;
        std::string text; // case-folded; for Suffix the part after the leading "*"
    };

    bool m_matchesAll = false;
    std::vector<Pattern> m_patterns;
};

// While one lives, an empty or absent drive answers with an error rather than a system dialog
// ("Insert a disk"); the listing functions below hold one. Nothing to do outside Windows.
class QuietDriveErrors
{
public:
    QuietDriveErrors();
    ~QuietDriveErrors();
    QuietDriveErrors(const QuietDriveErrors &) = delete;
    QuietDriveErrors &operator=(const QuietDriveErrors &) = delete;

private:
    unsigned m_previous = 0;
};

// Whether folder can be listed; if not, *error gets the reason ("Permission denied").
bool canListFolder(const std::string &folder, std::string *error = nullptr);

// The names of folder's sub-folders (links to folders included), sorted without regard
// to letter case, the hidden ones (".name") after the others: a game installed under
// Wine lives in a hidden prefix such as ~/.wine. When folder cannot be read the list is
// empty and *error gets the reason; otherwise *error is cleared.
std::vector<std::string> listSubfolders(const std::string &folder, std::string *error = nullptr);

// The names of folder's regular files (links to files included) that match patterns,
// hidden ones left out, sorted without regard to letter case. Errors as listSubfolders().
std::vector<std::string> listFiles(const std::string &folder, const NamePatterns &patterns,
                                   std::string *error = nullptr);

} // namespace platform
