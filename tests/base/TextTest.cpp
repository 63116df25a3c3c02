// The UTF-8 helpers of the base: validity, Windows-1252, the cut and case folding.
#include <set>

#include <gtest/gtest.h>

#include "Text.h"

namespace {

using namespace base::text;

TEST(TextTest, ValidUtf8IsStrict)
{
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain é € \xF0\x9F\x98\x80"));
    for (const char *bad :
         {"\xE9", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "\xE2\x82"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
}

TEST(TextTest, Windows1252CoversEveryByteOnce)
{
    EXPECT_EQ(fromWindows1252("Caf\xE9 \x80 \x9F \x81"), "Café € Ÿ \xC2\x81");
    EXPECT_EQ(decodeLocal("Café"), "Café");
    EXPECT_EQ(decodeLocal("Caf\xE9"), "Café");
    std::set<std::string> seen;
    for (int byte = 0; byte < 256; ++byte)
        seen.insert(fromWindows1252(std::string(1, char(byte))));
    EXPECT_EQ(seen.size(), 256u);
}

TEST(TextTest, CutBacksOffToACharacterStart)
{
    EXPECT_EQ(cutUtf8("abé", 3), "ab");
    EXPECT_EQ(cutUtf8("abé", 4), "abé");
    EXPECT_EQ(cutUtf8("a€", 3), "a");
    const std::string latin = std::string(10, 'a') + std::string(10, '\x80');
    EXPECT_EQ(cutUtf8(latin, 15), latin.substr(0, 15));
}

TEST(TextTest, FoldCaseCoversTheEuropeanScripts)
{
    EXPECT_EQ(foldCase("ABCxyz ÀÉÖØÞ ×"), "abcxyz àéöøþ ×");
    EXPECT_EQ(foldCase("ĀĲŁŊŸŽſ"), "āĳłŋÿžs");
    EXPECT_EQ(foldCase("ΆΈΌΏΑΩΫς"), "άέόώαωϋσ");
    EXPECT_EQ(foldCase("ЀЏАЯѠҊӀӁӐԮ"), "ѐџаяѡҋӏӂӑԯ");
    EXPECT_EQ(foldCase("ß 中文 \xE9"), "ß 中文 \xE9");
}

} // namespace
