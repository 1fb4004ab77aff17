#include "chat/socketwadapi.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

struct Gone final : WadapiCallbacks
{
    int gone = 0;
    QByteArrayList statuses;
    void OnDapiStatus(const QByteArray &code) override { statuses << code; }
    void OnDapiText(const QByteArray &) override {}
    void OnDapiEvent(const QByteArray &, qint16, const QByteArray &) override {}
    void OnDapiGone() override { ++gone; }
};

} // namespace

TEST(SocketWait, EventsRunWhileAStatusIsAwaitedAndALeavingClientIsToldOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.sock"));
    RoomProcess room;
    ASSERT_TRUE(room.start(path));
    Gone calls;
    SocketWadapi wadapi(path);
    ASSERT_EQ(wadapi.InitDDE(QStringLiteral("orvella"), &calls), 0);

    wadapi.setReplyTimeout(300ms);
    room.type(QStringLiteral("/silent"));
    ASSERT_TRUE(room.waitForLine(QStringLiteral("Queued")));
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    wadapi.DapiGetAllText(QStringLiteral("orvella"));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(calls.statuses.isEmpty());
    wadapi.DapiCommunicate(QStringLiteral("orvella"), 0, {}, "hi");
    EXPECT_EQ(calls.statuses, QByteArrayList({"0"}));

    // Nothing runs when the client drops the link: the program hears at once.
    room.type(QStringLiteral("/drop"));
    EXPECT_TRUE(waitUntil([&] { return calls.gone > 0; }));
    wadapi.DapiGetAllText(QStringLiteral("orvella"));
    waitUntil([] { return false; }, 50);
    EXPECT_EQ(calls.gone, 1);

    // A link the program closes, or one that never came up, is no news.
    ASSERT_EQ(wadapi.InitDDE(QStringLiteral("orvella"), &calls), 0);
    wadapi.KillDDE();
    room.kill();
    EXPECT_NE(wadapi.InitDDE(QStringLiteral("orvella"), &calls), 0);
    EXPECT_EQ(calls.gone, 1);
}
