// How fast the installer core installs, through Installation's public interface only:
//  1. throughput: three large files installed into a fresh game folder against `cp` of the same
//     files followed by `sync` of the copies (every installed file is flushed to disk as well),
//     in alternating rounds, medians compared; the installer should reach 0.9 of cp+sync;
//  2. scaling: packages of many small files, the time per file for growing counts, which stays
//     flat unless something in the install is quadratic in the number of files;
//  3. digests: `openssl dgst -sha256` against digestOfFile on the same cached file.
// Not a test: run it by hand after `make bench`; `bench_install --help` lists the settings.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Installation.h"
#include "Package.h"
#include "Sha256.h"

namespace fs = std::filesystem;

namespace {

struct Settings
{
    std::string scratch = (fs::temp_directory_path() / "bench-install").string();
    std::uint64_t mibPerFile = 1024;
    int rounds = 5;
    std::vector<int> smallCounts{500, 1000, 2500, 5000};
    std::uint64_t smallFileBytes = 4096;
    int digestRounds = 3;
};

const char Usage[] =
    "bench_install [--scratch DIR] [--mib N] [--rounds N] [--counts N,N,...] [--small-bytes N]\n"
    "              [--digest-rounds N]\n"
    "  --scratch DIR     where the packages, game folders and copies go (same disk for all)\n"
    "  --mib N           size of each of the three large files (default 1024)\n"
    "  --rounds N        rounds of cp+sync and of install, alternating (default 5)\n"
    "  --counts LIST     small-file counts of the scaling run (default 500,1000,2500,5000;\n"
    "                    empty skips it)\n"
    "  --small-bytes N   size of each small file (default 4096)\n"
    "  --digest-rounds N rounds of openssl dgst and of digestOfFile (default 3; 0 skips)\n";

bool parse(int argc, char **argv, Settings &settings)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || i + 1 >= argc)
            return false;
        const std::string value = argv[++i];
        if (option == "--scratch") {
            settings.scratch = value;
        } else if (option == "--mib") {
            settings.mibPerFile = std::strtoull(value.c_str(), nullptr, 10);
        } else if (option == "--rounds") {
            settings.rounds = std::max(1, std::atoi(value.c_str()));
        } else if (option == "--counts") {
            settings.smallCounts.clear();
            std::istringstream list(value);
            for (std::string count; std::getline(list, count, ',');)
                if (std::atoi(count.c_str()) > 0)
                    settings.smallCounts.push_back(std::atoi(count.c_str()));
        } else if (option == "--small-bytes") {
            settings.smallFileBytes = std::strtoull(value.c_str(), nullptr, 10);
        } else if (option == "--digest-rounds") {
            settings.digestRounds = std::max(0, std::atoi(value.c_str()));
        } else {
            return false;
        }
    }
    return settings.mibPerFile > 0;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double timed(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return secondsSince(start);
}

// Processor seconds (user and system) of this process's threads and of its finished children.
double processorSeconds()
{
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        total += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// Wall-clock and processor seconds of one measure.
struct Measure
{
    std::vector<double> wall;
    std::vector<double> processor;

    void add(const std::function<void()> &work)
    {
        const double before = processorSeconds();
        wall.push_back(timed(work));
        processor.push_back(processorSeconds() - before);
    }
};

void runShell(const std::string &command)
{
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "failed: %s\n", command.c_str());
}

std::string quoted(const std::string &path)
{
    return "'" + path + "'";
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string roundsText(const std::vector<double> &seconds)
{
    std::string text;
    char one[32];
    for (const double s : seconds) {
        std::snprintf(one, sizeof one, " %.2f", s);
        text += one;
    }
    return text;
}

// Bytes that neither compress nor repeat within a file.
void writeNoise(const std::string &path, std::uint64_t size, std::uint32_t seed)
{
    std::ofstream out(path, std::ios::binary);
    std::vector<std::uint32_t> block((1 << 20) / 4);
    std::uint32_t x = seed | 1;
    for (std::uint64_t left = size; left > 0;) {
        for (std::uint32_t &word : block)
            x ^= x << 13, x ^= x >> 17, x ^= x << 5, word = x;
        const std::uint64_t piece = std::min<std::uint64_t>(left, block.size() * 4);
        out.write(reinterpret_cast<const char *>(block.data()), std::streamsize(piece));
        left -= piece;
    }
}

// A package folder holding install.ini and the files it lists.
std::vector<std::string> makePackage(const std::string &folder, int count, std::uint64_t bytesEach)
{
    fs::create_directories(folder);
    std::ostringstream ini;
    ini << "[install.ini]\r\nName=Bench\r\nmmType=2\r\nTotalFiles=" << count << "\r\n[Files]\r\n";
    std::vector<std::string> paths;
    for (int i = 1; i <= count; ++i) {
        const std::string name = "file" + std::to_string(i) + ".ar";
        ini << "File" << i << '=' << name << "\r\n";
        paths.push_back(folder + '/' + name);
        writeNoise(paths.back(), bytesEach, std::uint32_t(i) * 2654435761u);
    }
    std::ofstream(folder + "/install.ini", std::ios::binary) << ini.str();
    return paths;
}

// A game folder as the installer expects it, empty but for the game's program.
void freshGameFolder(const std::string &game)
{
    fs::remove_all(game);
    fs::create_directories(game);
    std::ofstream(game + "/Midtown2.exe") << "MZ";
}

// Installs the package into the game folder the way setup does, with no replacements to ask about.
bool install(const std::string &packageFolder, const std::string &game)
{
    installer::Package package;
    std::string error;
    if (!installer::loadPackage(packageFolder, &package, &error)) {
        std::fprintf(stderr, "package: %s\n", error.c_str());
        return false;
    }
    installer::Installation installation(std::move(package), game);
    const installer::InstallResult result = installation.run({});
    if (!result.ok)
        std::fprintf(stderr, "install: %s\n", result.error.c_str());
    return result.ok;
}

// Reads the files, so that each measure starts with its sources in the page cache.
void warm(const std::vector<std::string> &files)
{
    std::vector<char> buffer(1 << 20);
    for (const std::string &path : files) {
        std::ifstream in(path, std::ios::binary);
        while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
        }
    }
}

void throughput(const Settings &settings)
{
    const std::string package = settings.scratch + "/Large";
    const std::string game = settings.scratch + "/Game";
    const std::string copies = settings.scratch + "/cp";
    const std::uint64_t size = settings.mibPerFile << 20;
    const std::vector<std::string> files = makePackage(package, 3, size);
    std::string sources;
    for (const std::string &file : files)
        sources += quoted(file) + ' ';

    // Before each measure: the other's output deleted, nothing left to write back, sources cached;
    // the order alternates, so neither gains from the other's freed blocks or pays for its pages.
    const auto prepare = [&] {
        freshGameFolder(game);
        fs::remove_all(copies);
        fs::create_directories(copies);
        ::sync();
        warm(files);
    };
    Measure cpSync, setup;
    for (int round = 0; round < settings.rounds; ++round) {
        prepare();
        cpSync.add([&] { runShell("cp " + sources + quoted(copies) + " && sync " + quoted(copies) + "/*"); });
        prepare();
        setup.add([&] { install(package, game); });
    }
    fs::remove_all(game);
    fs::remove_all(copies);
    fs::remove_all(package);

    const double bytes = 3.0 * double(size);
    std::printf("Throughput: 3 files of %llu MiB, %d alternating rounds each (cp+sync first)\n",
                static_cast<unsigned long long>(settings.mibPerFile), settings.rounds);
    const auto line = [&](const char *name, const Measure &measure) {
        std::printf("  %-8s median %7.2f s  %8.1f MB/s  processor %6.2f s   rounds:%s\n", name,
                    median(measure.wall), bytes / median(measure.wall) / 1e6, median(measure.processor),
                    roundsText(measure.wall).c_str());
    };
    line("cp+sync", cpSync);
    line("install", setup);
    const double ratio = median(cpSync.wall) / median(setup.wall);
    std::printf("  install throughput / cp+sync throughput: %.2f (target >= 0.90: %s)\n", ratio,
                ratio >= 0.9 ? "met" : "NOT met");
}

void scaling(const Settings &settings)
{
    if (settings.smallCounts.empty())
        return;
    std::printf("Scaling: install of N files of %llu bytes each\n",
                static_cast<unsigned long long>(settings.smallFileBytes));
    std::printf("  %7s %10s %12s\n", "N", "seconds", "ms per file");
    double firstPerFile = 0;
    double lastPerFile = 0;
    for (const int count : settings.smallCounts) {
        const std::string package = settings.scratch + "/Small" + std::to_string(count);
        const std::string game = settings.scratch + "/Game";
        const std::vector<std::string> files = makePackage(package, count, settings.smallFileBytes);
        freshGameFolder(game);
        ::sync();
        warm(files);
        const double seconds = timed([&] { install(package, game); });
        fs::remove_all(game);
        fs::remove_all(package);
        const double perFile = seconds / count * 1e3;
        std::printf("  %7d %10.2f %12.3f\n", count, seconds, perFile);
        if (firstPerFile == 0)
            firstPerFile = perFile;
        lastPerFile = perFile;
    }
    std::printf("  time per file, largest N against smallest: %.2fx (flat when linear)\n",
                lastPerFile / firstPerFile);
}

void digests(const Settings &settings)
{
    if (settings.digestRounds == 0)
        return;
    const std::string file = settings.scratch + "/digest.bin";
    const std::uint64_t size = settings.mibPerFile << 20;
    writeNoise(file, size, 12345);
    warm({file});
    std::vector<double> openssl, ours;
    std::string opensslSum, ourSum;
    for (int round = 0; round < settings.digestRounds; ++round) {
        openssl.push_back(timed([&] {
            runShell("openssl dgst -sha256 -r " + quoted(file) + " > " +
                     quoted(settings.scratch + "/dgst.txt"));
        }));
        ours.push_back(timed([&] {
            std::string error;
            const auto digest = installer::digestOfFile(file, &error);
            ourSum = digest ? digest->sha256 : "failed: " + error;
        }));
    }
    std::getline(std::ifstream(settings.scratch + "/dgst.txt"), opensslSum);
    fs::remove(file);
    const double bytes = double(size);
    std::printf("Digest of a cached file of %llu MiB, %d rounds each\n",
                static_cast<unsigned long long>(settings.mibPerFile), settings.digestRounds);
    std::printf("  openssl dgst   median %6.2f s  %8.1f MB/s   rounds:%s\n", median(openssl),
                bytes / median(openssl) / 1e6, roundsText(openssl).c_str());
    std::printf("  digestOfFile   median %6.2f s  %8.1f MB/s   rounds:%s\n", median(ours),
                bytes / median(ours) / 1e6, roundsText(ours).c_str());
    std::printf("  same digest: %s\n", opensslSum.rfind(ourSum, 0) == 0 ? "yes" : "NO");
}

} // namespace

int main(int argc, char **argv)
{
    Settings settings;
    if (!parse(argc, argv, settings)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    fs::remove_all(settings.scratch);
    fs::create_directories(settings.scratch);
    throughput(settings);
    scaling(settings);
    digests(settings);
    fs::remove_all(settings.scratch);
    return 0;
}
