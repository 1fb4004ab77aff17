#include "chatclient/chatroom.h"
#include "room/guesses.h"
#include "room/playerclock.h"
#include "room/roomtext.h"
#include "room/scriptedplayers.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// The players' time, run by hand.
struct ManualClock final : PlayerClock
{
    std::multimap<qint64, std::function<void()>> due;
    qint64 now = 0;
    void after(int ms, std::function<void()> fn) override { due.emplace(now + ms, std::move(fn)); }
    void run(qint64 ms)
    {
        const qint64 until = now + ms;
        while (!due.empty() && due.begin()->first <= until) {
            auto next = due.extract(due.begin());
            now = next.key();
            next.mapped()();
        }
        now = until;
    }
};

struct Cast
{
    ChatRoom room{u"Ann Lee"_qs};
    ManualClock clock;
    ScriptedPlayers players;
    QStringList lines;

    explicit Cast(quint32 seed, ScriptedPlayers::Style style = {0.6, 0.0, false})
        : players(room, clock, seed, style)
    {
        QObject::connect(&room, &ChatRoom::lineAdded, [this](const QString &l) { lines << l; });
        players.guesses().learnWords({u"LANTERN"_qs, u"LAGOONS"_qs, u"MAPLE SYRUP"_qs});
    }
    // What the host says, and the players' lines in the next minute.
    QStringList host(const QString &text, qint64 ms = 60000)
    {
        room.say(room.hostName(), text);
        lines.clear();
        clock.run(ms);
        return lines;
    }
};

} // namespace

// Look-alike names would let one player's line pass for another's.
TEST(ScriptedPlayers, CastNamesAreValidAndNoneEndsWithAnother)
{
    const QStringList names = ScriptedPlayers::castNames();
    for (const QString &n : names) {
        EXPECT_TRUE(RoomText::nameProblem(n).isEmpty()) << n.toStdString();
        for (const QString &m : names)
            EXPECT_TRUE(n == m || !n.endsWith(m, Qt::CaseInsensitive)) << n.toStdString();
    }
    // Names that pass for a private message, a notice, a command or another
    // name are refused for players as for people.
    Cast c(1);
    for (const QString &n :
         {u"ESP from Bob"_qs, u"esp  TO Ann"_qs, u"* Server"_qs, u"/quit"_qs, u"Ho\u00ADst"_qs,
          u"Bo\u00A0Reed"_qs, u"Cy\u200B"_qs, u"ANN  1ee"_qs}) {
        QString why;
        EXPECT_TRUE(c.players.add(n, &why).isEmpty()) << n.toStdString();
        EXPECT_FALSE(why.isEmpty());
    }
    for (const QString &n : {u"ESPen"_qs, u"Esp Tony"_qs, u"Bob*"_qs})
        EXPECT_EQ(c.players.add(n), n);
    // t shown small: a T stands elsewhere in the word, not here.
    EXPECT_TRUE(Guesses::fits(u"LANTERN"_qs, u"LA  t  "_qs));
    for (const QString &word : {u"LAGOONS"_qs, u"LAMETAN"_qs, u"LANTERNS"_qs})
        EXPECT_FALSE(Guesses::fits(word, u"LA  t  "_qs)) << word.toStdString();
}

// The demo game shows them registering, answering and picking in a real
// game; these are the turns it does not play.
TEST(ScriptedPlayers, ReactOnlyToWhatConcernsThem)
{
    Cast c(7, {1.0, 0.0, false});
    for (int i = 0; i < 4; ++i)
        c.players.add();
    c.clock.run(5000);
    // A plain character; an empty one leaves nothing to send.
    EXPECT_EQ(c.host(u"ESP a $ to Ann Lee to register."_qs).filter(u": $"_qs).size(), 4);
    EXPECT_TRUE(c.host(u"ESP a  to Ann Lee to register."_qs).filter(u"ESP from"_qs).isEmpty());
    // The winner picks once, after the call, and says nothing before it.
    const QString p = c.players.names().at(0);
    EXPECT_EQ(c.host(p + u", your word is L A -- -- t -- -- "_qs).size(), 1);
    EXPECT_TRUE(c.host(u" -- Red, Aqua -- "_qs).isEmpty()) << "no call, no pick";
    c.host(u" -- Select a box color -- "_qs, 0);
    EXPECT_EQ(c.host(u" -- Red, Aqua -- "_qs).filter(p + u": "_qs).size(), 1);
    EXPECT_TRUE(c.host(u" -- Red, Aqua -- "_qs).isEmpty()) << "one call, one pick";
    EXPECT_TRUE(c.host(u"Nobody, your word is L A -- -- t -- -- "_qs).isEmpty());
}

TEST(ScriptedPlayers, MissesLateAnswersAndTheSameSeedPlaysTheSame)
{
    const auto play = [](quint32 seed, ScriptedPlayers::Style style) {
        Cast c(seed, style);
        const QString p = c.players.add();
        c.clock.run(5000);
        QStringList all;
        for (int i = 0; i < 20; ++i)
            all += c.host(p + u", your word is L -- -- -- -- -- -- "_qs);
        return all;
    };
    const QStringList wrong = play(3, {0.0, 0.0, false});
    ASSERT_EQ(wrong.size(), 20);
    for (const QString &l : wrong)
        EXPECT_NE(l.section(u": "_qs, 1).toUpper(), u"LANTERN"_qs);
    EXPECT_EQ(play(3, {0.5, 0.0, true}), play(3, {0.5, 0.0, true}));
    EXPECT_NE(play(3, {0.5, 0.0, false}), play(4, {0.5, 0.0, false}));

    // Too late: the answer comes after half a minute, or not at all once
    // the turn has closed.
    Cast c(5, {1.0, 1.0, false});
    const QString p = c.players.add();
    c.clock.run(5000);
    EXPECT_TRUE(c.host(p + u", your word is L -- -- -- -- -- -- "_qs, 29000).isEmpty());
    EXPECT_EQ(c.host(u"Sorry "_qs + p + u", time ran out"_qs).size(), 0);
    c.host(p + u", your word is L -- -- -- -- -- -- "_qs, 0);
    c.players.remove(p);
    EXPECT_EQ(c.host(u"-o-o-o-"_qs), QStringList()) << "a player who left says nothing";
}
