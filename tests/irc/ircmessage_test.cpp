#include "irc/ircmessage.h"
#include "irc/ircoptions.h"
#include "irc/irctext.h"
#include "irc/tokenbucket.h"

#include <gtest/gtest.h>

using Params = QList<QByteArray>;

TEST(IrcMessage, ParsesTagsPrefixCommandAndParameters)
{
    const auto m =
        IrcMessage::parse("@time=x;msg=a\\sb\\:c\\\\ :Bo!~b@host privmsg  #room  :hi: there  ");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->tags.size(), 2);
    EXPECT_EQ(m->tags[1].second, QByteArray("a b;c\\"));
    EXPECT_EQ(m->nick(), "Bo");
    EXPECT_EQ(m->command, "PRIVMSG");
    EXPECT_EQ(m->params, (Params{"#room", "hi: there  "}));

    const auto numeric = IrcMessage::parse(":irc.x 005 Ann NICKLEN=30 :are supported");
    EXPECT_EQ(numeric->numeric(), 5);
    EXPECT_EQ(numeric->nick(), "irc.x");
    EXPECT_EQ(IrcMessage::parse("PING :")->params, Params{""});
    EXPECT_FALSE(IrcMessage::parse(":only.prefix "));
    EXPECT_FALSE(IrcMessage::parse(""));
}

// Text from the room must never end a command early or start another.
TEST(IrcMessage, EncodesOnlyLinesThatMeanWhatTheySay)
{
    EXPECT_EQ(IrcMessage::encode("PRIVMSG", {"#r", "a b"}), "PRIVMSG #r :a b\r\n");
    EXPECT_EQ(IrcMessage::encode("PRIVMSG", {"#r", ":)"}), "PRIVMSG #r ::)\r\n");
    EXPECT_EQ(IrcMessage::encode("NICK", {"Ann"}), "NICK Ann\r\n");
    EXPECT_EQ(IrcMessage::encode("PRIVMSG", {"#r", ""}), "PRIVMSG #r :\r\n");
    const QList<std::pair<QByteArray, Params>> refused = {
        {"PRIVMSG", {"#r", "hi\r\nQUIT :bye"}},
        {"PRIVMSG", {"#r", "a\nJOIN #x"}},
        {"PRIVMSG", {"#r", QByteArray("a\0b", 3)}},
        {"PRIVMSG", {"#r x", "hi"}},
        {"PRIVMSG", {":#r", "hi"}},
        {"PRIVMSG", {"", "hi"}},
        {"PRIV MSG", {"#r"}},
        {"PRIVMSG", {"#r", QByteArray(510, 'x')}},
    };
    for (const auto &[command, params] : refused)
        EXPECT_TRUE(IrcMessage::encode(command, params).isEmpty()) << params.last().toStdString();
}

TEST(IrcMessage, SplitsTheStreamIntoBoundedLines)
{
    IrcLineSplitter s;
    s.feed("PING :a\r\nPI");
    EXPECT_EQ(s.next(), QByteArray("PING :a"));
    EXPECT_FALSE(s.next());
    s.feed("NG :b\n" + QByteArray(IrcLineSplitter::MaxLine + 5, 'x'));
    EXPECT_EQ(s.next(), QByteArray("PING :b"));
    EXPECT_EQ(s.next()->size(), IrcLineSplitter::MaxLine);
    s.feed("rest of the long line\r\nNEXT\r\n");
    EXPECT_EQ(s.next(), QByteArray("NEXT"));
}

TEST(IrcNick, MapsAvatarNamesToNicksAndFallsBack)
{
    const QList<std::pair<QString, QString>> cases = {
        {u"Ann Lee"_qs, u"Ann_Lee"_qs},
        {u"Zoë Ça"_qs, u"Zoe_Ca"_qs},
        {u"[Bo]`^{|}-_"_qs, u"[Bo]`^{|}-_"_qs},
        {u"7up"_qs, u"_7up"_qs},
        {u"-x"_qs, u"_-x"_qs},
        {u"a:b!c@d\r\n"_qs, u"a_b_c_d__"_qs},
        {u"日本"_qs, u"__"_qs},
        {QString(), QString()},
    };
    for (const auto &[name, nick] : cases)
        EXPECT_EQ(IrcNick::fromName(name, 30), nick) << name.toStdString();
    EXPECT_EQ(IrcNick::fromName(u"Abcdefghijkl"_qs, 9), u"Abcdefghi"_qs);
    EXPECT_EQ(IrcNick::numbered(u"Abcdefghi"_qs, 12, 9), u"Abcdefg12"_qs);
    EXPECT_EQ(IrcNick::folded("Bo[]\\~"), IrcNick::folded("bO{}|^"));
}

TEST(IrcText, CrossesBetweenTheWireAndTheRoom)
{
    // UTF-8, else Windows-1252; formatting codes go.
    EXPECT_EQ(IrcText::decode("caf\xc3\xa9 \xe2\x82\xac"), u"café €"_qs);
    EXPECT_EQ(IrcText::decode("caf\xe9 \x80"), u"café €"_qs);
    EXPECT_EQ(IrcText::decode("\x02"
                              "b\x0f \x03"
                              "4,12red\x03 \x03"
                              "5,x \x1fu"),
              u"b red ,x u"_qs);
    // Actions and gestures, both ways.
    EXPECT_EQ(IrcText::fromWire("\x01"
                                "ACTION waves\x01"),
              u"\u00b5"_qs);
    EXPECT_EQ(IrcText::fromWire("\x01"
                                "ACTION <Relax>\x01"),
              u"\u00b0"_qs);
    EXPECT_EQ(IrcText::fromWire("\x01"
                                "ACTION dances\x01"),
              u"/me dances"_qs);
    EXPECT_FALSE(IrcText::fromWire("\x01VERSION\x01"));
    EXPECT_EQ(IrcText::toWire(u"\u00b0"_qs, 400), QList<QByteArray>{"\x01"
                                                                    "ACTION relaxes\x01"});
    EXPECT_EQ(IrcText::toWire(u"/me bows"_qs, 400), QList<QByteArray>{"\x01"
                                                                      "ACTION bows\x01"});
    EXPECT_EQ(IrcText::toWire(u"a\r\n\x01x\u00b0"_qs, 400), QList<QByteArray>{"a   x\xc2\xb0"});
}

TEST(IrcText, SplitsLongLinesAtSpacesWithoutLosingCharacters)
{
    const QByteArray text =
        QString(u"aa bb€€€ cc "_qs.repeated(30) + u"€"_qs.repeated(20)).toUtf8();
    for (qsizetype budget : {4, 7, 11, 50}) {
        const QList<QByteArray> pieces = IrcText::splitAtSpaces(text, budget);
        EXPECT_EQ(pieces.join(), text);
        for (const QByteArray &p : pieces) {
            EXPECT_LE(p.size(), budget);
            EXPECT_FALSE(QString::fromUtf8(p).contains(QChar::ReplacementCharacter));
        }
    }
    EXPECT_EQ(IrcText::splitAtSpaces("one two three", 9), (QList<QByteArray>{"one two", " three"}));
}

TEST(TokenBucket, LetsABurstThroughThenOneLinePerInterval)
{
    TokenBucket b(3, 100);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(b.take(0));
    EXPECT_FALSE(b.take(50));
    EXPECT_EQ(b.wait(50), 50);
    EXPECT_TRUE(b.take(100));
    EXPECT_FALSE(b.take(199));
    EXPECT_TRUE(b.take(1000));
    EXPECT_TRUE(b.take(1000));
    EXPECT_TRUE(b.take(1000)); // a long pause refills, but only to the burst
    EXPECT_FALSE(b.take(1000));
}

TEST(IrcOptions, ReadsServersTlsAndSecrets)
{
    const QHash<QString, QString> env{{u"ORVELLA_IRC_SASL_USER"_qs, u"ann"_qs},
                                      {u"ORVELLA_IRC_SASL_PASSWORD"_qs, u"pw"_qs}};
    const QStringList base{u"orvella-irc"_qs, u"--channel"_qs, u"game"_qs, u"--nick"_qs, u"A"_qs};
    QString error, help;
    // server argument -> host, port, TLS
    const QList<std::tuple<QStringList, QString, int, bool>> good = {
        {{u"--server"_qs, u"irc.example.org"_qs}, u"irc.example.org"_qs, 6697, true},
        {{u"--server"_qs, u"localhost:7000"_qs}, u"localhost"_qs, 7000, false},
        {{u"--server"_qs, u"[::1]"_qs, u"--tls"_qs}, u"::1"_qs, 6697, true},
        {{u"--server"_qs, u"[2001:db8::1]:6667"_qs, u"--no-tls"_qs},
         u"2001:db8::1"_qs,
         6667,
         false},
        {{u"--server"_qs, u"127.0.0.1"_qs, u"--port"_qs, u"1234"_qs}, u"127.0.0.1"_qs, 1234, false},
    };
    for (const auto &[args, host, port, tls] : good) {
        const auto o = IrcOptions::parse(base + args, env, &error, &help);
        ASSERT_TRUE(o) << error.toStdString();
        EXPECT_EQ(std::tuple(o->settings.host, int(o->settings.port), o->settings.tls),
                  std::tuple(host, port, tls));
        EXPECT_EQ(o->settings.channel, u"#game"_qs);
        EXPECT_EQ(o->settings.saslPassword, "pw");
    }
    for (const QStringList &args : {QStringList{u"--server"_qs, u"a:b"_qs},
                                    {u"--server"_qs, u"a:70000"_qs},
                                    {u"--server"_qs, u"a"_qs, u"--tls"_qs, u"--no-tls"_qs},
                                    {u"--server"_qs, u"a"_qs, u"--password"_qs, u"x\ny"_qs},
                                    {u"--server"_qs, u" "_qs}})
        EXPECT_FALSE(IrcOptions::parse(base + args, env, &error, &help))
            << args.join(u' ').toStdString();
}
