#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "Package.h"
#include "PackageFixture.h"

using namespace installer;
using namespace installer_test;

namespace {

using Names = std::vector<std::string>;

class PackageTest : public PackageFixture
{
protected:
    void SetUp() override { writeTypicalPackage(); }

    std::string loadError()
    {
        Package p;
        std::string error;
        EXPECT_FALSE(loadPackage(packageFolder(), &p, &error));
        return error;
    }
};

} // namespace

TEST_F(PackageTest, ReadsEveryEntryOfTheTypicalRun)
{
    ASSERT_TRUE(contains(readFile(ini()), "TotalFiles= 2\r\n")); // the wizard's leading blank
    Package p;
    std::string error;
    ASSERT_TRUE(loadPackage(packageFolder(), &p, &error)) << error;
    EXPECT_EQ(p.folder, packageFolder());
    EXPECT_EQ(p.name, "My Pack");
    EXPECT_EQ(p.copyright, "(c) 2001 Jo Author");
    EXPECT_EQ(p.author, "Jo Author");
    EXPECT_EQ(p.www, "www.example.com/mypack");
    EXPECT_EQ(p.email, "jo@example.com");
    EXPECT_EQ(p.readme, "readme.txt");
    EXPECT_EQ(p.gameVersion, 2);
    EXPECT_EQ(p.timerText, "30");
    EXPECT_EQ(p.readmeDelay, 30);
    EXPECT_TRUE(p.smooth);
    EXPECT_EQ(p.files, (Names{"city.ar", "cars.ar"}));
}

TEST_F(PackageTest, OptionalEntriesHaveTheirPlainMeanings)
{
    setEntry(ini(), "install.ini", "mmType", "1");
    setEntry(ini(), "Progress Bar", "Smooth", "False");
    setEntry(ini(), "install.ini", "Readme", "");
    Package p;
    ASSERT_TRUE(loadPackage(packageFolder(), &p, nullptr));
    EXPECT_EQ(p.gameVersion, 1);
    EXPECT_FALSE(p.smooth);
    EXPECT_TRUE(p.readme.empty());

    // No display option was ever clicked: the section is missing, and blocks it is.
    std::string text = readFile(ini());
    const std::string section = "[Progress Bar]\r\nSmooth=False\r\n";
    ASSERT_TRUE(contains(text, section));
    text.erase(text.find(section), section.size());
    writeFile(ini(), text);
    setEntry(ini(), "install.ini", "mmType", "3");
    ASSERT_TRUE(loadPackage(packageFolder(), &p, nullptr));
    EXPECT_FALSE(p.smooth);
    EXPECT_EQ(p.gameVersion, 0);
    EXPECT_EQ(gameTitle(p.gameVersion), "Midtown Madness");
    EXPECT_EQ(gameTitle(2), "Midtown Madness 2");
}

TEST_F(PackageTest, OnlyTheFilesUpToTotalFilesCountAndEachOnce)
{
    // A later opening of the picker starts again at File1; File3 of an earlier one stays behind.
    setEntry(ini(), "Files", "File3", "old.ar");
    setEntry(ini(), "Files", "File2", "city.ar");
    Package p;
    ASSERT_TRUE(loadPackage(packageFolder(), &p, nullptr));
    EXPECT_EQ(p.files, Names{"city.ar"});
}

TEST_F(PackageTest, RefusesAPackageThatCannotBeInstalled)
{
    struct Case
    {
        const char *section;
        const char *key;
        std::string value;
        const char *reasonPart;
    };
    const std::string longName = std::string(252, 'n') + ".ar"; // 255 bytes: a read gives 254
    const Case cases[] = {
        {"install.ini", "TotalFiles", "two", "not a number"},
        {"install.ini", "TotalFiles", "2.5", "not a number"},
        {"install.ini", "TotalFiles", "-1", "negative"},
        {"install.ini", "TotalFiles", "0", "nothing to install"},
        {"install.ini", "TotalFiles", "3", "has no File3"},
        {"Files", "File2", "../cars.ar", "not a plain file name"},
        {"Files", "File2", "sub/cars.ar", "not a plain file name"},
        {"Files", "File2", "sub\\cars.ar", "not a plain file name"},
        {"Files", "File2", "..", "not a plain file name"},
        {"Files", "File2", "C:cars.ar", "not a plain file name"},
        {"Files", "File2", "", "not a plain file name"},
        {"Files", "File2", "gone.ar", "missing from the package folder"},
        {"install.ini", "Readme", "../../etc/passwd", "not a plain file name"},
        {"Files", "File2", longName, "File2 in install.ini is longer than 254 bytes"},
        {"install.ini", "Readme", longName, "Readme in install.ini is longer than 254 bytes"},
    };
    const std::string original = readFile(ini());
    for (const Case &c : cases) {
        writeFile(ini(), original);
        setEntry(ini(), c.section, c.key, c.value);
        const std::string error = loadError();
        EXPECT_TRUE(contains(error, c.reasonPart)) << c.key << "=" << c.value << ": " << error;
        EXPECT_FALSE(contains(error, "\n"));
    }
}

TEST_F(PackageTest, AFileNameOf254BytesIsReadWhole)
{
    const std::string name = std::string(251, 'n') + ".ar";
    writeFile(inPackage(name), "x");
    setEntry(ini(), "Files", "File2", name);
    Package p;
    std::string error;
    ASSERT_TRUE(loadPackage(packageFolder(), &p, &error)) << error;
    EXPECT_EQ(p.files, (Names{"city.ar", name}));
}

TEST_F(PackageTest, RefusesAMissingIniOrTotalAndAGapInTheList)
{
    const std::string text = readFile(ini());
    auto without = [&](const std::string &line) {
        std::string changed = text;
        changed.erase(changed.find(line), line.size());
        return changed;
    };
    writeFile(ini(), without("TotalFiles= 2\r\n"));
    EXPECT_TRUE(contains(loadError(), "no TotalFiles entry"));

    writeFile(ini(), without("File1=city.ar\r\n"));
    EXPECT_TRUE(contains(loadError(), "has no File1"));

    fs::remove(ini());
    EXPECT_TRUE(contains(loadError(), "There is no install.ini"));
}

// Links and special files a downloaded package may hold: nothing outside the package folder is
// ever taken for one of its files.
TEST_F(PackageTest, RefusesAListedFileThatIsALinkOrNoRegularFile)
{
    struct Case
    {
        const char *what;
        std::function<void(const std::string &path)> make;
        const char *reasonPart;
    };
    const Case cases[] = {
        {"link to /etc/passwd", [](const std::string &p) { fs::create_symlink("/etc/passwd", p); },
         "cars.ar in the package folder is a symbolic link"},
        {"link to /proc/self/environ",
         [](const std::string &p) { fs::create_symlink("/proc/self/environ", p); },
         "cars.ar in the package folder is a symbolic link"},
        {"link inside the package", [](const std::string &p) { fs::create_symlink("city.ar", p); },
         "cars.ar in the package folder is a symbolic link"},
        {"FIFO", [](const std::string &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         "cars.ar is listed in install.ini but missing"},
        {"folder", [](const std::string &p) { fs::create_directory(p); },
         "cars.ar is listed in install.ini but missing"},
    };
    for (const Case &c : cases) {
        fs::remove(inPackage("cars.ar"));
        c.make(inPackage("cars.ar"));
        const std::string error = loadError();
        EXPECT_TRUE(contains(error, c.reasonPart)) << c.what << ": " << error;
    }
}

// Names Windows keeps for devices are refused on every system with that reason, whether the
// package holds such a file or not, as a listed file or as the readme.
TEST_F(PackageTest, RefusesANameWindowsReservesForADevice)
{
    const std::string original = readFile(ini());
    for (const char *name : {"CON.ar", "nul", "NUL.", "Aux.tar.gz", "prn", "con .ar", "COM1.ar", "com9",
                             "LPT1.ar", "lpt9.txt.", "NUL..."}) {
        for (const auto &[section, key] : {std::pair{"Files", "File2"}, std::pair{"install.ini", "Readme"}}) {
            writeFile(ini(), original);
            setEntry(ini(), section, key, name);
            writeFile(inPackage(name), "device");
            EXPECT_EQ(loadError(), std::string(name) + ": Windows reserves this name for a device.")
                << key << "=" << name;
            fs::remove(inPackage(name));
        }
        EXPECT_TRUE(isDeviceName(name)) << name;
    }
    EXPECT_TRUE(isDeviceName("prn "));
    EXPECT_TRUE(isDeviceName("Com5 . ar"));
    for (const char *name : {"CONX.ar", "con-track.ar", "COM0.ar", "COM10.ar", "LPT.ar", "xnul.ar", " nul.ar",
                             "nul_.ar", "auxiliary.ar", ".nul"})
        EXPECT_FALSE(isDeviceName(name)) << name;
}

TEST(ReadmeDelay, WholeSecondsUpTo99AsWrittenAnythingElseThirty)
{
    EXPECT_EQ(readmeDelayFrom("30"), 30);
    EXPECT_EQ(readmeDelayFrom("10"), 10);
    EXPECT_EQ(readmeDelayFrom("99"), 99);
    EXPECT_EQ(readmeDelayFrom("5"), 5);
    EXPECT_EQ(readmeDelayFrom("05"), 5);
    EXPECT_EQ(readmeDelayFrom(" 7 "), 7);
    EXPECT_EQ(readmeDelayFrom("0"), 0);
    EXPECT_EQ(readmeDelayFrom("100"), 30);
    EXPECT_EQ(readmeDelayFrom("-5"), 30);
    EXPECT_EQ(readmeDelayFrom("+5"), 30);
    EXPECT_EQ(readmeDelayFrom("1a"), 30);
    EXPECT_EQ(readmeDelayFrom(""), 30);
    EXPECT_EQ(readmeDelayFrom("ab"), 30);
}

TEST(BareFileName, AcceptsNamesThatStayInTheirFolder)
{
    for (const char *good :
         {"city.ar", "My City.AR", ".hidden.ar", "a", "über.ar", "x..ar", "my..track.ar", "...ar", "..a"})
        EXPECT_TRUE(isBareFileName(good)) << good;
    for (const char *bad : {"", " ", ".", "..", "../x.ar", "..\\x.ar", "a/b.ar", "a\\b.ar", "/abs.ar",
                            "\\\\server\\x.ar", "C:x.ar", "C:\\x.ar", "tab\there.ar"})
        EXPECT_FALSE(isBareFileName(bad)) << bad;
}
