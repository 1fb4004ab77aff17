#include "chatlink_fixture.h"

#include "game/failure.h"

#include <QElapsedTimer>
#include <QTimer>

using namespace std::chrono_literals;

namespace {
const QString CRLF = QStringLiteral("\r\n");
}

TEST_F(ChatLinkTest, RepeatsUntilZeroOrMinusOneAndRegistersAgainOnTen)
{
    wadapi.replies = {status("6"), status("6"), status("10"), status("0")};
    link.SendChat(2, QStringLiteral("Bob"), QStringLiteral("hi «»€"));
    const QString c = QStringLiteral("C orvella 2 Bob");
    EXPECT_EQ(wadapi.log,
              QStringList({QStringLiteral("I orvella"), c, c, c, QStringLiteral("R orvella"), c}));
    EXPECT_EQ(wadapi.sent.first(), QByteArray("hi \xAB\xBB\x80"));

    wadapi.log.clear();
    wadapi.replies = {status("-1")};
    link.SendChat(0, {}, QStringLiteral("x"));
    EXPECT_EQ(wadapi.log.size(), 1);

    // Other codes repeat; any numeric spelling of 6 counts as 6, but only the
    // exact texts end a request.
    wadapi.log.clear();
    wadapi.replies = {status("7"),  status("junk"), status(" 6"),
                      status("06"), status(" 0"),   status("-1")};
    link.FetchChat();
    EXPECT_EQ(wadapi.log, QStringList(6, QStringLiteral("G orvella")));
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
        wadapi.log.clear();
        wadapi.whenScriptEnds = endless;
        QElapsedTimer clock;
        clock.start();
        EXPECT_THROW(link.SendChat(0, {}, QStringLiteral("x")), LinkDown);
        EXPECT_GE(clock.elapsed(), 30);
        EXPECT_LT(clock.elapsed(), 3000);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The chat client is not answering."));
    }
    EXPECT_TRUE(wadapi.log.contains(QStringLiteral("R orvella")));
}

TEST_F(ChatLinkTest, ReportsABrokenLinkOncePerBreak)
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
}

TEST_F(ChatLinkTest, AppNameIsAskedAtEachCallAndShutdownEndsTheLink)
{
    app = QStringLiteral("renamed");
    wadapi.replies = {status("10"), status("0")};
    link.FetchChat();
    link.Shutdown();
    link.Shutdown();
    EXPECT_EQ(wadapi.log,
              QStringList({"I orvella", "G renamed", "R renamed", "G renamed", "U renamed", "K"}));
    EXPECT_THROW(link.SendChat(0, {}, QStringLiteral("x")), LinkDown);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ChatLinkTest, WaitForChatWaitsPastBlankTextForLaterText)
{
    wadapi.replies = {status("0", "A: hi\r\n")};
    link.WaitForChat();
    EXPECT_EQ(game.ChatText, QStringLiteral("A: hi"));

    wadapi.replies = {status("0", "\r\n\r\n")};
    QTimer::singleShot(0, [this] { wadapi.callbacks->OnDapiText("B: yo\r\n"); });
    link.WaitForChat();
    EXPECT_EQ(game.ChatText, QStringLiteral("B: yo"));
}

TEST_F(ChatLinkTest, WaitForChatEndsWhenTheLinkBreaksOrTheWaitIsAbandoned)
{
    game.ChatText = QStringLiteral("old");
    wadapi.whenScriptEnds = status("0");
    QTimer::singleShot(0, [this] { wadapi.up = false; });
    EXPECT_THROW(link.WaitForChat(), LinkDown);
    EXPECT_EQ(game.ChatText, QStringLiteral("old"));
    EXPECT_EQ(dialogs.messages.size(), 1u);

    ASSERT_EQ(link.InitDDE(), 0);
    QTimer::singleShot(0, [] { Waits::abandonAll(); });
    EXPECT_THROW(link.WaitForChat(), WaitAbandoned);
}

TEST_F(ChatLinkTest, DeliveredTextLosesTheClientsTrailerAndLineEnds)
{
    const struct
    {
        QByteArray in;
        QString out;
    } cases[] = {
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
    for (const auto &c : cases) {
        link.OnDapiText(c.in);
        EXPECT_EQ(game.ChatText, c.out) << c.in.toHex().constData();
    }
    link.OnDapiStatus("-1");
    EXPECT_EQ(game.DapiStatus, QStringLiteral("-1"));
}

TEST_F(ChatLinkTest, GetNextHandsOutABlockLineByLine)
{
    EXPECT_EQ(link.GetNext(QStringLiteral("A") + CRLF + QStringLiteral("B"), CRLF), u"A");
    EXPECT_EQ(link.GetNext({}, CRLF), u"B");
    EXPECT_EQ(link.GetNext({}, CRLF), QString());
    EXPECT_TRUE(link.TokenRest.isEmpty());

    EXPECT_EQ(link.GetNext(QStringLiteral("whole"), CRLF), u"whole");
    EXPECT_TRUE(link.TokenRest.isEmpty());
    EXPECT_EQ(link.GetNext(QStringLiteral("one") + CRLF, CRLF), u"one");
    EXPECT_TRUE(link.TokenRest.isEmpty());

    // A new block replaces what was left; an empty line ends a reader's loop.
    link.GetNext(QStringLiteral("a\r\nb"), CRLF);
    EXPECT_EQ(link.GetNext(QStringLiteral("\r\n\r\nc"), CRLF), QString());
    EXPECT_EQ(link.TokenRest, QStringLiteral("\r\nc"));
    EXPECT_EQ(link.GetNext(QStringLiteral("x\ry\r\nz"), CRLF), QStringLiteral("x\ry"));
}
