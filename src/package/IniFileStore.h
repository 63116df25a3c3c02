#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <unordered_map>

#include <sys/stat.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QMutex>
#include <QString>

#include "IniDocument.h"

namespace Ini {

// The parsed documents of the files in use, one per path, so that reading an unchanged file costs
// one stat. An entry counts only while the file's stat (device, inode, size, modification and
// change times to the nanosecond) is the one it was read with, so a file changed by someone else,
// or replaced by rename, is read afresh. A file changed within the current tick of the coarse clock
// that timestamps files may change again without a visible stat change: such an entry is checked
// against the file's bytes until its change time lies in the past.
class FileStore
{
public:
    static FileStore &instance();

    // The stored value of the key, as in Document::value; nothing when the file cannot be read.
    std::optional<QByteArray> value(const QString &file, QByteArrayView section, QByteArrayView key);

    // Document::setValue on the file, written back atomically; nothing happens when the file is
    // read-only, cannot be read, or its folder does not exist.
    void setValue(const QString &file, QByteArrayView section, QByteArrayView key, QByteArrayView value);

    // How many times a file was parsed since start; lets tests see that the cache is used.
    quint64 parseCount() const;

    // The clock that file change times are compared with (CLOCK_REALTIME_COARSE); tests step it.
    using Clock = timespec (*)();
    void setClock(Clock clock);

private:
    struct Stamp
    {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        friend bool operator==(const Stamp &a, const Stamp &b)
        {
            return a.device == b.device && a.inode == b.inode && a.size == b.size &&
                   sameTime(a.modified, b.modified) && sameTime(a.changed, b.changed);
        }
        static bool sameTime(const timespec &a, const timespec &b)
        {
            return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
        }
    };
    struct Entry
    {
        Stamp stamp;
        bool settled = false; // the change time was past when the bytes were read
        QByteArray bytes;
        std::unique_ptr<Document> document;
        quint64 lastUse = 0;
    };

    static Stamp stampOf(const struct stat &st);
    Entry *currentEntry(const QString &file, const QByteArray &path, const struct stat &st);
    Entry &newEntry(const QString &file);

    timespec now() const;

    mutable QMutex m_mutex;
    Clock m_clock = nullptr;
    std::unordered_map<QString, Entry> m_entries;
    quint64 m_useCounter = 0;
    quint64 m_parseCount = 0;
};

} // namespace Ini
