#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "Package.h"
#include "PackageFixture.h"
#include "Readme.h"

using namespace installer;
using namespace installer_test;

namespace {

class ReadmeTest : public PackageFixture
{
protected:
    void SetUp() override
    {
        writeTypicalPackage();
        std::string error;
        ASSERT_TRUE(loadPackage(packageFolder(), &package, &error)) << error;
    }

    Package package;
};

} // namespace

TEST_F(ReadmeTest, GivesTheBytesTheKindAndTheText)
{
    Readme readme;
    std::string error;
    ASSERT_TRUE(loadReadme(package, &readme, &error)) << error;
    EXPECT_EQ(readme.bytes, readmeBytes);
    EXPECT_FALSE(readme.rtf);
    EXPECT_EQ(readme.text, "My Pack\n=======\n\nTwo new cars.\n");

    const std::string rtf = "{\\rtf1\\ansi Caf\\'e9\\par}";
    writeFile(inPackage("readme.rtf"), rtf);
    package.readme = "readme.rtf";
    ASSERT_TRUE(loadReadme(package, &readme, &error)) << error;
    EXPECT_EQ(readme.bytes, rtf);
    EXPECT_TRUE(readme.rtf);
    EXPECT_EQ(readme.text, "Café");
}

// A readme that would hang the window (a FIFO no one writes), fill the memory (a link to
// /dev/zero) or show a file from outside the package is refused with a reason, at once.
TEST_F(ReadmeTest, OnlyARegularFileOfSaneSizeInsideThePackageIsRead)
{
    struct Case
    {
        const char *what;
        std::function<void(const std::string &path)> make;
    };
    const Case cases[] = {
        {"FIFO", [](const std::string &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        {"link to /dev/zero", [](const std::string &p) { fs::create_symlink("/dev/zero", p); }},
        {"link to /etc/passwd", [](const std::string &p) { fs::create_symlink("/etc/passwd", p); }},
        {"folder", [](const std::string &p) { fs::create_directory(p); }},
        {"over 4 MiB", [](const std::string &p) { writeFile(p, std::string(MaxReadmeBytes + 1, 'x')); }},
        {"missing", [](const std::string &) {}},
    };
    for (const Case &c : cases) {
        fs::remove(inPackage("readme.txt"));
        c.make(inPackage("readme.txt"));
        Readme readme;
        std::string error;
        EXPECT_FALSE(loadReadme(package, &readme, &error)) << c.what;
        EXPECT_NE(error.find("readme.txt"), std::string::npos) << c.what << ": " << error;
        EXPECT_TRUE(readme.bytes.empty() && readme.text.empty()) << c.what;
    }
    writeFile(inPackage("readme.txt"), std::string(MaxReadmeBytes, 'x'));
    Readme readme;
    EXPECT_TRUE(loadReadme(package, &readme, nullptr));
}
