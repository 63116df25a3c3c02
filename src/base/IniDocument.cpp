#include "IniDocument.h"

#include <algorithm>

#include "Text.h"

namespace base::ini {
namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view CrLf = "\r\n";
constexpr std::size_t None = std::string::npos;

std::string_view withoutQuotes(std::string_view text)
{
    if (text.size() >= 2 && (text.front() == '\'' || text.front() == '"') && text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}

// A line break inside a name or a value would split its line: it becomes a blank.
std::string oneLine(std::string_view text)
{
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

// The length of the line end at the end of line: "\r\n", "\n", "\r" (old editors) or none.
std::size_t lineEndSize(std::string_view line)
{
    if (line.ends_with(CrLf))
        return 2;
    return line.ends_with('\n') || line.ends_with('\r') ? 1 : 0;
}

// The end of the line that starts at begin, its line end included.
std::size_t lineEnd(std::string_view bytes, std::size_t begin)
{
    const std::size_t end = bytes.find_first_of("\r\n", begin);
    if (end == None)
        return bytes.size();
    return bytes.compare(end, 2, CrLf) == 0 ? end + 2 : end + 1;
}

// What a line is to a reader of the file.
struct LineMeaning
{
    enum Kind
    {
        Other,
        Header,
        Entry
    } kind = Other;
    std::string name; // folded section or key name
    std::size_t valueBegin = None;
    std::size_t valueEnd = None;
};

LineMeaning meaningOf(std::string_view line, bool firstLine)
{
    const std::size_t skip = firstLine && line.starts_with(Utf8Bom) ? Utf8Bom.size() : 0;
    const std::string_view content = line.substr(skip, line.size() - lineEndSize(line) - skip);
    const std::string_view bare = trimmed(content);
    const std::size_t close = bare.rfind(']');
    if (bare.starts_with('[') && close != None && close > 0)
        return {LineMeaning::Header, foldedName(bare.substr(1, close - 1))};
    const std::size_t equals = content.find('=');
    if (equals == None)
        return {};
    return {LineMeaning::Entry, foldedName(content.substr(0, equals)), skip + equals + 1,
            skip + content.size()};
}

} // namespace

bool isBlank(char c)
{
    // Ctrl-Z ends files of old DOS editors and counts as a blank, as in the profile functions.
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string_view trimmed(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string foldedName(std::string_view name)
{
    return text::foldCase(text::decodeLocal(trimmed(oneLine(name))));
}

std::string readableValue(std::string_view stored)
{
    return std::string(withoutQuotes(trimmed(stored)));
}

std::string readableDefault(std::string_view defaultValue)
{
    std::size_t end = defaultValue.size();
    while (end > 0 && defaultValue[end - 1] == ' ')
        --end;
    return std::string(withoutQuotes(defaultValue.substr(0, end)));
}

std::string readValue(const Document *document, std::string_view section, std::string_view key,
                      std::string_view defaultValue, std::size_t maxBytes)
{
    const std::optional<std::string> stored =
        document ? document->value(section, key) : std::optional<std::string>();
    if (!stored)
        return text::cutUtf8(readableDefault(defaultValue), maxBytes);
    const std::string readable = readableValue(*stored);
    // The cut counts the bytes of the file, whichever way they are read.
    if (text::isValidUtf8(readable))
        return text::cutUtf8(readable, maxBytes);
    return text::fromWindows1252(std::string_view(readable).substr(0, maxBytes));
}

struct Document::Impl
{
    struct Line
    {
        std::string bytes; // with its line end
        std::size_t valueBegin = None;
        std::size_t valueEnd = None;
    };
    using LineIt = std::list<Line>::iterator;

    struct Section
    {
        LineIt lastLine; // the header or the last entry: where a new key goes after
        std::unordered_map<std::string, LineIt> keys;
    };

    explicit Impl(std::string_view bytes);

    Section *section(const std::string &name)
    {
        const auto found = sections.find(name);
        return found == sections.end() ? nullptr : found->second;
    }
    Section *addSection(const std::string &name, LineIt line)
    {
        sectionStore.push_back(std::make_unique<Section>(Section{line, {}}));
        return sections.emplace(name, sectionStore.back().get()).first->second;
    }
    LineIt insertLine(LineIt before, std::string bytes)
    {
        byteSize += bytes.size();
        return lines.insert(before, Line{std::move(bytes)});
    }
    bool isFirst(LineIt line) const { return line == lines.begin(); }
    void endLineBefore(LineIt pos);
    std::string toBytes() const;

    std::list<Line> lines;
    std::vector<std::unique_ptr<Section>> sectionStore;
    std::unordered_map<std::string, Section *> sections; // first section of each folded name
    std::size_t byteSize = 0;
};

Document::Impl::Impl(std::string_view bytes)
{
    Section *current = nullptr;
    bool beforeFirstHeader = true;
    for (std::size_t begin = 0; begin < bytes.size();) {
        const std::size_t end = lineEnd(bytes, begin);
        const LineIt line = insertLine(lines.end(), std::string(bytes.substr(begin, end - begin)));
        begin = end;
        LineMeaning meaning = meaningOf(line->bytes, isFirst(line));
        if (meaning.kind == LineMeaning::Header) {
            beforeFirstHeader = false;
            // A later section of a name already seen is never looked at.
            current = section(meaning.name) ? nullptr : addSection(meaning.name, line);
            continue;
        }
        if (meaning.kind != LineMeaning::Entry)
            continue;
        if (beforeFirstHeader && !current) // entries before any header form the section ""
            current = addSection(std::string(), line);
        if (!current)
            continue;
        line->valueBegin = meaning.valueBegin;
        line->valueEnd = meaning.valueEnd;
        current->keys.emplace(std::move(meaning.name), line); // the first line of a key counts
        current->lastLine = line;
    }
}

// Only the last line of a file can lack its line end; it gets one before anything follows it. A
// final lone CR is completed to CR LF there.
void Document::Impl::endLineBefore(LineIt pos)
{
    if (pos == lines.begin())
        return;
    const LineIt last = std::prev(pos);
    std::string &bytes = last->bytes;
    const bool atEnd = pos == lines.end();
    if (bytes.ends_with('\n') || (bytes.ends_with('\r') && !atEnd) || (isFirst(last) && bytes == Utf8Bom))
        return;
    const std::string_view ending = bytes.ends_with('\r') ? "\n" : CrLf;
    bytes.append(ending);
    byteSize += ending.size();
}

std::string Document::Impl::toBytes() const
{
    std::string bytes;
    bytes.reserve(byteSize);
    for (const Line &line : lines)
        bytes += line.bytes;
    return bytes;
}

Document::Document() : m_impl(std::make_unique<Impl>(std::string_view())) {}

Document::Document(std::string_view bytes) : m_impl(std::make_unique<Impl>(bytes)) {}

Document::~Document() = default;
Document::Document(Document &&) noexcept = default;
Document &Document::operator=(Document &&) noexcept = default;

std::optional<std::string> Document::value(std::string_view section, std::string_view key) const
{
    const Impl::Section *found = m_impl->section(foldedName(section));
    if (!found)
        return std::nullopt;
    const auto entry = found->keys.find(foldedName(key));
    if (entry == found->keys.end())
        return std::nullopt;
    const Impl::Line &line = *entry->second;
    return line.bytes.substr(line.valueBegin, line.valueEnd - line.valueBegin);
}

bool Document::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    Impl &impl = *m_impl;
    const std::string sectionName = foldedName(section);
    const std::string keyName = foldedName(key);
    const std::string cleanValue = oneLine(value);

    // Names and values are stored as given, so a name such as "a=b" or "[k]" gives a line that a
    // reader of the file sees otherwise (key "a"; a header). Such a change is followed by a parse
    // of the new bytes, so that the document always answers as the file does.
    bool readsAsWritten = true;
    const auto expectEntry = [&](Impl::LineIt line, const std::string &name) {
        const LineMeaning meaning = meaningOf(line->bytes, impl.isFirst(line));
        readsAsWritten = readsAsWritten && meaning.kind == LineMeaning::Entry && meaning.name == name;
        line->valueBegin = meaning.valueBegin;
        line->valueEnd = meaning.valueEnd;
    };

    Impl::Section *found = impl.section(sectionName);
    if (!found) {
        impl.endLineBefore(impl.lines.end());
        const Impl::LineIt header =
            impl.insertLine(impl.lines.end(), "[" + oneLine(section) + "]" + std::string(CrLf));
        const LineMeaning meaning = meaningOf(header->bytes, impl.isFirst(header));
        readsAsWritten = meaning.kind == LineMeaning::Header && meaning.name == sectionName;
        found = impl.addSection(sectionName, header);
    }

    const auto entry = found->keys.find(keyName);
    if (entry != found->keys.end()) {
        Impl::Line &line = *entry->second;
        const std::string_view stored =
            std::string_view(line.bytes).substr(line.valueBegin, line.valueEnd - line.valueBegin);
        if (stored == cleanValue)
            return false;
        impl.byteSize = impl.byteSize + cleanValue.size() - stored.size();
        line.bytes.replace(line.valueBegin, stored.size(), cleanValue);
        expectEntry(entry->second, keyName);
    } else {
        const Impl::LineIt after = std::next(found->lastLine);
        impl.endLineBefore(after);
        const Impl::LineIt line =
            impl.insertLine(after, std::string(trimmed(oneLine(key))) + '=' + cleanValue + std::string(CrLf));
        expectEntry(line, keyName);
        found->keys.emplace(keyName, line);
        found->lastLine = line;
    }
    if (!readsAsWritten)
        m_impl = std::make_unique<Impl>(impl.toBytes());
    return true;
}

std::string Document::toBytes() const
{
    return m_impl->toBytes();
}

} // namespace base::ini
