#include "files/recoveryreader.h"

#include "files/values.h"
#include "base/failure.h"

#include <cfloat>
#include <cmath>

RecoveryReader::RecoveryReader(QIODevice &log) : m_lines(log) {}

QString RecoveryReader::nextLine()
{
    m_line = m_lines.readLine();
    m_fieldFrom = -1;
    return m_line;
}

Integer RecoveryReader::readCount(qsizetype position, int lowest, int highest)
{
    const Integer value = Values::readInteger(valueAt(position));
    if (value < lowest || value > highest)
        throw Failure(ErrSubscript);
    return value;
}

void RecoveryReader::seek(QStringView header)
{
    while (m_line != header)
        nextLine();
}

// Fields are separated by commas and a line end ends one too. A quoted field
// runs to its closing quote, a doubled quote inside standing for one; what
// follows the closing quote up to the next comma is ignored.
QString RecoveryReader::nextField()
{
    if (m_fieldFrom < 0) {
        nextLine();
        m_fieldFrom = 0;
    }
    const QString &line = m_line;
    const qsizetype n = line.size();
    qsizetype i = m_fieldFrom;
    while (i < n && (line[i] == u' ' || line[i] == u'\t'))
        ++i;

    QString field;
    if (i < n && line[i] == u'"') {
        for (++i; i < n; ++i) {
            if (line[i] != u'"') {
                field += line[i];
            } else if (i + 1 < n && line[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else {
                ++i;
                break;
            }
        }
        while (i < n && line[i] != u',')
            ++i;
    } else {
        const qsizetype begin = i;
        while (i < n && line[i] != u',')
            ++i;
        field = line.mid(begin, i - begin);
        while (field.endsWith(u' ') || field.endsWith(u'\t'))
            field.chop(1);
    }
    m_fieldFrom = i < n ? i + 1 : -1;
    return field;
}

float RecoveryReader::nextSingle()
{
    const double value = Values::readNumber(nextField());
    if (std::fabs(value) > FLT_MAX)
        throw Failure(ErrOverflow);
    return static_cast<float>(value);
}

void RecoveryReader::readWordFilePath(GameState &gs)
{
    for (int i = 0; i < 3; ++i)
        nextLine();
    gs.WordFile = nextLine();
}

void RecoveryReader::readHostName(GameState &gs)
{
    gs.HostName = valueAt(6);
}

void RecoveryReader::readHeader(GameState &gs)
{
    readWordFilePath(gs);
    readHostName(gs);
}

RecoveryReader::Body RecoveryReader::readBody(GameState &gs)
{
    while (m_line != u"[Word]") {
        if (m_lines.atEnd())
            return Body::FreshStart;
        nextLine();
    }
    // After the last of ten words the log holds 11 here; resuming a finished
    // game is refused rather than pointing past the word list.
    gs.WordIndex = readCount(9, 0, MaxWords);
    gs.Asked[gs.WordIndex] = Values::readBoolean(valueAt(7));
    gs.Guess = valueAt(7);
    for (int i = 1; i < gs.WordIndex; ++i)
        gs.Asked[i] = true;

    seek(u"[Boxes]");
    // The index written in front of each value is not read: lines count.
    for (int i = 0; i < BoxCount; ++i)
        gs.Boxes[i].Available = Values::readBoolean(valueAt(5));

    // A draw count, list or pointer the game cannot hold would make a later
    // step index past Down; refused here like any other bad index.
    seek(u"[Down]");
    gs.DrawCount = readCount(6, 2, MaxDown);
    gs.DownCount = readCount(7, 0, MaxDown);
    gs.DownPointer = readCount(9, 0, gs.DownCount);
    for (int i = 1; i <= gs.DownCount; ++i)
        gs.Down[i].Name = nextField();

    seek(u"[Players]");
    gs.PlayerCount = readCount(7, 0, MaxPlayers);
    for (int i = 1; i <= gs.PlayerCount; ++i) {
        PlayerRec &p = gs.Players[i];
        p.Name = nextField();
        p.Level = nextSingle();
        p.Drawn = nextSingle();
    }

    seek(u"[Winners]");
    gs.WinnerCount = readCount(7, 0, MaxWinners);
    for (int i = 1; i <= gs.WinnerCount; ++i) {
        gs.Winners[i].Name = nextField();
        gs.Winners[i].Box = nextField();
    }
    return Body::Restored;
}

QString logFailureText(const Failure &failure, const QString &file)
{
    return failure.report(QStringLiteral("Error with file: ") + file);
}
