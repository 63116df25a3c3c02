#include "IniFuncs.h"

#include "IniFileStore.h"
#include "IniText.h"

namespace {

// The read buffer holds 256 characters but is passed with the size 255, and the profile read keeps
// one place of it for the end mark: at most 254 bytes come back.
constexpr qsizetype ReadBufferSize = 255;
constexpr qsizetype MaxReadBytes = ReadBufferSize - 1;

// Texts cross to the profile format as 8-bit text (UTF-8 here) that ends at a NUL, like a C string.
QByteArray profileText(const QString &text)
{
    QByteArray bytes = text.toLocal8Bit();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return bytes;
}

// Keeps an entry on one line: every CR and LF becomes a blank, so the length stays the same.
QByteArray oneLine(QByteArray text)
{
    for (char &c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

} // namespace

QString ReadINI(const QString &file, const QString &section, const QString &key, const QString &defaultValue)
{
    const std::optional<QByteArray> stored =
        Ini::FileStore::instance().value(file, oneLine(profileText(section)), oneLine(profileText(key)));
    const QByteArray text =
        stored ? Ini::readableValue(*stored) : Ini::readableDefault(profileText(defaultValue));
    return QString::fromLocal8Bit(Ini::cutUtf8(text, MaxReadBytes));
}

void WriteINI(const QString &file, const QString &section, const QString &key, const QString &value)
{
    // Values of any length are written whole (no 16-bit limit of 32,766 characters); reads give 254 bytes.
    // Section and key names are kept on one line like the value, so no name can break the file apart.
    Ini::FileStore::instance().setValue(file, oneLine(profileText(section)), oneLine(profileText(key)),
                                        oneLine(profileText(value)));
}
