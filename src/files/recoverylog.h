#pragma once

#include "base/integer.h"
#include "files/fileio.h"

#include <QDateTime>
#include <QString>

#include <array>

class QIODevice;

// The recovery log: a Windows-1252 text file with CR LF line ends, rewritten
// whole after every game step that must survive a crash.

// The six header lines: banner, version, game start, word file, "Host="
// name, an empty line.
struct LogHeader
{
    QString title;
    QString version;
    QDateTime gameStart;
    QString wordFile;
    QString hostName;
};

// The sections after the header. Lists count from 1 and leave entry 0 empty.
struct LogBody
{
    static constexpr int MaxWords = 10;
    static constexpr int BoxCount = 10;
    static constexpr int MaxDown = 10;
    static constexpr int MaxPlayers = 150;
    static constexpr int MaxWinners = 10;

    struct Player
    {
        QString name;
        float level = 0;
        float drawn = 0;
    };
    struct Winner
    {
        QString name;
        QString box;
    };

    Integer wordIndex = 0;
    std::array<bool, MaxWords + 1> asked{};
    QString guess;
    std::array<bool, BoxCount> boxAvailable{};
    Integer drawCount = 0;
    Integer downCount = 0;
    Integer downPointer = 0;
    std::array<QString, MaxDown + 1> down{};
    Integer playerCount = 0;
    std::array<Player, MaxPlayers + 1> players{};
    Integer winnerCount = 0;
    std::array<Winner, MaxWinners + 1> winners{};
};

// "9:05pm, Saturday, December 5, 2026": English names whatever the locale.
// An unset time is written as the classic zero date, 12:00am on Saturday,
// December 30, 1899.
QString formatGameStart(const QDateTime &start);

void writeLogHeader(QIODevice &out, const LogHeader &header);
// The whole log: the header, then the [Word], [Boxes], [Down], [Players] and
// [Winners] sections. Names are quoted with any double quote inside doubled.
// A count above its list's capacity throws Failure 9; a device that fails to
// take the bytes throws Failure 57.
void writeLog(QIODevice &out, const LogHeader &header, const LogBody &body);

// Rewrites the log at path whole, or leaves it as it was and returns the
// failure; never throws.
[[nodiscard]] WriteResult saveLog(const QString &path, const LogHeader &header,
                                  const LogBody &body);

// Starts the log of a newly opened game with its header. When that fails,
// the old log is removed all the same and the failure returned.
[[nodiscard]] WriteResult startLog(const QString &path, const LogHeader &header);
