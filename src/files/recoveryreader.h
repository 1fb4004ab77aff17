#pragma once

#include "files/linereader.h"
#include "files/recoverylog.h"

#include <QString>

class QIODevice;

// Reads the recovery log back, in the order a resumption needs it: the word
// file's path (so the words can be reloaded), the host's name (so the room
// can be checked), then the game. Every value of the body goes into the
// record as soon as it is read, so after a failure what came before it stays.
// Failures: 62 when the log ends early (a missing section header included),
// 13 for a value that is not a number or Boolean, 6 for a number out of range
// of its type, 9 for a count or index that does not fit the game's lists; a
// value that fails is not stored.
class RecoveryReader
{
public:
    enum class Body
    {
        Restored,
        FreshStart, // no [Word] section: the game broke off before its first step
    };

    explicit RecoveryReader(QIODevice &log);

    // Lines 1 to 4: the game's start kept (gameStartLine), then the word
    // file's path.
    QString readWordFilePath();
    // Line 3 as read, which names the game with the host and the word file.
    const QString &gameStartLine() const { return m_startLine; }
    // Line 5: the host's name from its sixth character on.
    QString readHostName();

    // Everything after the header. asked(1..wordIndex-1) become True; the
    // entries of the lists past their counts are left alone. On FreshStart
    // nothing is changed.
    Body readBody(LogBody &body);

private:
    QString nextLine();
    // The value after a line's key, which is not checked.
    QString valueAt(qsizetype position) { return nextLine().mid(position - 1); }
    Integer readCount(qsizetype position, int lowest, int highest);
    // Reads lines until one equals header; the line in hand counts too.
    void seek(QStringView header);
    QString nextField();
    float nextSingle();

    LineReader m_lines;
    QString m_line; // the line in hand
    QString m_startLine;
    qsizetype m_fieldFrom = -1; // where the next field starts in m_line; -1: take a new line
};
