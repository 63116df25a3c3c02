// When Test Package may start a package's setup.exe through Wine: Wine on PATH and a prefix that
// is already set up for the user.
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "TestFolder.h"
#include "Wine.h"

using platform::findWineLauncher;

namespace {

class WineLauncher : public TestFolder
{
protected:
    void writeFile(const std::string &relative, mode_t mode)
    {
        std::filesystem::create_directories(std::filesystem::path(at(relative)).parent_path());
        write(at(relative), "#!/bin/sh\n", mode);
    }
    void installWine() { writeFile("bin/wine", 0700); }
    void setUpPrefix(const std::string &relative) { writeFile(relative + "/system.reg", 0400); }

    // PATH and HOME of a user; WINEPREFIX as given, unset when absent.
    platform::EnvironmentLookup environment(std::optional<std::string> winePrefix = {}) const
    {
        std::map<std::string, std::string> variables{{"PATH", at("empty") + ":" + at("bin")},
                                                     {"HOME", at("home")}};
        if (winePrefix)
            variables["WINEPREFIX"] = *winePrefix;
        return [variables](const std::string &name) {
            const auto found = variables.find(name);
            return found == variables.end() ? std::string() : found->second;
        };
    }
};

} // namespace

TEST_F(WineLauncher, FoundWithAPrefixThatIsSetUp)
{
    installWine();
    setUpPrefix("home/.wine");
    EXPECT_EQ(findWineLauncher(environment()), at("bin/wine"));
    EXPECT_EQ(findWineLauncher(environment("")), at("bin/wine")) << "an empty WINEPREFIX reads as unset";

    setUpPrefix("games prefix");
    EXPECT_EQ(findWineLauncher(environment(at("games prefix"))), at("bin/wine"));
}

TEST_F(WineLauncher, NoneWithoutWineOrWithoutAPrefix)
{
    setUpPrefix("home/.wine");
    EXPECT_EQ(findWineLauncher(environment()), "") << "no wine on PATH";
    writeFile("bin/wine", 0600);
    EXPECT_EQ(findWineLauncher(environment()), "") << "a wine that cannot be run";

    installWine();
    std::filesystem::create_directories(at("empty prefix"));
    EXPECT_EQ(findWineLauncher(environment(at("empty prefix"))), "") << "a prefix never set up";
    EXPECT_EQ(findWineLauncher(environment(at("gone"))), "") << "WINEPREFIX wins over ~/.wine";
    ASSERT_GT(std::filesystem::remove_all(at("home/.wine")), 0u);
    EXPECT_EQ(findWineLauncher(environment()), "") << "no ~/.wine";
}
