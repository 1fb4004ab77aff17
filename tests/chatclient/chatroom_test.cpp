#include "chatclient/chatroom.h"

#include <gtest/gtest.h>

TEST(ChatRoom, LinesTakeTheClientsShapesAndOldOnesGoWhenTheBacklogIsFull)
{
    ChatRoom room(u"Ann Lee"_qs);
    const qint64 start = room.end();
    room.espToHost(u"Cy Lee"_qs, QString(QChar(0xB0)));
    // A line break inside a message must not make a line of its own.
    room.say(u"Bo\t"_qs, QString::fromUtf16(u"a\r\nAnn Lee: fake\0", 17));
    EXPECT_EQ(room.textSince(start), u"ESP from Cy Lee: <relax>\r\nBo : a  Ann Lee: fake "_qs);
    EXPECT_EQ(room.textSince(room.end()), QString());
    EXPECT_GE(room.textSince(room.recentStart()).size(), 40) << "the greeting";
    for (int i = 0; i < 100; ++i)
        room.say(u"A"_qs, QString());
    EXPECT_GE(room.textSince(room.recentStart()).size(), 40) << "short lines: more of them";
    for (int i = 0; i < 300; ++i)
        room.say(u"P%1"_qs.arg(i), QString(ChatRoom::MaxLineLength, u'x'));
    EXPECT_EQ(room.recentStart(), room.end() - ChatRoom::RecentLines);
    room.say(u"Bo"_qs, u"last"_qs);
    const QString all = room.textSince(0);
    EXPECT_LE(all.size(), ChatRoom::MaxBacklog + 2 * 300);
    EXPECT_EQ(all.section(u"\r\n"_qs, 0, 0).size(), ChatRoom::MaxLineLength);
    EXPECT_TRUE(all.endsWith(u"\r\nBo: last"_qs));
    EXPECT_EQ(room.textSince(1), all) << "a reader that fell behind gets what is left";
}
