// Listing a folder of 100,000 files, half of them AR files: the core listing and
// the file list widget, which must both stay well under a second.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "DirList.h"
#include "FileList.h"
#include "FolderListing.h"

namespace {

constexpr int fileCount = 100'000;

// Made once for every benchmark: creating 100,000 files takes longer than listing them.
struct BigFolder
{
    QTemporaryDir temp;

    BigFolder()
    {
        for (int i = 0; i < fileCount; ++i) {
            // Mixed letter case, so that sorting without case has work to do.
            const QString name = QStringLiteral("%1%2.%3")
                                     .arg(i % 3 == 0 ? QStringLiteral("Track") : QStringLiteral("track"))
                                     .arg((i * 7919) % fileCount, 6, 10, QLatin1Char('0'))
                                     .arg(i % 2 == 0 ? QStringLiteral("ar") : QStringLiteral("txt"));
            const int fd =
                ::open(QFile::encodeName(temp.filePath(name)).constData(), O_CREAT | O_WRONLY, 0644);
            if (fd >= 0)
                ::close(fd);
        }
    }
};

QString bigFolder()
{
    static BigFolder folder;
    return folder.temp.path();
}

void BM_ListFiles(benchmark::State &state, const char *pattern)
{
    const QString folder = bigFolder();
    qsizetype listed = 0;
    for (auto _ : state) {
        const QStringList files = platform::listFiles(folder, QString::fromLatin1(pattern));
        listed = files.size();
        benchmark::DoNotOptimize(files);
    }
    state.counters["files"] = double(listed);
}
BENCHMARK_CAPTURE(BM_ListFiles, ar_half, "*.ar")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ListFiles, all, "*.*")->Unit(benchmark::kMillisecond);

void BM_ListSubfolders(benchmark::State &state)
{
    const QString folder = bigFolder();
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::listSubfolders(folder));
}
BENCHMARK(BM_ListSubfolders)->Unit(benchmark::kMillisecond);

// setPath on a shown list, through to the view's layout of the new rows.
void BM_FileListSetPath(benchmark::State &state, const char *pattern)
{
    const QString folder = bigFolder();
    platform::FileList list;
    list.setPattern(QString::fromLatin1(pattern));
    list.resize(300, 400);
    list.show();
    QApplication::processEvents();
    qsizetype listed = 0;
    for (auto _ : state) {
        list.setPath(folder);
        QApplication::processEvents();
        state.PauseTiming();
        listed = list.files().size();
        list.setPath(QStringLiteral("/")); // so that the next round lists afresh
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["files"] = double(listed);
}
BENCHMARK_CAPTURE(BM_FileListSetPath, ar_half, "*.ar")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FileListSetPath, all, "*.*")->Unit(benchmark::kMillisecond);

void BM_DirListSetPath(benchmark::State &state)
{
    const QString folder = bigFolder();
    platform::DirList list;
    list.show();
    QApplication::processEvents();
    for (auto _ : state) {
        list.setPath(folder);
        QApplication::processEvents();
        state.PauseTiming();
        list.setPath(QStringLiteral("/"));
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DirListSetPath)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
