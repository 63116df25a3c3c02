#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The text rules of the profile format, on bytes.
namespace Ini {

// Blanks around names and stored values (the line feed never occurs inside a line).
bool isBlank(char c);
QByteArrayView trimmed(QByteArrayView text);

// The lookup form of a section or key name: surrounding blanks dropped, letter case folded.
QByteArray foldedName(QByteArrayView name);

// What a read gives for a stored value: surrounding blanks dropped, then one matching pair of
// enclosing quotes.
QByteArray readableValue(QByteArrayView stored);

// What a read gives for the default: trailing spaces (not tabs) dropped, then the quotes.
QByteArray readableDefault(QByteArrayView defaultValue);

// The first maxBytes bytes at most, backed off so that no UTF-8 character is split.
QByteArray cutUtf8(const QByteArray &text, qsizetype maxBytes);

} // namespace Ini
