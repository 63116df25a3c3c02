#include "IniFuncs.h"

#include <string>

#include <QFile>

#include "IniFileStore.h"

namespace {

// Texts cross to the profile format as UTF-8 that ends at a NUL, like a C string.
std::string profileText(const QString &text)
{
    std::string bytes = text.toStdString();
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string::npos)
        bytes.resize(nul);
    return bytes;
}

std::string filePath(const QString &file)
{
    const QByteArray path = QFile::encodeName(file);
    return std::string(path.constData()); // up to a NUL, as the system would take it
}

} // namespace

QString ReadINI(const QString &file, const QString &section, const QString &key, const QString &defaultValue)
{
    // The read gives at most 254 bytes of the file (a 255-byte buffer less its end mark), without
    // splitting a character; bytes that are no UTF-8 read as Windows-1252.
    return QString::fromStdString(Ini::FileStore::instance().read(
        filePath(file), profileText(section), profileText(key), profileText(defaultValue)));
}

void WriteINI(const QString &file, const QString &section, const QString &key, const QString &value)
{
    // Values of any length are written whole (no 16-bit limit of 32,766 characters); reads give 254
    // bytes. The document turns every CR and LF of the names and the value into a blank, so that no
    // entry spans lines.
    Ini::FileStore::instance().write(filePath(file), profileText(section), profileText(key),
                                     profileText(value));
}
