// Faults that only real processes show: two installers at once in one game folder, a signal or a
// kill in the middle of a large copy.
#include <gtest/gtest.h>

#include <set>

#include "ChildProcess.h"
#include "InstallRecord.h"
#include "PackageFixture.h"
#include "Sha256.h"

using namespace installer_test;

namespace {

const std::string BuiltSetup = QUERNEL_PROGRAM_DIR "/Redist/setup"; // the Linux installer

class HostileSetup : public ::testing::Test
{
protected:
    TemporaryFolder root;
    TemporaryFolder output;

    std::string at(const std::string &relative) const { return root.path() + '/' + relative; }
    std::string game() const { return at("Game"); }

    // A package of the given files, named name, in folder.
    void writePackage(const std::string &folder, const std::string &name,
                      const std::vector<std::pair<std::string, std::string>> &files)
    {
        const std::string ini = at(folder) + "/install.ini";
        fs::create_directories(at(folder));
        setEntry(ini, "install.ini", "Name", name);
        setEntry(ini, "install.ini", "mmType", "2");
        for (std::size_t i = 0; i < files.size(); ++i) {
            setEntry(ini, "Files", "File" + std::to_string(i + 1), files[i].first);
            writeFile(at(folder) + '/' + files[i].first, files[i].second);
        }
        setEntry(ini, "install.ini", "TotalFiles", std::to_string(files.size()));
    }

    std::unique_ptr<ChildProcess> start(const std::string &packageFolder,
                                        const std::string &program = BuiltSetup)
    {
        return std::make_unique<ChildProcess>(
            program, std::vector<std::string>{"--package", at(packageFolder), "--target", game(), "--yes"},
            output.path());
    }

    // Big enough that a copy, flushed to disk, takes a good while.
    static std::string bigBytes(char seed)
    {
        std::string bytes(std::size_t(64) << 20, '\0');
        for (std::size_t i = 0; i < bytes.size(); i += 4096)
            std::fill_n(bytes.begin() + std::ptrdiff_t(i), 4096, char(seed + i / 4096));
        return bytes;
    }
};

} // namespace

TEST_F(HostileSetup, TwoInstallersAtOnceNeverLoseAnOriginal)
{
    constexpr int Files = 8;
    for (int round = 0; round < 6; ++round) {
        fs::remove_all(at("Game"));
        std::map<std::string, std::string> originals;
        std::vector<std::pair<std::string, std::string>> a, b;
        writeFile(game() + "/Midtown2.exe", "MZ");
        for (int i = 1; i <= Files; ++i) {
            const std::string name = "track" + std::to_string(i) + ".ar";
            originals[name] = "original " + std::to_string(round) + " " + name + std::string(4096, 'o');
            writeFile(game() + '/' + name, originals[name]);
            a.emplace_back(name, "from A " + name + std::string(8192, 'a'));
            b.emplace_back(name, "from B " + name + std::string(8192, 'b'));
        }
        // The same package name twice, as two copies of one package would have.
        writePackage("A", "Twin Pack", a);
        writePackage("B", "Twin Pack", b);

        auto first = start("A");
        auto second = start("B");
        // One works on the folder; the other either came after it or was turned away at once.
        const int firstStatus = first->wait();
        const int secondStatus = second->wait();
        ASSERT_TRUE(firstStatus == 0 || firstStatus == 2) << first->err();
        ASSERT_TRUE(secondStatus == 0 || secondStatus == 2) << second->err();
        ASSERT_TRUE(firstStatus == 0 || secondStatus == 0);
        const int runs = (firstStatus == 0) + (secondStatus == 0);

        std::map<std::string, std::multiset<std::string>> backedUp;
        int folders = 0;
        for (const auto &folder : fs::directory_iterator(game() + "/Quernel Backup")) {
            ++folders;
            int count = 0;
            for (const auto &file : fs::directory_iterator(folder.path())) {
                if (file.path().filename() == "Quernel Installation.ini" ||
                    file.path().filename() == "Quernel Journal.ini")
                    continue;
                ++count;
                backedUp[file.path().filename().string()].insert(readFile(file.path().string()));
            }
            EXPECT_EQ(count, Files) << "round " << round << ": " << folder.path();
            // Each run recorded every file, with the digest of the original it kept.
            std::string error;
            const auto record = installer::readRecord(folder.path().string(), &error);
            ASSERT_TRUE(record) << error;
            EXPECT_TRUE(record->complete);
            EXPECT_EQ(record->files.size(), std::size_t(Files));
            for (const installer::RecordedFile &file : record->files)
                EXPECT_EQ(file.originalSha256,
                          installer::sha256Hex(readFile(folder.path().string() + '/' + file.backupName)))
                    << "round " << round << ": " << file.name;
        }
        EXPECT_EQ(folders, runs) << "round " << round;
        for (int i = 0; i < Files; ++i) {
            const std::string &name = a[std::size_t(i)].first;
            EXPECT_TRUE(backedUp[name].count(originals[name]))
                << "round " << round << ": original of " << name << " lost";
            const std::string installed = readFile(game() + '/' + name);
            EXPECT_TRUE(installed == a[std::size_t(i)].second || installed == b[std::size_t(i)].second)
                << name;
        }
    }
}

TEST_F(HostileSetup, InterruptOrTerminateDuringACopyLeavesNoTemporary)
{
    writePackage("Big", "Big Pack", {{"big.ar", bigBytes('n')}});
    // setup.exe itself, and the same command line with named temporaries only, as on a file
    // system without unnamed files.
    for (const auto &[program, signal] : {std::pair{BuiltSetup, SIGINT}, std::pair{BuiltSetup, SIGTERM},
                                          std::pair{std::string(NAMED_TEMPORARIES_SETUP), SIGINT},
                                          std::pair{std::string(NAMED_TEMPORARIES_SETUP), SIGTERM}}) {
        fs::remove_all(game());
        writeFile(game() + "/Midtown2.exe", "MZ");
        const auto before = listing(game());
        auto setup = start("Big", program);
        // The source open, then its temporary in the game folder: the copy is under way.
        ASSERT_TRUE(setup->waitForOpenFileUnder(at("Big/big.ar"))) << "no copy seen: " << setup->err();
        ASSERT_TRUE(setup->waitForOpenFileUnder(game() + '/')) << "no copy seen: " << setup->err();
        setup->signal(signal);
        EXPECT_EQ(setup->wait(), -signal);
        // Nor the folder the run claimed in the backup area, empty still.
        EXPECT_EQ(listing(game()), before) << program << ", signal " << signal;
    }
}

TEST_F(HostileSetup, AKillInTheMiddleOfALargeFileLeavesTheOldOrTheNewFileWhole)
{
    const std::string oldBytes = bigBytes('o');
    const std::string newBytes = bigBytes('n');
    writePackage("Big", "Big Pack", {{"big.ar", newBytes}});
    int sawOld = 0;
    for (const int delayMs : {0, 50, 300}) {
        fs::remove_all(game());
        writeFile(game() + "/Midtown2.exe", "MZ");
        writeFile(game() + "/big.ar", oldBytes);
        auto setup = start("Big");
        // The copy of the package's file, made after the backup of the old one: the source is open
        // and so is its copy, staged in the run's folder.
        ASSERT_TRUE(setup->waitForOpenFileUnder(at("Big/big.ar"))) << "no copy seen: " << setup->err();
        ASSERT_TRUE(setup->waitForOpenFileUnder(game() + "/Quernel Backup/"))
            << "no copy seen: " << setup->err();
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        setup->signal(SIGKILL);
        setup->wait();
        const std::string now = readFile(game() + "/big.ar");
        EXPECT_TRUE(now == oldBytes || now == newBytes)
            << "after " << delayMs << " ms: " << now.size() << " bytes";
        sawOld += now == oldBytes;
    }
    EXPECT_GT(sawOld, 0); // at least one kill landed before the new file took the old one's place
}
