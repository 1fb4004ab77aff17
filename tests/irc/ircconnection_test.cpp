#include "ircfakes.h"

#include "irc/ircconnection.h"

namespace {

// A connection to a scripted server, counting its links and keeping the
// commands it hands over.
struct LinkRig
{
    IrcPeer s;
    IrcSettings set;
    int opened = 0;
    int lost = 0;
    QByteArrayList got;
    std::optional<IrcConnection> c;

    LinkRig(int idleMs, int answerMs)
    {
        set.host = u"127.0.0.1"_qs;
        set.port = s.listen();
        set.idleMs = idleMs;
        set.answerMs = answerMs;
        set.retryMinMs = 1;
        c.emplace(set);
        QObject::connect(&*c, &IrcConnection::opened, [this] { ++opened; });
        QObject::connect(&*c, &IrcConnection::lost, [this] { ++lost; });
        QObject::connect(&*c, &IrcConnection::received, [this](const IrcMessage &m) {
            got << m.command + ' ' + m.params.join(' ');
        });
        c->open();
    }
};

} // namespace

TEST(IrcConnection, AnswersPingsAndOpensANewLinkWhenTheServerGoes)
{
    LinkRig r(Patience, Patience);
    ASSERT_TRUE(eventually([&] { return r.opened == 1; }));
    EXPECT_EQ(r.c->state(), IrcConnection::State::Open);
    r.c->send("NICK", {"Ann"});
    r.c->send("PRIVMSG", {"#room", "a\r\nQUIT"});
    r.s.waitFor("NICK Ann");
    r.s.say("PING :tok\r\n:x 001 Ann :hi");
    EXPECT_EQ(r.s.waitFor("PONG"), "PONG tok");
    ASSERT_TRUE(eventually([&] { return !r.got.isEmpty(); }));
    EXPECT_EQ(r.got, QByteArrayList({"001 Ann hi"})) << "the PING is answered, not handed on";
    EXPECT_FALSE(r.s.heard.contains("QUIT")) << "a malformed command is not sent";

    r.s.socket->close();
    ASSERT_TRUE(eventually([&] { return r.opened == 2; }));
    EXPECT_EQ(r.lost, 1);
    r.c->close(u"bye"_qs);
    EXPECT_EQ(r.c->state(), IrcConnection::State::Closed);
    EXPECT_EQ(r.lost, 2);
}

// Real time, kept short: the idle ping and the wait for its answer are timers.
TEST(IrcConnection, PingsAQuietServerAndLeavesOneThatStaysSilent)
{
    LinkRig r(10, 1000);
    ASSERT_TRUE(eventually([&] { return r.s.socket != nullptr; }));
    r.s.say(":x NOTICE * :hello");
    r.s.waitFor("PING orvella-alive");
    EXPECT_TRUE(eventually([&] { return r.lost >= 1 && r.opened >= 2; }));
}
