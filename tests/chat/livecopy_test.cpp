#include "chat/chatlink.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <gtest/gtest.h>

// The copy is asked for only of a client that offers it, on every link that
// comes up while it is wanted; it reaches the receiver, never the chat text.
// The game status likewise goes only to a client that offers it, once per
// change, and again to each link that comes up.
TEST(ChatLinkLive, AsksAClientThatOffersOnEveryLinkAndKeepsTheCopyOutOfTheChatText)
{
    ScriptedWadapi wadapi;
    FakeTicks ticks;
    ScriptedDialogs dialogs;
    ChatLink link(wadapi, ticks, dialogs, [] { return u"orvella"_qs; });
    QStringList got;
    link.setLiveReceiver([&](const QString &text) { got << text; });

    ASSERT_EQ(link.InitDDE(), 0);
    link.setLiveCopy(true);
    EXPECT_FALSE(link.liveOffered()) << "an older client is not asked";
    GameStatus status;
    link.sendGameStatus(status);
    wadapi.offers = true;
    ASSERT_EQ(link.InitDDE(), 0);
    EXPECT_TRUE(link.liveOffered());
    link.sendGameStatus(status);
    status.phase = GameStatus::Phase::Open;
    link.sendGameStatus(status);
    link.setChatText(u"Bo: game"_qs);
    wadapi.callbacks->OnDapiLive("Bo: \xB0\r\nCy: x\r\n");
    EXPECT_EQ(got, QStringList(u"Bo: °\r\nCy: x\r\n"_qs));
    EXPECT_EQ(link.ChatText(), u"Bo: game"_qs);

    link.setLiveCopy(false);
    link.setLiveCopy(false);
    wadapi.callbacks->OnDapiLive("late\r\n");
    EXPECT_EQ(got.size(), 1) << "a piece on its way when stopped";
    link.setLiveCopy(true);
    ASSERT_EQ(link.InitDDE(), 0);
    wadapi.offers = false;
    ASSERT_EQ(link.InitDDE(), 0);
    EXPECT_FALSE(link.liveOffered()) << "each link offers anew";
    EXPECT_EQ(wadapi.log.filter(u"I orvella"_qs).size(), 4);
    EXPECT_EQ(wadapi.log.filter(u"N "_qs).join(u'|'), u"N live 1|N live 0|N live 1|N live 1"_qs)
        << "once per link, when it is up";
    EXPECT_EQ(wadapi.statuses, QByteArrayList({encodeGameStatus({}), encodeGameStatus(status),
                                               encodeGameStatus(status)}));
}
