#include "game/gamestate.h"
#include "game/registration.h"

#include <gtest/gtest.h>

namespace {

void fill(GameState &gs, const QStringList &names)
{
    gs.PlayerCount = Integer(names.size());
    for (int i = 1; i <= gs.PlayerCount; ++i)
        gs.Players[i] = PlayerRec{names[i - 1], QString::number(i), float(i), float(-i)};
}

QStringList order(const GameState &gs)
{
    QStringList out;
    for (int i = 1; i <= gs.PlayerCount; ++i) {
        const PlayerRec &p = gs.Players[i];
        EXPECT_EQ(p.Response, QString::number(int(p.Level))) << "records move whole";
        EXPECT_EQ(p.Drawn, -p.Level);
        out << p.Name + u'#' + QString::number(int(p.Level));
    }
    return out;
}

} // namespace

TEST(SortOrder, EqualAndCaseDifferentNamesEndWhereTheExchangeSortLeavesThem)
{
    GameState gs;
    fill(gs, {u"bob"_qs, u"Al"_qs, u"Bob"_qs, u"carl"_qs, u"al"_qs, u"BOB"_qs, u"Carl"_qs,
              u"bob"_qs, u"AL"_qs, u"\u00c9va"_qs, u"eve"_qs, u"Zed"_qs});
    SortPlayers(gs);
    // Not stable: the second "Bob" passes the later "bob".
    EXPECT_EQ(order(gs), QStringList({u"Al#2"_qs, u"al#5"_qs, u"AL#9"_qs, u"bob#1"_qs, u"BOB#6"_qs,
                                      u"bob#8"_qs, u"Bob#3"_qs, u"carl#4"_qs, u"Carl#7"_qs,
                                      u"eve#11"_qs, u"Zed#12"_qs, u"\u00c9va#10"_qs}));
}
