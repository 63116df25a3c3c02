#include "FileLinks.h"

#include <sys/stat.h>

namespace base::files {

bool isLink(const std::string &path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

} // namespace base::files
