#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "SetupTexts.h"

using namespace installer;

namespace {

// The letter after the single '&' of a caption (lower case), or 0.
char mnemonic(const std::string &caption)
{
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == '&')
            return caption[i + 1] == '&' ? (++i, char(0)) : char(std::tolower(caption[i + 1]));
    }
    return 0;
}

Package typical()
{
    Package p;
    p.name = "My Pack";
    p.readme = "readme.txt";
    p.gameVersion = 2;
    p.files = {"city.ar", "cars.ar"};
    return p;
}

} // namespace

TEST(SetupTexts, TheStepsSayWhatTheWindowShows)
{
    const Package p = typical();
    EXPECT_EQ(texts::windowTitle(p), "My Pack Setup");
    EXPECT_EQ(texts::welcomeTitle(p), "Welcome to My Pack");
    EXPECT_EQ(texts::welcomeIntro(p), "This program installs My Pack into your Midtown Madness 2 folder.");
    EXPECT_EQ(texts::readmeSubtitle(p), "Please read this before installing (readme.txt).");
    EXPECT_EQ(texts::copyingStatus("cars.ar", 1, 2), "Copying cars.ar (2 of 2)...");
    EXPECT_EQ(texts::doneSubtitle(p, false), "My Pack was not installed completely.");

    Package unnamed;
    EXPECT_EQ(texts::windowTitle(unnamed), "Setup");
    EXPECT_EQ(texts::welcomeTitle(unnamed), "Welcome");
    EXPECT_EQ(texts::welcomeIntro(unnamed),
              "This program installs this add-on into your Midtown Madness folder.");
    EXPECT_EQ(texts::neededGame(unnamed), "Midtown Madness (the package does not say which)");
    EXPECT_EQ(texts::doneSubtitle(unnamed, true), "The package is ready to play.");

    // A name holding "%2" is shown as it is, never filled in again.
    unnamed.name = "50%2 off";
    EXPECT_EQ(texts::welcomeIntro(unnamed),
              "This program installs 50%2 off into your Midtown Madness folder.");

    for (int seconds : {0, 1, 30})
        EXPECT_EQ(texts::readmeWait(seconds), seconds == 0   ? "You can continue now."
                                              : seconds == 1 ? "You can continue in 1 second."
                                                             : "You can continue in 30 seconds.");
}

TEST(SetupTexts, SizesInUnitsOf1024WithOneDecimal)
{
    const std::pair<std::uint64_t, const char *> rows[] = {
        {0, "0 bytes"},         {1023, "1023 bytes"}, {1024, "1.0 kB"},       {71234, "69.6 kB"},
        {1048575, "1024.0 kB"}, {1048576, "1.0 MB"},  {3ull << 30, "3.0 GB"},
    };
    for (const auto &[bytes, text] : rows)
        EXPECT_EQ(texts::dataSize(bytes), text) << bytes;
    EXPECT_EQ(texts::fileList(typical(), 71234), "city.ar, cars.ar (69.6 kB)");
}

TEST(SetupTexts, NoTwoButtonsOfAStepShareAMnemonic)
{
    const std::vector<std::vector<std::string>> steps = {
        {texts::backButton(), texts::continueButton(), texts::cancelButton()}, // welcome, readme
        {texts::backButton(), texts::installButton(), texts::cancelButton(), texts::browseButton(),
         texts::folderCaption()},                                         // game folder
        {texts::finishButton()},                                          // done
        {texts::yesButton(), texts::noButton(), texts::yesToAllButton()}, // replace?
    };
    for (const auto &captions : steps) {
        std::set<char> seen;
        for (const std::string &caption : captions) {
            const char key = mnemonic(caption);
            ASSERT_NE(key, 0) << caption;
            EXPECT_TRUE(seen.insert(key).second) << caption << " shares Alt+" << key;
        }
    }
}

TEST(SetupTexts, TheFinishingPageNamesReplacedFilesAndSaysHowToRemoveThePackage)
{
    InstallResult result;
    result.ok = true;
    result.installed = {"city.ar", "cars.ar"};
    result.replaced = {"city.ar"};
    result.skipped = {"track.ar"};
    result.backupFolder = "Z:\\Games\\MM2/Quernel Backup/My Pack 2024-05-17 09-05-03";
    const std::string undo = "To remove the package and put the originals back, run setup again and choose "
                             "Remove (or run it with --uninstall).";
    EXPECT_EQ(texts::backupUndo(), undo);
    EXPECT_EQ(texts::installSummary(result, "Z:\\Games\\MM2", texts::PathStyle::Windows),
              "The files were copied into Z:\\Games\\MM2.\n\n"
              "Installed:\n    city.ar (replaced)\n    cars.ar\n\n"
              "Skipped (the files in the game folder were kept):\n    track.ar\n\n"
              "Backup: the files that were replaced are kept in\n"
              "    Z:\\Games\\MM2\\Quernel Backup\\My Pack 2024-05-17 09-05-03\n" +
                  undo);
    EXPECT_NE(texts::installSummary(result, "/games/mm2", texts::PathStyle::AsGiven)
                  .find("\n    Z:\\Games\\MM2/Quernel Backup/My Pack 2024-05-17 09-05-03\n"),
              std::string::npos);

    // A run that stopped says why, and a run that replaced nothing has no backup paragraph.
    result.ok = false;
    result.error = "The disk is full.";
    result.replaced.clear();
    result.backupFolder.clear();
    result.skipped.clear();
    result.notInstalled = {"track.ar"};
    EXPECT_EQ(texts::installSummary(result, "C:/MM2", texts::PathStyle::Windows),
              "The disk is full.\n\nInstalled:\n    city.ar\n    cars.ar\n\nNot installed:\n    track.ar");
    EXPECT_EQ(texts::windowsPath("C:/a/b\\c/"), "C:\\a\\b\\c\\");
}

TEST(SetupTexts, TheWordsFollowWhatTheGameFolderHolds)
{
    EXPECT_EQ(texts::folderNextButton(false), "&Install");
    EXPECT_EQ(texts::folderNextButton(true), "&Continue >");
    EXPECT_EQ(texts::quitQuestion(), "Nothing has been installed yet. Quit setup?");
    EXPECT_EQ(texts::keepInstalledQuitQuestion(), "The package stays installed as it is. Quit setup?");
    EXPECT_EQ(texts::busyQuestion("C:\\Games\\MM2"), "Another setup is working on this game folder:\n"
                                                     "C:\\Games\\MM2\n\nWait until it has finished? "
                                                     "No leaves everything as it is.");
    EXPECT_EQ(texts::busyWaiting(), "Waiting for the other setup to finish...");
}
