// Times setup.exe's window-less install (the command line on the installer core: package check,
// game-folder check, durable copies) of three 1 GiB files against `cp` of the same files, and
// against `cp` followed by `sync` of the copies, since every installed file is flushed to disk.
// Not a test: run it by hand after `make bench` with
// build/bench/installer/bench_install [scratch folder] [rounds] [MiB per file].
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CommandLine.h"

namespace fs = std::filesystem;

namespace {

void makeFile(const std::string &path, std::uint64_t size)
{
    std::ofstream f(path, std::ios::binary);
    std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = char((i * 131) ^ (i >> 7));
    for (std::uint64_t left = size; left > 0; left -= std::min<std::uint64_t>(left, block.size()))
        f.write(block.data(), std::streamsize(std::min<std::uint64_t>(left, block.size())));
}

double secondsOf(const std::string &command)
{
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "failed: %s\n", command.c_str());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string quoted(const std::string &path)
{
    return "'" + path + "'";
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printRounds(const char *name, const std::vector<double> &seconds)
{
    std::printf("  %-10s", name);
    for (double s : seconds)
        std::printf(" %.2f", s);
    std::printf(" s\n");
}

} // namespace

int main(int argc, char **argv)
{
    const std::string scratch = argc > 1 ? argv[1] : (fs::temp_directory_path() / "bench-install").string();
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::uint64_t size = (argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1024) << 20;
    const std::string package = scratch + "/Package";
    const std::string game = scratch + "/Game";
    const std::string cpTarget = scratch + "/cp";

    fs::remove_all(scratch);
    fs::create_directories(package);
    std::vector<std::string> files;
    for (int i = 1; i <= 3; ++i) {
        const std::string name = "file" + std::to_string(i) + ".ar";
        files.push_back(package + "/" + name);
        makeFile(files.back(), size);
    }
    std::ofstream(package + "/install.ini", std::ios::binary)
        << "[install.ini]\r\nName=Bench\r\nmmType=2\r\n"
           "TotalFiles=3\r\n[Files]\r\nFile1=file1.ar\r\n"
           "File2=file2.ar\r\nFile3=file3.ar\r\n";
    std::string sources;
    for (const std::string &file : files)
        sources += quoted(file) + " ";

    // Each measure starts with the other's output deleted and nothing waiting to be written
    // back, and the order alternates, so that neither gains from the other's freed blocks or pays
    // for its dirty pages.
    const auto fresh = [&] {
        fs::remove_all(game);
        fs::remove_all(cpTarget);
        fs::create_directories(game);
        std::ofstream(game + "/Midtown2.exe") << "MZ";
        fs::create_directories(cpTarget);
        ::sync();
    };
    std::vector<double> setupTimes, cpTimes, cpSyncTimes;
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 3; ++turn) {
            fresh();
            switch ((round + turn) % 3) {
            case 0: {
                std::ostringstream out, err;
                const auto start = std::chrono::steady_clock::now();
                const int status = installer::runCommandLine({"--target", game, "--yes"}, package, out, err);
                setupTimes.push_back(
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
                if (status != 0)
                    std::fprintf(stderr, "setup failed: %s", err.str().c_str());
                break;
            }
            case 1:
                cpTimes.push_back(secondsOf("cp " + sources + quoted(cpTarget)));
                break;
            default:
                cpSyncTimes.push_back(
                    secondsOf("cp " + sources + quoted(cpTarget) + " && sync " + quoted(cpTarget) + "/*"));
                break;
            }
        }
    }
    fresh();
    fs::remove_all(scratch);

    const double bytes = 3.0 * double(size);
    auto line = [&](const char *name, const std::vector<double> &t) {
        const double best = *std::min_element(t.begin(), t.end());
        std::printf("%-10s median %6.2f s (%7.1f MB/s)   best %6.2f s (%7.1f MB/s)\n", name, median(t),
                    bytes / median(t) / 1e6, best, bytes / best / 1e6);
    };
    std::printf("3 files of %llu MiB, %d rounds each, alternating\n", (unsigned long long)(size >> 20),
                rounds);
    line("setup", setupTimes);
    line("cp", cpTimes);
    line("cp+sync", cpSyncTimes);
    const double setupBest = *std::min_element(setupTimes.begin(), setupTimes.end());
    std::printf("throughput setup / cp: median %.2f, best %.2f;  setup / cp+sync: median %.2f, best %.2f\n",
                median(cpTimes) / median(setupTimes),
                *std::min_element(cpTimes.begin(), cpTimes.end()) / setupBest,
                median(cpSyncTimes) / median(setupTimes),
                *std::min_element(cpSyncTimes.begin(), cpSyncTimes.end()) / setupBest);
    printRounds("setup", setupTimes);
    printRounds("cp", cpTimes);
    printRounds("cp+sync", cpSyncTimes);
    return 0;
}
