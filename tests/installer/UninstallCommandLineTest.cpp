// Listing and removing packages with the built setup program, started as a process of its own,
// including one killed half-way through a removal.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#include "ChildProcess.h"
#include "FolderDigests.h"
#include "PackageFixture.h"

using namespace installer_test;

namespace {

const std::string BuiltSetup = QUERNEL_PROGRAM_DIR "/Redist/setup";

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

class UninstallCommandLine : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeTypicalPackage();
        writeGameFolder();
        fs::create_directories(outputFolder());
        fs::copy_file(BuiltSetup, setup());
        before = digests(root.path());
    }
    void TearDown() override { fs::remove_all(outputFolder()); }

    std::string setup() const { return inPackage("setup.exe"); }
    std::string outputFolder() const { return root.path() + "-output"; }

    Outcome run(const std::vector<std::string> &arguments, const std::string &program = {})
    {
        ChildProcess p(program.empty() ? setup() : program, arguments, outputFolder());
        const int status = p.wait();
        return {status, p.out(), p.err()};
    }

    void installPackage()
    {
        const Outcome r = run({"--target", gameFolder(), "--yes"});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    std::map<std::string, std::string> before; // everything under the temporary root at the start
};

TEST_F(UninstallCommandLine, ListsAndRemovesByNameOrByThePackageBesideIt)
{
    installPackage();
    const Outcome list = run({"--list", "--target", gameFolder()});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(
        std::regex_match(list.out, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  My Pack  \(2 files\)\n)")))
        << list.out;

    // By name, from a copy of the installer that has no package beside it.
    fs::create_directories(at("bin"));
    fs::copy_file(BuiltSetup, at("bin/setup"));
    const Outcome removed = run({"--uninstall", "My Pack", "--target", gameFolder()}, at("bin/setup"));
    EXPECT_EQ(removed.status, 0) << removed.err;
    EXPECT_EQ(removed.err, "");
    EXPECT_EQ(removed.out, "Removed 2 file(s) of My Pack from " + gameFolder() + "\nPut back: city.ar\n");
    fs::remove_all(at("bin"));
    EXPECT_EQ(digests(root.path()), before);
    const Outcome none = run({"--list", "--target=" + gameFolder()});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "No package is recorded as installed in " + gameFolder() + ".\n");

    // The package beside the program, whose files are gone: its name is enough.
    installPackage();
    fs::remove(inPackage("city.ar"));
    fs::remove(inPackage("cars.ar"));
    EXPECT_EQ(run({"--uninstall", "--target", gameFolder()}).status, 0);
    writeFile(inPackage("city.ar"), cityBytes);
    writeFile(inPackage("cars.ar"), carsBytes);
    EXPECT_EQ(digests(root.path()), before);
}

TEST_F(UninstallCommandLine, FilesThatWouldBeLeftNeedYes)
{
    installPackage();
    writeFile(inGame("city.ar"), "the player's city");
    const auto edited = digests(root.path());
    const Outcome refused = run({"--uninstall", "--target", gameFolder()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "setup.exe: 1 file(s) would be left as they are (city.ar: changed since it was "
                           "installed); use --yes to remove the rest.\n");
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(digests(root.path()), edited);

    const Outcome partly = run({"--uninstall", "--target", gameFolder(), "--yes"});
    EXPECT_EQ(partly.status, 1);
    EXPECT_EQ(partly.err,
              "setup.exe: 1 file(s) were left as they are (city.ar: changed since it was installed).\n");
    EXPECT_EQ(partly.out, "Removed 1 file(s) of My Pack from " + gameFolder() +
                              "\nLeft as they are: city.ar: changed since it was installed\n");
    EXPECT_EQ(readFile(inGame("city.ar")), "the player's city");
    EXPECT_FALSE(fs::exists(inGame("cars.ar")));

    const Outcome list = run({"--list", "--target", gameFolder()});
    EXPECT_TRUE(contains(list.out, "  My Pack  (1 file)\n")) << list.out;
}

TEST_F(UninstallCommandLine, RefusalsAndUsageErrorsChangeNothing)
{
    struct Case
    {
        std::vector<std::string> arguments;
        int status;
        std::string reason;
    };
    const std::string game = gameFolder();
    const std::vector<Case> cases{
        {{"--uninstall", "--target", game}, 1, "setup.exe: My Pack is not installed in " + game + ".\n"},
        {{"--uninstall=Nobody", "--target", game, "--yes"},
         1,
         "setup.exe: Nobody is not installed in " + game + ".\n"},
        {{"--uninstall", "--target", at("Nowhere")}, 1, "does not exist"},
        {{"--list", "--target", at("Nowhere")}, 1, "does not exist"},
        {{"--list"}, 2, "no game folder given"},
        {{"--uninstall"}, 2, "no game folder given"},
        {{"--uninstall", "My Pack", "--yes"}, 2, "no game folder given"},
        {{"--list", "--uninstall", "--target", game}, 2, "cannot be given together"},
        {{"--uninstall=", "--target", game}, 2, "needs a package name"},
        {{"--uninstall", "My Pack", "--package", packageFolder(), "--target", game}, 2, "--package"},
    };
    installPackage();
    fs::remove_all(gameFolder() + "/Quernel Backup"); // installed, but no record of it
    const auto installed = digests(root.path());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.front() + (c.arguments.size() > 1 ? " " + c.arguments[1] : ""));
        const Outcome r = run(c.arguments);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.err.starts_with("setup.exe: ") && contains(r.err, c.reason)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(digests(root.path()), installed);
    }
    const Outcome help = run({"--help"});
    EXPECT_TRUE(contains(help.out, "--list")) << help.out;
    EXPECT_TRUE(contains(help.out, "--uninstall [NAME]")) << help.out;
}

// A package of many files and one large one, so that a kill lands in the middle of a removal.
class KilledUninstall : public UninstallCommandLine
{
protected:
    void SetUp() override
    {
        UninstallCommandLine::SetUp();
        const std::string iniPath = ini();
        fs::remove(iniPath);
        setEntry(iniPath, "install.ini", "Name", "Big Pack");
        setEntry(iniPath, "install.ini", "mmType", "2");
        int number = 0;
        auto add = [&](const std::string &name, const std::string &bytes, const std::string &original) {
            setEntry(iniPath, "Files", "File" + std::to_string(++number), name);
            writeFile(inPackage(name), bytes);
            packageBytes[name] = bytes;
            if (!original.empty()) {
                writeFile(inGame(name), original);
                originals[name] = original;
            }
        };
        for (int i = 0; i < 60; ++i) {
            const std::string tag = std::to_string(i);
            add("new" + tag + ".ar", archiveBytes(("n" + tag).c_str(), 20000 + i), {});
            add("old" + tag + ".ar", archiveBytes(("p" + tag).c_str(), 16000 + i),
                archiveBytes(("o" + tag).c_str(), 12000 + i));
            if (i == 30)
                add("big.ar", archiveBytes("bg", 24 << 20), archiveBytes("ob", 20 << 20));
        }
        setEntry(iniPath, "install.ini", "TotalFiles", std::to_string(number));
        gameBefore = digests(gameFolder());
    }

    // Every file of the package is whole: the original or the package's, or gone when it had none.
    void expectEveryFileWhole(int *restored, int *notRestored)
    {
        for (const auto &[name, bytes] : packageBytes) {
            const bool there = fs::exists(inGame(name));
            const std::string now = there ? readFile(inGame(name)) : std::string();
            const auto original = originals.find(name);
            if (original == originals.end()) {
                EXPECT_TRUE(!there || now == bytes) << name;
                continue;
            }
            ASSERT_TRUE(there) << name;
            EXPECT_TRUE(now == bytes || now == original->second) << name << " is cut or mixed";
            ++(now == bytes ? *notRestored : *restored);
        }
    }

    std::map<std::string, std::string> packageBytes;
    std::map<std::string, std::string> originals;
    std::map<std::string, std::string> gameBefore;
};

TEST_F(KilledUninstall, EveryFileStaysWholeAndASecondRunFinishes)
{
    using Clock = std::chrono::steady_clock;
    const std::vector<std::string> uninstall{"--uninstall", "--target", gameFolder(), "--yes"};

    // Undisturbed first, to learn how long a removal takes here.
    installPackage();
    const auto start = Clock::now();
    const Outcome whole = run(uninstall);
    const auto duration = Clock::now() - start;
    ASSERT_EQ(whole.status, 0) << whole.err;
    ASSERT_EQ(digests(gameFolder()), gameBefore);

    bool killedHalfWay = false;
    for (const double fraction : {0.2, 0.45, 0.7, 0.9}) {
        SCOPED_TRACE(fraction);
        installPackage();
        int status = 0;
        {
            ChildProcess p(setup(), uninstall, outputFolder());
            std::this_thread::sleep_for(std::chrono::duration_cast<Clock::duration>(duration * fraction));
            p.signal(SIGKILL);
            status = p.wait();
        }
        int restored = 0;
        int notRestored = 0;
        expectEveryFileWhole(&restored, &notRestored);
        if (status == -SIGKILL && restored > 0 && notRestored > 0)
            killedHalfWay = true;
        if (status != 0) {
            // A kill after the last step (the process on its way out) leaves nothing to do.
            const Outcome second = run(uninstall);
            EXPECT_TRUE(second.status == 0 || contains(second.err, "Big Pack is not installed in"))
                << second.err;
        }
        EXPECT_EQ(digests(gameFolder()), gameBefore);
    }
    EXPECT_TRUE(killedHalfWay) << "no kill landed between the first and the last restore";
}

} // namespace
