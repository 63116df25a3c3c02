// Writes the clip that the creation page plays while files are copied.
#include <cstdio>

#include <QFile>
#include <QSaveFile>

#include "FilecopyClip.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-filecopy-avi <output.avi>\n");
        return 2;
    }
    const QString path = QFile::decodeName(argv[1]);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(clipmaker::filecopyAvi(clipmaker::drawFilecopyClip())) < 0 || !file.commit()) {
        std::fprintf(stderr, "make-filecopy-avi: %s: %s\n", argv[1], qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
