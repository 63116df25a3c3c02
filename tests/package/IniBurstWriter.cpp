// Writes entries File1..File<keys> of section "Files" over and over, each value naming its round and
// key, until it is killed. Says "ready" after its first write.
// Usage: ini_burst_writer FILE KEYS
#include <cstdio>

#include <QString>

#include "IniFuncs.h"

QString burstValue(int round, int key)
{
    return QStringLiteral("r%1k%2:").arg(round).arg(key) + QString(150, QChar(u'a' + key % 26)) + "#end";
}

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int keys = QByteArray(argv[2]).toInt();
    for (int round = 0;; ++round) {
        for (int key = 1; key <= keys; ++key) {
            WriteINI(file, "Files", "File" + QString::number(key), burstValue(round, key));
            if (round == 0 && key == 1) {
                std::puts("ready");
                std::fflush(stdout);
            }
        }
    }
}
