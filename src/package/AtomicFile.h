#pragma once

#include <optional>

#include <sys/stat.h>

#include <QByteArray>
#include <QByteArrayView>

namespace Ini {

// Replaces the content of the file at path in one step: the bytes go to a new file in the same
// folder, are synced to disk and only then take the old file's place by rename. A killed process,
// a full disk or a refused write leave the old file whole (or no file). The new file gets the old
// one's permissions and owner (`existing`), or the usual ones for a new file. Returns the stat of the
// file as written, or nothing when it was not written.
std::optional<struct stat> replaceFileContent(const QByteArray &path, QByteArrayView bytes,
                                              const struct stat *existing);

} // namespace Ini
