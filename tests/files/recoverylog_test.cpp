#include "files/recoverylog.h"
#include "files/recoveryreader.h"
#include "game/failure.h"
#include "game/gamestate.h"
#include "game/reportwrite.h"
#include "support/scripteddialogs.h"

#include <QBuffer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

GameState fullGame()
{
    GameState gs;
    gs.GameStart = QDateTime(QDate(2026, 12, 5), QTime(21, 5));
    gs.WordFile = QStringLiteral("/home/ann/words.txt");
    gs.HostName = QStringLiteral("Ann Lee");
    gs.WordIndex = 3;
    gs.Asked[3] = true;
    gs.Guess = QStringLiteral("A  L  ");
    gs.Boxes[0].Available = gs.Boxes[2].Available = gs.Boxes[5].Available = true;
    gs.DownCount = 3;
    gs.DownPointer = 2;
    const QString names[] = {QStringLiteral("Bob"), QStringLiteral("Say \"hi\""),
                             QStringLiteral("Lee, Jr"), QStringLiteral("Zo\u00eb ")};
    gs.PlayerCount = 4;
    const float levels[][2] = {{2, 0}, {1.5, 1}, {0.1f, 1}, {4, 0}};
    for (int i = 1; i <= 4; ++i) {
        gs.Players[i] = {names[i - 1], QString(), levels[i - 1][0], levels[i - 1][1]};
        gs.Down[i].Name = i <= 3 ? names[i - 1] : QString();
    }
    gs.WinnerCount = 2;
    gs.Winners[1] = {QStringLiteral("Cy"), QStringLiteral("Red")};
    gs.Winners[2] = {QStringLiteral("Dee"), QString()};
    return gs;
}

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
const QByteArray Header = FullLog.left(FullLog.indexOf("[Word]"));

QByteArray written(const GameState &gs)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeLog(buffer, gs);
    return buffer.data();
}

constexpr int Restored = 0, FreshStart = -1;

// Reads a whole log as a resumption does: Restored, FreshStart or the
// failure's number.
int readBack(const QByteArray &log, GameState &gs)
{
    QBuffer buffer;
    buffer.setData(log);
    buffer.open(QIODevice::ReadOnly);
    try {
        RecoveryReader reader(buffer);
        reader.readHeader(gs);
        return reader.readBody(gs) == RecoveryReader::Body::Restored ? Restored : FreshStart;
    } catch (const Failure &f) {
        return f.number();
    }
}

} // namespace

TEST(RecoveryLog, WritesExactBytesInEnglishAndRefusesCountsThatDoNotFit)
{
    const QLocale before; // the names are English whatever the locale
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto at = [](int h, int mi) {
        return formatGameStart(QDateTime(QDate(2027, 1, 1), QTime(h, mi)));
    };
    EXPECT_EQ(at(0, 7), QStringLiteral("12:07am, Friday, January 1, 2027"));
    EXPECT_EQ(at(12, 0), QStringLiteral("12:00pm, Friday, January 1, 2027"));
    EXPECT_EQ(formatGameStart(QDateTime()), QStringLiteral("12:00am, Saturday, December 30, 1899"));
    GameState gs = fullGame();
    EXPECT_EQ(written(gs), FullLog);
    QLocale::setDefault(before);
    gs.WordIndex = 11; // after the last of ten words
    EXPECT_TRUE(written(gs).contains("Current= 11 \r\nAsked=False\r\n"));
    for (Integer GameState::*count : {&GameState::DownCount, &GameState::WinnerCount}) {
        gs = fullGame();
        gs.*count = 11;
        EXPECT_THROW(written(gs), Failure);
    }

    // On disk: replaced whole, kept whole when a write fails, started afresh.
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QFile file(dir.filePath(QStringLiteral("Orvella.log")));
    const auto onDisk = [&] {
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        file.close();
        return bytes;
    };
    gs = fullGame();
    gs.LogFile = file.fileName();
    EXPECT_FALSE(LogWriter(gs));
    EXPECT_EQ(onDisk(), FullLog);
    gs.PlayerCount = 151; // too many: the write fails and the old log stays whole
    reportWrite(dialogs, LogWriter(gs));
    EXPECT_EQ(onDisk(), FullLog);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Subscript out of range\r\n9\r\nError with file ") + gs.LogFile);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Program Error"));
    EXPECT_FALSE(startNewLog(gs));
    EXPECT_EQ(onDisk(), Header);
    gs.LogFile = dir.path();
    EXPECT_EQ(startNewLog(gs)->failure.number(), ErrPathFileAccess);
}

TEST(RecoveryReader, RestoresEveryLoggedValueAndStartsAfreshWithoutAGame)
{
    GameState gs;
    gs.Asked.fill(false);
    gs.Asked[4] = true; // later entries are the word reload's business
    ASSERT_EQ(readBack(FullLog, gs), Restored);
    EXPECT_TRUE(gs.Asked[1] && gs.Asked[2] && gs.Asked[3] && gs.Asked[4]);
    EXPECT_FALSE(gs.Asked[5]);
    // Every logged value but the start time is back: writing again gives the same bytes.
    gs.GameStart = fullGame().GameStart;
    EXPECT_EQ(written(gs), FullLog);

    QByteArray lenient = FullLog;
    lenient.replace("\"Bob\",2,0", "  Bob , 3 , 1 ");
    lenient.replace("\"Lee, Jr\",0.1,1", "\"Lee, Jr\" junk , 0.5,-1");
    lenient.replace("Count= 3 \r\n", "Count= 3\n").replace("[Word]\r\n", "[Word]\n");
    ASSERT_EQ(readBack(lenient, gs), Restored);
    EXPECT_TRUE(
        written(gs).contains("\"Bob\",3,1\r\n\"Say \"\"hi\"\"\",1.5,1\r\n\"Lee, Jr\",0.5,-1\r\n"));

    // No [Word] section: only the header is taken.
    GameState fresh;
    fresh.WordIndex = 7;
    ASSERT_EQ(readBack(Header, fresh), FreshStart);
    EXPECT_EQ(fresh.HostName, QStringLiteral("Ann Lee"));
    EXPECT_EQ(fresh.WordIndex, 7);
    QByteArray junk;
    for (int i = 0; i < 50 * 256; ++i)
        junk += char(i);
    EXPECT_EQ(readBack(junk, fresh), FreshStart);
}

TEST(RecoveryReader, BadLogsFailWithTheirNumbersKeepingWhatWasRead)
{
    const std::tuple<const char *, QByteArray, int> cases[] = {
        {"Host=", "", ErrInputPastEnd},
        {"[Boxes]", "[boxes]", ErrInputPastEnd},
        {"[Winners]", "[Winners] ", ErrInputPastEnd},
        {"Current= 3 ", "Current= 11 ", ErrSubscript},
        {"Draw= 3 ", "Draw= 1 ", ErrSubscript},
        {"Draw= 3 ", "Draw= 11 ", ErrSubscript},
        {"Count= 3 ", "Count= 11 ", ErrSubscript},
        {"Pointer= 2 ", "Pointer= 4 ", ErrSubscript},
        {"Count= 4 ", "Count= 151 ", ErrSubscript},
        {"Count= 2 ", "Count= 11 ", ErrSubscript},
        {"Current= 3 ", "Current= three", ErrTypeMismatch},
        {"Current= 3 ", QByteArray("Current=\x00\xff\x80\x01junk", 16), ErrTypeMismatch},
        {"Current= 3 ", "Current= " + QByteArray(400, '9'), ErrOverflow},
        {"Current= 3 ", "Current= " + QByteArray(4 << 20, '9'), ErrOutOfMemory},
        {"Asked=True", "Asked=maybe", ErrTypeMismatch},
        {" 4 =False", " 4 =Nope", ErrTypeMismatch},
        {",1.5,", ",1.5x,", ErrTypeMismatch},
        {",1.5,", ",1e39,", ErrOverflow},
        {"\"Lee, Jr\",0.1,1", "\"Lee, Jr,0.1,1", ErrTypeMismatch},
    };
    for (const auto &[from, to, number] : cases) {
        QByteArray log = FullLog;
        const qsizetype at = log.indexOf(from);
        ASSERT_GE(at, 0) << from;
        log = to.isEmpty() ? log.left(at) : log.replace(at, qstrlen(from), to);
        GameState gs;
        gs.WordIndex = 7;
        EXPECT_EQ(readBack(log, gs), number) << from << " -> " << to.left(40).constData();
        EXPECT_LE(gs.WordIndex, MaxWords);
        EXPECT_LE(gs.DownPointer, gs.DownCount);
    }

    GameState gs;
    EXPECT_EQ(readBack(FullLog.left(FullLog.indexOf("\"Lee, Jr\",0.1,1")), gs), ErrInputPastEnd);
    EXPECT_EQ(gs.Down[2].Name, QStringLiteral("Say \"hi\""));
    EXPECT_EQ(gs.Players[2].Level, 1.5f);
    EXPECT_EQ(logFailureText(Failure(ErrInputPastEnd), QStringLiteral("/x/Orvella.log")),
              QStringLiteral("Input past end of file\r\n62\r\nError with file: /x/Orvella.log"));
}
