#include "game/gamelog.h"

#include "base/failure.h"
#include "game/banner.h"
#include "game/gamestate.h"

static_assert(LogBody::MaxWords == MaxWords && LogBody::BoxCount == BoxCount &&
              LogBody::MaxDown == MaxDown && LogBody::MaxPlayers == MaxPlayers &&
              LogBody::MaxWinners == MaxWinners);

LogHeader logHeaderOf(const GameState &gs)
{
    return {titleLine(), versionLine(), gs.GameStart, gs.WordFile, gs.HostName};
}

LogBody logBodyOf(const GameState &gs)
{
    LogBody body;
    body.wordIndex = gs.WordIndex;
    body.asked = gs.Asked;
    body.guess = gs.Guess;
    for (int i = 0; i < BoxCount; ++i)
        body.boxAvailable[i] = gs.Boxes[i].Available;
    body.drawCount = gs.DrawCount;
    body.downCount = gs.DownCount;
    body.downPointer = gs.DownPointer;
    for (int i = 0; i <= MaxDown; ++i)
        body.down[i] = gs.Down[i].Name;
    body.playerCount = gs.PlayerCount;
    for (int i = 0; i <= MaxPlayers; ++i)
        body.players[i] = {gs.Players[i].Name, gs.Players[i].Level, gs.Players[i].Drawn};
    body.winnerCount = gs.WinnerCount;
    for (int i = 0; i <= MaxWinners; ++i)
        body.winners[i] = {gs.Winners[i].Name, gs.Winners[i].Box};
    return body;
}

void restoreLogBody(const LogBody &body, GameState &gs)
{
    gs.WordIndex = body.wordIndex;
    gs.Asked = body.asked;
    gs.Guess = body.guess;
    // The log does not say whether the room has heard it; the next ask will.
    gs.PatternSaid.clear();
    for (int i = 0; i < BoxCount; ++i)
        gs.Boxes[i].Available = body.boxAvailable[i];
    gs.DrawCount = body.drawCount;
    gs.DownCount = body.downCount;
    gs.DownPointer = body.downPointer;
    for (int i = 0; i <= MaxDown; ++i)
        gs.Down[i].Name = body.down[i];
    gs.PlayerCount = body.playerCount;
    for (int i = 0; i <= MaxPlayers; ++i) {
        gs.Players[i].Name = body.players[i].name;
        gs.Players[i].Level = body.players[i].level;
        gs.Players[i].Drawn = body.players[i].drawn;
    }
    gs.WinnerCount = body.winnerCount;
    for (int i = 0; i <= MaxWinners; ++i)
        gs.Winners[i] = {body.winners[i].name, body.winners[i].box};
}

WriteResult LogWriter(const GameState &gs)
{
    return saveLog(gs.LogFile, logHeaderOf(gs), logBodyOf(gs));
}

WriteResult startNewLog(const GameState &gs)
{
    return startLog(gs.LogFile, logHeaderOf(gs));
}

QString logFailureText(const Failure &failure, const QString &file)
{
    return failure.report(QStringLiteral("Error with file: ") + file);
}
