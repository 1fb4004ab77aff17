#include "ircfakes.h"

#include "irc/ircclient.h"
#include "chatclient/chatroom.h"

namespace {

// A client of a scripted server, quick to pace, ping and retry, and what its
// room shows from a mark on; it logs in with SASL when given a user.
struct ClientRig
{
    IrcPeer s;
    IrcSettings set;
    ChatRoom room;
    qint64 from = room.end();
    std::optional<IrcClient> c;

    explicit ClientRig(const QString &name, const QByteArray &saslUser = {}) : room(name)
    {
        set.host = u"127.0.0.1"_qs;
        set.port = s.listen();
        set.channel = u"#room"_qs;
        set.name = name;
        set.saslUser = saslUser;
        set.saslPassword = "pw";
        set.burst = 2;
        set.intervalMs = 40;
        set.idleMs = set.answerMs = 1000;
        set.retryMinMs = 10;
        c.emplace(set, room);
        c->start();
    }
    QStringList shown(const QString &last)
    {
        EXPECT_TRUE(waitUntil([&] { return room.textSince(from).contains(last); }));
        const QStringList lines = room.textSince(from).split(u"\r\n"_qs);
        from = room.end();
        return lines;
    }
};

} // namespace

TEST(IrcClient, LogsInWithSaslAndSaysLinesOnceTheServerEchoesThem)
{
    ClientRig r(u"Ann Lee"_qs, "ann");
    r.s.play({{"CAP LS 302", ":x CAP * LS :multi-prefix echo-message sasl=EXTERNAL,PLAIN"},
              {"CAP REQ :echo-message sasl", ":x CAP * ACK :echo-message sasl"},
              {"AUTHENTICATE PLAIN", "AUTHENTICATE +"},
              {"AUTHENTICATE " + QByteArray("ann\0ann\0pw", 10).toBase64(), ":x 903 * :ok"},
              {"CAP END", ":x 433 * Ann_Lee :in use"},
              {"NICK Ann_Lee2", ":x 001 Ann_Lee2 :hi"},
              {"JOIN #room", ":Ann_Lee2!u@h JOIN #room"}});
    ASSERT_TRUE(waitUntil([&] { return r.c->isUp(); }));

    // Line breaks in the program's text never split the command; the line
    // shows in the room only once the server has echoed it.
    EXPECT_EQ(r.c->communicate(0, {}, u"hi\r\nQUIT :x"_qs), "0");
    EXPECT_EQ(r.s.waitFor("PRIVMSG"), "PRIVMSG #room :hi  QUIT :x");
    EXPECT_FALSE(r.room.textSince(r.from).contains(u"hi"_qs));
    r.s.say(":Ann_Lee2!u@h PRIVMSG #room :hi  QUIT :x");
    EXPECT_EQ(r.c->communicate(2, u"Cy Ng"_qs, u"You are registered"_qs), "0");
    EXPECT_EQ(r.s.waitFor("PRIVMSG"), "PRIVMSG Cy_Ng :You are registered");
    EXPECT_EQ(r.c->communicate(1, u"Bo"_qs, u"x"_qs), "-1");
    for (const char *line :
         {":Bo!b@h PRIVMSG #room :\001ACTION bows\001", ":Bo!b@h PRIVMSG ann_lee2 :$",
          ":NickServ!s@h NOTICE Ann_Lee2 :Bo: $", ":Bo!b@h NICK Bob", ":Bob!b@h QUIT :Bob: gone"})
        r.s.say(line);
    EXPECT_EQ(r.shown(u"quit"_qs),
              QStringList({u"*** Joined #room as Ann_Lee2."_qs, u"Ann_Lee2: hi  QUIT :x"_qs,
                           u"Bo: <bow>"_qs, u"ESP from Bo: $"_qs, u"*** Bo is now known as Bob."_qs,
                           u"*** Bob has quit."_qs}));
}

TEST(IrcClient, PacesInOrderAndRecoversFromABrokenOrSilentServer)
{
    ClientRig r(u"Ann"_qs);
    auto login = [&] {
        r.s.play({{"CAP LS", ":x 421 * CAP :Unknown command"},
                  {"USER", ":x 001 Ann :hi"},
                  {"JOIN #room", ":Ann!u@h JOIN #room"}});
        return waitUntil([&] { return r.c->isUp(); });
    };
    ASSERT_TRUE(login());

    // Said once the server has answered the PING behind each line; an error
    // before that answer means the line was not taken.
    r.from = r.room.end();
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(r.c->communicate(0, {}, QString::number(i)), "0");
    for (const QByteArray i : {"1", "2", "3"}) {
        EXPECT_EQ(r.s.waitFor("PRIVMSG"), "PRIVMSG #room " + i);
        r.s.waitFor("PING orvella-" + i);
    }
    for (const char *line : {":x PONG x :orvella-1", ":x PONG x :orvella-2",
                             ":x 404 Ann #room :Cannot send to channel", ":x PONG x :orvella-3"})
        r.s.say(line);
    EXPECT_EQ(r.shown(u"Cannot"_qs),
              QStringList({u"Ann: 1"_qs, u"Ann: 2"_qs,
                           u"*** Not delivered to #room (Cannot send to channel)."_qs}));

    // The server goes: the program's lines are refused until the client is
    // back, the room is told once, and none of them is said later.
    r.s.socket->close();
    ASSERT_TRUE(waitUntil([&] { return !r.c->isUp(); }));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(r.c->communicate(0, {}, u"lost"_qs), "-1");
    ASSERT_TRUE(login());
    const QStringList outage = r.shown(u"*** Back in #room as Ann."_qs);
    EXPECT_EQ(outage.filter(u"Not connected to the IRC server"_qs).size(), 1)
        << outage.join(u'\n').toStdString();

    // A server that stops answering is pinged, then left for a new connection.
    r.s.waitFor("PING orvella-alive", 5000);
    EXPECT_TRUE(login());
}
