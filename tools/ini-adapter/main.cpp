// ini-adapter: runs INI op lines from stdin against ReadINI/WriteINI and prints one line per op.
// Usage: ini-adapter BASE_FOLDER < ops
#include <cstdio>
#include <iostream>
#include <string>

#include <QCoreApplication>

#include "IniOps.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: ini-adapter BASE_FOLDER < ops\n");
        return 2;
    }
    const QString base = args.last();

    int status = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (QByteArrayView(line.data(), qsizetype(line.size())).trimmed().isEmpty())
            continue;
        const std::optional<IniOps::Result> result =
            IniOps::run(QByteArrayView(line.data(), qsizetype(line.size())), base);
        if (!result) {
            std::fprintf(stderr, "ini-adapter: not an op line: %s\n", line.c_str());
            std::puts("ERROR");
            status = 1;
            continue;
        }
        std::puts(IniOps::outputLine(*result).constData());
    }
    return status;
}
