#include "IniOps.h"

#include <string>

#include <QList>

#include "IniFuncs.h"

namespace IniOps {
namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool needsEscape(unsigned char c)
{
    return c <= 0x20 || c >= 0x7F || c == '%' || c == '~';
}

// The field's bytes as the INI functions take them (UTF-8, or whatever bytes the vector holds).
std::string text(QByteArrayView field)
{
    return decodeField(field).toStdString();
}

} // namespace

QByteArray decodeField(QByteArrayView field)
{
    if (field == "-")
        return {};
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size()) {
            const int high = hexValue(field[i + 1]);
            const int low = hexValue(field[i + 2]);
            if (high >= 0 && low >= 0) {
                bytes.append(char(high * 16 + low));
                i += 2;
                continue;
            }
        }
        bytes.append(field[i]);
    }
    return bytes;
}

QByteArray encodeField(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return "-";
    if (bytes == "-")
        return "%2D";
    static const char hex[] = "0123456789ABCDEF";
    QByteArray field;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte))
            field.append('%').append(hex[byte >> 4]).append(hex[byte & 0xF]);
        else
            field.append(c);
    }
    return field;
}

std::optional<Result> run(QByteArrayView line, const QString &baseFolder)
{
    const QList<QByteArray> fields = line.toByteArray().trimmed().split(' ');
    if (fields.size() != 5)
        return std::nullopt;
    const std::string file = baseFolder.toStdString() + '/' + text(fields[1]);
    if (fields[0] == "WRITE") {
        WriteINI(file, text(fields[2]), text(fields[3]), text(fields[4]));
        return Result{};
    }
    if (fields[0] == "READ")
        return Result{true, QByteArray::fromStdString(
                                ReadINI(file, text(fields[2]), text(fields[3]), text(fields[4])))};
    return std::nullopt;
}

QByteArray outputLine(const Result &result)
{
    return result.isRead ? "READ " + encodeField(result.value) : QByteArray("WRITE");
}

} // namespace IniOps
