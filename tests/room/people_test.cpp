#include "room/chatroom.h"
#include "room/peopleserver.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"

#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A person at a line tool such as nc.
struct Person
{
    QLocalSocket socket;
    QByteArray got;

    Person(const QString &path, const QByteArray &name)
    {
        socket.connectToServer(path);
        EXPECT_TRUE(socket.waitForConnected(3000));
        send(name + '\n');
    }
    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    bool sees(const QString &text)
    {
        return waitUntil([&] {
            got += socket.readAll();
            return QString::fromUtf8(got).contains(text);
        });
    }
    bool dropped()
    {
        return waitUntil([&] {
            got += socket.readAll();
            return socket.state() == QLocalSocket::UnconnectedState;
        });
    }
};

struct PeopleRig
{
    QTemporaryDir dir;
    ChatRoom room{u"Ann Lee"_qs};
    PeopleServer server{room};
    QStringList reports;
    QString path = dir.filePath(u"people.sock"_qs);

    PeopleRig()
    {
        QObject::connect(&server, &PeopleServer::report,
                         [this](const QString &l) { reports << l; });
        server.nameTaken = [](const QString &n) { return n == u"Levi"_qs; };
        EXPECT_TRUE(server.listen(path));
    }
    bool roomHas(const QString &line)
    {
        return waitUntil([&] { return room.textSince(0).split(u"\r\n"_qs).contains(line); });
    }
};

} // namespace

TEST(PeopleServer, JoinTalkEspAndLeave)
{
    PeopleRig r;
    Person bo(r.path, "Bo Reed");
    ASSERT_TRUE(bo.sees(u"* You are in the room as Bo Reed."_qs));
    EXPECT_TRUE(bo.sees(u"Welcome to the room!"_qs)) << "the recent lines";
    Person cy(r.path, "Cy");
    ASSERT_TRUE(r.roomHas(u"Cy has entered the room."_qs));

    // Controls go, a tab is a space, what Windows-1252 lacks is a '?'.
    bo.send("hello\tthere\x01 \xE2\x82\xAC \xE4\xB8\xAD\r\n/esp \xC2\xB0\n");
    EXPECT_TRUE(cy.sees(QString::fromUtf16(u"Bo Reed: hello there \u20AC ?\n")));
    EXPECT_TRUE(r.roomHas(u"ESP from Bo Reed: <relax>"_qs));
    EXPECT_TRUE(bo.sees(u"ESP to Ann Lee: <relax>"_qs));
    r.server.espFromHost(u"Bo Reed"_qs, u"You are registered"_qs);
    EXPECT_TRUE(bo.sees(u"ESP from Ann Lee: You are registered"_qs));
    cy.send("/who\n");
    EXPECT_TRUE(cy.sees(u"* In the room: Ann Lee (host), Bo Reed, Cy"_qs));
    EXPECT_FALSE(QString::fromUtf8(cy.got).contains(u"ESP"_qs)) << "others' ESPs stay private";

    bo.send("/quit\n");
    EXPECT_TRUE(bo.dropped());
    EXPECT_TRUE(bo.sees(u"* Goodbye."_qs));
    EXPECT_TRUE(r.roomHas(u"Bo Reed has left the room."_qs));
    EXPECT_TRUE(r.reports.contains(u"Bo Reed left."_qs));
}

TEST(PeopleServer, TurnsAwayTakenNamesAndDropsMisbehavingClients)
{
    PeopleRig r;
    Person cy(r.path, "Cy");
    ASSERT_TRUE(cy.sees(u"as Cy."_qs));
    for (const char *name : {"ann lee", "cY", "Levi", "Bad:name", "\x07"}) {
        Person p(r.path, name);
        EXPECT_TRUE(p.dropped()) << name;
        EXPECT_TRUE(QString::fromUtf8(p.got).contains(u"Goodbye."_qs)) << name;
    }

    Person flood(r.path, "Flo");
    flood.send(QByteArray("spam\n").repeated(50));
    EXPECT_TRUE(flood.dropped());
    EXPECT_LE(r.room.textSince(0).count(u"Flo: spam"_qs), PeopleServer::Burst);
    Person endless(r.path, "Lou");
    endless.send(QByteArray(PeopleServer::MaxRawLine + 10, 'x'));
    EXPECT_TRUE(endless.dropped());
    EXPECT_FALSE(r.room.textSince(0).contains(u"Lou: xxx"_qs));
    EXPECT_TRUE(r.reports.filter(u"flooded"_qs).size() == 1 &&
                r.reports.filter(u"more than 8192 bytes"_qs).size() == 1)
        << r.reports.join(u'\n').toStdString();

    cy.send("still here\n");
    EXPECT_TRUE(r.roomHas(u"Cy: still here"_qs)) << "the room goes on";
}

TEST(RoomExe, ScriptedPlayersAndAPersonFromAnotherTerminal)
{
    QTemporaryDir dir;
    RoomProcess room;
    ASSERT_TRUE(room.start(dir.filePath(u"w.sock"_qs),
                           {u"--players"_qs, u"2"_qs, u"--seed"_qs, u"9"_qs, u"--speed"_qs,
                            u"50"_qs, u"--host"_qs, u"Ann Lee"_qs}));
    ASSERT_TRUE(room.waitForLine(
        u"People join from another terminal with: orvella-room --join NAME --people"_qs));
    EXPECT_TRUE(room.waitForLine(u"has entered the room."_qs));
    room.type(u"Ann Lee: ESP a $ to Ann Lee to register."_qs);
    EXPECT_TRUE(room.waitForLine(u": $"_qs));

    QProcess bo;
    bo.setProcessChannelMode(QProcess::MergedChannels);
    bo.start(RoomProcess::program(),
             {u"--join"_qs, u"Bo Reed"_qs, u"--socket"_qs, dir.filePath(u"w.sock"_qs)});
    ASSERT_TRUE(room.waitForLine(u"Bo Reed joined."_qs));
    bo.write("hi all\n");
    bo.waitForBytesWritten(5000);
    EXPECT_TRUE(room.waitForLine(u"Bo Reed: hi all"_qs));
    room.type(u"/players"_qs);
    EXPECT_TRUE(room.waitForLine(u"People: Bo Reed"_qs));
    bo.closeWriteChannel();
    EXPECT_TRUE(room.waitForLine(u"Bo Reed left."_qs));
    EXPECT_TRUE(bo.waitForFinished(5000));
    EXPECT_TRUE(bo.readAll().contains("Ann Lee: ESP a $ to Ann Lee to register."));
}
