#include "files/recoveryreader.h"

#include "base/failure.h"
#include "files/values.h"

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

QString RecoveryReader::readWordFilePath()
{
    nextLine();
    nextLine();
    m_startLine = nextLine();
    return nextLine();
}

QString RecoveryReader::readHostName()
{
    return valueAt(6);
}

RecoveryReader::Body RecoveryReader::readBody(LogBody &body)
{
    while (m_line != u"[Word]") {
        if (m_lines.atEnd())
            return Body::FreshStart;
        nextLine();
    }
    // After the last of ten words the log holds 11 here; resuming a finished
    // game is refused rather than pointing past the word list.
    body.wordIndex = readCount(9, 0, LogBody::MaxWords);
    body.asked[body.wordIndex] = Values::readBoolean(valueAt(7));
    body.guess = valueAt(7);
    for (int i = 1; i < body.wordIndex; ++i)
        body.asked[i] = true;

    seek(u"[Boxes]");
    // The index written in front of each value is not read: lines count.
    for (int i = 0; i < LogBody::BoxCount; ++i)
        body.boxAvailable[i] = Values::readBoolean(valueAt(5));

    // A draw count, list or pointer the game cannot hold would make a later
    // step index past Down; refused here like any other bad index.
    seek(u"[Down]");
    body.drawCount = readCount(6, 2, LogBody::MaxDown);
    body.downCount = readCount(7, 0, LogBody::MaxDown);
    body.downPointer = readCount(9, 0, body.downCount);
    for (int i = 1; i <= body.downCount; ++i)
        body.down[i] = nextField();

    seek(u"[Players]");
    body.playerCount = readCount(7, 0, LogBody::MaxPlayers);
    for (int i = 1; i <= body.playerCount; ++i) {
        LogBody::Player &p = body.players[i];
        p.name = nextField();
        p.level = nextSingle();
        p.drawn = nextSingle();
    }

    seek(u"[Winners]");
    body.winnerCount = readCount(7, 0, LogBody::MaxWinners);
    for (int i = 1; i <= body.winnerCount; ++i) {
        body.winners[i].name = nextField();
        body.winners[i].box = nextField();
    }
    return Body::Restored;
}
