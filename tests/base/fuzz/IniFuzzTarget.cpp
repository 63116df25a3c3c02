// libFuzzer target of the INI document: parse, edit, serialise, parse again. The input is a file's
// bytes, optionally followed by "\xFF\xFF" and edits "section\xFFkey\xFFvalue\xFF...". Any broken
// promise aborts with a message: the bytes must come back whole, an edit may change only the value
// it was asked to or add lines in one place, and the edited document must answer every lookup as a
// fresh parse of its bytes does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "IniDocument.h"

namespace {

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "INI fuzz target: %s\n", what);
        std::abort();
    }
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t begin = 0;;) {
        const std::size_t end = text.find(separator, begin);
        parts.push_back(text.substr(begin, end - begin));
        if (end == std::string_view::npos)
            return parts;
        begin = end + 1;
    }
}

// Names a reader might look up: every header's and every key's text, as it stands in the lines.
void collectNames(std::string_view bytes, std::set<std::string> &sections, std::set<std::string> &keys)
{
    std::size_t begin = 0;
    while (begin < bytes.size() && sections.size() < 12 && keys.size() < 24) {
        std::size_t end = bytes.find_first_of("\r\n", begin);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = base::ini::trimmed(bytes.substr(begin, end - begin));
        const std::size_t close = line.rfind(']');
        if (line.starts_with('[') && close != std::string_view::npos && close > 0)
            sections.emplace(line.substr(1, close - 1));
        else if (const std::size_t equals = line.find('='); equals != std::string_view::npos)
            keys.emplace(line.substr(0, equals));
        begin = end + 1;
    }
}

void requireSameAnswers(const base::ini::Document &document, const std::string &bytes,
                        const std::vector<std::string_view> &edits)
{
    const base::ini::Document fresh(bytes);
    require(fresh.toBytes() == bytes, "a parse does not give back every byte");
    std::set<std::string> sections{""};
    std::set<std::string> keys;
    for (std::size_t i = 0; i + 1 < edits.size(); i += 3) {
        sections.emplace(edits[i]);
        keys.emplace(edits[i + 1]);
    }
    collectNames(bytes, sections, keys);
    for (const std::string &section : sections) {
        for (const std::string &key : keys)
            require(document.value(section, key) == fresh.value(section, key),
                    "the edited document answers otherwise than a fresh parse");
    }
}

void checkEdit(base::ini::Document &document, std::string_view section, std::string_view key,
               std::string_view value)
{
    const std::string before = document.toBytes();
    const std::optional<std::string> old = document.value(section, key);
    const bool changed = document.setValue(section, key, value);
    const std::string after = document.toBytes();
    if (!changed) {
        require(after == before, "an edit that changed nothing changed bytes");
        return;
    }
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const std::string_view removed = std::string_view(before).substr(prefix, before.size() - prefix - suffix);
    const std::string_view added = std::string_view(after).substr(prefix, after.size() - prefix - suffix);
    if (old) {
        // The value is replaced where it stands: nothing else of its line or of any other.
        require(removed.size() <= old->size(), "a replace removed more than the old value");
        require(removed.find_first_of("\r\n") == std::string_view::npos, "a replace removed a line end");
        require(added.find_first_of("\r\n") == std::string_view::npos, "a replace added a line end");
        require(after.size() + old->size() == before.size() + value.size(),
                "a replace changed the size wrongly");
    } else {
        require(removed.empty(), "adding an entry removed bytes");
        require(!added.empty(), "adding an entry added nothing");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t mark = input.find("\xFF\xFF");
    const std::string_view file = input.substr(0, mark);
    std::vector<std::string_view> edits;
    if (mark != std::string_view::npos)
        edits = split(input.substr(mark + 2), '\xFF');
    else
        edits = {"install.ini", "Name", "x", "Files", "File1", "a.ar"};
    if (edits.size() > 3 * 16)
        edits.resize(3 * 16);

    base::ini::Document document(file);
    require(document.toBytes() == file, "a parse does not give back every byte");
    for (std::size_t i = 0; i + 2 < edits.size(); i += 3) {
        checkEdit(document, edits[i], edits[i + 1], edits[i + 2]);
        requireSameAnswers(document, document.toBytes(), edits);
    }
    for (std::size_t i = 0; i + 2 < edits.size(); i += 3)
        (void)base::ini::readValue(&document, edits[i], edits[i + 1], edits[i + 2]);
    return 0;
}
