// Times the AR file picker's Add (the whole step: records, creation page, copy loop
// with its second copy of the last file, summary) against `cp` of the same files,
// and reports the peak memory. Not a test: run it by hand with `make bench` and
// build/bench/wizard/bench_add [scratch folder] [large|small] [rounds].
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include "FrmARAddARFiles.h"
#include "FrmARNew3.h"
#include "IniFuncs.h"
#include "Pages.h"
#include "QtRuntime.h"
#include "SystemPlatform.h"
#include "Vemko.h"

namespace {

class BenchPlatform : public platform::SystemPlatform
{
public:
    explicit BenchPlatform(std::string folder) : m_folder(std::move(folder)) {}
    std::string programFolder() const override { return m_folder; }

private:
    std::string m_folder;
};

// Message boxes are printed and answered OK: a run needs no hand at the keys.
class BenchRuntime : public form::qt::QtRuntime
{
public:
    int messageBox(const std::string &text, unsigned, const std::string &) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return form::IDOK;
    }
};

double cpuSeconds(bool system)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const timeval &tv = system ? usage.ru_stime : usage.ru_utime;
    return tv.tv_sec + tv.tv_usec / 1e6;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void makeFile(const QString &path, qint64 size)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char((i * 131) ^ (i >> 7));
    for (qint64 left = size; left > 0; left -= block.size())
        f.write(block.constData(), qMin<qint64>(left, block.size()));
}

struct Scenario
{
    const char *name;
    int count;
    qint64 size;
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// cp of the files, then cp of the last file once more, as the loop copies it twice.
double secondsOfCp(const QStringList &files, const QString &target)
{
    QDir().mkpath(target);
    QElapsedTimer t;
    t.start();
    QProcess cp;
    cp.start(QStringLiteral("cp"), QStringList(files) << target);
    cp.waitForFinished(-1);
    QProcess again;
    again.start(QStringLiteral("cp"), {files.last(), target + QStringLiteral("/again.ar")});
    again.waitForFinished(-1);
    return t.elapsed() / 1000.0;
}

struct AddRun
{
    double seconds;
    double user;
    double system;
    long waits;     // voluntary context switches: the Add waited (disk, journal)
    long preempted; // involuntary ones: other processes had the CPU
};

AddRun timeAdd(const QString &packageFolder, const QStringList &files)
{
    Vemko::PackageFolder = packageFolder.toStdString();
    QDir().mkpath(packageFolder);
    // The records the picker writes at each double-click, written in one go.
    QByteArray install = "[install.ini]\r\nName=Bench\r\n[Files]\r\n";
    QByteArray temp = "[Files]\r\n";
    for (int i = 1; i <= files.size(); ++i) {
        install += QStringLiteral("File%1=file%1.ar\r\n").arg(i).toUtf8();
        temp += QStringLiteral("File%1=%2\r\n").arg(i).arg(files[i - 1]).toUtf8();
    }
    QFile f(packageFolder + QStringLiteral("/install.ini"));
    f.open(QIODevice::WriteOnly);
    f.write(install);
    f.close();
    QFile g(packageFolder + QStringLiteral("/temp.ini"));
    g.open(QIODevice::WriteOnly);
    g.write(temp);
    g.close();

    frmARNew3().show();
    FrmARAddARFiles &picker = frmARAddARFiles();
    picker.show();
    picker.FileTotal = static_cast<std::int16_t>(files.size());
    const double userBefore = cpuSeconds(false);
    const double systemBefore = cpuSeconds(true);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer t;
    t.start();
    picker.cmdNext_Click();
    const double seconds = t.elapsed() / 1000.0;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    return {seconds, cpuSeconds(false) - userBefore, cpuSeconds(true) - systemBefore,
            after.ru_nvcsw - before.ru_nvcsw, after.ru_nivcsw - before.ru_nivcsw};
}

void run(const QString &scratch, const Scenario &s, int rounds)
{
    const QString program = scratch + QStringLiteral("/program");
    const QString sources = scratch + QStringLiteral("/sources");
    QDir(scratch).removeRecursively();
    QDir().mkpath(program);
    QDir().mkpath(sources);
    QStringList files;
    for (int i = 1; i <= s.count; ++i) {
        files << sources + QStringLiteral("/file%1.ar").arg(i);
        makeFile(files.last(), s.size);
    }

    BenchPlatform bench(program.toStdString());
    platform::install(&bench);
    BenchRuntime runtime;
    form::install(&runtime);
    Vemko::ResetState();

    // Alternate the two, each into a fresh folder, and take the medians.
    QList<double> cpTimes;
    QList<double> addTimes;
    AddRun last{};
    const long memoryBefore = peakKiB();
    // Each measure starts with the other's output deleted and nothing waiting to be
    // written back, and the order alternates, so that neither gains from the
    // blocks the other freed or pays for the other's dirty pages.
    const QString cpFolder = scratch + QStringLiteral("/cp");
    const QString packageFolder = program + QStringLiteral("/Bench");
    const auto fresh = [&] {
        QDir(cpFolder).removeRecursively();
        QDir(packageFolder).removeRecursively();
        ::sync();
    };
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            fresh();
            if ((round + turn) % 2 == 0) {
                cpTimes << secondsOfCp(files, cpFolder);
            } else {
                last = timeAdd(packageFolder, files);
                addTimes << last.seconds;
                pages::releaseAll();
            }
        }
    }
    fresh();
    const long memoryAfter = peakKiB();
    const double ours = median(addTimes);
    const double cpTime = median(cpTimes);
    const double bytes = double(s.size) * (s.count + 1);

    std::printf("%-22s Add %7.2f s (%7.1f MB/s)   cp %7.2f s (%7.1f MB/s)   throughput ratio %.2f   "
                "time ratio %.2f   peak memory %ld MB (before %ld MB)   last Add cpu: user %.2f s, system "
                "%.2f s, waits %ld, preempted %ld\n",
                s.name, ours, bytes / ours / 1e6, cpTime, bytes / cpTime / 1e6, cpTime / ours, ours / cpTime,
                memoryAfter / 1024, memoryBefore / 1024, last.user, last.system, last.waits, last.preempted);
    const double bestOurs = *std::min_element(addTimes.begin(), addTimes.end());
    const double bestCp = *std::min_element(cpTimes.begin(), cpTimes.end());
    std::printf(
        "%-22s best rounds: Add %.2f s, cp %.2f s: throughput ratio %.2f, time ratio %.2f (%lld rounds "
        "each)\n",
        "", bestOurs, bestCp, bestCp / bestOurs, bestOurs / bestCp, static_cast<long long>(addTimes.size()));
    std::printf("%-22s every round: Add", "");
    for (double t : addTimes)
        std::printf(" %.2f", t);
    std::printf(" s; cp");
    for (double t : cpTimes)
        std::printf(" %.2f", t);
    std::printf(" s\n");
    std::fflush(stdout);
    pages::releaseAll();
    form::install(nullptr);
    platform::install(nullptr);
    QDir(scratch).removeRecursively();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir base(argc > 1 ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/bench-add-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/bench-add-XXXXXX"));
    const Scenario scenarios[] = {{"3 files of 1 GiB", 3, qint64(1) << 30},
                                  {"5,000 files of 4 KiB", 5000, 4096}};
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString(); // "large" or "small"
    const int rounds = argc > 3 ? qMax(1, QString::fromLocal8Bit(argv[3]).toInt()) : 4;
    for (const Scenario &s : scenarios) {
        if (only.isEmpty() || (only == QLatin1String("large")) == (s.size > (1 << 20)))
            run(base.path() + QStringLiteral("/run"), s, rounds);
    }
    return 0;
}
