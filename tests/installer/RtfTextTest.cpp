#include <gtest/gtest.h>

#include "Readme.h"
#include "RtfText.h"

using namespace installer;

TEST(RtfText, AWordPadReadmeBecomesItsText)
{
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033"
                            "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman Times New Roman;}}\r\n"
                            "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
                            "{\\stylesheet{\\s0 Normal;}}\r\n"
                            "{\\info{\\title Readme}{\\author Jo}}\r\n"
                            "{\\*\\generator Msftedit 5.41.15.1507;}\\viewkind4\\uc1\\pard\\f0\\fs20 "
                            "My \\b Pack\\b0  for Midtown Madness 2\\par\r\n"
                            "\\cf1 Caf\\'e9 \\'93quotes\\'94\\cf0\\tab end\\line next\\par\r\n"
                            "}\r\n";
    EXPECT_EQ(rtfToText(rtf), std::string("My Pack for Midtown Madness 2\n"
                                          "Café “quotes”\tend\nnext"));
}

TEST(RtfText, EscapesAndUnicode)
{
    // \{ \} \\ are literal; the blank after a control word is its delimiter.
    EXPECT_EQ(rtfToText("{\\rtf1 a\\{b\\}c\\\\d}"), "a{b}c\\d");
    EXPECT_EQ(rtfToText("{\\rtf1 \\b bold\\b0 text}"), "boldtext");
    EXPECT_EQ(rtfToText("{\\rtf1 \\b  two}"), " two");
    // \uN takes the place of the \uc fallback characters that follow it.
    EXPECT_EQ(rtfToText("{\\rtf1 \\u8364?5}"), std::string("€5"));
    EXPECT_EQ(rtfToText("{\\rtf1 \\uc2\\u8364\\'80\\'80x}"), std::string("€x"));
    EXPECT_EQ(rtfToText("{\\rtf1 \\uc0\\u8364 x}"), std::string("€x"));
    EXPECT_EQ(rtfToText("{\\rtf1 \\u-3913?}"), std::string("\uF0B7"));
    // \uc is scoped to its group.
    EXPECT_EQ(rtfToText("{\\rtf1 {\\uc0 a}\\u233?b}"), std::string("aéb"));
    // Symbols and an optional hyphen.
    EXPECT_EQ(rtfToText("{\\rtf1 a\\emdash b\\~c\\-d\\bullet}"), std::string("a—b\u00A0cd•"));
}

TEST(RtfText, SkipsDestinationsThatAreNotText)
{
    EXPECT_EQ(rtfToText("{\\rtf1 {\\*\\unknowndest hidden {nested}}shown}"), "shown");
    EXPECT_EQ(rtfToText("{\\rtf1 {\\pict\\wmetafile8 0102abcdef}after}"), "after");
    EXPECT_EQ(rtfToText("{\\rtf1 {\\header Page header\\par}body}"), "body");
    // A field shows its result, not its instruction.
    EXPECT_EQ(rtfToText("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt the site}}}"),
              "the site");
    // \bin data is never text, even when it holds braces.
    EXPECT_EQ(rtfToText("{\\rtf1 a{\\bin3 {}x}b}"), "ab");
    // Source line breaks mean nothing; trailing paragraph marks are dropped.
    EXPECT_EQ(rtfToText("{\\rtf1 one\r\ntwo\\par\\par\\par}"), "onetwo");
}

TEST(RtfText, BrokenInputEndsWithoutHarm)
{
    EXPECT_EQ(rtfToText("{\\rtf1 text"), "text");
    EXPECT_EQ(rtfToText("{\\rtf1 a}}}b"), "ab");
    EXPECT_EQ(rtfToText("{\\rtf1 \\'4"), "");
    EXPECT_EQ(rtfToText("{\\rtf1 x\\"), "x");
    EXPECT_EQ(rtfToText(""), "");
    EXPECT_EQ(rtfToText("{\\rtf1 a{\\bin99 x"), "a"); // \bin longer than the document
}

TEST(ReadableText, PlainTextAsItIsAndRtfAsText)
{
    EXPECT_EQ(readableText("readme.txt", "Line 1\r\nLine 2\r\n"), "Line 1\nLine 2\n");
    EXPECT_EQ(readableText("readme.txt", "  {\\rtf1 looks odd}"), "  {\\rtf1 looks odd}");
    EXPECT_EQ(readableText("readme.txt", "caf\xc3\xa9"), std::string("café"));
    EXPECT_EQ(readableText("readme.txt", "\xEF\xBB\xBFutf8"), "utf8");
    EXPECT_EQ(readableText("readme.txt", "caf\xe9 \x93q\x94"), std::string("café “q”"));
    EXPECT_EQ(readableText("README.RTF", "{\\rtf1 Hello\\par World}"), "Hello\nWorld");
    // An .rtf name whose bytes are no RTF is shown as plain text.
    EXPECT_EQ(readableText("readme.rtf", "just text"), "just text");
    // RTF bytes behind another name are still RTF.
    EXPECT_EQ(readableText("readme.doc", "{\\rtf1 Hi}"), "Hi");
}

TEST(RtfText, CharactersBeyondTheFirstPlaneComeAsTwoUnits)
{
    EXPECT_EQ(rtfToText("{\\rtf1 \\u-10179?\\u-8694?}"), "\U0001F60A");
    EXPECT_EQ(rtfToText("{\\rtf1 \\u-10179?x}"), "\uFFFDx"); // half a pair
}
