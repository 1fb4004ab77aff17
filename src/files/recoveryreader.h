#pragma once

#include "files/linereader.h"
#include "game/gamestate.h"

#include <QString>

class Failure;
class QIODevice;

// Reads the recovery log back, in the order a resumption needs it: the word
// file's path (so the words can be reloaded), the host's name (so the room
// can be checked), then the game. Every value goes into the GameState as soon
// as it is read, so after a failure what came before it stays restored.
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

    // Lines 1 to 4: three ignored, then gs.WordFile.
    void readWordFilePath(GameState &gs);
    // Line 5: gs.HostName from its sixth character on.
    void readHostName(GameState &gs);
    // Both of the above.
    void readHeader(GameState &gs);

    // Everything after the header: WordIndex, Asked, Guess, Boxes' Available,
    // DrawCount, DownCount, DownPointer, Down names, players and winners.
    // Asked(1..WordIndex-1) become True. On FreshStart nothing is changed.
    Body readBody(GameState &gs);

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
    QString m_line;             // the line in hand
    qsizetype m_fieldFrom = -1; // where the next field starts in m_line; -1: take a new line
};

// The message box shown when the log cannot be read back, titled
// programErrorTitle().
QString logFailureText(const Failure &failure, const QString &file);
