#pragma once

#include "base/failure.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

// Why a file or folder could not be used, and the path the host is told.
struct FileFailure
{
    Failure failure;
    QString file;

    // Description, number and "Error with file " + file, on lines of their own.
    QString report() const;
};

// What a writer hands back: nothing when the whole new file is in place.
using WriteResult = std::optional<FileFailure>;

// Opening, reading and writing whole files, with failures as the classic
// numbers (53 not found, 76 path not found, 70 permission denied, 75
// path/file access, 61 disk full, 57 device I/O, 7 out of memory for a file
// or line too large to be meant).
namespace FileIO {

// The classic failure for a C library errno.
Failure failureFor(int err);

// Opens path for reading and runs read on it; throws Failure.
void readFile(const QString &path, const std::function<void(QIODevice &)> &read);
// The whole file, refused with 7 when it holds more than maxBytes.
QByteArray readBytes(const QString &path, qint64 maxBytes);

// Builds the file with write, then puts it in place whole: through a
// temporary beside it that is renamed over it, or, where the folder takes no
// new file but the file itself is writable, over the file in place with its
// room reserved first. A file the program's user may not write is refused
// with 70 and kept. Either the whole new file is there afterwards or the old
// one is untouched. Throws Failure; write's own failures leave the disk
// alone.
void writeFile(const QString &path, const std::function<void(QIODevice &)> &write);
// writeFile for a writer of the program: its failure is returned, not thrown.
WriteResult save(const QString &path, const std::function<void(QIODevice &)> &write);

// Writes text as Windows-1252 bytes; a short write is 61 on a full disk,
// 57 otherwise.
void writeText(QIODevice &out, const QString &text);

// Creates folder and any missing parents; the failure names the folder that
// could not be made.
std::optional<FileFailure> makeFolder(const QString &folder);

// Removes what writeFile leaves behind in folder when the program is killed
// between writing a temporary and renaming it (name.XXXXXX.orvella-tmp, six
// letters or digits), and nothing else.
void removeStrayTemporaries(const QString &folder);

} // namespace FileIO
