// The profile-file document on bytes: lines kept as they are, which section and key a lookup
// finds, where a new line goes, and the text rules of names and values.
#include <gtest/gtest.h>

#include "IniDocument.h"

using base::ini::Document;

namespace {

class IniDocumentRoundTrip : public testing::TestWithParam<const char *>
{
};

TEST_P(IniDocumentRoundTrip, GivesBackEveryByte)
{
    const std::string bytes(GetParam());
    EXPECT_EQ(Document(bytes).toBytes(), bytes);
}

INSTANTIATE_TEST_SUITE_P(Rows, IniDocumentRoundTrip,
                         testing::Values("", "\r\n", "no line end", "[A]\nk=v\n", "[A]\r\nk=v",
                                         "\xEF\xBB\xBF[A]\r\n",
                                         "; note\r\n\r\n[A]\r\n  k  =  v  \r\n[A]\r\nk=w\r\n", "x=1\r",
                                         "[broken\n=\n]\n", "[A]\rk=v\r\r\n\n\r[B]"),
                         [](const auto &info) { return "Row" + std::to_string(info.index); });

TEST(IniDocumentTest, FirstSectionAndFirstKeyOfANameCount)
{
    Document document("[A]\r\nk=1\r\nK=2\r\n[B]\r\nk=3\r\n[a]\r\nk=4\r\nj=5\r\n");
    EXPECT_EQ(document.value("a", "K"), "1");
    EXPECT_EQ(document.value("B", "k"), "3");
    EXPECT_EQ(document.value("A", "j"), std::nullopt);
    ASSERT_TRUE(document.setValue("A", "j", "6"));
    EXPECT_EQ(document.toBytes(), "[A]\r\nk=1\r\nK=2\r\nj=6\r\n[B]\r\nk=3\r\n[a]\r\nk=4\r\nj=5\r\n");
}

TEST(IniDocumentTest, LinesWithoutEqualsAreNoEntries)
{
    Document document("k=0\r\n[A]\r\nName\r\n");
    EXPECT_EQ(document.value("A", "Name"), std::nullopt);
    ASSERT_TRUE(document.setValue("A", "Name", "x"));
    EXPECT_EQ(document.toBytes(), "k=0\r\n[A]\r\nName=x\r\nName\r\n");
    EXPECT_EQ(document.value("A", "Name"), "x");
}

// Entries before the first header are read with the empty section name, as the profile functions
// read them; a later "[]" is then a second section of that name.
TEST(IniDocumentTest, EntriesBeforeTheFirstHeaderFormTheEmptySection)
{
    Document document("; top\r\nk=0\r\n[A]\r\nk=1\r\n[]\r\nj=2\r\n");
    EXPECT_EQ(document.value("", "k"), "0");
    EXPECT_EQ(document.value("  ", "K"), "0");
    EXPECT_EQ(document.value("", "j"), std::nullopt);
    ASSERT_TRUE(document.setValue("", "n", "3"));
    EXPECT_EQ(document.toBytes(), "; top\r\nk=0\r\nn=3\r\n[A]\r\nk=1\r\n[]\r\nj=2\r\n");

    Document headed("; top\r\n[]\r\nj=2\r\n");
    EXPECT_EQ(headed.value("", "j"), "2");
}

// Lines end in CR LF, LF, or a lone CR (old editors).
TEST(IniDocumentTest, LoneCarriageReturnEndsALine)
{
    Document document("[A]\rk=1\r[B]\rk=2\r\n");
    EXPECT_EQ(document.value("A", "k"), "1");
    EXPECT_EQ(document.value("B", "k"), "2");
    ASSERT_TRUE(document.setValue("A", "j", "3"));
    ASSERT_TRUE(document.setValue("B", "k", "4"));
    EXPECT_EQ(document.toBytes(), "[A]\rk=1\rj=3\r\n[B]\rk=4\r\n");
}

TEST(IniDocumentTest, HeaderNameIsBetweenTheBracketsWithoutBlanks)
{
    Document document("  [ Progress Bar ] ; display\r\nSmooth=True\r\n");
    EXPECT_EQ(document.value("progress bar", " SMOOTH "), "True");
    EXPECT_EQ(document.value("Progress  Bar", "Smooth"), std::nullopt);
}

TEST(IniDocumentTest, NewKeyFollowsTheLastEntryOfItsSection)
{
    Document document("[A]\r\nx=1\r\n; about B\r\n\r\n[B]\r\n[C]\r\n");
    ASSERT_TRUE(document.setValue("A", "y", "2"));
    ASSERT_TRUE(document.setValue("B", "z", "3"));
    ASSERT_TRUE(document.setValue("A", "w", "4"));
    EXPECT_EQ(document.toBytes(), "[A]\r\nx=1\r\ny=2\r\nw=4\r\n; about B\r\n\r\n[B]\r\nz=3\r\n[C]\r\n");
}

TEST(IniDocumentTest, ValueIsReplacedAfterTheEqualsSign)
{
    Document document("[A]\n  Key = old value \t\n");
    EXPECT_EQ(document.value("A", "key"), " old value \t");
    EXPECT_FALSE(document.setValue("A", "KEY", " old value \t"));
    ASSERT_TRUE(document.setValue("A", "KEY", "new"));
    EXPECT_EQ(document.toBytes(), "[A]\n  Key =new\n");
}

TEST(IniDocumentTest, FinalLineGetsALineEndBeforeAnythingFollows)
{
    Document crOnly("[A]\r\nx=1\r");
    ASSERT_TRUE(crOnly.setValue("A", "y", "2"));
    EXPECT_EQ(crOnly.toBytes(), "[A]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(crOnly.value("A", "x"), "1");

    Document bomOnly("\xEF\xBB\xBF");
    ASSERT_TRUE(bomOnly.setValue("A", "k", "v"));
    EXPECT_EQ(bomOnly.toBytes(), "\xEF\xBB\xBF[A]\r\nk=v\r\n");
}

// A name or value that a reader of the file sees otherwise is stored as given, and the document
// then answers as that reader: "a=b" is the key "a", "[k]" a header, a value ending in "]" can
// make its line a header.
struct RereadCase
{
    const char *start, *section, *key, *value;
    const char *bytes;
    std::vector<std::tuple<const char *, const char *, std::optional<std::string>>> reads;
};

class IniDocumentRereadTest : public testing::TestWithParam<RereadCase>
{
};

TEST_P(IniDocumentRereadTest, AnswersAsAFreshParse)
{
    const RereadCase &row = GetParam();
    Document document(row.start);
    document.setValue(row.section, row.key, row.value);
    EXPECT_EQ(document.toBytes(), row.bytes);
    const Document fresh(document.toBytes());
    for (const auto &[section, key, expected] : row.reads) {
        EXPECT_EQ(document.value(section, key), expected) << section << "/" << key;
        EXPECT_EQ(fresh.value(section, key), expected) << section << "/" << key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IniDocumentRereadTest,
    testing::Values(
        RereadCase{"[A]\r\n", "A", "a=b", "v", "[A]\r\na=b=v\r\n", {{"A", "a=b", {}}, {"A", "a", "b=v"}}},
        RereadCase{"[A]\r\nx=1\r\n",
                   "A",
                   "[k]",
                   "3",
                   "[A]\r\nx=1\r\n[k]=3\r\n",
                   {{"A", "[k]", {}}, {"k", "x", {}}, {"A", "x", "1"}}},
        RereadCase{"[A]\r\n[k=1\r\nz=2\r\n",
                   "A",
                   "[k",
                   "x]",
                   "[A]\r\n[k=x]\r\nz=2\r\n",
                   {{"A", "[k", {}}, {"A", "z", {}}, {"k=x", "z", "2"}}},
        RereadCase{"", "S", "k\r\nx", "a\nb", "[S]\r\nk  x=a b\r\n", {{"S", "k  x", "a b"}}}),
    [](const auto &info) { return "Row" + std::to_string(info.index); });

TEST(IniTextTest, ReadableValueDropsBlanksThenOnePairOfQuotes)
{
    using base::ini::readableDefault;
    using base::ini::readableValue;
    EXPECT_EQ(readableValue(" \t'a b'\t "), "a b");
    EXPECT_EQ(readableValue("\"'x'\""), "'x'");
    EXPECT_EQ(readableValue("'a' b"), "'a' b");
    EXPECT_EQ(readableValue("'"), "'");
    EXPECT_EQ(readableValue("''"), "");
    EXPECT_EQ(readableValue("\x1A x \x1A"), "x");
    EXPECT_EQ(readableDefault("  x \t "), "  x \t");
    EXPECT_EQ(readableDefault("'q'  "), "q");
}

TEST(IniTextTest, NamesFoldBeyondAscii)
{
    using base::ini::foldedName;
    EXPECT_EQ(foldedName(" ÄRGER\t"), foldedName("ärger"));
    EXPECT_EQ(foldedName("ΣΟΦΊΑ"), foldedName("σοφία"));
    EXPECT_EQ(foldedName("ЖУРНАЛ Ёж"), foldedName("журнал ёж"));
    EXPECT_EQ(foldedName("ŁÓDŹ"), foldedName("łódź"));
    EXPECT_NE(foldedName("a b"), foldedName("a  b"));
}

// Bytes that are no UTF-8 are Windows-1252: such a name matches its UTF-8 spelling, and two
// different ones never match each other.
TEST(IniTextTest, NamesThatAreNoUtf8AreWindows1252)
{
    Document document("[Caf\xE9]\r\nK\xE9y=1\r\nK\xE8y=2\r\n\x80=3\r\n");
    EXPECT_EQ(document.value("café", "KÉY"), "1");
    EXPECT_EQ(document.value("CAFÉ", "kèy"), "2");
    EXPECT_EQ(document.value("Caf\xE9", "€"), "3");
}

TEST(IniTextTest, ReadValueCutsAtACharacterAndReadsWindows1252)
{
    using base::ini::readValue;
    const std::string utf8 = std::string(253, 'a') + "é";
    const std::string latin = std::string(253, 'a') + "\xE9\xE9";
    Document document("[A]\r\nu=" + utf8 + "\r\nl=" + latin + "\r\nq= '\xA9 x'\r\n");
    EXPECT_EQ(readValue(&document, "A", "u", ""), std::string(253, 'a'));
    EXPECT_EQ(readValue(&document, "A", "l", ""), std::string(253, 'a') + "é");
    EXPECT_EQ(readValue(&document, "A", "q", ""), "© x");
    EXPECT_EQ(readValue(&document, "A", "none", "'dflt'  "), "dflt");
    EXPECT_EQ(readValue(nullptr, "A", "u", utf8), std::string(253, 'a'));
}

} // namespace
