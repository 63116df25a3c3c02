#include "CommandLine.h"

#include <QDir>
#include <QTextStream>

#include "GameFolder.h"
#include "Installation.h"
#include "Package.h"

namespace installer {

namespace {

struct Options
{
    bool help = false;
    bool yes = false;
    QString target;
};

// False with the reason when the arguments are not understood.
bool parse(const QStringList &arguments, Options *options, QString *error)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("/?")) {
            options->help = true;
        } else if (arg == QLatin1String("--yes") || arg == QLatin1String("-y")) {
            options->yes = true;
        } else if (arg == QLatin1String("--target")) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("--target needs a folder");
                return false;
            }
            options->target = arguments[++i];
        } else if (arg.startsWith(QLatin1String("--target="))) {
            options->target = arg.mid(9);
        } else {
            *error = QStringLiteral("unknown argument \"%1\" (see --help)").arg(arg);
            return false;
        }
    }
    if (!options->help && options->target.isEmpty()) {
        *error = QStringLiteral("no game folder given: use --target DIR (see --help)");
        return false;
    }
    return true;
}

QString oneLine(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

} // namespace

QString usageText()
{
    return QStringLiteral(
        "Usage: setup.exe [--target DIR [--yes]] [--help]\n"
        "\n"
        "Installs the package described by install.ini in the folder of setup.exe.\n"
        "Without arguments it opens the setup window, which leads through the readme,\n"
        "the choice of the game folder and the installation.\n"
        "\n"
        "  --target DIR  install into the game folder DIR without a window\n"
        "  --yes         answer yes to every question: replace files that exist in DIR\n"
        "                (the originals are kept in DIR/Quernel Backup/<package> <date time>/)\n"
        "                and install even when DIR does not look like a game folder;\n"
        "                without --yes, existing files are left alone and a folder that\n"
        "                does not look like the game is refused\n"
        "  --help        show this text\n"
        "\n"
        "Exit status: 0 installed, 1 refused or stopped (one line on stderr says why),\n"
        "2 arguments not understood.\n");
}

int runCommandLine(const QStringList &arguments, const QString &packageFolder, QTextStream &out,
                   QTextStream &err)
{
    Options options;
    QString error;
    if (!parse(arguments, &options, &error)) {
        err << "setup.exe: " << error << Qt::endl;
        return ExitUsage;
    }
    if (options.help) {
        out << usageText();
        out.flush();
        return ExitOk;
    }
    auto fail = [&err](const QString &reason) {
        err << "setup.exe: " << oneLine(reason) << Qt::endl;
        return ExitFailed;
    };

    Package package;
    if (!loadPackage(packageFolder, &package, &error))
        return fail(error);
    const QString target = QDir::cleanPath(QDir(options.target).absolutePath());
    const FolderCheck check = checkGameFolder(target, package.gameVersion, package.folder);
    if (!check.usable())
        return fail(check.error);
    if (check.needsWarning() && !options.yes)
        return fail(describe(check, package.gameVersion) +
                    QStringLiteral(" Use --yes to install there anyway."));

    Installation installation(package, target);
    const InstallResult result = installation.run(
        [&options](const QString &) { return options.yes ? ReplaceAnswer::YesToAll : ReplaceAnswer::No; });
    if (!result.ok) {
        if (!result.installed.isEmpty())
            out << "Installed: " << result.installed.join(QStringLiteral(", ")) << Qt::endl;
        return fail(result.error);
    }
    out << "Installed " << result.installed.size() << " file(s) of "
        << (package.name.isEmpty() ? QStringLiteral("the package") : package.name) << " into " << target
        << Qt::endl;
    if (!result.skipped.isEmpty())
        out << "Left as they were: " << result.skipped.join(QStringLiteral(", ")) << Qt::endl;
    if (!result.backupFolder.isEmpty())
        out << "Replaced files are kept in: " << result.backupFolder << Qt::endl;
    return ExitOk;
}

} // namespace installer
