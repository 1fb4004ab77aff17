#pragma once

#include "game/asking.h"
#include "game/boxpick.h"
#include "game/cmdask.h"
#include "game/countdown.h"
#include "game/recovergame.h"
#include "game/registration.h"
#include "support/gamecontextrig.h"

// A game on the rig as the host plays it, over a room that shows the host's
// lines back and brings chatter when nobody speaks.
struct GameRound : GameContextRig
{
    GameRound()
    {
        room.chatter = u"Zed: nice weather today"_qs;
        useSettings();
    }
    void useSettings()
    {
        gs.LogFile = path(u"Orvella.log"_qs);
        useGameSettings();
    }
    // Loaded with these words, opened under Ann Lee, and what the room heard
    // forgotten.
    void openGame(const QByteArray &words = "tiger\r\nlion\r\n")
    {
        dialogs.files.push_back(writeFile(u"words.txt"_qs, words));
        cmdAsk_Click(ctx);
        room.pending << Greeting;
        cmdAsk_Click(ctx);
        ASSERT_EQ(gs.GamePhase, GamePhase::Open);
        room.heard.clear();
    }
    // The program ends and starts again: over this log (none when empty),
    // the room showing chat, it resumes the game.
    void resumeFrom(const QByteArray &logBytes, const QStringList &chat = {Greeting})
    {
        std::tie(gs, console) = std::tuple(GameState(), Console());
        link.restore({});
        useSettings();
        QFile::remove(gs.LogFile);
        if (!logBytes.isEmpty())
            writeFile(u"Orvella.log"_qs, logBytes);
        dialogs.messages.clear();
        std::tie(room.heard, room.fetches, room.pending) = std::tuple(QStringList(), 0, chat);
        RecoverGame(ctx);
    }
    void getRegs(const QStringList &lines)
    {
        room.pending << lines;
        GetRegs(ctx);
    }
    void registerPlayers(const QStringList &names)
    {
        for (const QString &n : names)
            room.pending << esp(n, gs.RegChar);
        GetRegs(ctx);
        room.heard.clear();
    }
    QString asked() const { return gs.Down[gs.DownPointer].Name; }
    // Ask, the asked player's answer and Get; answer() Checks it too.
    void askAndGet(const QString &text)
    {
        cmdAsk_Click(ctx);
        room.say(asked(), text);
        cmdGet_Click(ctx);
    }
    void answer(const QString &text)
    {
        askAndGet(text);
        cmdCheck_Click(ctx);
    }
    // The time runs out on the asked player.
    void timeRunsOut()
    {
        cmdAsk_Click(ctx);
        dialogs.answers.push_back(HostDialogs::Answer::No);
        cmdCountdown_Click(ctx);
    }
    PlayerRec &player(const QString &name)
    {
        int i = gs.PlayerCount;
        while (i > 0 && gs.Players[i].Name != name)
            --i;
        return gs.Players[i];
    }

    // The controls as the console's record shows them.
    bool on(Ctl c) { return console.controlEnabled(c); }
    QString word() { return console.caption(Ctl::lblWordOf) + console.caption(Ctl::lblWord); }
    // The turn's buttons that are enabled, by caption.
    QStringList turnButtons()
    {
        const QStringList captions = {u"Ask"_qs, u"Get"_qs, u"Check"_qs, u"Countdown"_qs};
        QStringList out;
        for (int c = int(Ctl::cmdAsk); c <= int(Ctl::cmdCountdown); ++c)
            if (on(Ctl(c)))
                out << captions[c - int(Ctl::cmdAsk)];
        return out;
    }
};

// A test on a game opened on the default words.
class OpenedGame : public ::testing::Test, protected GameRound
{
protected:
    void SetUp() override { openGame(); }
};
