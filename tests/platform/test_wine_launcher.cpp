// When Test Package may start a package's setup.exe through Wine: Wine on PATH and a prefix that
// is already set up for the user.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "Wine.h"

using platform::findWineLauncher;

namespace {

class WineLauncher : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString at(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }

    void writeFile(const QString &relative, QFile::Permissions permissions)
    {
        QDir().mkpath(QFileInfo(at(relative)).absolutePath());
        QFile f(at(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(permissions);
    }
    void installWine() { writeFile("bin/wine", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); }
    void setUpPrefix(const QString &relative) { writeFile(relative + "/system.reg", QFile::ReadOwner); }

    QProcessEnvironment environment(const QString &winePrefix = {}) const
    {
        QProcessEnvironment env;
        env.insert("PATH", at("empty") + ":" + at("bin"));
        env.insert("HOME", at("home"));
        if (!winePrefix.isNull())
            env.insert("WINEPREFIX", winePrefix);
        return env;
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
    writeFile("bin/wine", QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(findWineLauncher(environment()), "") << "a wine that cannot be run";

    installWine();
    QDir().mkpath(at("empty prefix"));
    EXPECT_EQ(findWineLauncher(environment(at("empty prefix"))), "") << "a prefix never set up";
    EXPECT_EQ(findWineLauncher(environment(at("gone"))), "") << "WINEPREFIX wins over ~/.wine";
    ASSERT_TRUE(QDir(at("home/.wine")).removeRecursively());
    EXPECT_EQ(findWineLauncher(environment()), "") << "no ~/.wine";
}
