#pragma once

#include <QByteArray>
#include <QString>

class Failure;
class QIODevice;

// Reads Windows-1252 text line by line. A line ends at CR LF, a lone CR or a
// lone LF: files written on this platform end lines with LF alone.
//
// No file may make the program hold much more than it keeps: a line longer
// than MaxLineBytes, or more than maxFileBytes read in all, fails with 7.
class LineReader
{
public:
    static constexpr qsizetype MaxLineBytes = 64 * 1024;
    // Far above anything the program writes, far below what hurts.
    static constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

    // maxFileBytes below 0: no limit on the file, only on its lines.
    explicit LineReader(QIODevice &device, qint64 maxFileBytes = -1);

    bool atEnd();
    // The next line without its ending. Past the end: error 62; a device that
    // fails to read: error 57.
    QString readLine();

    static Failure lineTooLong();
    static Failure fileTooLarge(qint64 maxBytes);

private:
    bool fill();

    QIODevice &m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_maxFileBytes;
    qint64 m_read = 0;
    bool m_eof = false;
};
