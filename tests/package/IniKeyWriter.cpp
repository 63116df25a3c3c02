// Writes the entries <prefix>1..<prefix><count> of section "Files", one WriteINI each, once a line
// arrives on stdin (so that two writers start together). Says "ready" before it waits.
// Usage: ini_key_writer FILE PREFIX COUNT
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "IniFuncs.h"

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    const std::string file = argv[1];
    const std::string prefix = argv[2];
    const int count = std::atoi(argv[3]);
    std::puts("ready");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    for (int key = 1; key <= count; ++key)
        WriteINI(file, "Files", prefix + std::to_string(key), "value of " + prefix + std::to_string(key));
    return 0;
}
