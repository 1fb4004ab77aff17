#include "irc/ircmessage.h"
#include "irc/irctext.h"
#include "irc/tokenbucket.h"

#include <gtest/gtest.h>

using Params = QList<QByteArray>;

TEST(IrcMessage, ParsesSplitsAndEncodesOnlyLinesThatMeanWhatTheySay)
{
    const auto m =
        IrcMessage::parse("@time=x;msg=a\\sb\\:c\\\\ :Bo!~b@host privmsg  #room  :hi: there  ");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->nick() + ' ' + m->command, "Bo PRIVMSG");
    EXPECT_EQ(m->params, (Params{"#room", "hi: there  "}));
    EXPECT_FALSE(IrcMessage::parse(":only.prefix ") || IrcMessage::parse(""));

    EXPECT_EQ(IrcMessage::encode("PRIVMSG", {"#r", ":)"}), "PRIVMSG #r ::)\r\n");
    EXPECT_EQ(IrcMessage::encode("PRIVMSG", {"#r", ""}), "PRIVMSG #r :\r\n");
    // Text from the room must never end a command early or start another.
    for (const QByteArray &text :
         {QByteArray("hi\r\nQUIT :bye"), QByteArray("a\0b", 3), QByteArray(510, 'x')})
        EXPECT_TRUE(IrcMessage::encode("PRIVMSG", {"#r", text}).isEmpty()) << text.constData();
    for (const QByteArray target : {"#r x", ":#r", ""})
        EXPECT_TRUE(IrcMessage::encode("PRIVMSG", {target, "hi"}).isEmpty()) << target.constData();

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
        {u"Ann Lee"_qs, u"Ann_Lee"_qs},         {u"Zoë Ça"_qs, u"Zoe_Ca"_qs},
        {u"[Bo]`^{|}-_"_qs, u"[Bo]`^{|}-_"_qs}, {u"7up"_qs, u"_7up"_qs},
        {u"a:b!c@d\r\n"_qs, u"a_b_c_d__"_qs},   {u"日本"_qs, u"__"_qs}};
    for (const auto &[name, nick] : cases)
        EXPECT_EQ(IrcNick::fromName(name, 30), nick) << name.toStdString();
    EXPECT_EQ(IrcNick::fromName(u"Abcdefghijkl"_qs, 9), u"Abcdefghi"_qs);
    EXPECT_EQ(IrcNick::numbered(u"Abcdefghi"_qs, 12, 9), u"Abcdefg12"_qs);
    EXPECT_EQ(IrcNick::folded("Bo[]\\~", IrcNick::CaseMapping::Rfc1459), "bo{}|^");
}

TEST(IrcText, CrossesBetweenTheWireAndTheRoomAndSplitsWithoutLosingCharacters)
{
    // UTF-8, else Windows-1252; formatting codes go.
    EXPECT_EQ(IrcText::decode("caf\xc3\xa9 \xe2\x82\xac"), u"café €"_qs);
    EXPECT_EQ(IrcText::decode("caf\xe9 \x80"), u"café €"_qs);
    EXPECT_EQ(IrcText::decode("\002b\017 \0034,12red\003 \0035,x \037u"), u"b red ,x u"_qs);
    // Actions and gestures, both ways.
    EXPECT_EQ(IrcText::fromWire("\001ACTION <Relax>\001"), u"\u00b0"_qs);
    EXPECT_EQ(IrcText::fromWire("\001ACTION dances\001"), u"/me dances"_qs);
    EXPECT_FALSE(IrcText::fromWire("\001VERSION\001"));
    EXPECT_EQ(IrcText::toWire(u"\u00b0"_qs, 400), Params{"\001ACTION relaxes\001"});
    EXPECT_EQ(IrcText::toWire(u"/me bows"_qs, 400), Params{"\001ACTION bows\001"});
    EXPECT_EQ(IrcText::toWire(u"a\r\n\x01x\u00b0"_qs, 400), Params{"a   x\xc2\xb0"});

    const QByteArray text =
        QString(u"aa bb€€€ cc "_qs.repeated(30) + u"€"_qs.repeated(20)).toUtf8();
    for (qsizetype budget : {4, 7, 11, 50}) {
        const Params pieces = IrcText::splitAtSpaces(text, budget);
        EXPECT_EQ(pieces.join(), text);
        for (const QByteArray &p : pieces)
            EXPECT_TRUE(p.size() <= budget && QString::fromUtf8(p).toUtf8() == p) << budget;
    }
    EXPECT_EQ(IrcText::splitAtSpaces("one two three", 9), (Params{"one two", " three"}));
}

TEST(TokenBucket, LetsABurstThroughThenOneLinePerIntervalAndRefillsOnlyToTheBurst)
{
    TokenBucket b(3, 100);
    const QList<std::pair<qint64, bool>> takes = {
        {0, true},    {0, true},    {0, true},    {50, false},  {100, true},
        {199, false}, {1000, true}, {1000, true}, {1000, true}, {1000, false}};
    for (const auto &[now, taken] : takes)
        EXPECT_EQ(b.take(now), taken) << now;
}
