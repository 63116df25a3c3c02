// The profile-file engine on bytes: lines kept as they are, which section and key a lookup finds,
// and where a new line goes.
#include <gtest/gtest.h>

#include "IniDocument.h"
#include "IniText.h"

namespace {

class IniDocumentRoundTrip : public testing::TestWithParam<const char *>
{
};

TEST_P(IniDocumentRoundTrip, GivesBackEveryByte)
{
    const QByteArray bytes(GetParam());
    EXPECT_EQ(Ini::Document(bytes).toBytes(), bytes);
}

INSTANTIATE_TEST_SUITE_P(Rows, IniDocumentRoundTrip,
                         testing::Values("", "\r\n", "no line end", "[A]\nk=v\n", "[A]\r\nk=v",
                                         "\xEF\xBB\xBF[A]\r\n",
                                         "; note\r\n\r\n[A]\r\n  k  =  v  \r\n[A]\r\nk=w\r\n", "x=1\r",
                                         "[broken\n=\n]\n"),
                         [](const auto &info) { return "Row" + std::to_string(info.index); });

TEST(IniDocumentTest, FirstSectionAndFirstKeyOfANameCount)
{
    Ini::Document document("[A]\r\nk=1\r\nK=2\r\n[B]\r\nk=3\r\n[a]\r\nk=4\r\nj=5\r\n");
    EXPECT_EQ(document.value("a", "K"), "1");
    EXPECT_EQ(document.value("B", "k"), "3");
    EXPECT_EQ(document.value("A", "j"), std::nullopt);
    ASSERT_TRUE(document.setValue("A", "j", "6"));
    EXPECT_EQ(document.toBytes(), "[A]\r\nk=1\r\nK=2\r\nj=6\r\n[B]\r\nk=3\r\n[a]\r\nk=4\r\nj=5\r\n");
}

TEST(IniDocumentTest, LinesOutsideSectionsOrWithoutEqualsAreNoEntries)
{
    Ini::Document document("k=0\r\n[A]\r\nName\r\n");
    EXPECT_EQ(document.value("", "k"), std::nullopt);
    EXPECT_EQ(document.value("A", "Name"), std::nullopt);
    ASSERT_TRUE(document.setValue("A", "Name", "x"));
    EXPECT_EQ(document.toBytes(), "k=0\r\n[A]\r\nName=x\r\nName\r\n");
    EXPECT_EQ(document.value("A", "Name"), "x");
}

TEST(IniDocumentTest, HeaderNameIsBetweenTheBracketsWithoutBlanks)
{
    Ini::Document document("  [ Progress Bar ] ; display\r\nSmooth=True\r\n");
    EXPECT_EQ(document.value("progress bar", " SMOOTH "), "True");
    EXPECT_EQ(document.value("Progress  Bar", "Smooth"), std::nullopt);
}

TEST(IniDocumentTest, NewKeyFollowsTheLastEntryOfItsSection)
{
    Ini::Document document("[A]\r\nx=1\r\n; about B\r\n\r\n[B]\r\n[C]\r\n");
    ASSERT_TRUE(document.setValue("A", "y", "2"));
    ASSERT_TRUE(document.setValue("B", "z", "3"));
    ASSERT_TRUE(document.setValue("A", "w", "4"));
    EXPECT_EQ(document.toBytes(), "[A]\r\nx=1\r\ny=2\r\nw=4\r\n; about B\r\n\r\n[B]\r\nz=3\r\n[C]\r\n");
}

TEST(IniDocumentTest, ValueIsReplacedAfterTheEqualsSign)
{
    Ini::Document document("[A]\n  Key = old value \t\n");
    EXPECT_EQ(document.value("A", "key"), " old value \t");
    EXPECT_FALSE(document.setValue("A", "KEY", " old value \t"));
    ASSERT_TRUE(document.setValue("A", "KEY", "new"));
    EXPECT_EQ(document.toBytes(), "[A]\n  Key =new\n");
}

TEST(IniDocumentTest, FinalLineGetsALineEndBeforeAnythingFollows)
{
    Ini::Document crOnly("[A]\r\nx=1\r");
    ASSERT_TRUE(crOnly.setValue("A", "y", "2"));
    EXPECT_EQ(crOnly.toBytes(), "[A]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(crOnly.value("A", "x"), "1");

    Ini::Document bomOnly("\xEF\xBB\xBF");
    ASSERT_TRUE(bomOnly.setValue("A", "k", "v"));
    EXPECT_EQ(bomOnly.toBytes(), "\xEF\xBB\xBF[A]\r\nk=v\r\n");
}

TEST(IniTextTest, ReadableValueDropsBlanksThenOnePairOfQuotes)
{
    EXPECT_EQ(Ini::readableValue(" \t'a b'\t "), "a b");
    EXPECT_EQ(Ini::readableValue("\"'x'\""), "'x'");
    EXPECT_EQ(Ini::readableValue("'a' b"), "'a' b");
    EXPECT_EQ(Ini::readableValue("'"), "'");
    EXPECT_EQ(Ini::readableValue("''"), "");
    EXPECT_EQ(Ini::readableDefault("  x \t "), "  x \t");
    EXPECT_EQ(Ini::readableDefault("'q'  "), "q");
}

TEST(IniTextTest, NamesFoldBeyondAscii)
{
    EXPECT_EQ(Ini::foldedName(" ÄRGER\t"), Ini::foldedName("ärger"));
    EXPECT_NE(Ini::foldedName("a b"), Ini::foldedName("a  b"));
}

TEST(IniTextTest, CutOfTextThatIsNoUtf8KeepsTheLimit)
{
    const QByteArray latin1 = QByteArray(10, 'a') + QByteArray(10, '\x80');
    EXPECT_EQ(Ini::cutUtf8(latin1, 15), latin1.first(15));
}

} // namespace
