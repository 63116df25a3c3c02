// Replaces or copies files in a loop until it is killed, for the tests of what a kill or a signal
// leaves behind.
//   base_files_worker replace <target> <bytes> [--named] [--signals]
//   base_files_worker copy <sourceA> <sourceB> <target> [--named] [--signals] [--slow]
// Prints "working" once the first chunk of the first copy (or the first replacement) is done.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <unistd.h>

#include "Files.h"
#include "FilesTesting.h"

namespace files = base::files;

namespace {

bool hasFlag(int argc, char **argv, const char *flag)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0)
            return true;
    return false;
}

void announce()
{
    static bool done = false;
    if (!done) {
        std::puts("working");
        std::fflush(stdout);
        done = true;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    files::testing::forceNamedTemporaries(hasFlag(argc, argv, "--named"));
    if (hasFlag(argc, argv, "--signals"))
        files::removeTemporariesOnSignals();
    if (hasFlag(argc, argv, "--slow")) {
        // About 64 MB/s: 64 KiB per millisecond.
        files::testing::setSourceReader([](int fd, void *buffer, std::size_t size) {
            const std::size_t step = std::min<std::size_t>(size, 64 << 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return long(::read(fd, buffer, step));
        });
    }

    const std::string mode = argv[1];
    std::string error;
    if (mode == "replace") {
        const std::size_t size = std::strtoull(argv[3], nullptr, 10);
        for (char fill = 'a';; fill = fill == 'a' ? 'b' : 'a') {
            if (!files::replaceFileContent(argv[2], std::string(size, fill), &error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
            announce();
        }
    }
    if (mode == "copy" && argc >= 5) {
        files::CopyOptions options;
        options.progress = [](std::uint64_t, std::uint64_t) {
            announce();
            return true;
        };
        for (int round = 0;; ++round) {
            if (files::copyFile(argv[2 + round % 2], argv[4], options, &error) !=
                files::CopyOutcome::Copied) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
        }
    }
    return 2;
}
