#include <gtest/gtest.h>

#include "Package.h"
#include "PackageFixture.h"

using namespace installer;
using namespace installer_test;

namespace {

class PackageTest : public PackageFixture
{
protected:
    void SetUp() override { writeTypicalPackage(); }

    QString loadError()
    {
        Package p;
        QString error;
        EXPECT_FALSE(loadPackage(packageFolder(), &p, &error));
        return error;
    }
};

} // namespace

TEST_F(PackageTest, ReadsEveryEntryOfTheTypicalRun)
{
    ASSERT_TRUE(readFile(ini()).contains("TotalFiles= 2\r\n")); // the wizard's leading blank
    Package p;
    QString error;
    ASSERT_TRUE(loadPackage(packageFolder(), &p, &error)) << error.toStdString();
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
    EXPECT_EQ(p.files, (QStringList{"city.ar", "cars.ar"}));
}

TEST_F(PackageTest, OptionalEntriesHaveTheirPlainMeanings)
{
    WriteINI(ini(), "install.ini", "mmType", "1");
    WriteINI(ini(), "Progress Bar", "Smooth", "False");
    WriteINI(ini(), "install.ini", "Readme", "");
    Package p;
    ASSERT_TRUE(loadPackage(packageFolder(), &p, nullptr));
    EXPECT_EQ(p.gameVersion, 1);
    EXPECT_FALSE(p.smooth);
    EXPECT_TRUE(p.readme.isEmpty());

    // No display option was ever clicked: the section is missing, and blocks it is.
    QByteArray text = readFile(ini());
    text.replace("[Progress Bar]\r\nSmooth=False\r\n", "");
    writeFile(ini(), text);
    WriteINI(ini(), "install.ini", "mmType", "3");
    ASSERT_TRUE(loadPackage(packageFolder(), &p, nullptr));
    EXPECT_FALSE(p.smooth);
    EXPECT_EQ(p.gameVersion, 0);
    EXPECT_EQ(gameTitle(p.gameVersion), "Midtown Madness");
    EXPECT_EQ(gameTitle(2), "Midtown Madness 2");
}

TEST_F(PackageTest, OnlyTheFilesUpToTotalFilesCountAndEachOnce)
{
    // A later opening of the picker starts again at File1; File3 of an earlier one stays behind.
    WriteINI(ini(), "Files", "File3", "old.ar");
    WriteINI(ini(), "Files", "File2", "city.ar");
    Package p;
    ASSERT_TRUE(loadPackage(packageFolder(), &p, nullptr));
    EXPECT_EQ(p.files, QStringList{"city.ar"});
}

TEST_F(PackageTest, RefusesAPackageThatCannotBeInstalled)
{
    struct Case
    {
        const char *section;
        const char *key;
        const char *value;
        const char *reasonPart;
    };
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
    };
    const QByteArray original = readFile(ini());
    for (const Case &c : cases) {
        writeFile(ini(), original);
        WriteINI(ini(), c.section, c.key, c.value);
        const QString error = loadError();
        EXPECT_TRUE(error.contains(QLatin1String(c.reasonPart)))
            << c.key << "=" << c.value << ": " << error.toStdString();
        EXPECT_FALSE(error.contains(QLatin1Char('\n')));
    }
}

TEST_F(PackageTest, RefusesAMissingIniOrTotalAndAGapInTheList)
{
    QByteArray text = readFile(ini());
    writeFile(ini(), QByteArray(text).replace("TotalFiles= 2\r\n", ""));
    EXPECT_TRUE(loadError().contains("no TotalFiles entry"));

    writeFile(ini(), QByteArray(text).replace("File1=city.ar\r\n", ""));
    EXPECT_TRUE(loadError().contains("has no File1"));

    QFile::remove(ini());
    EXPECT_TRUE(loadError().contains("There is no install.ini"));
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
    for (const char *good : {"city.ar", "My City.AR", ".hidden.ar", "a", "über.ar"})
        EXPECT_TRUE(isBareFileName(QString::fromUtf8(good))) << good;
    for (const char *bad : {"", " ", ".", "..", "../x.ar", "..\\x.ar", "a/b.ar", "a\\b.ar", "/abs.ar",
                            "x..ar", "C:x.ar", "tab\there.ar"})
        EXPECT_FALSE(isBareFileName(QString::fromUtf8(bad))) << bad;
}
