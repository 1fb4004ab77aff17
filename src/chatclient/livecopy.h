#pragma once

#include <QByteArray>
#include <QString>

#include <deque>

// The lines of the live copy that the program has not been sent yet, as
// Windows-1252 with CR LF. A program that does not read must not make the
// client hold the room's whole flood: past the bound the oldest lines go,
// and one line in their place says how many.
class LiveCopy
{
public:
    // Pending bytes, the count of lines left out included.
    static constexpr qsizetype MaxPending = 256 * 1024;
    // The text of one piece; with the op and the length in front the frame's
    // payload is at most 64 KiB.
    static constexpr qsizetype MaxPiece = 64 * 1024 - 5;

    void add(const QString &line);
    // Takes the oldest pending lines, whole, at most MaxPiece bytes; empty
    // when nothing waits.
    QByteArray take();
    bool isEmpty() const { return m_lines.empty() && m_dropped == 0; }
    qsizetype bytes() const;
    void clear();

private:
    QByteArray droppedLine() const;

    std::deque<QByteArray> m_lines;
    qsizetype m_bytes = 0;
    qint64 m_dropped = 0;
};
