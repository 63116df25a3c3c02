// WriteINI of a new key and ReadINI of a key, for files of 10, 1,000 and 30,000 keys in "Files".
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "IniFuncs.h"

namespace {

std::string filesSection(int keys)
{
    std::string bytes = "[install.ini]\r\nName=My Pack\r\n[Files]\r\n";
    for (int i = 1; i <= keys; ++i)
        bytes += "File" + std::to_string(i) + "=C:\\Mods\\Some Folder\\file" + std::to_string(i) + ".ar\r\n";
    return bytes;
}

void putFile(const std::string &path, const std::string &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.write(bytes.data(), std::streamsize(bytes.size())) || !file.flush()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::abort();
    }
}

// A fresh folder for one benchmark, removed afterwards.
class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bench-ini-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data()) ? pattern : std::string(".");
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (m_path != ".")
            std::filesystem::remove_all(m_path, ignored);
    }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

// Each iteration adds the key File<n+1>; every 100 new keys the file is laid anew (untimed), so
// that it stays near its nominal size.
void BM_WriteNewKey(benchmark::State &state)
{
    const int keys = int(state.range(0));
    TempDir dir;
    const std::string path = dir.path() + "/install.ini";
    const std::string initial = filesSection(keys);
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
        WriteINI(path, "Files", "File" + std::to_string(next), "C:\\Mods\\new.ar");
    }
}

void BM_ReadKey(benchmark::State &state)
{
    const int keys = int(state.range(0));
    TempDir dir;
    const std::string path = dir.path() + "/install.ini";
    putFile(path, filesSection(keys));
    const std::string key = "File" + std::to_string(keys / 2 + 1);
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
