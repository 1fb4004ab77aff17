#include "support/gamefixture.h"

#include <QPlainTextEdit>
#include <QTest>

namespace {

// Opened on APPLE under Ann Lee, three players registered and two of them
// called down, as many as the draw-count scroll bar says.
class GameWindowTest : public GameTest
{
protected:
    void SetUp() override
    {
        dialogs.files.push_back(writeFile(u"words.txt"_qs, "apple\r\n"));
        part(window(), "cmdAsk")->click();
        room.pending << Greeting;
        part(*w, "cmdAsk")->click();
        room.pending << esp(u"Bob"_qs, u"$"_qs) << esp(u"Cy"_qs, u"$"_qs) << esp(u"Di"_qs, u"$"_qs);
        part(*w, "cmdGetRegs")->click();
        part<QScrollBar>(*w, "vsDrawCnt")->setValue(-2);
        part(*w, "cmdDraw")->click();
    }
};

} // namespace

// One that cannot read the host's name leaves the window as it stood (the
// runner's undo drawn): the lists, the draw count, the controls, no
// hourglass; the File menu's key takes nothing meanwhile. A close while it
// waits ends it quietly.
TEST_F(GameTest, TheOpeningUndoneOrClosed)
{
    dialogs.files.push_back(writeFile(u"w.txt"_qs, "apple\r\n"));
    part(window(), "cmdAsk")->click();
    std::tie(room.host, room.pending) = std::tuple(QString(), QStringList(Greeting));
    session->console().addToList(List::lstPlayers, u"Al"_qs);
    session->console().selectRow(List::lstPlayers, 0);
    room.onFetch = [&](int n) {
        if (n == 1)
            part<QAction>(*w, "mnuRecover")->trigger();
        session->console().clearList(List::lstPlayers);
        part<QScrollBar>(*w, "vsDrawCnt")->setValue(-9);
    };
    part(*w, "cmdAsk")->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(gs.HostName + part(*w, "cmdAsk")->text(), u"MeStart"_qs);
    EXPECT_EQ(gs.GamePhase, GamePhase::Loaded);
    EXPECT_TRUE(gs.DrawCount == 3 && part<QScrollBar>(*w, "vsDrawCnt")->value() == -3 &&
                part<QListWidget>(*w, "lstPlayers")->item(0)->isSelected());
    EXPECT_FALSE(QApplication::overrideCursor() || room.heard.contains(u"Recovery Begun"_qs));
    EXPECT_TRUE(part(*w, "Macro1")->isEnabled() &&
                part<QMenu>(*w, "mnuFile")->menuAction()->isEnabled());

    room.onFetch = [&](int) { w->close(); };
    part(*w, "cmdAsk")->click();
    EXPECT_TRUE(room.log.contains(u"K"_qs) && dialogs.messages.size() == 1u); // the undoing's
    EXPECT_FALSE(ticks.enabled() || QApplication::overrideCursor());
}

// ESPs that arrive while the Room window shows them register at Get Regs as
// with the window closed: its copy comes apart and takes nothing from the fetch.
TEST_F(GameTest, EspsRegisterAtGetRegsWithTheRoomWindowOpen)
{
    room.offers = true;
    dialogs.files.push_back(writeFile(u"words.txt"_qs, "apple\r\n"));
    part(window(), "cmdAsk")->click();
    room.pending << Greeting;
    part(*w, "cmdAsk")->click();
    part<QAction>(*w, "mnuRoom")->trigger();
    ASSERT_TRUE(room.log.contains(u"N live 1"_qs));
    const QStringList esps{esp(u"Bob"_qs, u"$"_qs), esp(u"Cy"_qs, u"$"_qs), u"Zed: $"_qs,
                           esp(u"Di"_qs, u"$"_qs)};
    room.onFetch = [&](int) {
        room.pending = esps;
        room.callbacks->OnDapiLive(Ansi::encode(esps.join(u"\r\n"_qs) + u"\r\n"_qs));
    };
    part(*w, "cmdGetRegs")->click();
    EXPECT_EQ(playerNames(), QStringList({u"Bob"_qs, u"Cy"_qs, u"Di"_qs}));
    QCoreApplication::processEvents();
    EXPECT_TRUE(part<QPlainTextEdit>(*w, "txtRoom")->toPlainText().endsWith(esps.join(u'\n')));
}

// An automatic countdown whose link breaks ends as if cancelled. The
// buttons, the macro buttons and the pop-up menus' entries (held until no
// step is under way) all reach the step runner's held clicks, in a step's
// request, in its pause and in the boxes window's call. The pop-up menus act
// on the marked row, which a right press does not move.
TEST_F(GameWindowTest, HeldClicksRunInTheOrderClickedAndABrokenRequestEndsTheCountdown)
{
    room.breakOn = [&](const QString &line) { return line.contains(u"You have"_qs); };
    part<QAction>(*w, "mnuFifteen")->trigger();
    part(*w, "cmdAsk")->click();
    Waits::pumpUntil([&] { return !ticks2.enabled(); });
    EXPECT_FALSE(gs.CountdownOn || QApplication::overrideCursor() ||
                 part(*w, "cmdCheck")->isEnabled());
    EXPECT_TRUE(part(*w, "cmdAsk")->isEnabled() && part(*w, "cmdGet")->isEnabled() &&
                part(*w, "cmdCountdown")->isEnabled());
    std::tie(room.up, gs.Macros[1].Text, gs.Macros[2].Text, gs.Boxes[3].Available) =
        std::tuple(true, u"one\r\ntwo\r\nthree"_qs, u"hi"_qs, true);
    part<QAction>(*w, "mnuAutoOff")->trigger();

    // A click held in a request on a button disabled meanwhile is dropped, as
    // a blocked window would have dropped it; a step it started would break
    // the link at its first line.
    const qsizetype before = room.heard.size();
    const QStringList macroLines = {u"one"_qs, u"two"_qs, u"three"_qs};
    room.breakOn = [&](const QString &line) {
        if (line == macroLines[0]) {
            part(*w, "cmdAsk")->click();
            session->console().setControlEnabled(Ctl::cmdAsk, false);
        }
        return !macroLines.contains(line);
    };
    part(*w, "Macro1")->click();
    ASSERT_EQ(room.heard.mid(before), macroLines);
    session->console().setControlEnabled(Ctl::cmdAsk, true);

    // Each row starts something that says its line, which the client answers
    // with 6 once; its controls are clicked during that request and in the
    // pause after it. What happened is said lines and "? " + questions.
    QStringList happened;
    auto *const players = part<QListWidget>(*w, "lstPlayers");
    auto *const down = part<QListWidget>(*w, "lstDown");
    const auto macro = [&] { part(*w, "Macro1")->click(); };
    const auto match = [&] {
        room.say(gs.Down[gs.DownPointer].Name, u"apple"_qs);
        part(*w, "cmdGet")->click();
        pickBoxAndClose(3);
        dialogs.answers = {HostDialogs::Answer::Yes};
        players->setCurrentRow(2);
        part(*w, "cmdCheck")->click();
    };
    QObject *const remove = players, *const redraw = down;
    const QString swap = u"\u00ab\u00bb  Replacing "_qs, ask = QString(16, u'\u00ab'),
                  call = u" -- Select a box color -- "_qs, asks = u"? Delete Player?"_qs;
    const struct
    {
        std::function<void()> start;
        QString line;
        std::vector<QObject *> during, inPause;
        QStringList marks; // what happened begins so, in this order
    } rows[] = {
        // Ask, clicked in the macro's pause, waits behind the entry's step.
        {macro, u"one"_qs, {redraw}, {part(*w, "cmdAsk")}, {swap + u"Cy"_qs, u"-o-o-o-"_qs, ask}},
        // A macro clicked during the box call runs in the call's next pause,
        // before the window closes.
        {match, call, {part(*w, "Macro2")}, {remove}, {call, u"hi"_qs, u" -- Yellow -- "_qs, asks}},
    };
    // A list is pressed with the right button away from its marked row, and
    // its pop-up menu's entry chosen.
    const auto clickAll = [](const std::vector<QObject *> &controls) {
        for (QObject *c : controls) {
            if (auto *l = qobject_cast<QListWidget *>(c))
                QTest::mouseClick(
                    l->viewport(), Qt::RightButton, {},
                    l->visualItemRect(l->item(l->count() - 1 - l->currentRow())).center());
            else
                QMetaObject::invokeMethod(c, "click");
        }
    };
    w->popupMenu = [](QMenu *menu) { menu->actions().first()->trigger(); };
    w->show();
    auto noteQuestions = [&, asked = dialogs.questions.size()]() mutable {
        for (; asked < dialogs.questions.size(); ++asked)
            happened << u"? "_qs + dialogs.questions[asked].title;
    };
    int calls = 0;
    players->setCurrentRow(0);
    down->setCurrentRow(1);
    for (const auto &row : rows) {
        std::tie(happened, calls) = std::tuple(QStringList(), 0);
        room.breakOn = [&](const QString &line) {
            noteQuestions();
            if (line != row.line || ++calls == 1)
                happened << line;
            else // its repeat: the pause comes next
                QTimer::singleShot(0, [&] { clickAll(row.inPause); });
            if (line == row.line && calls == 1) {
                room.replies.push_front(status("6"));
                clickAll(row.during);
            }
            return false;
        };
        row.start();
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
        noteQuestions();
        QStringList seen;
        for (const QString &h : happened)
            for (const QString &mark : row.marks)
                seen << QStringList(mark).mid(0, h.startsWith(mark));
        EXPECT_EQ(seen, row.marks) << happened.join(u" | "_qs).toStdString();
        EXPECT_EQ(calls, 2) << row.line.toStdString();
        EXPECT_EQ(listed(down), downNames());
    }
    EXPECT_EQ(listed(players), QStringList({u"Bob"_qs, u"Cy"_qs}));
    EXPECT_EQ(dialogs.messages.size(), 1u); // the break's
}

// A macro runs while the automatic countdown ticks, closes the turn inside
// the macro's pauses and, on the host's Yes, reads the room's chat: the
// macro still says exactly its own lines, and nothing the busy state
// disabled comes back before it ends.
TEST_F(GameWindowTest, AMacroDuringACountdownThatEndsWithYes)
{
    part<QAction>(*w, "mnuFifteen")->trigger();
    part(*w, "cmdAsk")->click();
    room.say(gs.Down[gs.DownPointer].Name, u"apple"_qs);
    room.pending << esp(u"Zed"_qs, u"my secret"_qs);
    room.heard.clear();

    QStringList lines;
    for (int i = 1; i <= 30; ++i)
        lines << u"line %1"_qs.arg(i);
    std::tie(gs.Macros[1].Text, dialogs.answers) =
        std::tuple(lines.join(u"\r\n"_qs), std::deque{HostDialogs::Answer::Yes});
    auto busyStateOn = [&](bool on) {
        int enabled = part<QMenu>(*w, "mnuFile")->menuAction()->isEnabled();
        for (const char *name : {"Macro2", "cmdGetRegs", "cmdDraw", "cmdList"})
            enabled += part(*w, name)->isEnabled();
        return enabled == (on ? 0 : 5);
    };
    int lockedTicks = 0;
    ticks2.afterTick = [&](int) { lockedTicks += busyStateOn(true); };
    // Whatever else cuts a block meanwhile.
    ticks.afterTick = [&, start = ticks.delivered](int n) {
        if (n == start + 3)
            session->link().GetNext(u"stray\r\nlines"_qs, u"\r\n"_qs);
    };
    part(*w, "Macro1")->click();

    EXPECT_EQ(gs.Down[gs.DownPointer].Response, u"APPLE"_qs);
    EXPECT_EQ(lockedTicks, ticks2.delivered);
    const qsizetype closed = room.heard.indexOf(u"* CLOSED *"_qs);
    EXPECT_TRUE(closed >= 0 && closed < room.heard.indexOf(lines.last()));
    QStringList said = room.heard;
    said.removeIf([](const QString &l) { return l.startsWith(u'*'); });
    EXPECT_EQ(said, lines);
    EXPECT_TRUE(busyStateOn(false) && !QApplication::overrideCursor());
}
