#pragma once

#include <cstddef>
#include <functional>

// Seams for the tests of the file operations; the program never sets them.
namespace base::files::testing {

// Makes every temporary a named hidden file, as on file systems without unnamed files.
void forceNamedTemporaries(bool force);

// Reads the copy's source through this function instead of the system (a slow stick in a test).
// It has read's contract: bytes read, 0 at the end, -1 with errno set.
using SourceReader = std::function<long(int fd, void *buffer, std::size_t size)>;
void setSourceReader(SourceReader reader);

} // namespace base::files::testing
