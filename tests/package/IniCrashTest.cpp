// A writer killed in the middle of a burst of writes never leaves a broken file: every time, the
// file reads whole and every entry holds a complete value, and nothing the killed write left beside
// the file outlives the next write.
#include <random>

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "IniFuncs.h"
#include "IniTestFiles.h"

namespace {

constexpr int Keys = 40;
constexpr int Kills = 25;

// A large first section makes each write long enough to be hit while it runs.
QByteArray padding()
{
    QByteArray bytes = "[Pad]\r\n";
    for (int i = 1; i <= 3000; ++i)
        bytes += "Pad" + QByteArray::number(i) + '=' + QByteArray(40, 'p') + "\r\n";
    return bytes;
}

TEST(IniCrashTest, KilledWriterLeavesAWholeFile)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/install.ini";
    const QByteArray pad = padding();
    ASSERT_TRUE(IniTestFiles::writeBytes(file, pad));

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayMs(0, 10);
    int firstRoundCut = 0;
    int strays = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        // Every kill starts from the padding alone, so that a kill inside the first
        // burst shows as missing entries.
        ASSERT_TRUE(IniTestFiles::writeBytes(file, pad));
        QProcess writer;
        writer.start(INI_BURST_WRITER_PATH, {file, QString::number(Keys)});
        ASSERT_TRUE(writer.waitForReadyRead(10000)) << "the writer did not start";
        QThread::msleep(delayMs(random));
        writer.kill(); // SIGKILL
        ASSERT_TRUE(writer.waitForFinished(10000));
        ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit);

        const QByteArray bytes = IniTestFiles::readBytes(file);
        ASSERT_TRUE(bytes.startsWith(pad)) << "kill " << kill;
        ASSERT_TRUE(bytes.endsWith("\r\n")) << "kill " << kill;
        EXPECT_EQ(ReadINI(file, "Pad", "Pad3000", ""), QString(40, u'p'));
        int present = 0;
        for (int key = 1; key <= Keys; ++key) {
            const QString value = ReadINI(file, "Files", "File" + QString::number(key), "<none>");
            if (value == "<none>")
                continue;
            ++present;
            const QRegularExpression whole(
                QStringLiteral("^r\\d+k%1:%2{150}#end$").arg(key).arg(QChar(u'a' + key % 26)));
            EXPECT_TRUE(whole.match(value).hasMatch())
                << "kill " << kill << ": File" << key << "=" << value.toStdString();
        }
        EXPECT_GE(present, 1);
        // Only the entries of the section and nothing else were added.
        EXPECT_EQ(bytes.count("\r\n"), 3001 + 1 + present) << "kill " << kill;
        firstRoundCut += present < Keys;

        WriteINI(file, "Files", "Next", QString::number(kill));
        const QStringList left =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        strays += int(left.size()) - 1;
        EXPECT_EQ(left, QStringList{"install.ini"}) << "kill " << kill << ": left after the next write";
    }
    EXPECT_GT(firstRoundCut, 0) << "no kill landed inside the first burst";
    EXPECT_EQ(strays, 0);
}

} // namespace
