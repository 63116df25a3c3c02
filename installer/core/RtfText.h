#pragma once

#include <string>
#include <string_view>

namespace installer {

// The readable text (UTF-8) of an RTF document: paragraphs and line breaks as "\n", tabs as "\t",
// \'hh escapes as Windows-1252 characters, \uN as that character (its fallback characters
// dropped), and nothing of the font, colour and style tables, the document information, pictures
// or any \* destination.
std::string rtfToText(std::string_view rtf);

// True when the bytes start like an RTF document ("{\rtf").
bool looksLikeRtf(std::string_view bytes);

} // namespace installer
