#include "game/gamefiles.h"
#include "game/progress.h"
#include "game/resultsrecorder.h"
#include "gameround.h"

// The starter settings a first start is given: with them a game opens that
// players can join. What the first-run step writes is the start-up tests'
// business, and so are a missing, broken or unreadable file at start-up; a
// writer that fails is the disk tests'.
TEST(GameFiles, TheStarterSettingsPlayTheBoxesAndTheMacroFileTheyName)
{
    GameRound round;
    const QString folder = round.dir.path();
    const QString macros = round.path(QStringLiteral("macros.txt"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORVELLA_SOURCE_DIR "/data/macros/starter.txt"), macros));
    ASSERT_FALSE(saveSettings(folder, starterSettings(macros), 0, 0));
    GameState &gs = round.gs;
    gs.RegChar.clear();
    ScriptedDialogs &dialogs = round.dialogs;
    ASSERT_TRUE(SettingsReader(gs, dialogs, folder));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(gs.Macros[1].Name.isEmpty()) << "the starter macros";
    round.openGame();
    round.getRegs({GameRound::esp(QStringLiteral("Bo"), QStringLiteral("$"))});
    EXPECT_EQ(gs.PlayerCount, 1);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(gs.Boxes[i].InDefault) << i;

    // The macro file it names is read with it; that file's failure is its own message.
    round.writeFile(QStringLiteral("macros.txt"), "[Macro 2");
    EXPECT_TRUE(SettingsReader(gs, dialogs, folder));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Problem with Macro File"));

    // A box the file names is in the default set and available, or neither;
    // the others stay as they were.
    gs.Boxes[1] = {QStringLiteral("Red"), false, false};
    gs.Boxes[2] = {QStringLiteral("Blue"), false, true};
    round.writeFile(QStringLiteral("orvella.ini"), "[boxes]\r\n1=True\r\n\r\n");
    ASSERT_TRUE(SettingsReader(gs, dialogs, folder));
    EXPECT_TRUE(gs.Boxes[1].InDefault && gs.Boxes[1].Available);
    EXPECT_TRUE(gs.Boxes[2].InDefault && !gs.Boxes[2].Available);
}

namespace {

struct RecordedResults final : ResultsRecorder
{
    QStringList calls;
    void gameOpened(const GameState &) override {}
    void gameResumed(const GameState &, const QString &, const QByteArray &) override {}
    void registered(const QString &) override {}
    void calledDown(int, const QString &, const QStringList &) override {}
    void countdownRun() override {}
    void answered(int, const QString &, const QString &, const QString &, const QString &,
                  Verdict) override
    {}
    void wordWon(int, const QString &, const QString &, const QString &) override {}
    void gameEnded() override {}
    void commit(const QByteArray &print) override
    {
        calls << u"commit "_qs + QString::number(print.size());
    }
    void logWritten(bool ok) override { calls << u"written "_qs + QString::number(ok); }
};

} // namespace

// A body the log cannot hold is told as the log's failure and the old log
// stays; the results are not marked with a print that no log has.
TEST(GameFiles, ABodyTheLogCannotHoldMarksNoResults)
{
    GameContextRig rig;
    RecordedResults results;
    rig.ctx.results = &results;
    rig.gs.LogFile = rig.writeFile(u"Orvella.log"_qs, "old");
    rig.gs.PlayerCount = MaxPlayers + 1;
    saveProgress(rig.ctx);
    EXPECT_EQ(bytesOf(rig.gs.LogFile), "old");
    rig.gs.PlayerCount = 1;
    saveProgress(rig.ctx);
    EXPECT_EQ(results.calls, QStringList({u"written 0"_qs, u"commit 40"_qs, u"written 1"_qs}));
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text,
              u"Subscript out of range\r\n9\r\nError with file "_qs + rig.gs.LogFile);
    EXPECT_EQ(rig.dialogs.messages[0].title, u"Program Error"_qs);
}
