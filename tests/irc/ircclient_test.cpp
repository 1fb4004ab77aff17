#include "ircfakes.h"

#include "irc/ircclient.h"
#include "room/chatroom.h"

#include <QElapsedTimer>

namespace {

IrcSettings settingsFor(const FakeIrcServer &s, const QString &name)
{
    IrcSettings set;
    set.host = u"127.0.0.1"_qs;
    set.port = s.server.serverPort();
    set.channel = u"#room"_qs;
    set.name = name;
    return set;
}

QStringList linesSince(const ChatRoom &room, qint64 from)
{
    return room.textSince(from).split(u"\r\n"_qs);
}

} // namespace

TEST(IrcClient, LogsInWithSaslAndSaysLinesOnceTheServerEchoesThem)
{
    FakeIrcServer s;
    ChatRoom room(u"Ann Lee"_qs);
    IrcSettings set = settingsFor(s, u"Ann Lee"_qs);
    set.saslUser = "ann";
    set.saslPassword = "pw";
    IrcClient c(set, room);
    const qint64 from = room.end();
    c.start();
    s.waitFor("CAP LS 302");
    s.say(":x CAP * LS :multi-prefix echo-message sasl=EXTERNAL,PLAIN");
    s.waitFor("NICK Ann_Lee");
    EXPECT_EQ(s.waitFor("CAP REQ"), "CAP REQ :echo-message sasl");
    s.say(":x CAP * ACK :echo-message sasl");
    s.waitFor("AUTHENTICATE PLAIN");
    s.say("AUTHENTICATE +");
    EXPECT_EQ(s.waitFor("AUTHENTICATE "),
              "AUTHENTICATE " + QByteArray("ann\0ann\0pw", 10).toBase64());
    s.say(":x 903 * :ok");
    s.waitFor("CAP END");
    s.say(":x 433 * Ann_Lee :in use");
    s.waitFor("NICK Ann_Lee2");
    s.say(":x 001 Ann_Lee2 :hi");
    s.waitFor("JOIN #room");
    s.say(":Ann_Lee2!u@h JOIN #room");
    ASSERT_TRUE(waitUntil([&] { return c.isUp(); }));

    // Line breaks in the program's text never split the command.
    EXPECT_EQ(c.communicate(0, {}, u"hi\r\nQUIT :x"_qs), "0");
    EXPECT_EQ(s.waitFor("PRIVMSG"), "PRIVMSG #room :hi  QUIT :x");
    EXPECT_FALSE(room.textSince(from).contains(u"hi"_qs));
    s.say(":Ann_Lee2!u@h PRIVMSG #room :hi  QUIT :x");
    EXPECT_EQ(c.communicate(2, u"Cy Ng"_qs, u"You are registered"_qs), "0");
    EXPECT_EQ(s.waitFor("PRIVMSG"), "PRIVMSG Cy_Ng :You are registered");
    EXPECT_EQ(c.communicate(1, u"Bo"_qs, u"x"_qs), "-1");
    s.say(":x 401 Ann_Lee2 Cy_Ng :No such nick");
    s.say(":Bo!b@h PRIVMSG #room :\x01"
          "ACTION bows\x01");
    s.say(":Bo!b@h PRIVMSG ann_lee2 :$");
    s.say(":NickServ!s@h NOTICE Ann_Lee2 :Bo: $");
    s.say(":Bo!b@h NICK Bob");
    s.say(":Bob!b@h QUIT :Bob: gone");
    ASSERT_TRUE(waitUntil([&] { return room.textSince(from).contains(u"quit"_qs); }));
    EXPECT_EQ(linesSince(room, from),
              QStringList({u"*** Joined #room as Ann_Lee2."_qs, u"Ann_Lee2: hi  QUIT :x"_qs,
                           u"*** Not delivered to Cy_Ng (No such nick)."_qs, u"Bo: <bow>"_qs,
                           u"ESP from Bo: $"_qs, u"*** Bo is now known as Bob."_qs,
                           u"*** Bob has quit."_qs}));
}

TEST(IrcClient, PacesInOrderAndRecoversFromABrokenOrSilentServer)
{
    FakeIrcServer s;
    ChatRoom room(u"Ann"_qs);
    IrcSettings set = settingsFor(s, u"Ann"_qs);
    set.burst = 2;
    set.intervalMs = 40;
    set.idleMs = set.answerMs = 1000;
    set.retryMinMs = 10;
    IrcClient c(set, room);
    auto login = [&] {
        s.waitFor("CAP LS");
        s.say(":x 421 * CAP :Unknown command");
        s.waitFor("USER");
        s.say(":x 001 Ann :hi");
        s.waitFor("JOIN #room");
        s.say(":Ann!u@h JOIN #room");
        return waitUntil([&] { return c.isUp(); });
    };
    c.start();
    ASSERT_TRUE(login());

    // Said once the server has answered the PING behind each line; an error
    // before that answer means the line was not taken.
    qint64 from = room.end();
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(c.communicate(0, {}, QString::number(i)), "0");
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(s.waitFor("PRIVMSG"), "PRIVMSG #room " + QByteArray::number(i));
        s.waitFor("PING orvella-" + QByteArray::number(i));
    }
    EXPECT_GE(clock.elapsed(), 2 * set.intervalMs - 5);
    for (int i = 1; i <= 3; ++i)
        s.say(":x PONG x :orvella-" + QByteArray::number(i));
    s.say(":x 404 Ann #room :Cannot send to channel");
    s.say(":x PONG x :orvella-4");
    ASSERT_TRUE(waitUntil([&] { return room.textSince(from).contains(u"Cannot"_qs); }));
    EXPECT_EQ(linesSince(room, from),
              QStringList({u"Ann: 1"_qs, u"Ann: 2"_qs, u"Ann: 3"_qs,
                           u"*** Not delivered to #room (Cannot send to channel)."_qs}));

    // The server goes: the program's lines are refused until the client is
    // back, and none of them is said later.
    from = room.end();
    s.socket->close();
    ASSERT_TRUE(waitUntil([&] { return !c.isUp(); }));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(c.communicate(0, {}, u"lost"_qs), "-1");
    ASSERT_TRUE(login());
    EXPECT_EQ(
        linesSince(room, from),
        QStringList(
            {u"*** The connection to the IRC server was lost; reconnecting."_qs,
             u"*** Not connected to the IRC server; the host's lines are not said until it is back."_qs,
             u"*** Back in #room as Ann."_qs}));
    EXPECT_FALSE(s.heard.join().contains("lost"));

    // A server that stops answering is pinged, then left.
    s.waitFor("PING orvella-alive", 5000);
    ASSERT_TRUE(login());
    EXPECT_EQ(s.connections, 3);
}
