#pragma once

#include <QByteArray>
#include <QString>

namespace installer {

// The readable text of an RTF document: paragraphs and line breaks as "\n",
// tabs as "\t", \'hh escapes as Windows-1252 characters, \uN as that character
// (its fallback characters dropped), and nothing of the font, colour and style
// tables, the document information, pictures or any \* destination.
QString rtfToText(const QByteArray &rtf);

// Single-byte Windows-1252 text (the readmes of the time) as Unicode.
QString fromWindows1252(const QByteArray &bytes);

// True when the bytes start like an RTF document ("{\rtf").
bool looksLikeRtf(const QByteArray &bytes);

} // namespace installer
