#include "gameround.h"

#include "game/banner.h"
#include "game/hostecho.h"
#include "game/opening.h"
#include "game/stepundone.h"

TEST(HostEcho, TheNameIsTakenOnlyWhereTheWindowShowsItWhole)
{
    const QString lf = u"\r\n"_qs, title = titleLine();
    auto x = [](int n, char16_t c = u'x') { return QString(n, QChar(c)); };
    QString wrongCase = title;
    wrongCase.replace(u"Orvella"_qs, u"ORVELLA"_qs);
    const QString titleStart = u"\u00ab\u00bb\u00ab\u00bb  Orvella"_qs;
    // Text, then the name found; "-" where no cut is made.
    const std::vector<std::pair<QString, QString>> cases = {
        {x(60) + lf + u"Ann Lee: "_qs + title, u"Ann Lee"_qs},
        {x(29) + lf + u"Ann Lee: "_qs + title, u"Ann Lee"_qs}, // at 41
        {x(28) + lf + u"Ann Lee: "_qs + title, u"-"_qs},
        // An echo replayed from an earlier game, too early to be read.
        {u"Ann: "_qs + title + lf + x(40) + lf + u"Ann Lee: "_qs + title, u"Ann Lee"_qs},
        {x(50) + lf + u"Z: "_qs + title + lf + u"Bo: hi"_qs, u"Z"_qs},
        // The host's own line comes back first: one who repeats it, or says
        // its start around it, is not the host.
        {x(50) + lf + u"Bob: "_qs + title + lf + x(40) + lf + u"Al: "_qs + title, u"Bob"_qs},
        {x(50) + lf + u"E: "_qs + titleStart + lf + u"Ann: "_qs + title, u"Ann"_qs},
        {x(50) + lf + u"Ann: "_qs + title + lf + u"M: "_qs + titleStart, u"Ann"_qs},
        {x(50) + lf + u"Ann: "_qs + title + u" M: "_qs + titleStart, QString()},
        {x(50) + lf + u"Bob: hi\tMal: "_qs + title, QString()},
        {x(50) + lf + u"Bob: x: "_qs + title, QString()},
        {x(50) + lf + x(37, u'n') + u": "_qs + title, x(37, u'n')},
        {x(50) + lf + x(38, u'n') + u": "_qs + title, QString()}, // runs off the window
        {x(60) + lf + u"Ann Lee says "_qs + title, QString()},
        {x(38) + u": "_qs + title, QString()},
        {x(50) + lf + u": "_qs + title, QString()}, // a line break is no name
        {x(50) + lf + u"Ann\u0001: "_qs + title, QString()},
        {x(60) + lf + u"Ann Lee: "_qs + wrongCase, u"-"_qs},
        {x(60) + lf + u"Ann Lee: "_qs + versionLine(), u"-"_qs},
    };
    for (const auto &[text, name] : cases) {
        const auto found = findHostEcho(text);
        ASSERT_EQ(bool(found), name != u"-") << text.toStdString();
        if (found) {
            EXPECT_EQ(found->name, name) << text.toStdString();
            EXPECT_TRUE(text.endsWith(found->cut) && found->cut.indexOf(title) == 40);
        }
    }
    // A client that names the host leaves no line under another name to it.
    const QString before = x(50) + lf + u"Mal: "_qs + title + lf + u"Ann Lee: "_qs + title;
    EXPECT_EQ(findHostEcho(before, u"Ann Lee"_qs)->name, u"Ann Lee"_qs);
    EXPECT_EQ(findHostEcho(before, u"Bo"_qs)->name, QString());
    // The newest of the host's echoes, where one asks for it.
    const QString twice = before + lf + u"Ann Lee: hi"_qs + lf + u"Ann Lee: "_qs + title;
    EXPECT_EQ(findHostEcho(twice, u"Ann Lee"_qs, EchoPick::Last)->cut,
              twice.right(40 + title.size()));
    EXPECT_EQ(findHostEcho(twice, QString(), EchoPick::Last)->cut, twice.right(40 + title.size()));
}

// In a chatty room the echo comes back late, alone in the 100th fetch, the
// window in front of it from the fetch before; the fetches go at a tick's
// pace. Without the host's name the host is told why, and the opening undoes
// itself.
TEST(Opening, LearnsTheHostAtAChattyRoomsPaceOrSaysWhyNot)
{
    GameRound r;
    r.gs.RegChar = u"\u00b0"_qs;
    r.dialogs.files.push_back(r.writeFile(u"w.txt"_qs, "w1\r\nw2\r\n"));
    cmdAsk_Click(r.ctx);
    r.room.echo = false;
    r.room.onFetch = [&](int n) {
        if (n == 100)
            r.room.pending = {u"Ann Lee: "_qs + titleLine(), u"Bo: hi"_qs};
    };
    cmdAsk_Click(r.ctx);
    EXPECT_EQ(r.room.heard, QStringList({titleLine(), versionLine(), contactLine(),
                                         u"ESP a \u00b0 to Ann Lee to register."_qs}));
    EXPECT_EQ(r.room.fetches, 100);
    // My_Wait(1) after the title, one tick before each fetch from the third,
    // one after each of the three lines that follow.
    EXPECT_EQ(r.ticks.delivered, 3 + 98 + 3);
    EXPECT_EQ(r.link.ChatText().indexOf(titleLine()), 40);
    EXPECT_EQ(r.word(), u"Word 1 of 2W1"_qs);
    EXPECT_FALSE(r.on(Ctl::cmdAsk) || r.on(Ctl::mnuLoad));
    EXPECT_TRUE(r.log().endsWith("\r\nHost=Ann Lee\r\n\r\n"));

    // A log that cannot be started leaves the opening silent; the next log
    // write, at the end of Get Regs, tells the host.
    GameRound lost;
    lost.gs.LogFile = lost.path(u"gone/Orvella.log"_qs);
    lost.openGame();
    EXPECT_TRUE(lost.dialogs.messages.empty());
    lost.getRegs({GameRound::esp(u"Bo"_qs, u"$"_qs)});
    ASSERT_EQ(lost.dialogs.messages.size(), 1u);
    EXPECT_EQ(lost.dialogs.messages[0].title, u"Program Error"_qs);

    // Host, whether the room echoes, chat in front, fetches, what the host is
    // told. Without an echo that can be read, the fetching goes on until the
    // echo has had its time: a fetch at each tick from the third.
    const int allTheTime = EchoWaitTicks + 2;
    const std::tuple<QString, bool, QString, int, QString> cases[] = {
        {u"Ann Lee"_qs, true, QString(), allTheTime, u"too little chat"_qs},
        {QString(38, u'n'), true, GameRound::Greeting, 3, u"too long"_qs},
        // A line break is no name.
        {QString(), true, GameRound::Greeting, 3, u"without an avatar name"_qs},
        {u"Ann Lee"_qs, false, GameRound::Greeting, allTheTime, u"did not show the title line"_qs},
    };
    for (const auto &[host, echo, before, fetches, says] : cases) {
        GameRound g;
        g.dialogs.files.push_back(g.writeFile(u"w.txt"_qs, "tiger\r\n"));
        cmdAsk_Click(g.ctx);
        std::tie(g.room.host, g.room.echo, g.room.pending) =
            std::tuple(host, echo, QStringList(before));
        EXPECT_THROW(cmdAsk_Click(g.ctx), StepUndone);
        ASSERT_EQ(g.dialogs.messages.size(), 1u) << says.toStdString();
        EXPECT_TRUE(g.dialogs.messages[0].text.contains(says));
        EXPECT_EQ(g.room.fetches, fetches);
    }
}
