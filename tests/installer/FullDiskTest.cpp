// The installer on a small volume of its own (tmpfs; mounting needs root, as in CI, and the tests
// are skipped elsewhere): the space check counts what files really take, and a volume that fills
// up half-way all the same leaves a record that the next removal undoes byte for byte.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <regex>

#include "ChildProcess.h"
#include "FolderDigests.h"
#include "Installation.h"

using namespace installer;
using namespace installer_test;

namespace {

const std::string BuiltSetup = QUERNEL_PROGRAM_DIR "/Redist/setup";

// A tmpfs of the given size on a folder of the fixture's while the object lives.
class SmallVolume
{
public:
    SmallVolume(const std::string &path, std::size_t kib) : m_path(path)
    {
        fs::create_directories(path);
        const std::string options = "size=" + std::to_string(kib) + "k";
        m_mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallVolume()
    {
        if (m_mounted && ::umount2(m_path.c_str(), 0) != 0)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }

    // Writes a file outside the game folder until the volume takes no more.
    void fill() const
    {
        const std::string chunk(4096, 'f');
        std::FILE *filler = std::fopen((m_path + "/filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        std::setvbuf(filler, nullptr, _IONBF, 0);
        while (std::fwrite(chunk.data(), 1, chunk.size(), filler) == chunk.size()) {
        }
        std::fclose(filler);
    }

private:
    std::string m_path;
    bool m_mounted = false;
};

class FullDiskTest : public PackageFixture
{
protected:
    std::string volume() const { return at("volume"); }
    std::string game() const { return volume() + "/Game"; }

    // Many small files, the first `originals` of them in the game folder already.
    Package smallFilesPackage(int files, int originals)
    {
        const std::string folder = at("Small");
        fs::create_directories(game());
        writeFile(game() + "/Midtown2.exe", "MZ");
        setEntry(folder + "/install.ini", "install.ini", "Name", "Small Pack");
        for (int i = 1; i <= files; ++i) {
            const std::string name = "part" + std::to_string(i) + ".ar";
            setEntry(folder + "/install.ini", "Files", "File" + std::to_string(i), name);
            writeFile(folder + '/' + name, archiveBytes("np", 1000 + i));
            if (i <= originals)
                writeFile(game() + '/' + name, archiveBytes("og", 900 + i));
        }
        setEntry(folder + "/install.ini", "install.ini", "TotalFiles", " " + std::to_string(files));
        Package package;
        std::string error;
        EXPECT_TRUE(loadPackage(folder, &package, &error)) << error;
        return package;
    }
};

TEST_F(FullDiskTest, TheSpaceCheckCountsAllocationUnitsAndShowsFiguresThatDiffer)
{
    SmallVolume small(volume(), 2048);
    if (!small.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    // 400 files of about 1 KB: 0.4 MB in bytes, 1.6 MB in 4 KB units beside 100 originals.
    Installation installation(smallFilesPackage(400, 100), game());
    const auto before = digests(game());
    const InstallResult r = installation.run([](const std::string &) { return ReplaceAnswer::YesToAll; });
    EXPECT_FALSE(r.ok);
    std::smatch figures;
    ASSERT_TRUE(std::regex_search(
        r.error, figures, std::regex("the package needs ([0-9.]+ [KMG]B), ([0-9.]+ [KMG]B) are free\\.$")))
        << r.error;
    EXPECT_NE(figures[1].str(), figures[2].str());
    EXPECT_EQ(r.installed.size(), 0u);
    EXPECT_EQ(digests(game()), before);
}

TEST_F(FullDiskTest, AVolumeThatFillsUpHalfWayIsRestoredByTheNextRemoval)
{
    SmallVolume small(volume(), 6144);
    if (!small.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    Installation installation(smallFilesPackage(400, 100), game());
    const auto before = digests(game());
    // Another program takes the rest of the volume while the installation is under way.
    installation.setProgress([&](int index, int, const std::string &) {
        if (index == 150)
            small.fill();
    });
    const InstallResult r = installation.run([](const std::string &) { return ReplaceAnswer::YesToAll; });
    ASSERT_FALSE(r.ok);
    EXPECT_TRUE(contains(r.error, "No space left on device")) << r.error;
    EXPECT_GE(r.installed.size(), 150u);
    EXPECT_LT(r.installed.size(), 400u);

    // The removal runs on the full volume: originals go back by name, nothing needs copying.
    fs::create_directories(at("output"));
    ChildProcess removal(BuiltSetup, {"--uninstall", "Small Pack", "--target", game(), "--yes"},
                         at("output"));
    EXPECT_EQ(removal.wait(), 0) << removal.err();
    EXPECT_EQ(digests(game()), before);
}

} // namespace
