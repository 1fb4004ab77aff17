#include "room/chatroom.h"
#include "room/roomconsole.h"
#include "room/wadapiserver.h"

#include <gtest/gtest.h>

namespace {

class RoomConsoleTest : public ::testing::Test
{
protected:
    RoomConsoleTest()
    {
        QObject::connect(&console, &RoomConsole::output, [this](const QString &l) { out << l; });
    }

    // What typing one line printed.
    QStringList typed(const QString &line)
    {
        out.clear();
        console.handleLine(line);
        return out;
    }

    ChatRoom room{QStringLiteral("Ann Lee")};
    WadapiServer server{room};
    RoomConsole console{room, server};
    QStringList out;
};

} // namespace

TEST_F(RoomConsoleTest, MessagesEnterTheRoom)
{
    const qint64 start = room.end();
    EXPECT_EQ(typed("esp Ann Lee: \\u00B0"), QStringList({"ESP from Ann Lee: <relax>"}));
    EXPECT_EQ(typed(QString::fromUtf16(u"ESP Bo: ¹")), QStringList({"ESP from Bo: <present>"}));
    EXPECT_EQ(typed("Bo: a: b\r"), QStringList({"Bo: a: b"}));
    EXPECT_EQ(typed("  Cy  :"), QStringList({"Cy: "}));
    EXPECT_TRUE(typed("   ").isEmpty());
    for (const char *bad : {"nonsense", ": x", "esp : x", "Bo:x"})
        EXPECT_TRUE(
            typed(QString::fromUtf8(bad)).value(0).startsWith(QStringLiteral("Not understood")))
            << bad;
    EXPECT_EQ(room.end() - start, 4);
}

TEST_F(RoomConsoleTest, EscapesStandForCharacters)
{
    EXPECT_EQ(RoomConsole::unescaped("\\u00b0\\u0041B"), QString::fromUtf16(u"°AB"));
    EXPECT_EQ(RoomConsole::unescaped("\\\\u00B0"), QString::fromUtf16(u"\\°"));
    for (const char *kept : {"\\u00B", "\\u00G0", "\\u 0B0", "\\x41", "\\"})
        EXPECT_EQ(RoomConsole::unescaped(QString::fromUtf8(kept)), QString::fromUtf8(kept));
}

TEST_F(RoomConsoleTest, CommandsAreAcknowledged)
{
    EXPECT_EQ(typed("/status 6 3"), QStringList({"Queued: status \"6\" for the next 3 requests."}));
    EXPECT_EQ(typed("/status not a number"),
              QStringList({"Queued: status \"not a number\" for the next request."}));
    EXPECT_EQ(typed("/STATUS 10 2000000"),
              QStringList({"Queued: status \"10 2000000\" for the next request."}));
    EXPECT_EQ(typed("/silent 2"), QStringList({"Queued: no answer to the next 2 requests."}));
    for (const char *usage : {"/status", "/silent 0", "/silent -3"})
        EXPECT_TRUE(typed(QString::fromUtf8(usage)).value(0).startsWith(QStringLiteral("Usage")));
    EXPECT_EQ(typed("/drop"), QStringList({"No program connected."}));
    EXPECT_TRUE(typed("/frobnicate").value(0).startsWith(QStringLiteral("Unknown command")));
    EXPECT_EQ(typed("/gestures").size(), 10);

    int quit = 0;
    QObject::connect(&console, &RoomConsole::quitRequested, [&] { ++quit; });
    typed("/quit");
    EXPECT_EQ(quit, 1);
}
