#include "room/chatroom.h"

#include <gtest/gtest.h>

TEST(ChatRoom, LinesTakeTheClientsShapes)
{
    const QStringList tags = {"<relax>", "<sigh>",  "<frown>", "<grin>",  "<jump>",
                              "<wave>",  "<react>", "<bow>",   "<shrug>", "<present>"};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(ChatRoom::shown(QString(QChar(0xB0 + i))), tags[i]);
    for (const char16_t *kept : {u"°°", u"° ", u"º", u"¯", u""})
        EXPECT_EQ(ChatRoom::shown(QString::fromUtf16(kept)), QString::fromUtf16(kept));

    ChatRoom room(QStringLiteral("Ann Lee"));
    const qint64 start = room.end();
    room.say(QStringLiteral("Bo"), QStringLiteral("hi"));
    room.espToHost(QStringLiteral("Cy Lee"), QString(QChar(0xB0)));
    room.notice(QString());
    // A line break inside a message must not make a line of its own.
    room.say(QStringLiteral("Bo\t"), QString::fromUtf16(u"a\r\nAnn Lee: fake\0", 17));
    EXPECT_EQ(room.textSince(start), QStringLiteral("Bo: hi\r\nESP from Cy Lee: <relax>\r\n\r\n"
                                                    "Bo : a  Ann Lee: fake "));
    EXPECT_EQ(room.textSince(room.end() - 1), QStringLiteral("Bo : a  Ann Lee: fake "));
    EXPECT_EQ(room.textSince(room.end()), QString());
}

TEST(ChatRoom, ANewReaderSeesTheGreetingOrTheRecentLines)
{
    ChatRoom young(QStringLiteral("Host"));
    EXPECT_EQ(young.recentStart(), 0);
    EXPECT_GE(young.textSince(0).size(), 40);

    ChatRoom busy(QStringLiteral("Host"));
    for (int i = 0; i < 100; ++i)
        busy.say(QStringLiteral("Player%1").arg(i), QStringLiteral("hello everybody"));
    EXPECT_EQ(busy.recentStart(), busy.end() - ChatRoom::RecentLines);

    ChatRoom terse(QStringLiteral("Host"));
    for (int i = 0; i < 100; ++i)
        terse.say(QStringLiteral("A"), QString());
    EXPECT_GE(terse.textSince(terse.recentStart()).size(), 40);
}

TEST(ChatRoom, OldLinesGoWhenTheBacklogIsFull)
{
    ChatRoom room(QStringLiteral("Host"));
    for (int i = 0; i < 300; ++i)
        room.say(QStringLiteral("P%1").arg(i), QString(ChatRoom::MaxLineLength, u'x'));
    room.say(QStringLiteral("Bo"), QStringLiteral("last"));

    EXPECT_EQ(room.end(), 2 + 301);
    const QString all = room.textSince(0);
    EXPECT_LE(all.size(), ChatRoom::MaxBacklog + 2 * 300);
    EXPECT_EQ(all.section(QStringLiteral("\r\n"), 0, 0).size(), ChatRoom::MaxLineLength);
    EXPECT_TRUE(all.endsWith(QStringLiteral("\r\nBo: last")));
    EXPECT_EQ(room.textSince(1), all) << "a reader that fell behind gets what is left";
}
