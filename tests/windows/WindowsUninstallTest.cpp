// Removing a package with setup.exe for Windows under Wine: installed, listed and removed again,
// the game folder is byte for byte as it was, with the game folder given in either path form.
#include <gtest/gtest.h>

#include <regex>

#include "FolderDigests.h"
#include "PackageFixture.h"
#include "WineProcess.h"

using namespace installer_test;
using namespace wine_test;

namespace {

const std::string BuiltWindowsSetup = QUERNEL_PROGRAM_DIR "/Redist/setup.exe";

class WindowsUninstall : public PackageFixture
{
protected:
    void SetUp() override
    {
        useTestPrefix();
        writeTypicalPackage();
        writeGameFolder();
        fs::copy_file(BuiltWindowsSetup, inPackage("setup.exe"));
    }
    void TearDown() override { fs::remove_all(outputFolder()); }

    std::string outputFolder() const { return root.path() + "-output"; }

    Outcome runSetup(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), inPackage("setup.exe"));
        return runWine(arguments, outputFolder(), "/tmp");
    }
};

} // namespace

TEST_F(WindowsUninstall, InstallThenRemoveLeavesTheGameFolderAsItWas)
{
    const auto before = digests(gameFolder());
    const std::string windowsGame = windowsPath(gameFolder(), outputFolder());

    // By the package beside setup.exe, the game folder as a Windows path.
    Outcome r = runSetup({"--target", windowsGame, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Outcome list = runSetup({"--list", "--target", windowsGame});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(
        std::regex_match(list.out, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  My Pack  \(2 files\)\n)")))
        << list.out;
    r = runSetup({"--uninstall", "--target", windowsGame});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(contains(r.out, "Removed 2 file(s) of My Pack from ")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nPut back: city.ar\n")) << r.out;
    EXPECT_EQ(digests(gameFolder()), before);

    // By name, the game folder as the Unix path a player of Wine may paste.
    r = runSetup({"--target", gameFolder(), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    writeFile(inGame("cars.ar"), "edited");
    r = runSetup({"--uninstall=My Pack", "--target", gameFolder()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "setup.exe: 1 file(s) would be left as they are (cars.ar: changed since it was installed); "
              "use --yes to remove the rest.\n");
    writeFile(inGame("cars.ar"), carsBytes);
    r = runSetup({"--uninstall=My Pack", "--target", gameFolder(), "--yes"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(digests(gameFolder()), before);
}
