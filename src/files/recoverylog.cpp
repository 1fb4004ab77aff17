#include "files/recoverylog.h"

#include "files/fileio.h"
#include "files/values.h"
#include "game/banner.h"
#include "base/failure.h"
#include "game/gamestate.h"
#include "base/hostdialogs.h"

#include <QDateTime>
#include <QFile>
#include <QIODevice>

namespace {

const QString CrLf = QStringLiteral("\r\n");

class LogText
{
public:
    void line(const QString &text) { m_text += text + CrLf; }
    void emptyLine() { m_text += CrLf; }

    void writeTo(QIODevice &out) const { FileIO::writeText(out, m_text); }

private:
    QString m_text;
};

QString quoted(const QString &text)
{
    QString inner = text;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

// How many entries a list writes. A count past the array would read beyond
// it, so it stops the write as a subscript error; a negative count writes no
// entries.
int entries(Integer count, int capacity)
{
    if (count > capacity)
        throw Failure(ErrSubscript);
    return qMax<int>(count, 0);
}

void addHeader(LogText &log, const GameState &gs)
{
    log.line(titleLine());
    log.line(versionLine());
    log.line(formatGameStart(gs.GameStart));
    log.line(gs.WordFile);
    log.line(QStringLiteral("Host=") + gs.HostName);
    log.emptyLine();
}

void addBody(LogText &log, const GameState &gs)
{
    log.line(QStringLiteral("[Word]"));
    log.line(QStringLiteral("Current=") + Values::writeNumber(gs.WordIndex));
    // After the last of ten words WordIndex stands at 11, where no word (and
    // no Asked entry) exists.
    const bool asked = gs.WordIndex >= 0 && gs.WordIndex <= MaxWords && gs.Asked[gs.WordIndex];
    log.line(QStringLiteral("Asked=") + Values::writeBoolean(asked));
    log.line(QStringLiteral("Guess=") + gs.Guess);
    log.emptyLine();

    log.line(QStringLiteral("[Boxes]"));
    for (int i = 0; i < BoxCount; ++i)
        log.line(Values::writeNumber(i) + u'=' + Values::writeBoolean(gs.Boxes[i].Available));
    log.emptyLine();

    log.line(QStringLiteral("[Down]"));
    log.line(QStringLiteral("Draw=") + Values::writeNumber(gs.DrawCount));
    log.line(QStringLiteral("Count=") + Values::writeNumber(gs.DownCount));
    log.line(QStringLiteral("Pointer=") + Values::writeNumber(gs.DownPointer));
    for (int i = 1, n = entries(gs.DownCount, MaxDown); i <= n; ++i)
        log.line(quoted(gs.Down[i].Name));
    log.emptyLine();

    log.line(QStringLiteral("[Players]"));
    log.line(QStringLiteral("Count=") + Values::writeNumber(gs.PlayerCount));
    for (int i = 1, n = entries(gs.PlayerCount, MaxPlayers); i <= n; ++i) {
        const PlayerRec &p = gs.Players[i];
        log.line(quoted(p.Name) + u',' + Values::writePlain(p.Level) + u',' +
                 Values::writePlain(p.Drawn));
    }
    log.emptyLine();

    log.line(QStringLiteral("[Winners]"));
    log.line(QStringLiteral("Count=") + Values::writeNumber(gs.WinnerCount));
    for (int i = 1, n = entries(gs.WinnerCount, MaxWinners); i <= n; ++i)
        log.line(quoted(gs.Winners[i].Name) + u',' + quoted(gs.Winners[i].Box));
    log.emptyLine();
}

} // namespace

QString formatGameStart(const QDateTime &start)
{
    static const char *const weekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                           "Friday", "Saturday", "Sunday"};
    static const char *const months[] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
    const QDateTime when = start.isValid() ? start : QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    const QDate date = when.date();
    const QTime time = when.time();
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1:%2%3, %4, %5 %6, %7")
        .arg(hour12)
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"))
        .arg(QLatin1StringView(weekdays[date.dayOfWeek() - 1]))
        .arg(QLatin1StringView(months[date.month() - 1]))
        .arg(date.day())
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

void writeLogHeader(QIODevice &out, const GameState &gs)
{
    LogText log;
    addHeader(log, gs);
    log.writeTo(out);
}

void writeLog(QIODevice &out, const GameState &gs)
{
    // Built whole before a byte is written, so a bad count leaves nothing.
    LogText log;
    addHeader(log, gs);
    addBody(log, gs);
    log.writeTo(out);
}

WriteResult LogWriter(const GameState &gs)
{
    return FileIO::save(gs.LogFile, [&](QIODevice &out) { writeLog(out, gs); });
}

WriteResult startNewLog(const GameState &gs)
{
    WriteResult result = FileIO::save(gs.LogFile, [&](QIODevice &out) { writeLogHeader(out, gs); });
    // No log of an earlier game may be left to be resumed into this one.
    if (result)
        QFile::remove(gs.LogFile);
    return result;
}

QString programErrorTitle()
{
    return QStringLiteral("Program Error");
}
