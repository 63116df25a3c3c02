#include "IniDocument.h"

#include <cstring>

#include "IniText.h"

namespace Ini {
namespace {

const QByteArrayView Utf8Bom("\xEF\xBB\xBF");
const QByteArrayView CrLf("\r\n");

// The line without its line end ("\n" or "\r\n").
qsizetype contentEnd(const QByteArray &line)
{
    if (!line.endsWith('\n'))
        return line.size();
    return line.endsWith(CrLf) ? line.size() - 2 : line.size() - 1;
}

} // namespace

Document::Document(const QByteArray &bytes)
{
    Section *current = nullptr;
    qsizetype begin = 0;
    while (begin < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', begin);
        const qsizetype end = newline < 0 ? bytes.size() : newline + 1;
        addParsedLine(bytes.sliced(begin, end - begin), begin == 0, current);
        begin = end;
    }
}

void Document::addParsedLine(QByteArray bytes, bool first, Section *&current)
{
    m_byteSize += bytes.size();
    const LineIt line = m_lines.insert(m_lines.end(), Line{std::move(bytes)});
    const QByteArrayView whole(line->bytes);
    const qsizetype skip = first && whole.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
    const QByteArrayView content = whole.first(contentEnd(line->bytes)).sliced(skip);

    const QByteArrayView bare = trimmed(content);
    const qsizetype close = bare.lastIndexOf(']');
    if (bare.startsWith('[') && close > 0) {
        const QByteArray name = foldedName(bare.sliced(1, close - 1));
        if (m_sections.contains(name)) {
            current = nullptr; // a later section of the same name is never looked at
        } else {
            m_sectionStore.push_back(std::make_unique<Section>(Section{line, {}}));
            current = m_sectionStore.back().get();
            m_sections.insert(name, current);
        }
        return;
    }
    const qsizetype equals = content.indexOf('=');
    if (!current || equals < 0)
        return; // text outside any section, or a line that is no entry
    line->valueBegin = skip + equals + 1;
    line->valueEnd = skip + content.size();
    const QByteArray key = foldedName(content.first(equals));
    if (!current->keys.contains(key)) // the first line of a key is the one that counts
        current->keys.insert(key, line);
    current->lastLine = line;
}

std::optional<QByteArray> Document::value(QByteArrayView section, QByteArrayView key) const
{
    const Section *found = m_sections.value(foldedName(section));
    if (!found)
        return std::nullopt;
    const auto entry = found->keys.constFind(foldedName(key));
    if (entry == found->keys.cend())
        return std::nullopt;
    const Line &line = *entry.value();
    return line.bytes.sliced(line.valueBegin, line.valueEnd - line.valueBegin);
}

bool Document::setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    const QByteArray sectionName = foldedName(section);
    Section *found = m_sections.value(sectionName);
    if (!found) {
        endLineBefore(m_lines.end());
        QByteArray header = "[";
        header.append(section).append(']').append(CrLf);
        const LineIt headerLine = insertLine(m_lines.end(), std::move(header));
        m_sectionStore.push_back(std::make_unique<Section>(Section{headerLine, {}}));
        found = m_sectionStore.back().get();
        m_sections.insert(sectionName, found);
    }

    const QByteArray keyName = foldedName(key);
    const auto entry = found->keys.find(keyName);
    if (entry != found->keys.end()) {
        Line &line = *entry.value();
        const QByteArrayView stored =
            QByteArrayView(line.bytes).sliced(line.valueBegin, line.valueEnd - line.valueBegin);
        if (stored == value)
            return false;
        m_byteSize += value.size() - stored.size();
        line.bytes.replace(line.valueBegin, stored.size(), value);
        line.valueEnd = line.valueBegin + value.size();
        return true;
    }

    const LineIt after = std::next(found->lastLine);
    endLineBefore(after);
    const LineIt line = insertLine(after, entryLine(trimmed(key), value));
    line->valueBegin = trimmed(key).size() + 1;
    line->valueEnd = line->valueBegin + value.size();
    found->keys.insert(keyName, line);
    found->lastLine = line;
    return true;
}

QByteArray Document::toBytes() const
{
    QByteArray bytes(m_byteSize, Qt::Uninitialized);
    char *out = bytes.data();
    for (const Line &line : m_lines) {
        std::memcpy(out, line.bytes.constData(), size_t(line.bytes.size()));
        out += line.bytes.size();
    }
    return bytes;
}

Document::LineIt Document::insertLine(LineIt before, QByteArray bytes)
{
    m_byteSize += bytes.size();
    return m_lines.insert(before, Line{std::move(bytes)});
}

// Only the last line of a file can lack its line end; it gets one before anything follows it.
void Document::endLineBefore(LineIt pos)
{
    if (pos == m_lines.begin())
        return;
    const LineIt last = std::prev(pos);
    QByteArray &bytes = last->bytes;
    if (bytes.endsWith('\n') || (last == m_lines.begin() && bytes == Utf8Bom))
        return;
    const QByteArrayView ending = bytes.endsWith('\r') ? QByteArrayView("\n") : CrLf;
    bytes.append(ending);
    m_byteSize += ending.size();
    last->valueEnd = std::min(last->valueEnd, contentEnd(bytes)); // a final CR now belongs to the line end
}

QByteArray Document::entryLine(QByteArrayView key, QByteArrayView value)
{
    QByteArray line;
    line.reserve(key.size() + value.size() + 3);
    line.append(key).append('=').append(value).append(CrLf);
    return line;
}

} // namespace Ini
