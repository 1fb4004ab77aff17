#include "files/recoverylog.h"
#include "files/recoveryreader.h"
#include "game/failure.h"
#include "game/gamestate.h"
#include "support/scripteddialogs.h"

#include <QBuffer>
#include <QDir>
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
    for (int i : {0, 2, 5})
        gs.Boxes[i].Available = true;
    gs.DownCount = 3;
    gs.DownPointer = 2;
    const QString names[] = {QStringLiteral("Bob"), QStringLiteral("Say \"hi\""),
                             QStringLiteral("Lee, Jr"), QStringLiteral("Zo\u00eb ")};
    for (int i = 1; i <= 3; ++i)
        gs.Down[i].Name = names[i - 1];
    gs.PlayerCount = 4;
    const float levels[][2] = {{2, 0}, {1.5, 1}, {0, 1}, {4, 0}};
    for (int i = 1; i <= 4; ++i)
        gs.Players[i] = {names[i - 1], QString(), levels[i - 1][0], levels[i - 1][1]};
    gs.WinnerCount = 2;
    gs.Winners[1] = {QStringLiteral("Cy"), QStringLiteral("Red")};
    gs.Winners[2] = {QStringLiteral("Dee"), QString()};
    return gs;
}

const QByteArray FullLog = "\xab\xbb\xab\xbb  Orvella by Dalmoth  \xab\xbb\xab\xbb\r\n"
                           "\xab\xbb\xab\xbb  Version 3.0.0  \xab\xbb\xab\xbb\r\n"
                           "9:05pm, Saturday, December 5, 2026\r\n"
                           "/home/ann/words.txt\r\n"
                           "Host=Ann Lee\r\n"
                           "\r\n"
                           "[Word]\r\nCurrent= 3 \r\nAsked=True\r\nGuess=A  L  \r\n\r\n"
                           "[Boxes]\r\n 0 =True\r\n 1 =False\r\n 2 =True\r\n 3 =False\r\n"
                           " 4 =False\r\n 5 =True\r\n 6 =False\r\n 7 =False\r\n 8 =False\r\n"
                           " 9 =False\r\n\r\n"
                           "[Down]\r\nDraw= 3 \r\nCount= 3 \r\nPointer= 2 \r\n"
                           "\"Bob\"\r\n\"Say \"\"hi\"\"\"\r\n\"Lee, Jr\"\r\n\r\n"
                           "[Players]\r\nCount= 4 \r\n"
                           "\"Bob\",2,0\r\n\"Say \"\"hi\"\"\",1.5,1\r\n\"Lee, Jr\",0,1\r\n"
                           "\"Zo\xeb \",4,0\r\n\r\n"
                           "[Winners]\r\nCount= 2 \r\n\"Cy\",\"Red\"\r\n\"Dee\",\"\"\r\n\r\n";

QByteArray written(void (*write)(QIODevice &, const GameState &), const GameState &gs)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(buffer, gs);
    return buffer.data();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Reads a whole log as a resumption does; the failure's number, or 0.
int readBack(const QByteArray &log, GameState &gs, RecoveryReader::Body *body = nullptr)
{
    QBuffer buffer;
    buffer.setData(log);
    buffer.open(QIODevice::ReadOnly);
    try {
        RecoveryReader reader(buffer);
        reader.readHeader(gs);
        const auto result = reader.readBody(gs);
        if (body)
            *body = result;
    } catch (const Failure &f) {
        return f.number();
    }
    return 0;
}

} // namespace

TEST(RecoveryLog, GameStartInEnglishTwelveHourClock)
{
    const auto at = [](int y, int mo, int d, int h, int mi) {
        return formatGameStart(QDateTime(QDate(y, mo, d), QTime(h, mi)));
    };
    EXPECT_EQ(at(2026, 12, 5, 21, 5), QStringLiteral("9:05pm, Saturday, December 5, 2026"));
    EXPECT_EQ(at(2027, 1, 1, 0, 7), QStringLiteral("12:07am, Friday, January 1, 2027"));
    EXPECT_EQ(at(2026, 7, 15, 12, 0), QStringLiteral("12:00pm, Wednesday, July 15, 2026"));
    EXPECT_EQ(at(2026, 7, 15, 11, 59), QStringLiteral("11:59am, Wednesday, July 15, 2026"));
    EXPECT_EQ(formatGameStart(QDateTime()), QStringLiteral("12:00am, Saturday, December 30, 1899"));

    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(at(2026, 3, 2, 13, 30), QStringLiteral("1:30pm, Monday, March 2, 2026"));
    QLocale::setDefault(before);
}

TEST(RecoveryLog, WritesExactBytes)
{
    const GameState gs = fullGame();
    EXPECT_EQ(written(writeLog, gs), FullLog);
    EXPECT_EQ(written(writeLogHeader, gs), FullLog.left(FullLog.indexOf("[Word]")));

    const QByteArray empty = written(writeLog, GameState());
    EXPECT_TRUE(
        empty.contains("\r\nHost=\r\n\r\n[Word]\r\nCurrent= 0 \r\nAsked=False\r\nGuess=\r\n"));
    EXPECT_TRUE(empty.endsWith("[Down]\r\nDraw= 3 \r\nCount= 0 \r\nPointer= 0 \r\n\r\n"
                               "[Players]\r\nCount= 0 \r\n\r\n"
                               "[Winners]\r\nCount= 0 \r\n\r\n"));
}

TEST(RecoveryLog, CountsThatDoNotFitAreRefusedAndFinishedGameIsWritable)
{
    GameState gs = fullGame();
    gs.WordIndex = 11; // after the last of ten words
    EXPECT_TRUE(written(writeLog, gs).contains("Current= 11 \r\nAsked=False\r\n"));

    gs = fullGame();
    gs.DownCount = 11;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_THROW(writeLog(buffer, gs), Failure);
    EXPECT_TRUE(buffer.data().isEmpty());
}

TEST(LogWriter, WritesTheFileOrTellsTheHost)
{
    QTemporaryDir dir;
    GameState gs = fullGame();
    ScriptedDialogs dialogs;
    gs.LogFile = dir.filePath(QStringLiteral("Orvella.log"));
    LogWriter(gs, dialogs);
    EXPECT_EQ(readFile(gs.LogFile), FullLog);
    EXPECT_TRUE(dialogs.messages.empty());

    // A failed write keeps the previous log whole.
    gs.PlayerCount = 151;
    LogWriter(gs, dialogs);
    EXPECT_EQ(readFile(gs.LogFile), FullLog);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Subscript out of range\r\n9\r\n"
                                                       "Error with file ") +
                                            gs.LogFile);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Program Error"));

    gs = fullGame();
    gs.LogFile = dir.path();
    LogWriter(gs, dialogs);
    gs.LogFile = dir.filePath(QStringLiteral("Orvella.log/inside.log"));
    LogWriter(gs, dialogs);
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[1].text,
              QStringLiteral("Path/File access error\r\n75\r\nError with file ") + dir.path());
    EXPECT_EQ(dialogs.messages[2].text,
              QStringLiteral("Path not found\r\n76\r\nError with file ") + gs.LogFile);
}

TEST(LogWriter, NewLogReplacesTheOldAndFailsSilently)
{
    QTemporaryDir dir;
    GameState gs = fullGame();
    gs.LogFile = dir.filePath(QStringLiteral("Orvella.log"));
    ScriptedDialogs dialogs;
    LogWriter(gs, dialogs);
    startNewLog(gs);
    EXPECT_EQ(readFile(gs.LogFile), FullLog.left(FullLog.indexOf("[Word]")));

    gs.LogFile = dir.path();
    EXPECT_NO_THROW(startNewLog(gs));
}

TEST(RecoveryReader, RestoresEveryLoggedValue)
{
    GameState gs;
    gs.Asked.fill(false);
    gs.Asked[4] = true; // later entries are the word reload's business
    gs.Boxes[0].Color = QStringLiteral("Red");
    RecoveryReader::Body body{};
    ASSERT_EQ(readBack(FullLog, gs, &body), 0);
    EXPECT_EQ(body, RecoveryReader::Body::Restored);
    EXPECT_TRUE(gs.Asked[1] && gs.Asked[2] && gs.Asked[3] && gs.Asked[4]);
    EXPECT_FALSE(gs.Asked[5]);
    EXPECT_EQ(gs.Boxes[0].Color, QStringLiteral("Red"));

    // Every logged value but the start time is restored, so writing the
    // restored state again gives the same bytes.
    gs.GameStart = fullGame().GameStart;
    EXPECT_EQ(written(writeLog, gs), FullLog);
}

TEST(RecoveryReader, FieldsReadLeniently)
{
    QByteArray log = FullLog;
    log.replace("\"Bob\",2,0", "  Bob , 3 , 1 ");
    log.replace("\"Lee, Jr\",0,1", "\"Lee, Jr\" junk , 0.5,-1");
    log.replace("Count= 3 \r\n", "Count= 3\n").replace("[Word]\r\n", "[Word]\n");
    GameState gs;
    ASSERT_EQ(readBack(log, gs), 0);
    EXPECT_EQ(gs.Players[1].Name, QStringLiteral("Bob"));
    EXPECT_EQ(gs.Players[1].Level, 3.0f);
    EXPECT_EQ(gs.Players[1].Drawn, 1.0f);
    EXPECT_EQ(gs.Players[3].Name, QStringLiteral("Lee, Jr"));
    EXPECT_EQ(gs.Players[3].Level, 0.5f);
    EXPECT_EQ(gs.Players[3].Drawn, -1.0f);
}

TEST(RecoveryReader, HeaderOnlyMeansFreshStart)
{
    GameState gs;
    gs.WordIndex = 7;
    gs.PlayerCount = 5;
    RecoveryReader::Body body{};
    ASSERT_EQ(readBack(FullLog.left(FullLog.indexOf("[Word]")), gs, &body), 0);
    EXPECT_EQ(body, RecoveryReader::Body::FreshStart);
    EXPECT_EQ(gs.HostName, QStringLiteral("Ann Lee"));
    EXPECT_EQ(gs.WordIndex, 7);
    EXPECT_EQ(gs.PlayerCount, 5);

    QByteArray junk;
    for (int i = 0; i < 50 * 256; ++i)
        junk += char(i);
    EXPECT_EQ(readBack(junk, gs, &body), 0);
    EXPECT_EQ(body, RecoveryReader::Body::FreshStart);
}

TEST(RecoveryReader, BadLogsFailWithTheirNumbers)
{
    struct Case
    {
        const char *from;
        QByteArray to;
        int number;
    };
    const Case cases[] = {
        {"Host=", "", ErrInputPastEnd},
        {"[Boxes]", "[boxes]", ErrInputPastEnd},
        {"[Winners]", "[Winners] ", ErrInputPastEnd},
        {"Current= 3 ", "Current= 11 ", ErrSubscript},
        {"Current= 3 ", "Current=-1 ", ErrSubscript},
        {"Draw= 3 ", "Draw= 1 ", ErrSubscript},
        {"Draw= 3 ", "Draw= 11 ", ErrSubscript},
        {"Count= 3 ", "Count= 11 ", ErrSubscript},
        {"Count= 3 ", "Count=-1 ", ErrSubscript},
        {"Pointer= 2 ", "Pointer= 4 ", ErrSubscript},
        {"Count= 4 ", "Count= 151 ", ErrSubscript},
        {"Count= 2 ", "Count= 11 ", ErrSubscript},
        {"Current= 3 ", "Current= three", ErrTypeMismatch},
        {"Current= 3 ", QByteArray("Current=\x00\xff\x80\x01junk", 16), ErrTypeMismatch},
        {"Current= 3 ", "Current= " + QByteArray(4 << 20, '9'), ErrOverflow},
        {"Current= 3 ", "Current= 40000 ", ErrOverflow},
        {"Asked=True", "Asked=maybe", ErrTypeMismatch},
        {" 4 =False", " 4 =Nope", ErrTypeMismatch},
        {",1.5,", ",1.5x,", ErrTypeMismatch},
        {",1.5,", ",1e39,", ErrOverflow},
        {"\"Lee, Jr\",0,1", "\"Lee, Jr,0,1", ErrTypeMismatch},
    };
    for (const Case &c : cases) {
        QByteArray log = FullLog;
        const qsizetype at = log.indexOf(c.from);
        ASSERT_GE(at, 0) << c.from;
        log = c.to.isEmpty() ? log.left(at) : log.replace(at, qstrlen(c.from), c.to);
        GameState gs;
        gs.WordIndex = 7;
        EXPECT_EQ(readBack(log, gs), c.number) << c.from << " -> " << c.to.left(40).constData();
        EXPECT_LE(gs.WordIndex, MaxWords);
        EXPECT_LE(gs.DownPointer, gs.DownCount);
    }
}

TEST(RecoveryReader, WhatWasReadBeforeAFailureStays)
{
    GameState gs;
    EXPECT_EQ(readBack(FullLog.left(FullLog.indexOf("\"Lee, Jr\",0,1")), gs), ErrInputPastEnd);
    EXPECT_EQ(gs.DownCount, 3);
    EXPECT_EQ(gs.Down[2].Name, QStringLiteral("Say \"hi\""));
    EXPECT_EQ(gs.PlayerCount, 4);
    EXPECT_EQ(gs.Players[2].Level, 1.5f);

    const Failure failure(ErrInputPastEnd);
    EXPECT_EQ(logFailureText(failure, QStringLiteral("/x/Orvella.log")),
              QStringLiteral("Input past end of file\r\n62\r\nError with file: /x/Orvella.log"));
}
