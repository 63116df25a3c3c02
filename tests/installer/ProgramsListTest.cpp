// The entry Windows' list of installed programs gets for an installation: what it says and how
// its uninstall command quotes what it names.
#include <gtest/gtest.h>

#include "Package.h"
#include "ProgramsList.h"

using namespace installer;

TEST(ProgramsList, QuotedArgumentsReadBackAsWritten)
{
    // CommandLineToArgvW reads backslashes before a quote as escapes: a folder ending in one keeps it.
    const std::pair<const char *, const char *> cases[] = {
        {"My Pack", "\"My Pack\""},
        {"C:\\Games\\Midtown Madness 2", "\"C:\\Games\\Midtown Madness 2\""},
        {"C:\\", "\"C:\\\\\""},
        {"D:\\Games\\\\", "\"D:\\Games\\\\\\\\\""},
        {"", "\"\""},
    };
    for (const auto &[argument, quoted] : cases)
        EXPECT_EQ(quotedArgument(argument), quoted) << argument;
}

TEST(ProgramsList, TheKeyIsOneForAPackageInAGameFolderWhateverTheSpellingOfTheFolder)
{
    const std::string key = programsListKey("My Pack", "C:\\Games\\MM2");
    EXPECT_TRUE(key.starts_with("Quernel ")) << key;
    EXPECT_EQ(key.size(), std::string("Quernel ").size() + 16);
    for (const char *same : {"c:\\games\\mm2", "C:/Games/MM2", "C:\\Games\\MM2\\"})
        EXPECT_EQ(programsListKey("My Pack", same), key) << same;
    EXPECT_NE(programsListKey("My Pack", "C:\\Games\\MM1"), key);
    EXPECT_NE(programsListKey("my pack", "C:\\Games\\MM2"), key);
    EXPECT_NE(programsListKey("My Pack2", "C:\\Games\\MM"), programsListKey("My Pack", "2C:\\Games\\MM"));
}

TEST(ProgramsList, TheEntryNamesThePackageItsGameAuthorFolderAndRemoval)
{
    Package package;
    package.name = "Straße 日本";
    package.author = "Jo Author";
    package.gameVersion = 1;
    const ProgramsListEntry entry = programsListEntry(package, "C:/Games/MM", 2049,
                                                      "C:/Games/MM/Quernel Backup/run/Quernel Uninstall.exe");
    EXPECT_EQ(entry.displayName, "Straße 日本 (Midtown Madness 1 add-on)");
    EXPECT_EQ(entry.publisher, "Jo Author");
    EXPECT_EQ(entry.installLocation, "C:\\Games\\MM");
    EXPECT_EQ(entry.estimatedSizeKb, 3u);
    EXPECT_EQ(entry.uninstallString,
              "\"C:\\Games\\MM\\Quernel Backup\\run\\Quernel Uninstall.exe\" --uninstall "
              "\"Straße 日本\" --target \"C:\\Games\\MM\"");
}
