#include "chat/socketwadapi.h"
#include "support/gamefixture.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"

#include <QTcpServer>

#include <optional>

namespace {

// A game against the stand-in chat client in a child process, over the real
// socket: one word, a gesture as the registration character, confirmed.
class RoomGame : public GameTest
{
protected:
    RoomProcess client;
    std::optional<SocketWadapi> wadapi;
    // The window goes before the link it holds.
    ~RoomGame() override { w.reset(); }

    bool heard(const QString &line) { return client.waitForLine(u"Ann Lee: "_qs + line); }
    // The room with these options, and the program's link to it.
    bool startRoom(const QStringList &options = {})
    {
        chat = &wadapi.emplace(path(u"wadapi.sock"_qs));
        return client.start(path(u"wadapi.sock"_qs),
                            QStringList{u"--host"_qs, u"Ann Lee"_qs} + options);
    }
    // Loads KIWI and opens the game.
    void startGame()
    {
        std::tie(gs.RegChar, gs.Confirm) = std::tuple(u"\u00b0"_qs, true);
        gs.Boxes[1].Available = true;
        dialogs.files.push_back(writeFile(u"words.txt"_qs, "kiwi\r\n"));
        w->cmdAsk->click();
        w->cmdAsk->click();
        EXPECT_TRUE(heard(u"ESP a \u00b0 to Ann Lee to register."_qs));
    }
};

} // namespace

// A whole game of one word against the stand-in chat client in a child
// process, over the real socket, where a countdown's second may fall into a
// request; both timers tick from the event loop.
TEST_F(RoomGame, FromLoadToNoMore)
{
    ASSERT_TRUE(startRoom());
    frmMain &m = window();
    startGame();
    client.type(u"esp Bo: \\u00B0"_qs); // the room's console takes the escape too
    for (const QString &name : {u"Cy"_qs, u"Dee"_qs})
        client.type(u"esp "_qs + name + u": \u00b0"_qs);
    ASSERT_TRUE(client.waitForLine(u"ESP from Dee: <relax>"_qs));
    m.cmdGetRegs->click();
    ASSERT_EQ(playerNames(), QStringList({u"Bo"_qs, u"Cy"_qs, u"Dee"_qs}));
    EXPECT_TRUE(client.waitForLine(u"ESP to Bo: You are registered"_qs));

    // The automatic countdown runs out, then a match.
    m.cmdDraw->click();
    m.mnuFifteen->trigger();
    const QString slow = gs.Down[1].Name, winner = gs.Down[2].Name;
    dialogs.answers = {HostDialogs::Answer::No};
    m.cmdAsk->click();
    Waits::pumpUntil([&] { return !ticks2.enabled(); });
    EXPECT_TRUE(heard(u"***  You have 15 seconds ***"_qs));
    EXPECT_TRUE(heard(u"Sorry "_qs + slow + u", time ran out"_qs));
    m.mnuAutoOff->trigger();
    m.cmdAsk->click();
    client.type(winner + u": kiwi"_qs);
    EXPECT_TRUE(client.waitForLine(winner + u": kiwi"_qs));
    m.cmdGet->click();
    pickBoxAndClose(1);
    m.cmdCheck->click();
    EXPECT_TRUE(heard(u"WTG "_qs + winner + u"! KIWI is a match"_qs));

    EXPECT_EQ(m.lblWordOf->text() + m.lblWord->text(), u"(no more)(no more)"_qs);
    EXPECT_FALSE(m.cmdDraw->isEnabled() || m.cmdAsk->isEnabled());
    EXPECT_EQ(QString::number(gs.WinnerCount) + gs.Winners[1].Name + gs.Winners[1].Box,
              u"1"_qs + winner + u"Red"_qs);
    EXPECT_TRUE(dialogs.messages.empty());
    m.close();
}

// A person in a browser (headless Chromium, with a second one watching)
// registers with the page's button, is called down, answers and wins the
// word against the real main window.
TEST_F(RoomGame, APersonInABrowserWinsAWord)
{
    const QString python = QStringLiteral(ORVELLA_SYSTEM_PYTHON);
    if (QProcess::execute(python, {u"-c"_qs, u"import selenium"_qs}) != 0)
        GTEST_SKIP() << "python3-selenium is missing (scripts/install-deps.sh installs it)";
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const QString port = QString::number(probe.serverPort());
    probe.close();
    ASSERT_TRUE(startRoom({u"--web"_qs, u"127.0.0.1:"_qs + port, u"--code"_qs, u"KTZRW"_qs}));
    QProcess person;
    person.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    person.start(python, {QStringLiteral(ORVELLA_BROWSER_TEST), u"--person"_qs,
                          u"http://127.0.0.1:%1/#KTZRW"_qs.arg(port)});
    QByteArray said;
    const auto says = [&](const QByteArray &word) {
        return waitUntil(
                   [&] {
                       said += person.readAllStandardOutput();
                       return said.contains(word) || person.state() == QProcess::NotRunning;
                   },
                   60000) &&
               said.contains(word);
    };
    ASSERT_TRUE(says("joined"));

    frmMain &m = window();
    startGame();
    ASSERT_TRUE(says("registered"));
    ASSERT_TRUE(client.waitForLine(u"ESP from Bo: <relax>"_qs));
    for (const QString &name : {u"Dee"_qs, u"Eve"_qs})
        client.type(u"esp "_qs + name + u": \u00b0"_qs);
    ASSERT_TRUE(client.waitForLine(u"ESP from Eve: <relax>"_qs));
    m.cmdGetRegs->click();
    ASSERT_TRUE(playerNames().contains(u"Bo"_qs));
    m.cmdDraw->click();
    m.mnuAutoOff->trigger();
    m.cmdAsk->click();
    person.write("answer\n");
    person.waitForBytesWritten(5000);
    ASSERT_TRUE(client.waitForLine(u"Bo: kiwi"_qs));
    m.cmdGet->click();
    pickBoxAndClose(1);
    m.cmdCheck->click();
    EXPECT_TRUE(heard(u"WTG Bo! KIWI is a match"_qs));
    EXPECT_TRUE(says("won")) << "both browsers saw the win, the same lines in the same order";
    EXPECT_TRUE(person.waitForFinished(20000));
    EXPECT_EQ(person.exitCode(), 0);
    m.close();
}
