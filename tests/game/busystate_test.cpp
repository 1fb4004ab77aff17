#include "game/busystate.h"
#include "support/gamecontextrig.h"

using Part = Console::Part;

// Only the outermost step's end restores, and restoring follows the phase:
// before the opening no registrations, and no draw once every word has been
// played. An observer hears of every kind of write once, when the record
// holds it, and nothing of one that changes nothing.
TEST(BusyState, RestoringEnablesWhatThePhaseAllowsAndObserversHearEachChange)
{
    // Phase, word index, players down; then whether registrations and the
    // draw come back, and how the draw button shows.
    const std::tuple<GamePhase, Integer, Integer, bool, bool, QString> cases[] = {
        {GamePhase::Loaded, 1, 0, false, false, QString()},
        {GamePhase::Open, 1, 0, true, true, u"Draw|Draw Players for this round"_qs},
        {GamePhase::Open, 10, 3, true, true, u"Repeat|List Players for this round"_qs},
        {GamePhase::Open, 11, 3, true, false, u"Repeat|List Players for this round"_qs},
    };
    for (const auto &[phase, wordIndex, downCount, regs, draw, drawShown] : cases) {
        GameContextRig r;
        const ConsoleState &shown = r.console.state();
        std::tie(r.gs.GamePhase, r.gs.WordCount, r.gs.WordIndex, r.gs.DownCount) =
            std::tuple(phase, 10, wordIndex, downCount);
        LockControls(r.ctx);
        LockControls(r.ctx);
        EXPECT_FALSE(shown.menusEnabled || shown.macrosEnabled || shown[Ctl::cmdGetRegs].enabled ||
                     shown[Ctl::cmdList].enabled || shown[Ctl::cmdDraw].enabled);
        RestoreControls(r.ctx);
        EXPECT_FALSE(shown.menusEnabled || shown.macrosEnabled || shown[Ctl::cmdDraw].enabled);
        RestoreControls(r.ctx);
        EXPECT_TRUE(shown.menusEnabled && shown.macrosEnabled && !shown.busy);
        EXPECT_EQ(shown[Ctl::cmdGetRegs].enabled && shown[Ctl::cmdList].enabled, regs);
        EXPECT_EQ(shown[Ctl::cmdDraw].enabled, draw) << wordIndex;
        EXPECT_EQ(drawShown.isEmpty()
                      ? QString()
                      : shown[Ctl::cmdDraw].caption + u'|' + shown[Ctl::cmdDraw].tip,
                  drawShown);
    }

    // Each kind of write, and whether writing it again changes the record.
    Console console;
    std::vector<std::pair<Part, ConsoleState>> heard;
    const int id = console.subscribe([&](Part part) { heard.emplace_back(part, console.state()); });
    const std::tuple<std::function<void()>, Part, bool> writes[] = {
        {[&] { console.setControlEnabled(Ctl::cmdAsk, false); }, Part::Control, false},
        {[&] { console.addToList(List::lstDown, u"Bo"_qs); }, Part::List, true},
        {[&] { console.selectRow(List::lstDown, 1); }, Part::List, false},
        {[&] {
             console.selectRow(List::lstDown, 9);
             EXPECT_EQ(console.selectedRow(List::lstDown), -1);
         },
         Part::List, false},
        {[&] { console.clearList(List::lstDown); }, Part::List, false},
        {[&] { console.setScrollValue(-5); }, Part::Scroll, false},
        {[&] { console.setMenusEnabled(false); }, Part::Menus, false},
        {[&] { console.setMacrosEnabled(false); }, Part::Macros, false},
        {[&] { console.setBusy(true); }, Part::Busy, false},
        {[&] { console.restore({}); }, Part::Whole, false},
    };
    for (const auto &[write, part, again] : writes) {
        heard.clear();
        write();
        write();
        ASSERT_EQ(heard.size(), again ? 2u : 1u);
        EXPECT_EQ(heard[0].first, part);
        EXPECT_EQ(heard.back().second, console.state());
    }
    console.unsubscribe(id);
    console.setBusy(false);
    EXPECT_EQ(heard.size(), 1u);
}
