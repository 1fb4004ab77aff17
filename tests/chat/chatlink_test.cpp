#include "base/failure.h"
#include "chat/chatlink.h"
#include "chat/waits.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString CRLF = u"\r\n"_qs;

// The link over a scripted client, its repeats timed by a clock that only
// moves when the link pauses; each pause still lets pending events run.
class ChatLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        link.setRepeatClock({[this] { return now; },
                             [this](std::chrono::milliseconds p) {
                                 pauses.push_back(int(p.count()));
                                 now += p;
                                 Waits::pauseFor(0ms);
                             }});
        ASSERT_EQ(link.InitDDE(), 0);
    }
    void TearDown() override { Waits::resetAbandoned(); }

    std::chrono::microseconds now{0};
    std::vector<int> pauses;
    ScriptedWadapi wadapi;
    FakeTicks ticks;
    ScriptedDialogs dialogs;
    QString app = u"orvella"_qs;
    ChatLink link{wadapi, ticks, dialogs, [this] { return app; }};
};

} // namespace

TEST_F(ChatLinkTest, RepeatsUntilZeroOrMinusOneRegistersAgainOnTenAndGivesUpAtTheLimitOrOnAClose)
{
    app = u"renamed"_qs; // asked at each call
    wadapi.replies = {status("6"), status("6"), status("10"), status("0")};
    link.SendChat(2, u"Bob"_qs, u"hi «»€"_qs);
    const QString c = u"C renamed 2 Bob"_qs;
    EXPECT_EQ(wadapi.log, QStringList({u"I orvella"_qs, c, c, c, u"R renamed"_qs, c}));
    EXPECT_EQ(wadapi.sent.first(), QByteArray("hi \xAB\xBB\x80"));
    EXPECT_EQ(pauses, std::vector<int>({0, 1, 2}));

    // Other codes repeat; any numeric spelling of 6 counts as 6, but only the
    // exact texts end a request.
    wadapi.log.clear();
    wadapi.replies = {status("7"),  status("junk"), status(" 6"),
                      status("06"), status(" 0"),   status("-1")};
    link.FetchChat();
    EXPECT_EQ(wadapi.log, QStringList(6, u"G renamed"_qs));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_THROW(link.SendChat(40000, {}, u"x"_qs), Failure);

    // An earlier "0" must not end a request that gets no status at all.
    wadapi.replies = {status("0")};
    link.SendChat(0, {}, u"x"_qs);
    for (auto endless : {std::optional<ScriptedWadapi::Reply>{}, status("6"), status("10")}) {
        pauses.clear();
        dialogs.messages.clear();
        wadapi.requests = 0;
        wadapi.whenScriptEnds = endless;
        const auto start = now;
        EXPECT_THROW(link.FetchChat(), LinkDown);
        EXPECT_EQ(now - start, ChatLink::DefaultAnswerLimit) << "given up at the limit";
        EXPECT_TRUE(wadapi.requests >= 20 && wadapi.requests <= 100) << wadapi.requests;
        EXPECT_TRUE(std::is_sorted(pauses.begin(), pauses.end() - 1));
        EXPECT_EQ(*std::max_element(pauses.begin(), pauses.end()), 100);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, u"The chat client is not answering."_qs);
    }
    // A close ends the repeats quietly.
    QTimer::singleShot(0, [] { Waits::abandonAll(); });
    EXPECT_THROW(link.SendChat(0, {}, u"x"_qs), WaitAbandoned);
    EXPECT_FALSE(link.requesting());
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(ChatLinkTest, ABrokenLinkIsToldOncePerBreakAndAClosedOneNever)
{
    // Gone during a request: later calls fail without a word more.
    wadapi.replies = {ScriptedWadapi::Reply{{}, {}, true}};
    EXPECT_THROW(link.SendChat(0, {}, u"x"_qs), LinkDown);
    EXPECT_THROW(link.WaitForChat(), LinkDown);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, u"The chat client has gone away."_qs);

    // Gone between steps: told at once, but not from inside the library's notice.
    ASSERT_EQ(link.InitDDE(), 0);
    link.SendNotice(NoticeKey::RegChar, QStringLiteral("\u00B0")); // a notice waits for nothing
    wadapi.up = false;
    link.SendNotice(NoticeKey::RegChar, QStringLiteral("$")); // nor fails: it goes unsent
    link.OnDapiGone();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    link.OnDapiGone();
    QCoreApplication::processEvents();
    EXPECT_THROW(link.FetchChat(), LinkDown);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(wadapi.requests, 1);

    ASSERT_EQ(link.InitDDE(), 0);
    link.Shutdown();
    link.OnDapiGone();
    QCoreApplication::processEvents();
    EXPECT_THROW(link.FetchChat(), LinkDown);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(wadapi.log.filter(QStringLiteral("N ")), QStringList(QStringLiteral("N reg \u00B0")));
}

// Lines the client lost end the step under way at its request or wait, the
// host told once for them all; between steps the host is only told.
TEST_F(ChatLinkTest, LostLinesEndTheStepUnderWayOrAreToldBetweenSteps)
{
    const auto lose = [this](qint16 lines) { wadapi.callbacks->OnDapiEvent("unsaid", lines, {}); };
    wadapi.whenScriptEnds = status("-1");
    wadapi.onRequest = [&] { lose(2); };
    EXPECT_THROW(link.SendChat(0, {}, u"x"_qs), LinkDown);
    wadapi.onRequest = nullptr;
    link.setChatText(u"old"_qs);
    wadapi.whenScriptEnds = status("0");
    QTimer::singleShot(0, [&] {
        lose(1);
        lose(3);
        wadapi.callbacks->OnDapiText("Bo: hi");
    });
    EXPECT_THROW(link.WaitForChat(), LinkDown);
    EXPECT_EQ(link.ChatText(), u"old"_qs);
    QTimer::singleShot(0, [&] { lose(1); });
    EXPECT_THROW(link.My_Wait(1000), LinkDown);
    lose(5);
    lose(0);
    QCoreApplication::processEvents();
    link.SendChat(0, {}, u"x"_qs);
    ASSERT_EQ(dialogs.messages.size(), 4u);
    EXPECT_EQ(dialogs.messages[1].text, u"4 of your lines may not have reached the room."_qs);
    EXPECT_EQ(dialogs.messages[3].text, u"5 of your lines may not have reached the room."_qs);
}

TEST_F(ChatLinkTest, WaitForChatWaitsPastBlankTextTheTextLosesTheTrailerAndGetNextCutsIt)
{
    wadapi.replies = {status("0", "\r\n\r\n")};
    QTimer::singleShot(0, [this] { wadapi.callbacks->OnDapiText("B: yo\r\n"); });
    link.WaitForChat();
    EXPECT_EQ(link.ChatText(), u"B: yo"_qs);

    wadapi.whenScriptEnds = status("0");
    QTimer::singleShot(0, [this] { wadapi.up = false; });
    EXPECT_THROW(link.WaitForChat(), LinkDown);
    EXPECT_EQ(link.ChatText(), u"B: yo"_qs);

    // Delivered text loses the client's trailer and its line ends.
    const std::pair<QByteArray, QString> cases[] = {
        {QByteArray("ABCDEFGHwxyz\0more", 17), u"ABCDEFGH"_qs},
        {QByteArray("ab\0cdefgh", 9), u"ab"_qs + QChar(0) + u"cdefgh"_qs},
        {QByteArray("abcde\0", 6), u"a"_qs},
        {QByteArray("abcd\0", 5), u"abcd"_qs + QChar(0)},
        {QByteArray("line\r\nabcd\0zz", 13), u"line"_qs},
        {"x\r\ny\r\n\r\n\r\n", u"x\r\ny"_qs},
        {"\x80\xAB\xBB\x81", u"€«»\u0081"_qs},
    };
    for (const auto &[in, out] : cases) {
        link.OnDapiText(in);
        EXPECT_EQ(link.ChatText(), out) << in.toHex().constData();
    }

    // GetNext hands out a block piece by piece: a new block replaces what was
    // left; an empty piece ends a reader's loop.
    const char *const blocks[][3] = {
        {"A\r\nB", "A", "B"},       {"", "B", ""}, {"", "", ""}, {"a\r\nb", "a", "b"},
        {"\r\n\r\nc", "", "\r\nc"},
    };
    for (const auto &[block, piece, rest] : blocks) {
        EXPECT_EQ(link.GetNext(QString::fromLatin1(block), CRLF), QLatin1String(piece)) << block;
        EXPECT_EQ(link.TokenRest(), QLatin1String(rest)) << block;
    }

    // A long block gives back every line, empty ones too, and nothing else.
    QStringList lines;
    for (int i = 0; i < 3000; ++i) {
        lines << u"Bo %1: h\u00e9\r"_qs.arg(i);
        if (i % 97 == 0)
            lines << QString();
    }
    QStringList pieces{link.GetNext(lines.join(CRLF) + CRLF, CRLF)};
    while ((!pieces.last().isEmpty() || !link.TokenRest().isEmpty()) &&
           pieces.size() <= lines.size())
        pieces << link.GetNext({}, CRLF);
    EXPECT_EQ(pieces, lines + QStringList(QString()));
}

TEST_F(ChatLinkTest, MyWaitCountsItsOwnTicksAndNests)
{
    // No ticks needed, yet pending events still run once.
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    link.My_Wait(-1);
    EXPECT_TRUE(ran);
    for (Integer delay : {Integer(16384), Integer(-16385)})
        EXPECT_THROW(link.My_Wait(delay), Failure);

    // The countdown may start a wait of its own while a step waits; each
    // waits out 2 * delay + 1 ticks and the outer one keeps counting after.
    ticks.delivered = 0;
    int innerTicks = -1;
    ticks.afterTick = [&](int n) {
        if (n == 2)
            QTimer::singleShot(0, [&] {
                const int before = ticks.delivered;
                link.My_Wait(1);
                innerTicks = ticks.delivered - before;
                EXPECT_TRUE(ticks.enabled());
            });
    };
    link.My_Wait(3);
    EXPECT_EQ(std::tuple(innerTicks, ticks.delivered), std::tuple(3, 7));
    EXPECT_FALSE(ticks.enabled());
}

// The copy is asked for only of a client that offers it, on every link that
// comes up while it is wanted; it reaches the receiver, never the chat text.
// The game status likewise goes only to a client that offers it, once per
// change, and again to each link that comes up.
TEST_F(ChatLinkTest, TheLiveCopyIsAskedOfAClientThatOffersOnEveryLinkAndKeptOutOfTheChatText)
{
    QStringList got;
    link.setLiveReceiver([&](const QString &text) { got << text; });
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

// Only a client that offered is sent a request; its outcomes meet their
// requests in order, and a new link owes nothing of the old one's.
TEST_F(ChatLinkTest, ModerationIsSentOnlyWhenOfferedAndOutcomesMeetTheirRequestsInOrder)
{
    QStringList got;
    link.setModerationHook([&](const ModRequest &r, bool done, const QString &words) {
        got << r.name + (done ? u" done: "_qs : u" refused: "_qs) + words;
    });
    const ModRequest kick{ModAction::Kick, u"Bo"_qs, 0, u"flood"_qs};
    EXPECT_EQ(link.Moderate(kick), u"This chat client cannot moderate."_qs);
    wadapi.callbacks->OnDapiEvent("moderated", 0, "unasked");
    wadapi.callbacks->OnDapiEvent("moderate", 0, {});
    link.Moderate(kick);
    link.Moderate({ModAction::Mute, u"Cy"_qs, 5, {}});
    EXPECT_EQ(wadapi.log.filter(u"M "_qs),
              QStringList({u"M kick Bo 0 flood"_qs, u"M mute Cy 5 "_qs}));
    wadapi.callbacks->OnDapiEvent("moderated", 0, "Bo was kicked.");
    wadapi.callbacks->OnDapiEvent("moderated", -1, "No one called Cy is in the room.");
    link.Moderate(kick);
    ASSERT_EQ(link.InitDDE(), 0);
    wadapi.callbacks->OnDapiEvent("moderated", 0, "late");
    EXPECT_EQ(got, QStringList({u"Bo done: Bo was kicked."_qs,
                                u"Cy refused: No one called Cy is in the room."_qs}))
        << "in order; the old link's request died with it";
    EXPECT_FALSE(link.moderationOffered()) << "each link offers anew";
}
