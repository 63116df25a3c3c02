// WriteINI of a new key and ReadINI of a key, for files of 10, 1,000 and 30,000 keys in "Files".
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "IniFuncs.h"

namespace {

QByteArray filesSection(int keys)
{
    QByteArray bytes = "[install.ini]\r\nName=My Pack\r\n[Files]\r\n";
    for (int i = 1; i <= keys; ++i)
        bytes += "File" + QByteArray::number(i) + "=C:\\Mods\\Some Folder\\file" + QByteArray::number(i) +
                 ".ar\r\n";
    return bytes;
}

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Each iteration adds the key File<n+1>; every 100 new keys the file is laid anew (untimed), so
// that it stays near its nominal size.
void BM_WriteNewKey(benchmark::State &state)
{
    const int keys = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.path() + "/install.ini";
    const QByteArray initial = filesSection(keys);
    int next = keys;
    for (auto _ : state) {
        if (next == keys || next - keys >= 100) {
            state.PauseTiming();
            putFile(path, initial);
            ReadINI(path, "Files", "File1", "");
            next = keys;
            state.ResumeTiming();
        }
        ++next;
        WriteINI(path, "Files", "File" + QString::number(next), "C:\\Mods\\new.ar");
    }
}

void BM_ReadKey(benchmark::State &state)
{
    const int keys = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.path() + "/install.ini";
    putFile(path, filesSection(keys));
    const QString key = "File" + QString::number(keys / 2 + 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadINI(path, "Files", key, ""));
}

} // namespace

BENCHMARK(BM_WriteNewKey)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(30000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadKey)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(30000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
