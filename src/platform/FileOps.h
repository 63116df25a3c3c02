#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Platform.h"

// File operations of the platform layer, free of any window code so that they
// are tested directly. Paths are UTF-8; errors come back as text naming the file
// and the reason.
namespace platform::fileops {

bool createFolder(const std::string &path, std::string *error);

// Copies through a temporary file in the target's folder that is renamed into
// place at the end, so a copy that stops half-way (failure, full disk, the program
// ending) leaves the target as it was, never half-written (base::files::copyFile).
// betweenChunks runs after every chunk (a caller may let window events run there);
// it may end the program, in which case the temporary file is removed on the way out.
// Chunks are sized to take about 50 ms each; chunkSize, when given, caps them in bytes.
CopyOutcome copyFile(const std::string &source, const std::string &target, std::string *error,
                     const std::function<void()> &betweenChunks = {}, std::int64_t chunkSize = 0);

bool deleteFile(const std::string &path, std::string *error);

std::int64_t fileLength(const std::string &path, std::string *error);

// True when both paths name one existing file (also through links or doubled separators).
bool sameFile(const std::string &a, const std::string &b);

// Temporary files that a copy has under way. Ending the program removes them,
// because a process that stops at once runs no destructor (async-signal-safe).
void removePendingFiles();

} // namespace platform::fileops
