#include "RtfText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "Text.h"

namespace installer {

namespace {

// Destinations whose text is not part of the document's readable text.
bool isSkippedDestination(std::string_view word)
{
    static constexpr std::array<std::string_view, 28> skipped = {
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
    return std::find(skipped.begin(), skipped.end(), word) != skipped.end();
}

// Control words that stand for one character; 0 for any other word.
char32_t symbolFor(std::string_view word)
{
    struct Symbol
    {
        std::string_view word;
        char32_t c;
    };
    static constexpr Symbol symbols[] = {
        {"par", U'\n'},        {"line", U'\n'},       {"sect", U'\n'},    {"page", U'\n'},
        {"row", U'\n'},        {"tab", U'\t'},        {"cell", U'\t'},    {"emdash", 0x2014},
        {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018}, {"rquote", 0x2019},
        {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", U' '},  {"enspace", U' '},
        {"qmspace", U' '},
    };
    for (const Symbol &s : symbols) {
        if (s.word == word)
            return s.c;
    }
    return 0;
}

struct GroupState
{
    bool skip = false;   // inside a destination that is not shown
    int unicodeSkip = 1; // \ucN: characters that follow \uN as its fallback
};

class Converter
{
public:
    explicit Converter(std::string_view rtf) : m_in(rtf) {}

    std::string run()
    {
        m_groups.push_back(GroupState{});
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            switch (c) {
            case '{':
                m_groups.push_back(m_groups.back());
                m_groupStart = true;
                continue;
            case '}':
                if (m_groups.size() > 1)
                    m_groups.pop_back();
                break;
            case '\\':
                controlSymbolOrWord();
                continue;
            case '\r':
            case '\n':
                break; // line breaks of the source carry no meaning
            default:
                putByte(c);
                break;
            }
            m_groupStart = false;
        }
        flushSurrogate();
        return m_out;
    }

private:
    GroupState &state() { return m_groups.back(); }

    // A byte of the document's own code page, Windows-1252.
    void putByte(char byte)
    {
        const std::string utf8 = base::text::fromWindows1252(std::string_view(&byte, 1));
        if (m_fallbackLeft > 0) {
            --m_fallbackLeft;
            return;
        }
        if (!state().skip) {
            flushSurrogate();
            m_out += utf8;
        }
    }

    // Text and characters of escapes; a pending \uN fallback swallows them instead.
    void put(char32_t c)
    {
        if (m_fallbackLeft > 0) {
            --m_fallbackLeft;
            return;
        }
        if (state().skip)
            return;
        // \uN counts UTF-16 units: a character beyond the first plane comes as two.
        if (c >= 0xDC00 && c < 0xE000 && m_highSurrogate) {
            base::text::appendUtf8(m_out, 0x10000 + ((m_highSurrogate - 0xD800) << 10) + (c - 0xDC00));
            m_highSurrogate = 0;
            return;
        }
        flushSurrogate();
        if (c >= 0xD800 && c < 0xDC00)
            m_highSurrogate = c;
        else
            base::text::appendUtf8(m_out, c >= 0xDC00 && c < 0xE000 ? 0xFFFD : c);
    }

    void flushSurrogate()
    {
        if (m_highSurrogate)
            base::text::appendUtf8(m_out, 0xFFFD);
        m_highSurrogate = 0;
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
        const std::size_t wordStart = m_pos;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos]))
            ++m_pos;
        const std::string_view word = m_in.substr(wordStart, m_pos - wordStart);
        bool hasParam = false;
        int param = 0;
        const std::size_t start = m_pos;
        if (m_pos < m_in.size() && m_in[m_pos] == '-')
            ++m_pos;
        while (m_pos < m_in.size() && m_in[m_pos] >= '0' && m_in[m_pos] <= '9')
            ++m_pos;
        if (m_pos > start && !(m_pos == start + 1 && m_in[start] == '-')) {
            // Out-of-range numbers read as 0, as a lenient reader does.
            std::from_chars(m_in.data() + start, m_in.data() + m_pos, param);
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
            put(char32_t(c));
            break;
        case '~':
            put(0x00A0);
            break;
        case '_':
            put(0x2011);
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
            if (digits == 2) {
                unsigned value = 0;
                std::from_chars(m_in.data() + m_pos, m_in.data() + m_pos + 2, value, 16);
                putByte(char(value));
            }
            m_pos += digits;
            break;
        }
        case '\r':
        case '\n':
            put(U'\n'); // "\<newline>" is an old spelling of \par
            break;
        default:
            break;
        }
    }

    void controlWord(std::string_view word, bool hasParam, int param, bool atGroupStart)
    {
        if (atGroupStart && isSkippedDestination(word)) {
            state().skip = true;
            return;
        }
        if (word == "u" && hasParam) {
            const int code = param < 0 ? param + 65536 : param;
            m_fallbackLeft = 0;
            put(char32_t(code & 0xFFFF));
            m_fallbackLeft = state().unicodeSkip;
            return;
        }
        if (word == "uc" && hasParam) {
            state().unicodeSkip = std::max(0, param);
            return;
        }
        if (word == "bin" && hasParam) {
            // Binary data is never text.
            m_pos += std::min<std::size_t>(std::size_t(std::max(0, param)), m_in.size() - m_pos);
            return;
        }
        if (const char32_t symbol = symbolFor(word))
            put(symbol);
    }

    static bool isHexDigit(char c)
    {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }
    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

    std::string_view m_in;
    std::size_t m_pos = 0;
    std::vector<GroupState> m_groups;
    bool m_groupStart = false;
    int m_fallbackLeft = 0;
    char32_t m_highSurrogate = 0;
    std::string m_out;
};

} // namespace

bool looksLikeRtf(std::string_view bytes)
{
    return bytes.starts_with("{\\rtf");
}

std::string rtfToText(std::string_view rtf)
{
    std::string text = Converter(rtf).run();
    // Word processors end the last paragraph with \par: no line break is wanted after the text.
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace installer
