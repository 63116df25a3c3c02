#include "Files.h"

namespace base::files {

bool isTemporaryName(std::string_view name)
{
    constexpr std::string_view suffix = ".writing";
    return name.size() > 1 + suffix.size() && name.front() == '.' && name.ends_with(suffix);
}

} // namespace base::files
