// The installer against what a player's machine does to it: a kill at any instant of a run, an
// installation and a removal started together, a clock set back between two installations, and
// read-only package files. Real programs on real files; the game folder is compared byte for byte
// (and mode for mode) with its state before the first installation.
#include <gtest/gtest.h>

#include <linux/magic.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <regex>
#include <set>
#include <thread>

#include "ChildProcess.h"
#include "FolderDigests.h"
#include "GameFolderLock.h"
#include "InstallRecord.h"
#include "InstallationTesting.h"
#include "PackageFixture.h"

using namespace installer_test;
using installer::testing::InstallStep;

namespace {

const std::string BuiltSetup = QUERNEL_PROGRAM_DIR "/Redist/setup";
using Clock = std::chrono::steady_clock;

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
    double seconds = 0;
};

// Text of a given size that no other label gives, so that a file mixed up with another shows.
std::string bytesOf(const std::string &label, std::size_t size)
{
    std::string bytes;
    while (bytes.size() < size)
        bytes += label + " #" + std::to_string(bytes.size()) + "\r\n";
    bytes.resize(size);
    return bytes;
}

std::string octal(fs::perms mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(mode) & 07777u);
    return text;
}

// digests() with each entry's mode: an original put back must have its permissions back too.
std::map<std::string, std::string> snapshot(const std::string &folder)
{
    std::map<std::string, std::string> entries = digests(folder);
    for (auto &[name, content] : entries)
        content += ", mode " + octal(fs::symlink_status(folder + '/' + name).permissions());
    return entries;
}

// Kills and races take many runs of a few hundred flushes each: on a tmpfs, where a flush costs
// nothing, they take seconds instead of minutes. What a kill leaves is the same on any disk.
fs::path fastTemporaryBase()
{
    struct statfs volume;
    if (::statfs("/dev/shm", &volume) == 0 && volume.f_type == TMPFS_MAGIC && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

class KillRaceClock : public PackageFixture
{
protected:
    KillRaceClock() : PackageFixture(fastTemporaryBase()) {}

    void SetUp() override
    {
        fs::create_directories(outputFolder());
        fs::create_directories(packageFolder());
        fs::copy_file(BuiltSetup, setup());
        fs::copy_file(KILLED_AT_STEP_SETUP, killedSetup());
        writeFile(inGame("Midtown2.exe"), "MZ game");
    }
    void TearDown() override { fs::remove_all(outputFolder()); }

    std::string outputFolder() const { return root.path() + "-output"; }
    std::string setup() const { return inPackage("setup.exe"); }
    std::string killedSetup() const { return inPackage("setup-killed-at-step"); }
    std::vector<std::string> install() const { return {"--target", gameFolder(), "--yes"}; }
    std::vector<std::string> removal() const { return {"--uninstall", "--target", gameFolder(), "--yes"}; }
    std::string busyLine() const
    {
        return "setup.exe: Another setup is working on the game folder " + gameFolder() +
               "; try again when it has finished.\n";
    }
    std::string notInstalledLine() const
    {
        return "setup.exe: Many Pack is not installed in " + gameFolder() + ".\n";
    }

    // count files of a few KB; every other one replaces an original of the game folder (written
    // by writeOriginals). Started from the package folder, as a player starts setup.exe.
    void writePackage(int count, const std::string &version = "v1",
                      fs::perms mode = fs::perms::owner_read | fs::perms::owner_write |
                                       fs::perms::group_read | fs::perms::others_read)
    {
        setEntry(ini(), "install.ini", "Name", "Many Pack");
        setEntry(ini(), "install.ini", "mmType", "2");
        packageBytes.clear();
        for (int i = 0; i < count; ++i) {
            const std::string name = "file" + std::to_string(i) + ".ar";
            setEntry(ini(), "Files", "File" + std::to_string(i + 1), name);
            packageBytes.emplace_back(name, bytesOf(version + ' ' + name, 1000 + 37 * std::size_t(i)));
            if (fs::exists(inPackage(name)))
                fs::permissions(inPackage(name), fs::perms::owner_write, fs::perm_options::add);
            writeFile(inPackage(name), packageBytes.back().second);
            fs::permissions(inPackage(name), mode);
        }
        setEntry(ini(), "install.ini", "TotalFiles", std::to_string(count));
    }
    void writeOriginals()
    {
        originals.clear();
        for (std::size_t i = 0; i < packageBytes.size(); i += 2) {
            const std::string &name = packageBytes[i].first;
            originals[name] = bytesOf("original " + name, 800 + 29 * i);
            writeFile(inGame(name), originals[name]);
        }
    }

    Outcome run(const std::string &program, const std::vector<std::string> &arguments,
                const std::vector<std::string> &environment = {})
    {
        const auto start = Clock::now();
        ChildProcess p(program, arguments, outputFolder(), environment, packageFolder());
        const int status = p.wait();
        return {status, p.out(), p.err(), std::chrono::duration<double>(Clock::now() - start).count()};
    }

    // Every package file holds the package's bytes.
    bool installed() const
    {
        return std::all_of(packageBytes.begin(), packageBytes.end(),
                           [&](const auto &file) { return holds(inGame(file.first), file.second); });
    }
    // Every original holds its bytes again and no file the package added is left.
    bool removed() const
    {
        return std::all_of(packageBytes.begin(), packageBytes.end(), [&](const auto &file) {
            const auto original = originals.find(file.first);
            return original == originals.end() ? !fs::exists(inGame(file.first))
                                               : holds(inGame(file.first), original->second);
        });
    }

    std::vector<std::pair<std::string, std::string>> packageBytes; // in the package's order
    std::map<std::string, std::string> originals;
};

const char *const StepNames[] = {"OriginalStaged", "FileStaged", "Journalled", "OriginalKept", "FileInPlace"};

TEST_F(KillRaceClock, AnInstallationKilledAtAnyStepIsUndoneByteForByte)
{
    writePackage(120);
    writeOriginals();
    const auto before = snapshot(gameFolder());
    // The steps the run takes: five for a file that replaces an original, three for a new one.
    std::vector<InstallStep> steps;
    for (const auto &[name, bytes] : packageBytes) {
        const bool replaces = originals.count(name) > 0;
        if (replaces)
            steps.push_back(InstallStep::OriginalStaged);
        steps.insert(steps.end(), {InstallStep::FileStaged, InstallStep::Journalled});
        if (replaces)
            steps.push_back(InstallStep::OriginalKept);
        steps.push_back(InstallStep::FileInPlace);
    }
    const Outcome whole = run(killedSetup(), install());
    ASSERT_EQ(whole.status, 0) << whole.err;
    ASSERT_TRUE(whole.out.ends_with("\nsteps: " + std::to_string(steps.size()) + "\n")) << whole.out;
    ASSERT_EQ(run(setup(), removal()).status, 0);
    ASSERT_EQ(snapshot(gameFolder()), before);

    // Steps are numbered from 1. About every (N/60)-th (an odd stride, which the eight steps of
    // two files never divide, so that the kills fall on every place in a file's steps), the first
    // and the last, the first and last of each kind, and every tenth backup just named with its
    // file not yet in place.
    std::set<std::size_t> kills{1, steps.size()};
    for (std::size_t k = 1; k <= steps.size(); k += steps.size() / 60 | 1)
        kills.insert(k);
    for (int number = 0; number < 5; ++number) {
        const auto kind = InstallStep(number);
        kills.insert(std::size_t(std::find(steps.begin(), steps.end(), kind) - steps.begin()) + 1);
        kills.insert(steps.size() -
                     std::size_t(std::find(steps.rbegin(), steps.rend(), kind) - steps.rbegin()));
    }
    for (std::size_t i = 0, kept = 0; i < steps.size(); ++i) {
        if (steps[i] == InstallStep::OriginalKept && kept++ % 10 == 0)
            kills.insert(i + 1);
    }
    const std::size_t firstJournalled =
        std::size_t(std::find(steps.begin(), steps.end(), InstallStep::Journalled) - steps.begin()) + 1;
    ASSERT_GE(kills.size(), 50u);

    double slowest = 0;
    for (const std::size_t k : kills) {
        SCOPED_TRACE("killed at step " + std::to_string(k) + " of " + std::to_string(steps.size()) + ", " +
                     StepNames[int(steps[k - 1])]);
        const Outcome killed = run(killedSetup(), install(), {"QUERNEL_KILL_AT_STEP=" + std::to_string(k)});
        ASSERT_EQ(killed.status, -SIGKILL) << killed.err;
        // The killed setup's lock died with it: the removal is never turned away as busy.
        const Outcome undone = run(setup(), removal());
        if (k < firstJournalled) {
            EXPECT_EQ(undone.status, 1);
            EXPECT_EQ(undone.err, notInstalledLine());
        } else {
            EXPECT_EQ(undone.status, 0) << undone.err;
        }
        ASSERT_EQ(snapshot(gameFolder()), before);
        slowest = std::max(slowest, killed.seconds + undone.seconds);
    }
    std::cout << kills.size() << " kills of " << steps.size() << " steps; a whole run took " << whole.seconds
              << " s, the slowest kill and removal " << slowest << " s" << std::endl;
}

TEST_F(KillRaceClock, TheRealSetupKilledAtRandomInstantsIsUndoneByteForByte)
{
    writePackage(120);
    writeOriginals();
    const auto before = snapshot(gameFolder());
    const Outcome whole = run(setup(), install());
    ASSERT_EQ(whole.status, 0) << whole.err;
    ASSERT_EQ(run(setup(), removal()).status, 0);
    ASSERT_EQ(snapshot(gameFolder()), before);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    constexpr int Rounds = 10;
    int killedHalfWay = 0;
    for (int round = 0; round < Rounds; ++round) {
        // One kill in each tenth of a run's time, so that together they cover all of it.
        const double fraction = (round + std::uniform_real_distribution<double>(0, 1)(random)) / Rounds;
        SCOPED_TRACE("killed after " + std::to_string(fraction * whole.seconds) + " s");
        int status = 0;
        {
            ChildProcess p(setup(), install(), outputFolder(), {}, packageFolder());
            std::this_thread::sleep_for(std::chrono::duration<double>(fraction * whole.seconds));
            p.signal(SIGKILL);
            status = p.wait();
        }
        EXPECT_TRUE(status == -SIGKILL || status == 0) << status;
        const Outcome undone = run(setup(), removal());
        EXPECT_TRUE(undone.status == 0 || (status == -SIGKILL && undone.err == notInstalledLine()))
            << undone.status << ": " << undone.err;
        ASSERT_EQ(snapshot(gameFolder()), before);
        killedHalfWay += status == -SIGKILL && undone.status == 0;
    }
    EXPECT_GT(killedHalfWay, 0) << "no kill landed after the first file was recorded";
    std::cout << killedHalfWay << " of " << Rounds << " kills landed half-way; a whole run took "
              << whole.seconds << " s" << std::endl;
}

TEST_F(KillRaceClock, AnInstallationAndARemovalAtOnceLeaveOneWholeState)
{
    writePackage(60);
    writeOriginals();
    const auto first = snapshot(gameFolder());
    int busy = 0;
    for (int round = 0; round < 24; ++round) {
        const int delayMs = round * 5 % 21; // 0 to 20 ms, each once in the first 21 rounds
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(delayMs) + " ms apart");
        if (!installed())
            ASSERT_EQ(run(setup(), install()).status, 0);
        ChildProcess removing(setup(), removal(), outputFolder(), {}, packageFolder());
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ChildProcess installing(setup(), install(), outputFolder(), {}, packageFolder());
        for (ChildProcess *p : {&removing, &installing}) {
            const int status = p->wait();
            EXPECT_TRUE(status == 0 || status == 2) << status << ": " << p->err();
            if (status == 2)
                EXPECT_EQ(p->err(), busyLine());
            busy += status == 2;
        }
        const bool isInstalled = installed();
        ASSERT_TRUE(isInstalled || removed()) << "a mix of installed and removed files";
        if (!isInstalled) {
            EXPECT_EQ(snapshot(gameFolder()), first);
            continue;
        }
        // No original lost: each is kept in the backup area.
        std::set<std::string> kept;
        for (const auto &[name, content] : digests(gameFolder() + "/Quernel Backup"))
            kept.insert(content);
        for (const auto &[name, bytes] : originals)
            EXPECT_TRUE(kept.count(std::to_string(bytes.size()) + " bytes, " + installer::sha256Hex(bytes)))
                << name;
    }
    EXPECT_GT(busy, 0) << "the two never met";
    if (installed())
        EXPECT_EQ(run(setup(), removal()).status, 0);
    EXPECT_EQ(snapshot(gameFolder()), first);
    std::cout << busy << " of 24 rounds had one setup turned away as busy" << std::endl;
}

TEST_F(KillRaceClock, WhileAnotherHoldsTheGameFolderSetupAndRemovalExitAtOnce)
{
    writePackage(20);
    writeOriginals();
    const auto first = snapshot(gameFolder());
    ASSERT_EQ(run(setup(), install()).status, 0);
    const std::string area = gameFolder() + "/Quernel Backup";
    installer::GameFolderLock lock = installer::GameFolderLock::tryLock(area);
    ASSERT_TRUE(lock.held()) << lock.error();
    const auto locked = snapshot(gameFolder());
    for (const auto &arguments : {install(), removal()}) {
        SCOPED_TRACE(arguments.front());
        const Outcome r = run(setup(), arguments);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, busyLine());
        EXPECT_EQ(r.out, "");
        EXPECT_LT(r.seconds, 0.5);
        EXPECT_EQ(snapshot(gameFolder()), locked);
    }
    lock.leave(area);
    EXPECT_EQ(run(setup(), removal()).status, 0);
    EXPECT_EQ(snapshot(gameFolder()), first);
}

TEST_F(KillRaceClock, ASetupComingAsTheLastLeavesGetsTheLockOrIsBusy)
{
    // The holder that leaves removes the backup area once it is empty, maybe just as the next
    // setup is about to make its lock file there: that one is never refused for it.
    const std::string area = gameFolder() + "/Quernel Backup";
    std::atomic<int> failed = 0;
    const auto takeAndLeave = [&] {
        for (int i = 0; i < 20000; ++i) {
            installer::GameFolderLock lock = installer::GameFolderLock::tryLock(area);
            failed += lock.state() == installer::GameFolderLock::State::Failed;
            if (lock.held())
                lock.leave(area);
        }
    };
    std::thread other(takeAndLeave);
    takeAndLeave();
    other.join();
    EXPECT_EQ(failed, 0);
    EXPECT_FALSE(fs::exists(area));
}

TEST_F(KillRaceClock, RemovalFollowsTheOrderOfInstallationsNotTheClock)
{
    // The second installation's time lies before the first's: by the zone its setup ran in, or
    // by a record's Installed line edited a year away from the other's.
    struct Case
    {
        const char *what;
        std::string firstZone, secondZone;
        int newerYears, olderYears; // added to the year of the other record's time; 0: not edited
    };
    const Case cases[] = {
        {"clock set back by the time zone", "TZ=Asia/Tokyo", "TZ=America/Los_Angeles", 0, 0},
        {"newer record dated a year before the older", "TZ=UTC", "TZ=UTC", -1, 0},
        {"older record dated a year after the newer", "TZ=UTC", "TZ=UTC", 0, +1},
    };
    const auto editInstalled = [](const installer::InstallRecord &record, const std::string &other,
                                  int years) {
        const std::string when = std::to_string(std::stoi(other.substr(0, 4)) + years) + other.substr(4);
        writeFile(record.path(), std::regex_replace(readFile(record.path()), std::regex("Installed=[^\r\n]*"),
                                                    "Installed=" + when));
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(gameFolder());
        writeFile(inGame("Midtown2.exe"), "MZ game");
        writePackage(12, "v1");
        writeOriginals();
        const auto first = snapshot(gameFolder());
        const Outcome older = run(setup(), install(), {c.firstZone});
        ASSERT_EQ(older.status, 0) << older.err;
        writePackage(12, "v2");
        const Outcome newer = run(setup(), install(), {c.secondZone});
        ASSERT_EQ(newer.status, 0) << newer.err;
        ASSERT_TRUE(installed());

        const auto records = installer::recordedInstallations(gameFolder());
        ASSERT_EQ(records.size(), 2u);
        ASSERT_EQ(records[0].sequence + 1, records[1].sequence);
        if (c.newerYears != 0)
            editInstalled(records[1], records[0].installedAt, c.newerYears);
        if (c.olderYears != 0)
            editInstalled(records[0], records[1].installedAt, c.olderYears);
        const auto reread = installer::recordedInstallations(gameFolder());
        ASSERT_EQ(reread.size(), 2u);
        EXPECT_LT(reread[1].installedAt, reread[0].installedAt) << "the clock did not go back";

        // Newest first, all of them in one run: the originals are back.
        const Outcome undone = run(setup(), removal());
        EXPECT_EQ(undone.status, 0) << undone.err;
        EXPECT_EQ(snapshot(gameFolder()), first);
        const Outcome again = run(setup(), removal());
        EXPECT_EQ(again.status, 1);
        EXPECT_EQ(again.err, notInstalledLine());
    }
}

TEST_F(KillRaceClock, ReadOnlyPackageFilesInstallAsNewFilesAndAReadOnlyOriginalIsRefused)
{
    writePackage(10, "v1", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    writeOriginals();
    const auto first = snapshot(gameFolder());
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const fs::perms newFileMode = fs::perms(0666 & ~mask);
    for (const char *what : {"installed", "installed again over itself"}) {
        SCOPED_TRACE(what);
        const Outcome r = run(setup(), install());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(installed());
        for (const auto &[name, bytes] : packageBytes)
            EXPECT_EQ(octal(fs::status(inGame(name)).permissions()), octal(newFileMode)) << name;
    }
    const Outcome undone = run(setup(), removal());
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(snapshot(gameFolder()), first);

    // The player's own read-only file is not replaced behind their back.
    const std::string &name = originals.begin()->first;
    fs::permissions(inGame(name), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto readOnly = snapshot(gameFolder());
    const Outcome refused = run(setup(), install());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "setup.exe: " + name + " in the game folder is read-only and cannot be replaced.\n");
    EXPECT_EQ(snapshot(gameFolder()), readOnly);
}

} // namespace
