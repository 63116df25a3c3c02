#include "IniText.h"

#include <QString>

namespace Ini {
namespace {

QByteArrayView withoutQuotes(QByteArrayView text)
{
    if (text.size() >= 2 && (text.front() == '\'' || text.front() == '"') && text.back() == text.front())
        return text.sliced(1, text.size() - 2);
    return text;
}

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QByteArray foldedName(QByteArrayView name)
{
    const QByteArrayView bare = trimmed(name);
    for (const char c : bare) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return QString::fromUtf8(bare).toCaseFolded().toUtf8();
    }
    return bare.toByteArray().toLower();
}

QByteArray readableValue(QByteArrayView stored)
{
    return withoutQuotes(trimmed(stored)).toByteArray();
}

QByteArray readableDefault(QByteArrayView defaultValue)
{
    qsizetype end = defaultValue.size();
    while (end > 0 && defaultValue[end - 1] == ' ')
        --end;
    return withoutQuotes(defaultValue.first(end)).toByteArray();
}

QByteArray cutUtf8(const QByteArray &text, qsizetype maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    // A character has at most three continuation bytes; more means the text is not UTF-8 there.
    qsizetype cut = maxBytes;
    while (cut > 0 && cut > maxBytes - 3 && isContinuationByte(text[cut]))
        --cut;
    if (isContinuationByte(text[cut]))
        cut = maxBytes;
    return text.first(cut);
}

} // namespace Ini
