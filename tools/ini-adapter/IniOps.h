#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Op lines: "WRITE file section key value" or "READ file section key default", each field a byte
// string in percent encoding ("%XX" is the byte 0xXX, "-" alone the empty string).
namespace IniOps {

QByteArray decodeField(QByteArrayView field);
QByteArray encodeField(QByteArrayView bytes);

struct Result
{
    bool isRead = false;
    QByteArray value; // what a READ gave
};

// Runs one op line with its file relative to baseFolder; nothing for a line that is no op.
std::optional<Result> run(QByteArrayView line, const QString &baseFolder);

// The adapter's output line: "WRITE", or "READ " and the encoded value.
QByteArray outputLine(const Result &result);

} // namespace IniOps
