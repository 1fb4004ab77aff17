#include "room/chatroom.h"
#include "room/fdlinereader.h"
#include "room/roomconsole.h"
#include "room/wadapiserver.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

TEST(ChatRoom, LinesTakeTheClientsShapesAndOldOnesGoWhenTheBacklogIsFull)
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
    EXPECT_EQ(room.textSince(room.end()), QString());
    EXPECT_EQ(room.recentStart(), 0);
    EXPECT_GE(room.textSince(0).size(), 40) << "the greeting";
    for (int i = 0; i < 100; ++i)
        room.say(QStringLiteral("A"), QString());
    EXPECT_GE(room.textSince(room.recentStart()).size(), 40) << "short lines: more of them";
    for (int i = 0; i < 300; ++i)
        room.say(QStringLiteral("P%1").arg(i), QString(ChatRoom::MaxLineLength, u'x'));
    EXPECT_EQ(room.recentStart(), room.end() - ChatRoom::RecentLines);
    room.say(QStringLiteral("Bo"), QStringLiteral("last"));

    EXPECT_EQ(room.end(), 2 + 4 + 100 + 301);
    const QString all = room.textSince(0);
    EXPECT_LE(all.size(), ChatRoom::MaxBacklog + 2 * 300);
    EXPECT_EQ(all.section(QStringLiteral("\r\n"), 0, 0).size(), ChatRoom::MaxLineLength);
    EXPECT_TRUE(all.endsWith(QStringLiteral("\r\nBo: last")));
    EXPECT_EQ(room.textSince(1), all) << "a reader that fell behind gets what is left";
}

TEST(RoomConsole, MessagesEscapesAndCommands)
{
    ChatRoom room{QStringLiteral("Ann Lee")};
    WadapiServer server{room};
    RoomConsole console{room, server};
    QStringList out;
    QObject::connect(&console, &RoomConsole::output, [&](const QString &l) { out << l; });
    const auto typed = [&](const QString &line) {
        out.clear();
        console.handleLine(line);
        return out;
    };

    const qint64 start = room.end();
    EXPECT_EQ(typed("esp Ann Lee: \\u00B0"), QStringList({"ESP from Ann Lee: <relax>"}));
    EXPECT_EQ(typed(QString::fromUtf16(u"ESP Bo: ¹")), QStringList({"ESP from Bo: <present>"}));
    EXPECT_EQ(typed("Bo: a: b\r"), QStringList({"Bo: a: b"}));
    EXPECT_EQ(typed("  Cy  :"), QStringList({"Cy: "}));
    EXPECT_TRUE(typed("   ").isEmpty());
    for (const char *bad : {"nonsense", ": x", "esp : x", "Bo:x"})
        EXPECT_TRUE(typed(bad).value(0).startsWith(QStringLiteral("Not understood"))) << bad;
    EXPECT_EQ(room.end() - start, 4);

    EXPECT_EQ(RoomConsole::unescaped("\\u00G0\\u 0B0\\u00B"), u"\\u00G0\\u 0B0\\u00B");

    EXPECT_EQ(typed("/status 6 3"), QStringList({"Queued: status \"6\" for the next 3 requests."}));
    EXPECT_EQ(typed("/STATUS 10 2000000"),
              QStringList({"Queued: status \"10 2000000\" for the next request."}));
    EXPECT_TRUE(typed("/silent 0").value(0).startsWith(QStringLiteral("Usage")));
}

TEST(FdLineReader, TakesSplitCharactersAndCutsOverlongLines)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_GE(::fcntl(fds[1], F_SETPIPE_SZ, 1 << 18), 0) << "all input fits at once";
    // A character split across two reads of 4096 bytes, a line longer than allowed.
    const QByteArray in = "Bo: hi\r\n" + QByteArray(4087, 'y') + "\xC2\xB0\n" +
                          QByteArray(FdLineReader::MaxLineLength + 5000, 'x') + "\nlast";
    ASSERT_EQ(::write(fds[1], in.constData(), in.size()), in.size());
    ::close(fds[1]);
    QStringList lines;
    bool finished = false;
    {
        FdLineReader reader(fds[0]);
        QObject::connect(&reader, &FdLineReader::lineRead, [&](const QString &l) { lines << l; });
        QObject::connect(&reader, &FdLineReader::finished, [&] { finished = true; });
        EXPECT_TRUE(waitUntil([&] { return finished; }));
    }
    ::close(fds[0]);
    EXPECT_EQ(lines, QStringList({"Bo: hi", QString(4087, u'y') + QChar(0xB0),
                                  QString(FdLineReader::MaxLineLength, u'x'), "last"}));
}

TEST(RoomExe, ClosesAtTheEndUnlessToldToStayAndGuardsItsSocket)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.sock"));
    for (bool quit : {false, true}) {
        RoomProcess room;
        ASSERT_TRUE(room.start(path));
        if (quit)
            room.type(QStringLiteral("/quit"));
        else
            room.closeInput();
        EXPECT_EQ(room.waitForExit(), 0);
        EXPECT_FALSE(QFile::exists(path));
    }

    RoomProcess stays;
    ASSERT_TRUE(stays.start(path, {QStringLiteral("--stay")}));
    stays.closeInput();
    ASSERT_TRUE(stays.waitForLine(QStringLiteral("the room stays open")));
    RoomProcess second;
    EXPECT_FALSE(second.start(path)) << "a live client keeps its socket";
    EXPECT_EQ(second.waitForExit(), 1);

    // A killed client leaves its socket behind, for the next one to take over.
    stays.kill();
    ASSERT_TRUE(QFile::exists(path));
    RoomProcess third;
    EXPECT_TRUE(third.start(path));

    QFile file(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("precious");
    file.close();
    RoomProcess fourth;
    EXPECT_FALSE(fourth.start(file.fileName()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "precious");
}
