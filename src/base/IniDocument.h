#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The profile file format (install.ini, temp.ini) on bytes, shared by the wizard and the installer.
namespace base::ini {

// Blanks around names and stored values.
bool isBlank(char c);
std::string_view trimmed(std::string_view text);

// The lookup form of a section or key name: surrounding blanks dropped, bytes decoded as
// text::decodeLocal, letter case folded.
std::string foldedName(std::string_view name);

// What a read gives for a stored value: surrounding blanks dropped, then one matching pair of
// enclosing quotes.
std::string readableValue(std::string_view stored);

// What a read gives for the default: trailing spaces (not tabs) dropped, then the quotes.
std::string readableDefault(std::string_view defaultValue);

// The lines of a profile file kept byte for byte (comments, blank lines, spacing, line ends, a byte
// order mark), with an index of the first section of each name and of the keys in it. A change
// touches only the line of the key or adds lines, so that serialising gives back every other byte.
class Document
{
public:
    Document();
    explicit Document(std::string_view bytes);
    ~Document();
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;
    Document(Document &&) noexcept;
    Document &operator=(Document &&) noexcept;

    // The bytes of the value as stored (after '=' up to the line end) of the key in the first
    // section of that name; nothing when the section or the key does not exist.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Stores the value: the key's line is rewritten after its '=', or a line "key=value" follows
    // the last entry of the section, or "[section]" and that line are appended. False when the
    // stored value already equals it (nothing changed).
    bool setValue(std::string_view section, std::string_view key, std::string_view value);

    std::string toBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace base::ini
