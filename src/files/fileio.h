#pragma once

#include <QString>

#include <functional>

class QIODevice;

// Opening and writing whole files, with failures as the classic numbers
// (53 not found, 76 path not found, 70 permission denied, 75 path/file
// access, 61 disk full, 57 device I/O).
namespace FileIO {

// Opens path for reading and runs read on it; throws Failure.
void readFile(const QString &path, const std::function<void(QIODevice &)> &read);

// Writes the whole file through a temporary that is renamed into place, so
// a failed write never leaves a half-written file behind; throws Failure.
void writeFile(const QString &path, const std::function<void(QIODevice &)> &write);

// Writes text as Windows-1252 bytes; a short write is 61 on a full disk,
// 57 otherwise.
void writeText(QIODevice &out, const QString &text);

} // namespace FileIO
