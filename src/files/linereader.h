#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Reads Windows-1252 text line by line. A line ends at CR LF, a lone CR or a
// lone LF: files written on this platform end lines with LF alone.
class LineReader
{
public:
    explicit LineReader(QIODevice &device);

    bool atEnd();
    // The next line without its ending. Past the end: error 62; a device that
    // fails to read: error 57.
    QString readLine();

private:
    bool fill();

    QIODevice &m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_eof = false;
};
