#include "Readme.h"

#include <QFile>
#include <QStringDecoder>

#include "Package.h"
#include "RtfText.h"

namespace installer {

namespace {

QString decodePlain(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = fromWindows1252(bytes); // not UTF-8: the single-byte text of the time
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

QString readableText(const QString &fileName, const QByteArray &bytes)
{
    const bool rtfName = fileName.endsWith(QLatin1String(".rtf"), Qt::CaseInsensitive);
    if (looksLikeRtf(bytes) || (rtfName && bytes.trimmed().startsWith('{')))
        return rtfToText(bytes);
    return decodePlain(bytes);
}

bool loadReadme(const Package &package, QString *text, QString *error)
{
    QFile file(package.pathOf(package.readme));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    *text = readableText(package.readme, file.readAll());
    return true;
}

} // namespace installer
