#include "base/ansi.h"
#include "files/recoverylog.h"
#include "files/recoveryreader.h"
#include "support/bytesio.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

// Names that need quoting, fractions of a level, a player not called down.
const QByteArray FullLog =
    "\xab\xbb\xab\xbb  Orvella by Dalmoth  \xab\xbb\xab\xbb\r\n"
    "\xab\xbb\xab\xbb  Version 3.0.0  \xab\xbb\xab\xbb\r\n"
    "9:05pm, Saturday, December 5, 2026\r\n/home/ann/words.txt\r\nHost=Ann Lee\r\n\r\n"
    "[Word]\r\nCurrent= 3 \r\nAsked=True\r\nGuess=A  L  \r\n\r\n"
    "[Boxes]\r\n 0 =True\r\n 1 =False\r\n 2 =True\r\n 3 =False\r\n 4 =False\r\n 5 =True\r\n"
    " 6 =False\r\n 7 =False\r\n 8 =False\r\n 9 =False\r\n\r\n"
    "[Down]\r\nDraw= 3 \r\nCount= 3 \r\nPointer= 2 \r\n"
    "\"Bob\"\r\n\"Say \"\"hi\"\"\"\r\n\"Lee, Jr\"\r\n\r\n"
    "[Players]\r\nCount= 4 \r\n\"Bob\",2,0\r\n\"Say \"\"hi\"\"\",1.5,1\r\n\"Lee, Jr\",0.1,1\r\n"
    "\"Zo\xeb \",4,0\r\n\r\n"
    "[Winners]\r\nCount= 2 \r\n\"Cy\",\"Red\"\r\n\"Dee\",\"\"\r\n\r\n";

struct Log
{
    LogHeader header;
    LogBody body;
};

QByteArray written(const Log &log)
{
    return writtenBy([&](QIODevice &out) { writeLog(out, log.header, log.body); });
}

constexpr int Restored = 0, FreshStart = -1;

// Reads a whole log as a resumption does: Restored, FreshStart or the
// failure's number.
int readBack(const QByteArray &bytes, Log &log)
{
    BytesIn in(bytes);
    bool restored = false;
    const int failure = failureOf([&] {
        RecoveryReader reader(in);
        log.header.wordFile = reader.readWordFilePath();
        log.header.hostName = reader.readHostName();
        restored = reader.readBody(log.body) == RecoveryReader::Body::Restored;
    });
    return failure ? failure : restored ? Restored : FreshStart;
}

} // namespace

TEST(RecoveryLog, EveryValueIsReadBackAndWrittenAgainByteForByteInEnglish)
{
    Log log;
    log.body.asked[4] = true; // later entries are the word reload's business
    ASSERT_EQ(readBack(FullLog, log), Restored);
    const LogBody &b = log.body;
    EXPECT_TRUE(b.asked[1] && b.asked[2] && b.asked[3] && b.asked[4] && !b.asked[5]);
    // The banner lines are not read back: they are the program's own.
    const QList<QByteArray> banner = FullLog.split('\r');
    log.header.title = Ansi::decode(banner[0]);
    log.header.version = Ansi::decode(banner[1].mid(1));

    // The rest is checked by writing it again. The start time is not taken
    // back; its names are English whatever the locale, 0 and 12 o'clock both 12.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    log.header.gameStart = QDateTime(QDate(2026, 12, 5), QTime(21, 5));
    EXPECT_EQ(written(log), FullLog);
    for (const auto &[hour, text] : {std::pair(0, "12:07am"), std::pair(12, "12:07pm")})
        EXPECT_EQ(formatGameStart(QDateTime(QDate(2027, 1, 1), QTime(hour, 7))),
                  QLatin1String(text) + u", Friday, January 1, 2027"_qs);
    QLocale::setDefault(before);

    // The writer refuses counts that would not read back.
    for (Integer LogBody::*count : {&LogBody::downCount, &LogBody::winnerCount}) {
        Log over = log;
        over.body.*count = 11;
        EXPECT_THROW(written(over), Failure);
    }
    log.body.wordIndex = 11; // after the last of ten words
    EXPECT_TRUE(written(log).contains("Current= 11 \r\nAsked=False\r\n"));
}

TEST(RecoveryReader, BadLogsFailKeepingWhatWasReadAndOnesWithoutAGameStartAfresh)
{
    QByteArray junk;
    for (int i = 0; i < 50 * 256; ++i)
        junk += char(i);
    // What to replace in the log (nothing: the log is the new bytes alone), by
    // what (nothing: cut there), and the failure or FreshStart.
    const std::tuple<const char *, QByteArray, int> cases[] = {
        {nullptr, junk, FreshStart},
        {"Host=", "", ErrInputPastEnd},
        {"Current= 3 ", "Current= 11 ", ErrSubscript},
        {"Draw= 3 ", "Draw= 1 ", ErrSubscript},
        {"Draw= 3 ", "Draw= 11 ", ErrSubscript},
        {"Count= 3 ", "Count= 11 ", ErrSubscript},
        {"Pointer= 2 ", "Pointer= 4 ", ErrSubscript},
        {"Count= 2 ", "Count= 11 ", ErrSubscript},
        {"Current= 3 ", "Current= " + QByteArray(4 << 20, '9'), ErrOutOfMemory},
        {" 4 =False", " 4 =Nope", ErrTypeMismatch},
        {",1.5,", ",1e39,", ErrOverflow},
        {"\"Lee, Jr\",0.1,1", "\"Lee, Jr,0.1,1", ErrTypeMismatch},
    };
    for (const auto &[from, to, number] : cases) {
        QByteArray log = from ? FullLog : to;
        const qsizetype at = from ? log.indexOf(from) : 0;
        if (from)
            log = to.isEmpty() ? log.left(at) : log.replace(at, qstrlen(from), to);
        Log back;
        back.body.wordIndex = 7;
        EXPECT_EQ(readBack(log, back), number) << from << " -> " << to.left(40).constData();
        EXPECT_TRUE(number != FreshStart || back.body.wordIndex == 7)
            << "nothing taken from the body";
        EXPECT_LE(back.body.wordIndex, LogBody::MaxWords);
        EXPECT_LE(back.body.downPointer, back.body.downCount);
    }
    Log back; // what was read before the cut stays
    EXPECT_EQ(readBack(FullLog.left(FullLog.indexOf("\"Lee, Jr\",0.1,1")), back), ErrInputPastEnd);
    EXPECT_TRUE(back.body.down[2] == u"Say \"hi\""_qs && back.body.players[2].level == 1.5f);
}
