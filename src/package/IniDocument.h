#pragma once

#include <list>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

namespace Ini {

// The lines of a profile file kept byte for byte (comments, blank lines, spacing, line ends, a byte
// order mark), with an index of the first section of each name and of the keys in it. A change
// touches only the line of the key or adds lines, so that serialising gives back every other byte.
class Document
{
public:
    Document() = default;
    explicit Document(const QByteArray &bytes);
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    // The bytes after '=' up to the line end, as stored, of the key in the first section of that name.
    std::optional<QByteArray> value(QByteArrayView section, QByteArrayView key) const;

    // Stores the value: the key's line is rewritten after its '=', or a line "key=value" follows the
    // last entry of the section, or "[section]" and that line are appended. False when the stored
    // value already equals it (nothing changed).
    bool setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    QByteArray toBytes() const;
    qsizetype lineCount() const { return qsizetype(m_lines.size()); }

private:
    struct Line
    {
        QByteArray bytes; // with its line end
        qsizetype valueBegin = -1;
        qsizetype valueEnd = -1;
    };
    using LineIt = std::list<Line>::iterator;

    struct Section
    {
        LineIt lastLine; // the header or the last entry: where a new key goes after
        QHash<QByteArray, LineIt> keys;
    };

    void addParsedLine(QByteArray bytes, bool first, Section *&current);
    LineIt insertLine(LineIt before, QByteArray bytes);
    void endLineBefore(LineIt pos);
    static QByteArray entryLine(QByteArrayView key, QByteArrayView value);

    std::list<Line> m_lines;
    std::vector<std::unique_ptr<Section>> m_sectionStore;
    QHash<QByteArray, Section *> m_sections; // first section of each folded name
    qsizetype m_byteSize = 0;
};

} // namespace Ini
