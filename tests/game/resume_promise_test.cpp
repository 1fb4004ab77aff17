#include "gamefixture.h"

#include "game/gamelog.h"
#include "support/bytesio.h"

namespace {

// Everything the log restores, as the log writes it; the start time, which
// a resumed game does not take back, set aside.
QByteArray restorable(GameState gs)
{
    gs.GameStart = {};
    QByteArray text = writtenBy([&](QIODevice &out) { writeLog(out, logHeaderOf(gs), logBodyOf(gs)); });
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
    GameSession game;
    frmMain &m = game.window();
    for (BoxRec &b : game.gs.Boxes) // as a settings file with all boxes in the default set
        b.Available = true;
    auto stopHere = [&](const QString &step) {
        stops.emplace_back(step.toStdString(), game.log(), restorable(game.gs));
    };

    auto answer = [&](const QString &text) {
        game.room.say(game.gs.Down[game.gs.DownPointer].Name, text);
        m.cmdGet->click();
    };

    game.openGame("apple\r\nkiwi\r\nfig\r\n");
    stopHere(u"opening"_qs);
    game.registerPlayers({u"Zed"_qs, u"bo"_qs, u"Cy"_qs, u"Di"_qs, u"Ed"_qs});
    stopHere(u"registrations"_qs);

    const QStringList right{u"apple"_qs, u"kiwi"_qs, u"fig"_qs};
    for (int word = 1; word <= 3; ++word) {
        m.cmdDraw->click();
        stopHere(u"draw %1"_qs.arg(word));
        m.cmdAsk->click();
        stopHere(u"ask %1"_qs.arg(word));
        answer(u"wrong"_qs);
        m.cmdCheck->click();
        stopHere(u"miss %1"_qs.arg(word));
        m.cmdAsk->click();
        game.dialogs.answers = {HostDialogs::Answer::No};
        m.cmdCountdown->click();
        stopHere(u"time ran out %1"_qs.arg(word));
        m.cmdAsk->click();
        answer(right[word - 1]);
        pickBoxAndClose(word * 3 - 2);
        m.cmdCheck->click();
        stopHere(u"match %1"_qs.arg(word));
    }
    ASSERT_EQ(game.gs.WinnerCount, 3);

    for (const auto &[step, log, state] : stops) {
        GameSession resumed;
        const frmMain &r = resumed.window();
        for (BoxRec &b : resumed.gs.Boxes)
            b.Available = true;
        resumed.room.pending << u"Lounge: Welcome back, everybody, the game goes on."_qs;
        resumed.writeFile(u"Orvella.log"_qs, log);
        resumed.w->mnuRecover->trigger();
        EXPECT_EQ(resumed.gs.GamePhase, 2) << step;
        EXPECT_EQ(QString::fromUtf8(restorable(resumed.gs)), QString::fromUtf8(state)) << step;
        // The window shows the game resumed.
        EXPECT_EQ(GameSession::listed(r.lstDown) + GameSession::listed(r.lstPlayers),
                  resumed.downNames() + resumed.playerNames())
            << step;
        EXPECT_EQ(r.lstDown->currentRow(), resumed.gs.DownPointer - 1) << step;
        EXPECT_EQ(r.cmdAsk->isEnabled(), resumed.gs.DownCount > 0) << step;
        EXPECT_FALSE(r.mnuRecover->isEnabled() || r.mnuLoad->isEnabled()) << step;
    }
}
