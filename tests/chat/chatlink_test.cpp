#include "chat/chatlink.h"
#include "chat/waits.h"
#include "game/failure.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <ctime>

namespace {

const QString CRLF = QStringLiteral("\r\n");

class ChatLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        link.setAnswerLimit(std::chrono::milliseconds(30));
        ASSERT_EQ(link.InitDDE(), 0);
    }
    void TearDown() override { Waits::resetAbandoned(); }

    GameState game;
    ScriptedWadapi wadapi;
    FakeTicks ticks;
    ScriptedDialogs dialogs;
    QString app = QStringLiteral("orvella");
    ChatLink link{game, wadapi, ticks, dialogs, [this] { return app; }};
};

} // namespace

TEST_F(ChatLinkTest, RepeatsUntilZeroOrMinusOneAndRegistersAgainOnTen)
{
    app = QStringLiteral("renamed"); // asked at each call
    wadapi.replies = {status("6"), status("6"), status("10"), status("0")};
    link.SendChat(2, QStringLiteral("Bob"), QStringLiteral("hi «»€"));
    const QString c = QStringLiteral("C renamed 2 Bob");
    EXPECT_EQ(wadapi.log,
              QStringList({QStringLiteral("I orvella"), c, c, c, QStringLiteral("R renamed"), c}));
    EXPECT_EQ(wadapi.sent.first(), QByteArray("hi \xAB\xBB\x80"));

    // Other codes repeat; any numeric spelling of 6 counts as 6, but only the
    // exact texts end a request.
    wadapi.log.clear();
    wadapi.replies = {status("7"),  status("junk"), status(" 6"),
                      status("06"), status(" 0"),   status("-1")};
    link.FetchChat();
    EXPECT_EQ(wadapi.log, QStringList(6, QStringLiteral("G renamed")));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_THROW(link.SendChat(40000, {}, QStringLiteral("x")), Failure);
}

TEST_F(ChatLinkTest, GivesUpARequestTheClientNeverEnds)
{
    // An earlier "0" must not end a request that got no status at all.
    wadapi.replies = {status("0")};
    link.SendChat(0, {}, QStringLiteral("x"));
    for (auto endless : {std::optional<ScriptedWadapi::Reply>{}, status("6"), status("10")}) {
        dialogs.messages.clear();
        wadapi.whenScriptEnds = endless;
        QElapsedTimer clock;
        clock.start();
        EXPECT_THROW(link.SendChat(0, {}, QStringLiteral("x")), LinkDown);
        EXPECT_GE(clock.elapsed(), 30);
        EXPECT_LT(clock.elapsed(), 3000);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The chat client is not answering."));
    }
}

TEST_F(ChatLinkTest, ReportsABrokenLinkOncePerBreakAndShutdownQuietly)
{
    wadapi.replies = {ScriptedWadapi::Reply{{}, {}, true}};
    EXPECT_THROW(link.SendChat(0, {}, QStringLiteral("x")), LinkDown);
    EXPECT_THROW(link.FetchChat(), LinkDown);
    EXPECT_THROW(link.WaitForChat(), LinkDown);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The chat client has gone away."));
    EXPECT_EQ(wadapi.requests, 1);

    ASSERT_EQ(link.InitDDE(), 0);
    wadapi.replies = {status("0")};
    link.FetchChat();
    wadapi.up = false;
    EXPECT_THROW(link.FetchChat(), LinkDown);
    EXPECT_EQ(dialogs.messages.size(), 2u);

    ASSERT_EQ(link.InitDDE(), 0);
    wadapi.log.clear();
    link.Shutdown();
    link.Shutdown();
    EXPECT_EQ(wadapi.log, QStringList({"U orvella", "K"}));
    EXPECT_THROW(link.FetchChat(), LinkDown);
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(ChatLinkTest, WaitForChatWaitsPastBlankTextUntilTextOrTheEnd)
{
    wadapi.replies = {status("0", "\r\n\r\n")};
    QTimer::singleShot(0, [this] { wadapi.callbacks->OnDapiText("B: yo\r\n"); });
    link.WaitForChat();
    EXPECT_EQ(game.ChatText, QStringLiteral("B: yo"));

    wadapi.whenScriptEnds = status("0");
    QTimer::singleShot(0, [this] { wadapi.up = false; });
    EXPECT_THROW(link.WaitForChat(), LinkDown);
    EXPECT_EQ(game.ChatText, QStringLiteral("B: yo"));
    EXPECT_EQ(dialogs.messages.size(), 1u);

    ASSERT_EQ(link.InitDDE(), 0);
    QTimer::singleShot(0, [] { Waits::abandonAll(); });
    EXPECT_THROW(link.WaitForChat(), WaitAbandoned);
}

TEST_F(ChatLinkTest, DeliveredTextLosesTheClientsTrailerAndLineEnds)
{
    const std::pair<QByteArray, QString> cases[] = {
        {QByteArray("ABCDEFGHwxyz\0more", 17), QStringLiteral("ABCDEFGH")},
        {QByteArray("ab\0cdefgh", 9), QStringLiteral("ab") + QChar(0) + QStringLiteral("cdefgh")},
        {QByteArray("abcde\0", 6), QStringLiteral("a")},
        {QByteArray("abcd\0", 5), QStringLiteral("abcd") + QChar(0)},
        {QByteArray("line\r\nabcd\0zz", 13), QStringLiteral("line")},
        {"x\r\ny\r\n\r\n\r\n", QStringLiteral("x\r\ny")},
        {"x\r\n\r", QStringLiteral("x\r\n\r")},
        {"\r\n\r\n", QString()},
        {"\x80\xAB\xBB\x81", QStringLiteral("€«»\u0081")},
    };
    for (const auto &[in, out] : cases) {
        link.OnDapiText(in);
        EXPECT_EQ(game.ChatText, out) << in.toHex().constData();
    }
}

TEST_F(ChatLinkTest, GetNextHandsOutABlockLineByLine)
{
    EXPECT_EQ(link.GetNext(QStringLiteral("A") + CRLF + QStringLiteral("B"), CRLF), u"A");
    EXPECT_EQ(link.GetNext({}, CRLF), u"B");
    EXPECT_EQ(link.GetNext({}, CRLF), QString());
    EXPECT_EQ(link.GetNext(QStringLiteral("one") + CRLF, CRLF), u"one");
    EXPECT_TRUE(link.TokenRest().isEmpty());

    // A new block replaces what was left; an empty line ends a reader's loop.
    link.GetNext(QStringLiteral("a\r\nb"), CRLF);
    EXPECT_EQ(link.GetNext(QStringLiteral("\r\n\r\nc"), CRLF), QString());
    EXPECT_EQ(link.TokenRest(), u"\r\nc");
    EXPECT_EQ(link.GetNext(QStringLiteral("x\ry\r\nz"), CRLF), QStringLiteral("x\ry"));
}

TEST_F(ChatLinkTest, MyWaitCountsItsOwnTicksAndEndsOnAbandon)
{
    for (Integer delay : {0, 3}) {
        ticks.delivered = 0;
        link.My_Wait(delay);
        EXPECT_EQ(ticks.delivered, 2 * delay + 1);
        EXPECT_EQ(game.WaitTicks, 2 * delay + 1);
        EXPECT_FALSE(ticks.enabled());
    }

    // No ticks needed, yet pending events still run once.
    bool ran = false;
    QMetaObject::invokeMethod(
        &ticks, [&] { ran = true; }, Qt::QueuedConnection);
    link.My_Wait(-1);
    EXPECT_TRUE(ran);

    for (Integer delay : {Integer(16384), Integer(-16385)}) {
        EXPECT_THROW(link.My_Wait(delay), Failure);
        EXPECT_FALSE(ticks.enabled());
    }

    // The countdown may start a wait of its own while a step waits.
    ticks.delivered = 0;
    int innerTicks = -1;
    Integer shownInInner = -1;
    Integer shownAfterInner = -1;
    ticks.afterTick = [&](int n) {
        if (n == 5)
            shownInInner = game.WaitTicks;
        if (n != 2)
            return;
        QMetaObject::invokeMethod(
            &ticks,
            [&] {
                const int before = ticks.delivered;
                link.My_Wait(1);
                innerTicks = ticks.delivered - before;
                shownAfterInner = game.WaitTicks;
                EXPECT_TRUE(ticks.enabled());
            },
            Qt::QueuedConnection);
    };
    link.My_Wait(3);
    EXPECT_EQ(innerTicks, 3);
    EXPECT_EQ(shownInInner, 2);
    EXPECT_EQ(shownAfterInner, 6);
    EXPECT_EQ(ticks.delivered, 7);
    EXPECT_FALSE(ticks.enabled());

    ticks.delivered = 0;
    ticks.afterTick = [](int n) {
        if (n == 2)
            Waits::abandonAll();
    };
    EXPECT_THROW(link.My_Wait(3), WaitAbandoned);
    EXPECT_EQ(ticks.delivered, 2);
    EXPECT_FALSE(ticks.enabled());
}

TEST(MyWaitTimer1, RealWaitUsesAlmostNoCpu)
{
    GameState game;
    ScriptedWadapi wadapi;
    QTimerTickSource timer1;
    ScriptedDialogs dialogs;
    ChatLink link(game, wadapi, timer1, dialogs, [] { return QStringLiteral("orvella"); });

    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpu = std::clock(); // all threads of the process
    link.My_Wait(8);
    const double used = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    const double elapsed = double(wall.elapsed()) / 1000;

    EXPECT_EQ(game.WaitTicks, 17);
    EXPECT_GE(elapsed, 17 * 0.130 - 0.02);
    EXPECT_LT(used, 0.05 * elapsed) << used << " s of CPU in " << elapsed << " s";
}
