#include "gamefixture.h"

#include "chat/chatlink.h"
#include "game/opening.h"

TEST(HostEcho, TheNameIsTakenOnlyWhereTheWindowShowsItWhole)
{
    const QString lf = u"\r\n"_qs, title = titleLine();
    auto x = [](int n, char16_t c = u'x') { return QString(n, QChar(c)); };
    QString wrongCase = title;
    wrongCase.replace(u"Orvella"_qs, u"ORVELLA"_qs);
    // Text, then the name found; "-" where no cut is made.
    const std::vector<std::pair<QString, QString>> cases = {
        {x(60) + lf + u"Ann Lee: "_qs + title, u"Ann Lee"_qs},
        {x(29) + lf + u"Ann Lee: "_qs + title, u"Ann Lee"_qs}, // at 41
        {x(28) + lf + u"Ann Lee: "_qs + title, u"-"_qs},
        {x(50) + lf + u"Z: "_qs + title + lf + u"Bo: hi"_qs, u"Z"_qs},
        {x(50) + lf + u"Bob: "_qs + title + lf + x(40) + lf + u"Al: "_qs + title, u"Al"_qs},
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
            EXPECT_EQ(found->name, name);
            EXPECT_EQ(found->cut, text.mid(text.lastIndexOf(title) - 40));
        }
    }
}

// In a chatty room the echo shows, with room in front, only at the 12th
// fetch; the fetches go at a tick's pace, and no click starts a step while
// a request runs.
TEST_F(GameTest, OpeningLearnsTheHostAtAChattyRoomsPace)
{
    frmMain &m = window();
    gs.RegChar = u"\u00b0"_qs;
    gs.Delay = 0;
    dialogs.files.push_back(writeFile(u"w.txt"_qs, "w1\r\nw2\r\n"));
    m.cmdAsk->click();
    room.echo = false;
    room.onFetch = [&](int n) {
        if (n == 12)
            room.pending = {Greeting, u"Ann Lee: "_qs + titleLine(), u"Bo: hi"_qs};
    };
    m.cmdAsk->click();
    EXPECT_EQ(room.heard, QStringList({titleLine(), versionLine(), contactLine(),
                                       u"ESP a \u00b0 to Ann Lee to register."_qs}));
    EXPECT_EQ(room.fetches, 12);
    // My_Wait(1) after the title, one tick before each fetch from the third,
    // one after each of the three lines that follow.
    EXPECT_EQ(ticks.delivered, 3 + 10 + 3);
    EXPECT_EQ(m.link().ChatText().indexOf(titleLine()), 40);
    EXPECT_EQ(m.lblWordOf->text() + m.lblWord->text(), u"Word 1 of 2W1"_qs);
    EXPECT_FALSE(m.cmdAsk->isEnabled() || m.mnuLoad->isEnabled());
    EXPECT_TRUE(log().endsWith("\r\nHost=Ann Lee\r\n\r\n"));

    bool ran = false;
    room.breakOn = [&](const QString &) {
        EXPECT_TRUE(m.link().requesting());
        m.runStep([&] { ran = true; });
        return false;
    };
    m.cmdList->click();
    EXPECT_FALSE(ran);
    EXPECT_EQ(room.heard.last(), u"--- No players registered ---"_qs);
    m.runStep([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST_F(GameTest, ClosingTheWindowWhileTheOpeningWaitsEndsItQuietly)
{
    frmMain &m = window();
    dialogs.files.push_back(writeFile(u"w.txt"_qs, "w1\r\n"));
    m.cmdAsk->click();
    room.chatter.clear();
    room.onFetch = [&](int) { m.close(); };
    m.cmdAsk->click();
    EXPECT_TRUE(room.client.log.contains(u"K"_qs) && dialogs.messages.empty());
    EXPECT_FALSE(ticks.enabled() || QApplication::overrideCursor());
}

TEST_F(GameTest, AnOpeningThatCannotReadTheHostsNameSaysWhyAndUndoesItself)
{
    dialogs.files.push_back(writeFile(u"w.txt"_qs, "tiger\r\n"));
    window().cmdAsk->click();
    // Host, whether the room echoes, chat in front, fetches, what the host is told.
    const std::tuple<QString, bool, QString, int, QString> cases[] = {
        {u"Ann Lee"_qs, true, QString(), 3, u"too little chat"_qs},
        {QString(38, u'n'), true, Greeting, 3, u"too long"_qs},
        {QString(), true, Greeting, 3, u"without an avatar name"_qs}, // a line break is no name
        {u"Ann Lee"_qs, false, Greeting, 20, u"did not show the title line"_qs},
    };
    for (const auto &[host, echo, before, fetches, says] : cases) {
        std::tie(room.host, room.echo, room.pending, room.fetches) =
            std::tuple(host, echo, QStringList(before), 0);
        dialogs.messages.clear();
        w->cmdAsk->click();
        ASSERT_EQ(dialogs.messages.size(), 1u) << says.toStdString();
        EXPECT_TRUE(dialogs.messages[0].text.contains(says));
        EXPECT_EQ(room.fetches, fetches);
        EXPECT_EQ(gs.HostName + w->cmdAsk->text() + QString::number(gs.GamePhase), u"MeStart1"_qs);
        EXPECT_TRUE(w->mnuLoad->isEnabled() && w->Macro[1]->isEnabled());
    }
}
