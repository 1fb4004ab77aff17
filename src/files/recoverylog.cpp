#include "files/recoverylog.h"

#include "base/failure.h"
#include "files/fileio.h"
#include "files/values.h"

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

void addHeader(LogText &log, const LogHeader &header)
{
    log.line(header.title);
    log.line(header.version);
    log.line(formatGameStart(header.gameStart));
    log.line(header.wordFile);
    log.line(QStringLiteral("Host=") + header.hostName);
    log.emptyLine();
}

void addBody(LogText &log, const LogBody &body)
{
    log.line(QStringLiteral("[Word]"));
    log.line(QStringLiteral("Current=") + Values::writeNumber(body.wordIndex));
    // After the last of ten words the index stands at 11, where no word (and
    // no asked entry) exists.
    const bool asked =
        body.wordIndex >= 0 && body.wordIndex <= LogBody::MaxWords && body.asked[body.wordIndex];
    log.line(QStringLiteral("Asked=") + Values::writeBoolean(asked));
    log.line(QStringLiteral("Guess=") + body.guess);
    log.emptyLine();

    log.line(QStringLiteral("[Boxes]"));
    for (int i = 0; i < LogBody::BoxCount; ++i)
        log.line(Values::writeNumber(i) + u'=' + Values::writeBoolean(body.boxAvailable[i]));
    log.emptyLine();

    log.line(QStringLiteral("[Down]"));
    log.line(QStringLiteral("Draw=") + Values::writeNumber(body.drawCount));
    log.line(QStringLiteral("Count=") + Values::writeNumber(body.downCount));
    log.line(QStringLiteral("Pointer=") + Values::writeNumber(body.downPointer));
    for (int i = 1, n = entries(body.downCount, LogBody::MaxDown); i <= n; ++i)
        log.line(quoted(body.down[i]));
    log.emptyLine();

    log.line(QStringLiteral("[Players]"));
    log.line(QStringLiteral("Count=") + Values::writeNumber(body.playerCount));
    for (int i = 1, n = entries(body.playerCount, LogBody::MaxPlayers); i <= n; ++i) {
        const LogBody::Player &p = body.players[i];
        log.line(quoted(p.name) + u',' + Values::writePlain(p.level) + u',' +
                 Values::writePlain(p.drawn));
    }
    log.emptyLine();

    log.line(QStringLiteral("[Winners]"));
    log.line(QStringLiteral("Count=") + Values::writeNumber(body.winnerCount));
    for (int i = 1, n = entries(body.winnerCount, LogBody::MaxWinners); i <= n; ++i)
        log.line(quoted(body.winners[i].name) + u',' + quoted(body.winners[i].box));
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

void writeLogHeader(QIODevice &out, const LogHeader &header)
{
    LogText log;
    addHeader(log, header);
    log.writeTo(out);
}

void writeLog(QIODevice &out, const LogHeader &header, const LogBody &body)
{
    // Built whole before a byte is written, so a bad count leaves nothing.
    LogText log;
    addHeader(log, header);
    addBody(log, body);
    log.writeTo(out);
}

WriteResult saveLog(const QString &path, const LogHeader &header, const LogBody &body)
{
    return FileIO::save(path, [&](QIODevice &out) { writeLog(out, header, body); });
}

WriteResult startLog(const QString &path, const LogHeader &header)
{
    WriteResult result = FileIO::save(path, [&](QIODevice &out) { writeLogHeader(out, header); });
    // No log of an earlier game may be left to be resumed into this one.
    if (result)
        QFile::remove(path);
    return result;
}
