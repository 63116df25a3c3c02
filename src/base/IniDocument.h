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

// The lookup form of a section or key name: line breaks read as blanks, surrounding blanks
// dropped, bytes decoded as text::decodeLocal, letter case folded.
std::string foldedName(std::string_view name);

// What a read gives for a stored value: surrounding blanks dropped, then one matching pair of
// enclosing quotes.
std::string readableValue(std::string_view stored);

// What a read gives for the default: trailing spaces (not tabs) dropped, then the quotes.
std::string readableDefault(std::string_view defaultValue);

class Document;

// A read gives at most this many bytes of the file (a 255-byte buffer less its end mark).
constexpr std::size_t MaxReadBytes = 254;

// What a read of the profile functions gives: the readable stored value of the key, or the
// readable default when there is no document (no file), section or key; cut to maxBytes bytes of
// the file without splitting a UTF-8 character, and given as UTF-8 (a value that is not UTF-8 is
// read as Windows-1252).
std::string readValue(const Document *document, std::string_view section, std::string_view key,
                      std::string_view defaultValue, std::size_t maxBytes = MaxReadBytes);

// The lines of a profile file kept byte for byte (comments, blank lines, spacing, line ends, a byte
// order mark), with an index of the first section of each name and of the keys in it. Lines end in
// CR LF, LF or a lone CR; entries before the first header belong to the section "". A change
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
    // the last entry of the section, or "[section]" and that line are appended. CR and LF in the
    // names and the value become blanks, so that nothing spans lines. False when the stored value
    // already equals it (nothing changed). Afterwards the document answers as a fresh parse of
    // toBytes() would, also for names that read back otherwise ("a=b" is key "a").
    bool setValue(std::string_view section, std::string_view key, std::string_view value);

    std::string toBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace base::ini
