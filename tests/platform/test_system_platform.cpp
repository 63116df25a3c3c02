// The platform of the running program on real files and processes.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <dirent.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "FileUrl.h"
#include "Form.h"
#include "SystemPlatform.h"
#include "TestFolder.h"
#include "Vemko.h"

using platform::CopyOutcome;
using platform::SystemPlatform;

namespace {

using SystemPlatformTest = TestFolder;

// Waits up to two seconds for the file a started program writes.
bool appears(const std::string &path)
{
    for (int i = 0; i < 100 && !TestFolder::read(path).size(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !TestFolder::read(path).empty();
}

// Children of this process that have ended and were never waited for.
int zombieChildren()
{
    int zombies = 0;
    DIR *proc = ::opendir("/proc");
    while (const dirent *entry = proc ? ::readdir(proc) : nullptr) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos)
            continue;
        char state = 0;
        long parent = 0;
        std::istringstream(line.substr(line.rfind(')') + 1)) >> state >> parent;
        zombies += state == 'Z' && parent == ::getpid();
    }
    if (proc)
        ::closedir(proc);
    return zombies;
}

// Sets PATH for one test.
class PathFor
{
public:
    explicit PathFor(const std::string &path) : m_saved(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        ::setenv("PATH", path.c_str(), 1);
    }
    ~PathFor() { ::setenv("PATH", m_saved.c_str(), 1); }

private:
    std::string m_saved;
};

// A window system that only counts its event pumps.
class CountingRuntime : public form::Runtime
{
public:
    std::unique_ptr<form::Window> createWindow(const form::PageLayout &) override { return nullptr; }
    void destroyLater(std::unique_ptr<form::Window>) override {}
    int messageBox(const std::string &, unsigned, const std::string &) override { return form::IDOK; }
    void doEvents() override { ++pumps; }
    [[noreturn]] void endProgram() override { std::abort(); }

    int pumps = 0;
};

// The system's platform in another program folder.
class MovedPlatform : public SystemPlatform
{
public:
    explicit MovedPlatform(std::string folder) : m_folder(std::move(folder)) {}
    std::string programFolder() const override { return m_folder; }

private:
    std::string m_folder;
};

} // namespace

TEST_F(SystemPlatformTest, OpeningAFolderThatIsNotThereSaysWhy)
{
    SystemPlatform system;
    std::string error;
    EXPECT_FALSE(system.openFolder(root() + "/gone", &error));
    EXPECT_EQ(error, root() + "/gone: No such folder");
}

TEST_F(SystemPlatformTest, OpeningAFolderHandsItsUrlToTheDesktop)
{
    std::filesystem::create_directories(at("bin"));
    // Its PATH holds nothing else: the shell's own printf, and the file appears whole.
    write(at("bin/xdg-open"),
          "#!/bin/sh\nprintf '%s|' \"$@\" > '" + at("bin/opened.part") + "'\nexec /bin/mv '" +
              at("bin/opened.part") + "' '" + at("bin/opened") + "'\n",
          0700);
    const std::string folder = at("My Pack \xc3\xa9#1");
    std::filesystem::create_directories(folder);
    SystemPlatform system;
    std::string error;
    {
        const PathFor path(at("bin"));
        ASSERT_TRUE(system.openFolder(folder, &error)) << error;
    }
    ASSERT_TRUE(appears(at("bin/opened")));
    EXPECT_EQ(read(at("bin/opened")), "file://" + root() + "/My%20Pack%20%C3%A9%231|");

    const PathFor path(at("empty"));
    EXPECT_FALSE(system.openFolder(folder, &error));
    EXPECT_EQ(error, folder + ": no file manager could be started to show it");
}

TEST_F(SystemPlatformTest, StartingAMissingOrNonExecutableProgramSaysWhy)
{
    SystemPlatform system;
    std::string error;
    EXPECT_FALSE(system.startProgram(at("setup.exe"), {}, &error));
    EXPECT_NE(error.find("setup.exe"), std::string::npos);
    write(at("setup.exe"), "not a program", 0600);
    EXPECT_FALSE(system.startProgram(at("setup.exe"), {}, &error));
}

TEST_F(SystemPlatformTest, StartsAProgramWithItsArgumentsWithoutWaiting)
{
    const std::string script = at("setup");
    write(script,
          "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/started.part\"\n"
          "mv \"$(dirname \"$0\")/started.part\" \"$(dirname \"$0\")/started\"\n",
          0700);
    SystemPlatform system;
    ASSERT_TRUE(system.startProgram(script, {"--package", at("My Pack")}, nullptr));
    ASSERT_TRUE(appears(at("started")));
    EXPECT_EQ(read(at("started")), "--package|" + at("My Pack") + "|");
}

TEST_F(SystemPlatformTest, ProgramsThatEndedLeaveNoZombies)
{
    const std::string script = at("quick");
    write(script, "#!/bin/sh\necho done > \"$1\"\n", 0700);
    SystemPlatform system;
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(system.startProgram(script, {at("done" + std::to_string(i))}, nullptr));
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(appears(at("done" + std::to_string(i))));
    int zombies = zombieChildren();
    for (int i = 0; i < 100 && zombies > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        zombies = zombieChildren();
    }
    EXPECT_EQ(zombies, 0);
}

TEST_F(SystemPlatformTest, ProgramAndCurrentFolders)
{
    SystemPlatform system;
    EXPECT_EQ(system.programFolder(), TEST_BINARY_DIR);

    const std::string saved = system.currentFolder();
    ASSERT_EQ(::chdir(root().c_str()), 0);
    EXPECT_EQ(system.currentFolder(), std::filesystem::canonical(root()).string());
    std::filesystem::create_directories(at("doomed"));
    ASSERT_EQ(::chdir(at("doomed").c_str()), 0);
    std::filesystem::remove(at("doomed"));
    EXPECT_EQ(system.currentFolder(), "") << "a removed folder";
    ASSERT_EQ(::chdir(saved.c_str()), 0);
}

TEST_F(SystemPlatformTest, CopyLetsWindowEventsRunBetweenChunks)
{
    std::string big(8 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 13);
    write(at("big.ar"), big);
    CountingRuntime runtime;
    form::install(&runtime);
    SystemPlatform system;
    std::string error;
    EXPECT_EQ(system.copyFile(at("big.ar"), at("copy.ar"), &error), CopyOutcome::Copied) << error;
    form::install(nullptr);
    EXPECT_GE(runtime.pumps, 1);
    EXPECT_EQ(read(at("copy.ar")), big);
    EXPECT_EQ(system.fileLength(at("copy.ar"), &error), std::int64_t(big.size()));
    EXPECT_TRUE(system.deleteFile(at("copy.ar"), &error));
    EXPECT_TRUE(system.createFolder(at("pkg"), &error));
}

TEST(FileUrl, AsADesktopShowsItAndAsItIsHandedOn)
{
    struct Row
    {
        const char *path;
        const char *shown;
        const char *encoded;
    };
    // What Qt's QUrl::fromLocalFile gave with toString() and toEncoded().
    const Row rows[] = {
        {"/home/jo/My Pack/errors.html", "file:///home/jo/My Pack/errors.html",
         "file:///home/jo/My%20Pack/errors.html"},
        {"/opt/Qu\xc3\xa9rnel/errors.html", "file:///opt/Qu\xc3\xa9rnel/errors.html",
         "file:///opt/Qu%C3%A9rnel/errors.html"},
        {"/x/#1/errors.html", "file:///x/%231/errors.html", "file:///x/%231/errors.html"},
        {"/x/100%/%41", "file:///x/100%25/%2541", "file:///x/100%25/%2541"},
        {"/x/a?b", "file:///x/a%3Fb", "file:///x/a%3Fb"},
        {"/x/[a]{b}|c^d`e\\f\"<>", "file:///x/[a]%7Bb%7D%7Cc%5Ed%60e%5Cf%22%3C%3E",
         "file:///x/[a]%7Bb%7D%7Cc%5Ed%60e%5Cf%22%3C%3E"},
        {"/x/tab\there\x7f", "file:///x/tab%09here%7F", "file:///x/tab%09here%7F"},
        {"/x/~!$&'()*+,;=:@", "file:///x/~!$&'()*+,;=:@", "file:///x/~!$&'()*+,;=:@"},
        {"//srv/share/x", "file://srv/share/x", "file://srv/share/x"},
        {"/", "file:///", "file:///"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(platform::fileUrl(row.path), row.shown) << row.path;
        EXPECT_EQ(platform::encodedFileUrl(row.path), row.encoded) << row.path;
    }
}

TEST(FileUrl, TheErrorHelpPageIsAddressedInTheProgramFolder)
{
    MovedPlatform moved("/opt/My Qu\xc3\xa9rnel #2 100%");
    platform::install(&moved);
    EXPECT_EQ(Vemko::ErrorHelpAddress(), "file:///opt/My Qu\xc3\xa9rnel %232 100%25/errors.html");
    platform::install(nullptr);
}
