#include "gameround.h"

#include "game/asking.h"
#include "game/countdown.h"
#include "game/draw.h"
#include "game/gamelog.h"
#include "game/recovergame.h"
#include "support/bytesio.h"

namespace {

// Everything the log restores, as the log writes it; the start time, which
// a resumed game does not take back, set aside.
QByteArray restorable(GameState gs)
{
    gs.GameStart = {};
    QByteArray text =
        writtenBy([&](QIODevice &out) { writeLog(out, logHeaderOf(gs), logBodyOf(gs)); });
    for (int i = 1; i < std::min<int>(gs.WordIndex, MaxWords + 1); ++i)
        text += gs.Asked[i] ? "T" : "F";
    for (int i = 1; i <= gs.WordCount; ++i)
        text += gs.Words[i].toUtf8() + ',';
    return text;
}

} // namespace

// The recovery log's promise: whenever the program stops after a logged
// step, a fresh start resumes the game where the log left it.
TEST(ResumePromise, EveryLoggedStepResumesWhereItStood)
{
    std::vector<std::tuple<std::string, QByteArray, QByteArray>> stops; // step, log, state
    GameRound game;
    GameState &gs = game.gs;
    for (BoxRec &b : gs.Boxes) // as a settings file with all boxes in the default set
        b.Available = true;
    // The host gives the winner of word n box 3n - 2 and closes the boxes window.
    game.ctx.showBoxWindow = [&] {
        const int box = gs.WinnerCount * 3 - 2;
        std::tie(gs.Boxes[box].Available, gs.Winners[gs.WinnerCount].Box, gs.BoxMode) =
            std::tuple(false, u"Box %1"_qs.arg(box), 1);
    };
    auto stopHere = [&](const QString &step) {
        stops.emplace_back(step.toStdString(), game.log(), restorable(gs));
    };
    auto answer = [&](const QString &text) {
        game.room.say(gs.Down[gs.DownPointer].Name, text);
        cmdGet_Click(game.ctx);
    };

    game.openGame("apple\r\nkiwi\r\nfig\r\n");
    stopHere(u"opening"_qs);
    game.registerPlayers({u"Zed"_qs, u"bo"_qs, u"Cy"_qs, u"Di"_qs, u"Ed"_qs});
    stopHere(u"registrations"_qs);

    const QStringList right{u"apple"_qs, u"kiwi"_qs, u"fig"_qs};
    for (int word = 1; word <= 3; ++word) {
        cmdDraw_Click(game.ctx);
        stopHere(u"draw %1"_qs.arg(word));
        cmdAsk_Click(game.ctx);
        stopHere(u"ask %1"_qs.arg(word));
        answer(u"wrong"_qs);
        cmdCheck_Click(game.ctx);
        stopHere(u"miss %1"_qs.arg(word));
        cmdAsk_Click(game.ctx);
        game.dialogs.answers = {HostDialogs::Answer::No};
        cmdCountdown_Click(game.ctx);
        stopHere(u"time ran out %1"_qs.arg(word));
        cmdAsk_Click(game.ctx);
        answer(right[word - 1]);
        cmdCheck_Click(game.ctx);
        stopHere(u"match %1"_qs.arg(word));
    }
    ASSERT_EQ(gs.WinnerCount, 3);

    for (const auto &[step, log, state] : stops) {
        GameRound r;
        for (BoxRec &b : r.gs.Boxes)
            b.Available = true;
        r.room.pending << u"Lounge: Welcome back, everybody, the game goes on."_qs;
        r.writeFile(u"Orvella.log"_qs, log);
        RecoverGame(r.ctx);
        EXPECT_EQ(r.gs.GamePhase, 2) << step;
        EXPECT_EQ(QString::fromUtf8(restorable(r.gs)), QString::fromUtf8(state)) << step;
        // The controls show the game resumed.
        EXPECT_EQ(r.controls.rows[List::lstDown] + r.controls.rows[List::lstPlayers],
                  r.downNames() + r.playerNames())
            << step;
        EXPECT_EQ(r.controls.selectedRow(List::lstDown), r.gs.DownPointer - 1) << step;
        EXPECT_EQ(r.on(Ctl::cmdAsk), r.gs.DownCount > 0) << step;
        EXPECT_FALSE(r.on(Ctl::mnuRecover) || r.on(Ctl::mnuLoad)) << step;
    }
}
