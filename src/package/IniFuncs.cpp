#include "IniFuncs.h"

#include <string_view>

#include "IniFileStore.h"

namespace {

// Texts cross to the profile format and the system as UTF-8 that ends at a NUL, like a C string.
std::string_view cText(const std::string &text)
{
    return std::string_view(text.c_str());
}

} // namespace

std::string ReadINI(const std::string &file, const std::string &section, const std::string &key,
                    const std::string &defaultValue)
{
    // The read gives at most 254 bytes of the file (a 255-byte buffer less its end mark), without
    // splitting a character; bytes that are no UTF-8 read as Windows-1252.
    return Ini::FileStore::instance().read(std::string(cText(file)), cText(section), cText(key),
                                           cText(defaultValue));
}

void WriteINI(const std::string &file, const std::string &section, const std::string &key,
              const std::string &value)
{
    // Values of any length are written whole (no 16-bit limit of 32,766 characters); reads give 254
    // bytes. The document turns every CR and LF of the names and the value into a blank, so that no
    // entry spans lines.
    Ini::FileStore::instance().write(std::string(cText(file)), cText(section), cText(key), cText(value));
}
