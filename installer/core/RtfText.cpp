#include "RtfText.h"

#include <QHash>
#include <QList>

namespace installer {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

QChar fromCp1252(uchar byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(Cp1252High[byte - 0x80]);
    return QChar(byte);
}

// Destinations whose text is not part of the document's readable text.
bool isSkippedDestination(const QByteArray &word)
{
    static const QList<QByteArray> skipped = {
        "fonttbl",
        "colortbl",
        "stylesheet",
        "info",
        "pict",
        "object",
        "header",
        "headerl",
        "headerr",
        "headerf",
        "footer",
        "footerl",
        "footerr",
        "footerf",
        "footnote",
        "listtable",
        "listoverridetable",
        "revtbl",
        "rsidtbl",
        "filetbl",
        "generator",
        "themedata",
        "latentstyles",
        "datastore",
        "xmlnstbl",
        "colorschememapping",
        "nonshppict",
        "fldinst",
    };
    return skipped.contains(word);
}

// Control words that stand for one character.
QString symbolFor(const QByteArray &word)
{
    static const QHash<QByteArray, QString> symbols = {
        {"par", QStringLiteral("\n")},         {"line", QStringLiteral("\n")},
        {"sect", QStringLiteral("\n")},        {"page", QStringLiteral("\n")},
        {"row", QStringLiteral("\n")},         {"tab", QStringLiteral("\t")},
        {"cell", QStringLiteral("\t")},        {"emdash", QString(QChar(0x2014))},
        {"endash", QString(QChar(0x2013))},    {"bullet", QString(QChar(0x2022))},
        {"lquote", QString(QChar(0x2018))},    {"rquote", QString(QChar(0x2019))},
        {"ldblquote", QString(QChar(0x201C))}, {"rdblquote", QString(QChar(0x201D))},
        {"emspace", QStringLiteral(" ")},      {"enspace", QStringLiteral(" ")},
        {"qmspace", QStringLiteral(" ")},
    };
    return symbols.value(word);
}

struct GroupState
{
    bool skip = false;   // inside a destination that is not shown
    int unicodeSkip = 1; // \ucN: characters that follow \uN as its fallback
};

class Converter
{
public:
    explicit Converter(const QByteArray &rtf) : m_in(rtf) {}

    QString run()
    {
        m_groups.append(GroupState{});
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            switch (c) {
            case '{':
                m_groups.append(m_groups.last());
                m_groupStart = true;
                continue;
            case '}':
                if (m_groups.size() > 1)
                    m_groups.removeLast();
                break;
            case '\\':
                controlSymbolOrWord();
                continue;
            case '\r':
            case '\n':
                break; // line breaks of the source carry no meaning
            default:
                put(fromCp1252(uchar(c)));
                break;
            }
            m_groupStart = false;
        }
        return m_out;
    }

private:
    GroupState &state() { return m_groups.last(); }

    // Text and characters of escapes; a pending \uN fallback swallows them instead.
    void put(QChar c)
    {
        if (m_fallbackLeft > 0) {
            --m_fallbackLeft;
            return;
        }
        if (!state().skip)
            m_out.append(c);
    }

    void putText(const QString &text)
    {
        for (QChar c : text)
            put(c);
    }

    void controlSymbolOrWord()
    {
        if (m_pos >= m_in.size())
            return;
        const bool atGroupStart = m_groupStart;
        m_groupStart = false;
        const char c = m_in[m_pos];
        if (!isLetter(c)) {
            ++m_pos;
            controlSymbol(c, atGroupStart);
            return;
        }
        QByteArray word;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos]))
            word.append(m_in[m_pos++]);
        bool hasParam = false;
        int param = 0;
        qsizetype start = m_pos;
        if (m_pos < m_in.size() && m_in[m_pos] == '-')
            ++m_pos;
        while (m_pos < m_in.size() && m_in[m_pos] >= '0' && m_in[m_pos] <= '9')
            ++m_pos;
        if (m_pos > start && !(m_pos == start + 1 && m_in[start] == '-')) {
            param = m_in.mid(start, m_pos - start).toInt();
            hasParam = true;
        } else {
            m_pos = start;
        }
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos; // the delimiting blank belongs to the control word
        controlWord(word, hasParam, param, atGroupStart);
    }

    void controlSymbol(char c, bool atGroupStart)
    {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            put(QChar(uchar(c)));
            break;
        case '~':
            put(QChar(0x00A0));
            break;
        case '_':
            put(QChar(0x2011));
            break;
        case '-':
            break; // optional hyphen
        case '*':
            if (atGroupStart)
                state().skip = true;
            break;
        case '\'': {
            // Two hex digits; a broken escape is dropped with the digits it has.
            int digits = 0;
            while (digits < 2 && m_pos + digits < m_in.size() && isHexDigit(m_in[m_pos + digits]))
                ++digits;
            if (digits == 2)
                put(fromCp1252(uchar(m_in.mid(m_pos, 2).toUInt(nullptr, 16))));
            m_pos += digits;
            break;
        }
        case '\r':
        case '\n':
            put(QLatin1Char('\n')); // "\<newline>" is an old spelling of \par
            break;
        default:
            break;
        }
    }

    void controlWord(const QByteArray &word, bool hasParam, int param, bool atGroupStart)
    {
        if (atGroupStart && isSkippedDestination(word)) {
            state().skip = true;
            return;
        }
        if (word == "u" && hasParam) {
            const int code = param < 0 ? param + 65536 : param;
            m_fallbackLeft = 0;
            put(QChar(char16_t(code)));
            m_fallbackLeft = state().unicodeSkip;
            return;
        }
        if (word == "uc" && hasParam) {
            state().unicodeSkip = qMax(0, param);
            return;
        }
        if (word == "bin" && hasParam) {
            m_pos += qMax(0, param); // binary data is never text
            return;
        }
        const QString symbol = symbolFor(word);
        if (!symbol.isEmpty())
            putText(symbol);
    }

    static bool isHexDigit(char c)
    {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }
    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    const QByteArray &m_in;
    qsizetype m_pos = 0;
    QList<GroupState> m_groups;
    bool m_groupStart = false;
    int m_fallbackLeft = 0;
    QString m_out;
};

} // namespace

QString fromWindows1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes)
        text.append(fromCp1252(uchar(c)));
    return text;
}

bool looksLikeRtf(const QByteArray &bytes)
{
    return bytes.startsWith("{\\rtf");
}

QString rtfToText(const QByteArray &rtf)
{
    QString text = Converter(rtf).run();
    // Word processors end the last paragraph with \par: no line break is wanted after the text.
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

} // namespace installer
