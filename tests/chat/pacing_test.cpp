#include "chat/chatlink.h"
#include "chat/waits.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// The link over a scripted client, its repeats timed by a clock that only
// moves when the link pauses; each pause still lets pending events run.
class PacedLink : public ::testing::Test
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
    GameState game;
    ScriptedWadapi wadapi;
    FakeTicks ticks;
    ScriptedDialogs dialogs;
    ChatLink link{game, wadapi, ticks, dialogs, [] { return QStringLiteral("orvella"); }};
};

// GetNext as it was: the rest of the block copied at every piece.
struct CopyingCutter
{
    QString rest;
    QString next(const QString &buf, const QString &token)
    {
        if (!buf.isEmpty())
            rest = buf;
        const qsizetype at = rest.indexOf(token);
        const QString piece = at < 0 ? rest : rest.left(at);
        rest = at < 0 ? QString() : rest.mid(at + token.size());
        return piece;
    }
};

} // namespace

TEST_F(PacedLink, RepeatsComeAfterAGrowingPauseAndGiveUpAtTheLimit)
{
    wadapi.replies = {status("6"), status("6"), status("10"), status("0")};
    link.SendChat(0, {}, QStringLiteral("x"));
    EXPECT_EQ(pauses, std::vector<int>({0, 1, 2}));

    for (auto endless : {status("6"), status("10"), std::optional<ScriptedWadapi::Reply>{}}) {
        pauses.clear();
        dialogs.messages.clear();
        wadapi.requests = 0;
        wadapi.whenScriptEnds = endless;
        const auto start = now;
        EXPECT_THROW(link.FetchChat(), LinkDown);
        EXPECT_EQ(now - start, ChatLink::DefaultAnswerLimit) << "given up at the limit";
        EXPECT_GE(wadapi.requests, 20);
        EXPECT_LE(wadapi.requests, 100);
        EXPECT_TRUE(std::is_sorted(pauses.begin(), pauses.end() - 1));
        EXPECT_EQ(*std::max_element(pauses.begin(), pauses.end()), 100);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The chat client is not answering."));
    }
}

TEST_F(PacedLink, EventsRunBetweenRepeatsAndACloseEndsTheRequest)
{
    bool requestingSeen = false;
    QTimer::singleShot(0, [&] { requestingSeen = link.requesting(); });
    wadapi.replies = {status("6"), status("0")};
    link.SendChat(0, {}, QStringLiteral("x"));
    EXPECT_TRUE(requestingSeen);
    EXPECT_FALSE(link.requesting());

    wadapi.whenScriptEnds = status("6");
    QTimer::singleShot(0, [] { Waits::abandonAll(); });
    EXPECT_THROW(link.SendChat(0, {}, QStringLiteral("x")), WaitAbandoned);
    EXPECT_FALSE(link.requesting());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(PacedLink, AClientThatGoesBetweenStepsIsReportedOnceAtOnce)
{
    wadapi.up = false;
    link.OnDapiGone();
    EXPECT_TRUE(dialogs.messages.empty()) << "not from inside the library's notice";
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("The chat client has gone away."));
    link.OnDapiGone();
    QCoreApplication::processEvents();
    EXPECT_THROW(link.FetchChat(), LinkDown);
    EXPECT_THROW(link.SendChat(0, {}, QStringLiteral("x")), LinkDown);
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(wadapi.requests, 0);

    // A new link's break is news again; a link the program closed is not.
    ASSERT_EQ(link.InitDDE(), 0);
    wadapi.up = false;
    link.OnDapiGone();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messages.size(), 2u);
    ASSERT_EQ(link.InitDDE(), 0);
    link.Shutdown();
    link.OnDapiGone();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(PacedLink, LongBlocksAreCutAsBefore)
{
    const QString crlf = QStringLiteral("\r\n");
    QString block;
    for (int i = 0; i < 3000; ++i)
        block +=
            QStringLiteral("Bo %1: h\u00e9\r%2").arg(i).arg(i % 97 == 0 ? crlf : QString()) + crlf;
    CopyingCutter before;
    QString mine = link.GetNext(block, crlf), theirs = before.next(block, crlf);
    int pieces = 1;
    for (; !(mine.isEmpty() && theirs.isEmpty() && before.rest.isEmpty()); ++pieces) {
        ASSERT_EQ(mine, theirs) << pieces;
        ASSERT_EQ(link.TokenRest(), before.rest) << pieces;
        mine = link.GetNext({}, crlf);
        theirs = before.next({}, crlf);
    }
    EXPECT_EQ(pieces, 3000 + 31 + 1);
    EXPECT_TRUE(link.TokenRest().isEmpty());
}
