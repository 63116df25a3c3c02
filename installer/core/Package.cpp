#include "Package.h"

#include <QFileInfo>

#include "IniFuncs.h"

namespace installer {

namespace {

const QString MainSection = QStringLiteral("install.ini");

// No stored value can hold a line break (WriteINI turns them into blanks), so this
// default tells a missing entry from an empty one.
const QString Missing = QStringLiteral("\n");

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

QString Package::iniPath() const
{
    return pathOf(QStringLiteral("install.ini"));
}

QString Package::pathOf(const QString &fileName) const
{
    return folder + QLatin1Char('/') + fileName;
}

int readmeDelayFrom(const QString &timerText)
{
    const QString text = timerText.trimmed();
    bool whole = false;
    const int seconds = text.toInt(&whole);
    const bool digitsOnly = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if (!whole || !digitsOnly || seconds > 99)
        return DefaultReadmeDelay;
    return seconds;
}

QString gameTitle(int version)
{
    if (version == 1 || version == 2)
        return QStringLiteral("Midtown Madness %1").arg(version);
    return QStringLiteral("Midtown Madness");
}

bool isBareFileName(const QString &name)
{
    if (name.trimmed().isEmpty() || name == QLatin1String("."))
        return false;
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QLatin1String("..")))
        return false;
    // "C:city.ar" would name a file relative to another drive's current folder on Windows.
    if (name.contains(QLatin1Char(':')))
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; });
}

bool loadPackage(const QString &folder, Package *package, QString *error)
{
    Package p;
    p.folder = folder;
    const QString ini = p.iniPath();
    if (!QFileInfo(ini).isFile()) {
        setError(error, QStringLiteral("There is no install.ini beside the installer (%1).").arg(ini));
        return false;
    }
    QFile probe(ini);
    if (!probe.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1 cannot be read: %2").arg(ini, probe.errorString()));
        return false;
    }
    probe.close();

    auto main = [&](const char *key) { return ReadINI(ini, MainSection, QLatin1String(key), QString()); };
    p.name = main("Name");
    p.copyright = main("Copyright");
    p.author = main("Author");
    p.www = main("WWW");
    p.email = main("AuthEmail");
    p.readme = main("Readme").trimmed();
    const QString mmType = main("mmType");
    p.gameVersion = mmType == QLatin1String("1") ? 1 : mmType == QLatin1String("2") ? 2 : 0;
    p.timerText = main("Timer");
    p.readmeDelay = readmeDelayFrom(p.timerText);
    p.smooth = ReadINI(ini, QStringLiteral("Progress Bar"), QStringLiteral("Smooth"), QString())
                   .compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;

    if (!p.readme.isEmpty() && !isBareFileName(p.readme)) {
        setError(
            error,
            QStringLiteral("The readme name \"%1\" in install.ini is not a plain file name.").arg(p.readme));
        return false;
    }

    const QString totalText = ReadINI(ini, MainSection, QStringLiteral("TotalFiles"), Missing);
    if (totalText == Missing) {
        setError(error, QStringLiteral("install.ini has no TotalFiles entry: the package lists no files."));
        return false;
    }
    bool whole = false;
    const int total = totalText.toInt(&whole);
    if (!whole) {
        setError(error, QStringLiteral("TotalFiles in install.ini is \"%1\", not a number.").arg(totalText));
        return false;
    }
    if (total < 0) {
        setError(error, QStringLiteral("TotalFiles in install.ini is negative (%1).").arg(total));
        return false;
    }
    if (total == 0) {
        setError(error,
                 QStringLiteral("TotalFiles in install.ini is 0: the package has nothing to install."));
        return false;
    }

    for (int i = 1; i <= total; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        const QString name = ReadINI(ini, QStringLiteral("Files"), key, Missing);
        if (name == Missing) {
            setError(error, QStringLiteral("TotalFiles in install.ini is %1, but section [Files] has no %2.")
                                .arg(total)
                                .arg(key));
            return false;
        }
        if (!isBareFileName(name)) {
            setError(error, QStringLiteral("%1 in install.ini is \"%2\", which is not a plain file name.")
                                .arg(key, name));
            return false;
        }
        if (!p.files.contains(name))
            p.files.append(name);
    }
    for (const QString &name : std::as_const(p.files)) {
        const QFileInfo file(p.pathOf(name));
        if (!file.isFile() || !file.isReadable()) {
            setError(error,
                     QStringLiteral("%1 is listed in install.ini but missing from the package folder (%2).")
                         .arg(name, folder));
            return false;
        }
    }
    *package = p;
    return true;
}

} // namespace installer
