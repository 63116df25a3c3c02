// What the Windows setup window decides without a window: the restart with administrator rights
// (when, and the command line it passes), which of the author's addresses become links, and the
// questions, the next step and the texts around the removal of an installed package.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "BusyWait.h"
#include "Elevation.h"
#include "Links.h"
#include "RemovalFlow.h"

using namespace installer::win;

namespace {

// The arguments as the Microsoft C runtime and CommandLineToArgvW split a command line: 2n
// backslashes before a quote give n and the quote opens or closes, 2n+1 give n and a literal
// quote, other backslashes are literal.
std::vector<std::string> splitCommandLine(const std::string &line)
{
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false;
    bool inArgument = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\') {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                current.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1)
                    current += '"';
                else
                    quoted = !quoted;
            } else {
                current.append(backslashes, '\\');
                --i;
            }
            inArgument = true;
        } else if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (c == ' ' && !quoted) {
            if (inArgument)
                arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(current);
    return arguments;
}

} // namespace

TEST(ElevationTest, OnlyAnExistingFolderThatCannotBeWrittenWithoutTheRightsIsOffered)
{
    for (bool exists : {false, true})
        for (bool writable : {false, true})
            for (bool elevated : {false, true})
                EXPECT_EQ(shouldOfferElevation({exists, writable, elevated}),
                          exists && !writable && !elevated)
                    << exists << writable << elevated;
}

TEST(ElevationTest, TheRestartedProgramReadsBackExactlyThePackageAndTheGameFolder)
{
    const std::string package = "C:\\Users\\Jo\\Downloads\\My Pack";
    for (const std::string folder :
         {"C:\\Program Files (x86)\\Microsoft Games\\Midtown Madness 2", "C:\\Program Files\\MM2\\", "D:\\",
          "C:\\Spiele\\Straße \xE6\x9D\xB1\xE4\xBA\xAC", "\\\\server\\share\\MM2\\\\", "C:\\a\\\"b"}) {
        const std::string parameters = elevatedParameters(package, folder);
        const std::vector<std::string> arguments = splitCommandLine(parameters);
        EXPECT_EQ(arguments, (std::vector<std::string>{"--package", package, "--elevated-folder", folder}))
            << parameters;
        const auto restart = elevatedRestartFrom(arguments);
        ASSERT_TRUE(restart.has_value()) << parameters;
        EXPECT_EQ(restart->packageFolder, package);
        EXPECT_EQ(restart->gameFolder, folder);
    }
    EXPECT_EQ(quoteArgument("C:\\Program Files\\MM2\\"), "\"C:\\Program Files\\MM2\\\\\"");
    EXPECT_EQ(quoteArgument(""), "\"\"");
}

TEST(ElevationTest, OnlyTheRestartsOwnArgumentsOpenTheWindowAtTheGameFolder)
{
    using Args = std::vector<std::string>;
    for (const Args &arguments :
         {Args{}, Args{"--elevated-folder", "C:\\MM2"}, Args{"--package", "P", "--elevated-folder", ""},
          Args{"--package", "", "--elevated-folder", "C:\\MM2"},
          Args{"--elevated-folder", "C:\\MM2", "--package", "P"},
          Args{"--package", "P", "--elevated-folder", "C:\\MM2", "--yes"},
          Args{"--package", "P", "--target", "C:\\MM2"}}) {
        EXPECT_FALSE(elevatedRestartFrom(arguments).has_value()) << arguments.size();
    }
}

TEST(LinksTest, OnlyAddressesThatLookLikeOneBecomeLinks)
{
    struct Case
    {
        const char *text;
        std::optional<std::string> email;
        std::optional<std::string> web;
    };
    for (const Case &c : {
             Case{"jo@example.com", "mailto:jo@example.com", "http://jo@example.com"},
             Case{"www.example.com/mypack", std::nullopt, "http://www.example.com/mypack"},
             Case{"https://example.com", std::nullopt, "https://example.com"},
             Case{"ask me on the forum", std::nullopt, std::nullopt},
             Case{"jo at example dot com", std::nullopt, std::nullopt},
             Case{"<a>jo@x.com</a>", std::nullopt, std::nullopt},
             Case{"", std::nullopt, std::nullopt},
         }) {
        EXPECT_EQ(emailTarget(c.text), c.email) << c.text;
        EXPECT_EQ(webTarget(c.text), c.web) << c.text;
    }
    EXPECT_EQ(linkMarkup("jo@example.com", true), "<a>jo@example.com</a>");
    // A text that is no link cannot open one in the control.
    EXPECT_EQ(linkMarkup("<a>x</a>", false), "<\xE2\x80\x8B"
                                             "a>x<\xE2\x80\x8B/a>");
}

TEST(RemovalFlowTest, RemoveAlwaysAsksAndReinstallOnlyWhenFilesWouldBeLeft)
{
    installer::Package package;
    package.name = "My Pack";
    const std::vector<installer::LeftFile> left{{"city.ar", "changed since it was installed"}};

    EXPECT_EQ(removalQuestion(InstalledChoice::Remove, package, {}),
              "Remove My Pack from the game folder and put back the files it replaced?");
    EXPECT_EQ(removalQuestion(InstalledChoice::Reinstall, package, {}), std::nullopt);
    const std::string leftQuestion = "These files will be left as they are:\n\n"
                                     "city.ar: changed since it was installed\n\n"
                                     "Remove the rest of My Pack?";
    EXPECT_EQ(removalQuestion(InstalledChoice::Remove, package, left), leftQuestion);
    EXPECT_EQ(removalQuestion(InstalledChoice::Reinstall, package, left), leftQuestion);
}

TEST(RemovalFlowTest, ReinstallGoesOnUnlessTheRemovalStoppedOrCouldNotStart)
{
    using installer::UninstallResult;
    UninstallResult complete;
    complete.ok = true;
    UninstallResult withFilesLeft;
    withFilesLeft.left = {{"city.ar", "changed since it was installed"}};
    UninstallResult cancelled;
    cancelled.cancelled = true;
    cancelled.error = "The removal was cancelled.";
    UninstallResult refused;
    refused.error = "My Pack is not installed in C:\\MM2.";
    UninstallResult busy; // the window waits and removes again, or goes back
    busy.busy = true;
    busy.error = "Another setup is working on the game folder C:\\MM2; try again when it has finished.";

    EXPECT_TRUE(installsAfterRemoval(InstalledChoice::Reinstall, complete));
    EXPECT_TRUE(installsAfterRemoval(InstalledChoice::Reinstall, withFilesLeft));
    EXPECT_FALSE(installsAfterRemoval(InstalledChoice::Reinstall, cancelled));
    EXPECT_FALSE(installsAfterRemoval(InstalledChoice::Reinstall, refused));
    EXPECT_FALSE(installsAfterRemoval(InstalledChoice::Reinstall, busy));
    for (const UninstallResult &result : {complete, withFilesLeft, cancelled, refused, busy})
        EXPECT_FALSE(installsAfterRemoval(InstalledChoice::Remove, result));
}

TEST(RemovalFlowTest, AReinstallThatCouldNotInstallDoesNotBegin)
{
    installer::Package package;
    package.name = "My Pack";
    package.folder = "/no such package folder";
    package.files = {"city.ar"};
    const std::string problem = reinstallProblem(InstalledChoice::Reinstall, package, "/no such game");
    EXPECT_EQ(problem, "city.ar is missing from the package folder (/no such package folder).");
    EXPECT_EQ(reinstallProblem(InstalledChoice::Remove, package, "/no such game"), "");
}

TEST(RemovalFlowTest, InstallationsAreListedOldestFirstAndTheReportNamesEveryFile)
{
    installer::InstallRecord older;
    older.installedAt = "2026-12-01 10:00:00";
    older.complete = true;
    older.files.resize(1);
    installer::InstallRecord newer;
    newer.installedAt = "2026-12-07 16:50:03";
    newer.files.resize(3);
    EXPECT_EQ(installationLines({newer, older}),
              (std::vector<std::string>{"Installed on 2026-12-01 10:00:00: 1 file.",
                                        "Installed on 2026-12-07 16:50:03: 3 files (the installation was "
                                        "not finished)."}));

    installer::UninstallResult result;
    result.ok = true;
    result.removed = {"cars.ar", "new.ar"};
    result.restored = {"city.ar"};
    EXPECT_EQ(removalSummary(result), "Removed:\n    cars.ar\n    new.ar\n\nPut back:\n    city.ar");

    result.ok = false;
    result.error = "The removal was cancelled.";
    result.removed.clear();
    result.left = {{"track.ar", "the backup of the original is damaged"}};
    EXPECT_EQ(removalSummary(result),
              "The removal was cancelled.\n\nPut back:\n    city.ar\n\n"
              "Left as they are:\n    track.ar: the backup of the original is damaged");
}

TEST(BusyWaitTest, TheRunStartsAgainOnceWhenTheFolderIsFreeAndNeverAfterCancel)
{
    std::vector<bool> answers; // what the folder looks like at each look, first to last
    std::vector<std::string> looked;
    installer::BusyWait wait([&](const std::string &folder) {
        looked.push_back(folder);
        const bool busy = answers.front();
        answers.erase(answers.begin());
        return busy;
    });
    int runs = 0;
    EXPECT_FALSE(wait.waiting());
    EXPECT_FALSE(wait.agreed());
    EXPECT_FALSE(wait.tick()); // nothing to wait for: the folder is not even looked at
    EXPECT_TRUE(looked.empty());

    answers = {true, true, false};
    wait.begin("C:/MM2", [&] { ++runs; });
    EXPECT_TRUE(wait.waiting());
    EXPECT_TRUE(wait.agreed());
    EXPECT_FALSE(wait.tick());
    EXPECT_FALSE(wait.tick());
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(wait.tick());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(looked, (std::vector<std::string>{"C:/MM2", "C:/MM2", "C:/MM2"}));
    EXPECT_FALSE(wait.waiting());
    EXPECT_TRUE(wait.agreed()); // taken again before the run: waited for without a question
    EXPECT_FALSE(wait.tick());
    EXPECT_EQ(runs, 1);
    wait.finished();
    EXPECT_FALSE(wait.agreed());

    // Cancel while waiting: the run never starts, and the next busy run asks again.
    answers = {true};
    wait.begin("C:/MM2", [&] { ++runs; });
    EXPECT_FALSE(wait.tick());
    wait.cancel();
    EXPECT_FALSE(wait.waiting());
    EXPECT_FALSE(wait.agreed());
    answers = {false};
    EXPECT_FALSE(wait.tick());
    EXPECT_EQ(runs, 1);

    // A retry that finds the folder taken again begins a new wait from inside tick().
    answers = {false, false};
    wait.begin("D:/MM2", [&] {
        ++runs;
        wait.begin("D:/MM2", [&] { ++runs; });
    });
    EXPECT_TRUE(wait.tick());
    EXPECT_TRUE(wait.waiting());
    EXPECT_TRUE(wait.tick());
    EXPECT_EQ(runs, 3);
    EXPECT_FALSE(wait.waiting());
}
