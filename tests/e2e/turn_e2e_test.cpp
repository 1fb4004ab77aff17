#include "support/gamefixture.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"
#include "transport/socketwadapi.h"

#include <QPlainTextEdit>

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
};

} // namespace

// A whole game of one word against the stand-in chat client in a child
// process, over the real socket, where a countdown's second may fall into a
// request; both timers tick from the event loop.
TEST_F(RoomGame, FromLoadToNoMore)
{
    // The room, and the program's link to it.
    chat = &wadapi.emplace(path(u"wadapi.sock"_qs));
    ASSERT_TRUE(client.start(path(u"wadapi.sock"_qs), {u"--host"_qs, u"Ann Lee"_qs}));
    frmMain &m = window();
    // KIWI loaded and the game opened.
    std::tie(gs.RegChar, gs.Confirm) = std::tuple(u"\u00b0"_qs, true);
    gs.Boxes[1].Available = true;
    dialogs.files.push_back(writeFile(u"words.txt"_qs, "kiwi\r\n"));
    part(m, "cmdAsk")->click();
    part(m, "cmdAsk")->click();
    EXPECT_TRUE(heard(u"ESP a \u00b0 to Ann Lee to register."_qs));
    client.type(u"esp Bo: \\u00B0"_qs); // the room's console takes the escape too
    for (const QString &name : {u"Cy"_qs, u"Dee"_qs})
        client.type(u"esp "_qs + name + u": \u00b0"_qs);
    ASSERT_TRUE(client.waitForLine(u"ESP from Dee: <relax>"_qs));
    part(m, "cmdGetRegs")->click();
    ASSERT_EQ(playerNames(), QStringList({u"Bo"_qs, u"Cy"_qs, u"Dee"_qs}));
    EXPECT_TRUE(client.waitForLine(u"ESP to Bo: You are registered"_qs));
    // A kick from the players list's pop-up leaves the list, which is the host's, alone.
    client.type(u"/add Bo"_qs);
    ASSERT_TRUE(client.waitForLine(u"Bo has entered the room."_qs));
    part<QListWidget>(m, "lstPlayers")->setCurrentRow(0);
    part<QAction>(m, "mnuPKick")->trigger();
    auto *roomText = part<QPlainTextEdit>(m, "txtRoom");
    EXPECT_TRUE(waitUntil([&] {
        return roomText->toPlainText().contains(
            u"\u00BB Bo was kicked. Bo is still on the players list."_qs);
    })) << roomText->toPlainText().toStdString();
    ASSERT_EQ(playerNames(), QStringList({u"Bo"_qs, u"Cy"_qs, u"Dee"_qs}));

    // The automatic countdown runs out, then a match.
    part(m, "cmdDraw")->click();
    part<QAction>(m, "mnuFifteen")->trigger();
    const QString slow = gs.Down[1].Name, winner = gs.Down[2].Name;
    dialogs.answers = {HostDialogs::Answer::No};
    part(m, "cmdAsk")->click();
    Waits::pumpUntil([&] { return !ticks2.enabled(); });
    EXPECT_TRUE(heard(u"***  You have 15 seconds ***"_qs));
    EXPECT_TRUE(heard(u"Sorry "_qs + slow + u", time ran out"_qs));
    part<QAction>(m, "mnuAutoOff")->trigger();
    part(m, "cmdAsk")->click();
    client.type(winner + u": kiwi"_qs);
    EXPECT_TRUE(client.waitForLine(winner + u": kiwi"_qs));
    part(m, "cmdGet")->click();
    pickBoxAndClose(1);
    part(m, "cmdCheck")->click();
    EXPECT_TRUE(heard(u"WTG "_qs + winner + u"! KIWI is a match"_qs));

    EXPECT_EQ(part<QLabel>(m, "lblWordOf")->text() + part<QLabel>(m, "lblWord")->text(),
              u"(no more)(no more)"_qs);
    EXPECT_FALSE(part(m, "cmdDraw")->isEnabled() || part(m, "cmdAsk")->isEnabled());
    EXPECT_EQ(QString::number(gs.WinnerCount) + gs.Winners[1].Name + gs.Winners[1].Box,
              u"1"_qs + winner + u"Red"_qs);
    EXPECT_TRUE(dialogs.messages.empty());
    m.close();
}

// The Room window against the stand-in chat client: the room's lines show as
// they come, and what the host types goes to the room or as an ESP.
TEST_F(RoomGame, TheRoomWindowFollowsTheRoomAndTheHostSpeaksThere)
{
    chat = &wadapi.emplace(path(u"wadapi.sock"_qs));
    ASSERT_TRUE(client.start(path(u"wadapi.sock"_qs), {u"--host"_qs, u"Ann Lee"_qs}));
    frmMain &m = window();
    m.findChild<QAction *>(u"mnuRoom"_qs)->trigger();
    auto *room = m.findChild<QWidget *>(u"frmRoom"_qs);
    ASSERT_NE(room, nullptr);
    auto *text = room->findChild<QPlainTextEdit *>(u"txtRoom"_qs);
    auto *say = room->findChild<QLineEdit *>(u"txtSay"_qs);
    ASSERT_TRUE(client.waitForLine(u"The program follows the room."_qs));
    EXPECT_TRUE(room->findChild<QLabel *>(u"lblNote"_qs)->isHidden());
    const auto shows = [&](const QString &line) {
        return waitUntil([&] { return text->toPlainText().contains(line); });
    };
    client.type(u"Bo: anyone here?"_qs);
    EXPECT_TRUE(shows(u"Bo: anyone here?"_qs));
    say->setText(u"hello room"_qs);
    emit say->returnPressed();
    EXPECT_TRUE(heard(u"hello room"_qs));
    EXPECT_TRUE(shows(u"Ann Lee: hello room"_qs));
    say->setText(u"/msg Bo psst"_qs);
    emit say->returnPressed();
    EXPECT_TRUE(client.waitForLine(u"ESP to Bo: psst"_qs));
    EXPECT_TRUE(shows(u"ESP to Bo: psst"_qs));
    // The game's own fetch still sees the room's lines, and never the ESP.
    ASSERT_NO_THROW(session->link().FetchChat());
    EXPECT_FALSE(session->link().ChatText().contains(u"ESP to Bo"_qs));
    // The host bans from the window; the outcome comes back as a line of its own.
    client.type(u"/add Zed"_qs);
    ASSERT_TRUE(shows(u"Zed has entered the room."_qs));
    say->setText(u"/ban Zed"_qs);
    emit say->returnPressed();
    EXPECT_TRUE(shows(u"\u00BB Zed is banned."_qs));
    room->close();
    EXPECT_TRUE(client.waitForLine(u"The program no longer follows the room."_qs));
    EXPECT_GT(gs.RoomWidth, 0);
}
