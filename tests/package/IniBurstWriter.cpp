// Writes entries File1..File<keys> of section "Files" over and over, each value naming its round and
// key, until it is killed. Says "ready" after its first write.
// Usage: ini_burst_writer FILE KEYS
#include <cstdio>
#include <cstdlib>
#include <string>

#include "IniFuncs.h"

std::string burstValue(int round, int key)
{
    return "r" + std::to_string(round) + "k" + std::to_string(key) + ":" +
           std::string(150, char('a' + key % 26)) + "#end";
}

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    const std::string file = argv[1];
    const int keys = std::atoi(argv[2]);
    for (int round = 0;; ++round) {
        for (int key = 1; key <= keys; ++key) {
            WriteINI(file, "Files", "File" + std::to_string(key), burstValue(round, key));
            if (round == 0 && key == 1) {
                std::puts("ready");
                std::fflush(stdout);
            }
        }
    }
}
