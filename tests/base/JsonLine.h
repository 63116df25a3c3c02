#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Text.h"

// Just enough JSON for the INI vectors: objects, arrays, strings, null, true, false and numbers
// (kept as their text). No Qt, so that the base tests stay free of it.
namespace JsonLine {

struct Value
{
    enum Kind
    {
        Null,
        Bool,
        Number,
        String,
        Array,
        Object
    } kind = Null;
    std::string text; // a string, a number's text, "true"/"false"
    std::vector<Value> items;
    std::map<std::string, Value> members;

    const Value &operator[](const std::string &name) const
    {
        static const Value null;
        const auto found = members.find(name);
        return found == members.end() ? null : found->second;
    }
};

class Parser
{
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    std::optional<Value> parse()
    {
        Value value;
        if (!parseValue(value))
            return std::nullopt;
        skipBlanks();
        return m_pos == m_text.size() ? std::optional(value) : std::nullopt;
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() &&
               std::string_view(" \t\r\n").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
    }
    bool take(char c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool takeWord(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }

    bool parseValue(Value &value)
    {
        skipBlanks();
        if (m_pos >= m_text.size())
            return false;
        const char c = m_text[m_pos];
        if (c == '{')
            return parseObject(value);
        if (c == '[')
            return parseArray(value);
        if (c == '"') {
            value.kind = Value::String;
            return parseString(value.text);
        }
        if (takeWord("null"))
            return true;
        for (const char *word : {"true", "false"}) {
            if (takeWord(word)) {
                value.kind = Value::Bool;
                value.text = word;
                return true;
            }
        }
        const std::size_t begin = m_pos;
        while (m_pos < m_text.size() &&
               std::string_view("+-0123456789.eE").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
        value.kind = Value::Number;
        value.text = std::string(m_text.substr(begin, m_pos - begin));
        return m_pos > begin;
    }

    bool parseObject(Value &value)
    {
        value.kind = Value::Object;
        take('{');
        if (take('}'))
            return true;
        do {
            std::string name;
            skipBlanks();
            if (!parseString(name) || !take(':') || !parseValue(value.members[name]))
                return false;
        } while (take(','));
        return take('}');
    }

    bool parseArray(Value &value)
    {
        value.kind = Value::Array;
        take('[');
        if (take(']'))
            return true;
        do {
            if (!parseValue(value.items.emplace_back()))
                return false;
        } while (take(','));
        return take(']');
    }

    bool parseHex4(unsigned &code)
    {
        if (m_pos + 4 > m_text.size())
            return false;
        code = unsigned(std::stoul(std::string(m_text.substr(m_pos, 4)), nullptr, 16));
        m_pos += 4;
        return true;
    }

    bool parseString(std::string &out)
    {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"')
            return false;
        ++m_pos;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                return false;
            const char escaped = m_text[m_pos++];
            const std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
            if (const std::size_t at = from.find(escaped); at != std::string_view::npos) {
                out += to[at];
                continue;
            }
            unsigned code = 0;
            if (escaped != 'u' || !parseHex4(code))
                return false;
            if (code >= 0xD800 && code < 0xDC00 && takeWord("\\u")) {
                unsigned low = 0;
                if (!parseHex4(low))
                    return false;
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            }
            base::text::appendUtf8(out, char32_t(code));
        }
        return false;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

inline std::optional<Value> parse(std::string_view text)
{
    return Parser(text).parse();
}

} // namespace JsonLine
