// Packing a package into a zip archive against Debian's zip at the same deflate level (6), in
// alternating rounds: 3 files of 1 GiB (random, repetitive, and half of each in 64 KiB blocks, as
// packed and plain .AR data) and 5,000 files of 4 KiB. The target is at most 1.2 times zip's time.
// Usage: bench_package_zip <work folder> [divisor of the sizes, e.g. 16 for a quick run] [rounds]
//        [large|small: one case only]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "PackageZip.h"

namespace fs = std::filesystem;

namespace {

void writeLarge(const fs::path &path, std::uint64_t size, int kind)
{
    std::mt19937_64 random(static_cast<unsigned>(kind) + 1);
    std::string block(64 * 1024, '\0');
    const std::string plain = "TEXTURE city_block_04 LOD 2 VERTS 0012 0044 0100 ";
    std::ofstream out(path, std::ios::binary);
    for (std::uint64_t written = 0, n = 0; written < size; written += block.size(), ++n) {
        const bool randomBlock = kind == 0 || (kind == 2 && n % 2 == 0);
        for (std::size_t i = 0; i < block.size(); i += 8) {
            if (randomBlock) {
                const std::uint64_t value = random();
                std::memcpy(&block[i], &value, 8);
            } else {
                std::memcpy(&block[i], &plain[(i + n) % 40], 8);
            }
        }
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

double seconds(const std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <work folder> [size divisor] [rounds]\n", argv[0]);
        return 2;
    }
    const fs::path work = argv[1];
    const std::uint64_t divisor = argc > 2 ? std::stoull(argv[2]) : 1;
    const int rounds = argc > 3 ? std::stoi(argv[3]) : 3;
    const std::string only = argc > 4 ? argv[4] : "";

    struct Case
    {
        std::string name;
        int largeFiles;
        int smallFiles;
    };
    for (const Case &c : {Case{"large", 3, 0}, Case{"small", 0, static_cast<int>(5000 / divisor)}}) {
        if (!only.empty() && only != c.name)
            continue;
        const fs::path package = work / c.name / "Pack";
        fs::remove_all(work / c.name);
        fs::create_directories(package);
        for (int i = 0; i < c.largeFiles; ++i)
            writeLarge(package / ("file" + std::to_string(i) + ".ar"), (std::uint64_t{1} << 30) / divisor, i);
        std::mt19937 random(7);
        for (int i = 0; i < c.smallFiles; ++i) {
            std::string bytes(4096, '\0');
            for (char &b : bytes)
                b = static_cast<char>('a' + random() % 16);
            std::ofstream(package / ("part" + std::to_string(i) + ".ar"), std::ios::binary) << bytes;
        }
        const fs::path ours = work / c.name / "ours.zip";
        const fs::path theirs = work / c.name / "theirs.zip";
        double oursTotal = 0, theirsTotal = 0;
        // Round -1 warms both up untimed: the first read of freshly written files costs the kernel's
        // write-back of them, whichever tool comes first.
        ::sync();
        for (int round = -1; round < rounds; ++round) {
            for (int turn = 0; turn < 2; ++turn) {
                const bool oursFirst = round % 2 == 0;
                const bool timed = round >= 0;
                const auto start = std::chrono::steady_clock::now();
                if ((turn == 0) == oursFirst) {
                    std::string error;
                    if (package::zip::packFolder(package.string(), "Pack", {}, ours.string(), {}, &error) !=
                        package::zip::PackOutcome::Packed) {
                        std::fprintf(stderr, "%s\n", error.c_str());
                        return 1;
                    }
                    if (timed) {
                        oursTotal += seconds(start);
                        std::printf("  round %d: ours %.2f s\n", round, seconds(start));
                    }
                } else {
                    fs::remove(theirs);
                    const std::string command = "cd '" + (work / c.name).string() + "' && zip -q -6 -r '" +
                                                theirs.string() + "' Pack";
                    if (std::system(command.c_str()) != 0)
                        return 1;
                    if (timed) {
                        theirsTotal += seconds(start);
                        std::printf("  round %d: zip %.2f s\n", round, seconds(start));
                    }
                }
            }
        }
        std::printf("%s: ours %.2f s, zip %.2f s per round, ratio %.2f; sizes %ju vs %ju bytes\n",
                    c.name.c_str(), oursTotal / rounds, theirsTotal / rounds, oursTotal / theirsTotal,
                    static_cast<std::uintmax_t>(fs::file_size(ours)),
                    static_cast<std::uintmax_t>(fs::file_size(theirs)));
        fs::remove_all(work / c.name);
    }
    return 0;
}
