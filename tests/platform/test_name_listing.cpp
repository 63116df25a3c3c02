// Name patterns and folder listings of the pickers in UTF-8.
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

#include "NameListing.h"
#include "TestFolder.h"

using Names = std::vector<std::string>;

TEST(NameListingPatterns, MatchWholeNamesWithoutRegardToCase)
{
    struct Row
    {
        const char *patterns;
        const char *name;
        bool matches;
    };
    const Row rows[] = {
        {"*.txt", "notes.txt", true},
        {"*.txt", "notes.txtx", false},
        {"*.txt", "notes.TXT", true},
        {"*.txt", ".txt", true},
        {"*.rtf;*.txt", "readme.doc", false},
        {" *.rtf ; *.txt ", "a.RTF", true},
        {"", "anything", true},
        {";;", "anything", true},
        {"*", "Makefile", true},
        {"*.*", "Makefile", true},
        {"readme.txt", "README.TXT", true},
        {"readme.txt", "readme.txt.bak", false},
        {"read??.*", "readme.txt", true},
        {"read??.*", "read.txt", false},
        {"a*b*c", "aXcXbXc", true},
        {"a*b*c", "aXXbYY", false},
        {"*.\xc3\x89T\xc3\x89", "r\xc3\xa9sum\xc3\xa9.\xc3\xa9t\xc3\xa9", true}, // É and é
        {"R\xc3\x89SUM\xc3\x89.*", "r\xc3\xa9sum\xc3\xa9.txt", true},            // exact part, then any
        {"r?sum?.txt", "R\xc3\x89SUM\xc3\x89.TXT", true},          // ? is one letter, not one byte
        {"r?sum?.txt", "r\xc3\xa9\xc3\xa9sum\xc3\xa9.txt", false}, // two letters are not one
        {"caf\xc3\xa9", "CAF\xc3\x89", true},
        {"caf\xc3\xa9", "cafe", false},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(platform::NamePatterns(row.patterns).matches(std::string_view(row.name)), row.matches)
            << '"' << row.patterns << "\" against \"" << row.name << '"';
    }
}

namespace {
using NameListing = TestFolder;
} // namespace

TEST_F(NameListing, FilesMatchingThePatternsSortedWithoutCaseHiddenLeftOut)
{
    for (const char *name : {"b.txt", "\xc3\x89t\xc3\xa9.txt", "a.TXT", "notes.txtx", ".hidden.txt", "z.rtf"})
        write(at(name), "x");
    std::filesystem::create_directories(at("folder.txt"));
    std::filesystem::create_symlink("b.txt", at("link.txt"));
    std::filesystem::create_symlink("missing.txt", at("dangling.txt"));

    std::string error = "stale";
    EXPECT_EQ(platform::listFiles(root(), platform::NamePatterns("*.txt"), &error),
              (Names{"a.TXT", "b.txt", "link.txt", "\xc3\x89t\xc3\xa9.txt"}));
    EXPECT_EQ(error, "");
}

TEST_F(NameListing, SubfoldersSortedWithoutCaseHiddenOnesLast)
{
    for (const char *name : {"beta", "\xc3\xa9t\xc3\xa9", "Alpha", ".wine", "\xc3\x89t\xc3\xa9s", ".Config"})
        std::filesystem::create_directories(at(name));
    write(at("file.txt"), "x");
    std::filesystem::create_directory_symlink("Alpha", at("linked"));

    std::string error = "stale";
    EXPECT_EQ(platform::listSubfolders(root(), &error), (Names{"Alpha", "beta", "linked", "\xc3\xa9t\xc3\xa9",
                                                               "\xc3\x89t\xc3\xa9s", ".Config", ".wine"}));
    EXPECT_EQ(error, "");
}

TEST_F(NameListing, MissingFolderOrFileGivesTheReason)
{
    write(at("plain.txt"), "x");
    std::string error;
    EXPECT_TRUE(platform::listFiles(at("missing"), platform::NamePatterns("*"), &error).empty());
    EXPECT_EQ(error, std::strerror(ENOENT));
    EXPECT_TRUE(platform::listSubfolders(at("plain.txt"), &error).empty());
    EXPECT_EQ(error, std::strerror(ENOTDIR));
    EXPECT_FALSE(platform::canListFolder(at("missing"), &error));
    EXPECT_EQ(error, std::strerror(ENOENT));
    EXPECT_TRUE(platform::canListFolder(root(), &error));
    EXPECT_EQ(error, "");
}
