#include "chatclient/chatroom.h"
#include "room/moderation.h"
#include "room/peopleserver.h"
#include "support/fakechat.h"
#include "support/roomprocess.h"
#include "support/waituntil.h"
#include "transport/socketwadapi.h"

#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// A person at a line tool such as nc.
struct Person
{
    QLocalSocket socket;
    QString got;

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
    bool sees(const QString &text, bool dropped = false)
    {
        return waitUntil([&] {
            got += QString::fromUtf8(socket.readAll());
            return got.contains(text) &&
                   (!dropped || socket.state() == QLocalSocket::UnconnectedState);
        });
    }
};

} // namespace

TEST(PeopleServer, PeopleJoinTalkAndLeaveAndWhoMisbehavesOrNeverReadsIsDropped)
{
    // A people socket over a room of its own, its console lines kept.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"people.sock"_qs);
    ChatRoom room{u"Ann Lee"_qs};
    PeopleServer server{room};
    QStringList reports;
    QObject::connect(&server, &PeopleServer::report, [&](const QString &l) { reports << l; });
    server.nameTaken = [](const QString &n) { return n == u"Levi"_qs; };
    ASSERT_TRUE(server.listen(path));
    const auto roomHas = [&](const QString &line) {
        return waitUntil([&] { return room.textSince(0).split(u"\r\n"_qs).contains(line); });
    };

    Person bo(path, "Bo Reed");
    ASSERT_TRUE(bo.sees(u"Welcome to the room!"_qs)) << "the recent lines";
    Person cy(path, "Cy");
    ASSERT_TRUE(cy.sees(u"You are in the room as Cy"_qs));
    // Controls go, a tab is a space, what Windows-1252 lacks is a '?'.
    bo.send("hello\tthere\x01 \xE2\x82\xAC \xE4\xB8\xAD\r\n/esp \xC2\xB0\n");
    EXPECT_TRUE(cy.sees(QString::fromUtf16(u"Bo Reed: hello there \u20AC ?\n")));
    EXPECT_TRUE(roomHas(u"ESP from Bo Reed: <relax>"_qs));
    cy.send("/who\n");
    EXPECT_TRUE(cy.sees(u"* In the room: Ann Lee (host), Bo Reed, Cy"_qs));
    EXPECT_FALSE(cy.got.contains(u"ESP"_qs)) << "others' ESPs stay private";
    bo.send("/quit\n");
    EXPECT_TRUE(bo.sees(u"* Goodbye."_qs, true));

    for (const char *name : {"ann lee", "cY", "Levi", "Bad:name", "\x07", "A23456789012345678901",
                             "ESP from Cy", "*** Cy", "/who", "Ho\xC2\xADst", "Bo\xC2\xA0Reed"}) {
        Person p(path, name);
        EXPECT_TRUE(p.sees(u"Goodbye."_qs, true)) << name;
    }
    // A name that only looks like the host's is the host's.
    Person twin(path, "ANN  1ee");
    EXPECT_TRUE(twin.sees(u"* The name ANN  1ee is taken. Goodbye."_qs, true));
    Person flood(path, "Flo");
    flood.send(QByteArray("spam\n").repeated(50));
    EXPECT_TRUE(flood.sees({}, true));
    EXPECT_LE(room.textSince(0).count(u"Flo: spam"_qs), PeopleServer::Burst);
    Person endless(path, "Lou");
    endless.send(QByteArray(PeopleServer::MaxRawLine + 10, 'x'));
    EXPECT_TRUE(endless.sees({}, true));
    EXPECT_FALSE(room.textSince(0).contains(u"Lou: xxx"_qs));
    EXPECT_EQ(reports.filter(u"flooded"_qs).size(), 1) << reports.join(u'\n').toStdString();
    EXPECT_EQ(reports.filter(u"more than 8192 bytes"_qs).size(), 1);
    cy.send("still here\n");
    EXPECT_TRUE(roomHas(u"Cy: still here"_qs)) << "the room goes on";

    // What one Bob sent or received stays with him, the room's recent lines
    // go to the newcomer alone, and people who never read are dropped and
    // leave nothing behind.
    const auto sockets = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return server.findChildren<QLocalSocket *>().size();
    };
    {
        Person bob(path, "Bob");
        bob.send("/esp my secret answer is maple\n");
        ASSERT_TRUE(bob.sees(u"ESP to Ann Lee: my secret answer is maple"_qs));
        bob.send("/quit\n");
        ASSERT_TRUE(bob.sees(u"Goodbye."_qs, true));
    }
    Person bob(path, "Bob");
    bob.send("back\n");
    ASSERT_TRUE(cy.sees(u"Bob: back"_qs));
    bob.send("/who\n");
    ASSERT_TRUE(bob.sees(u"* In the room"_qs));
    EXPECT_FALSE(bob.got.contains(u"maple"_qs) || bob.got.contains(u"Bob: back"_qs))
        << bob.got.toStdString();
    EXPECT_EQ(cy.got.count(u"Welcome to the room!"_qs), 1) << "no replay to those present";

    // Raw sockets: a QLocalSocket would read for them.
    std::vector<int> idle;
    for (int i = 0; i < 3; ++i) {
        idle.push_back(connectTo(QFile::encodeName(path)));
        const QByteArray name = "Idle" + QByteArray::number(i) + '\n';
        ASSERT_EQ(::write(idle.back(), name.constData(), name.size()), name.size());
    }
    ASSERT_TRUE(waitUntil([&] { return server.names().size() == 5; }));
    const QString big(ChatRoom::MaxLineLength - 10, u'x');
    for (int i = 0; i < 1000 && reports.filter(u"did not read"_qs).size() < 3; ++i) {
        room.say(u"Cy"_qs, big);
        QCoreApplication::processEvents();
        cy.socket.readAll();
        bob.socket.readAll();
    }
    EXPECT_EQ(reports.filter(u"did not read what the room sent; dropped."_qs).size(), 3)
        << reports.join(u'\n').toStdString();
    EXPECT_EQ(server.names(), (QStringList{u"Cy"_qs, u"Bob"_qs}));
    EXPECT_TRUE(waitUntil([&] { return sockets() == 2; })) << "the dropped sockets are freed";
    for (const int fd : idle)
        ::close(fd);
    cy.send("/quit\n");
    bob.send("/quit\n");
    EXPECT_TRUE(waitUntil([&] { return sockets() == 0; }));
}

// People at a terminal obey the host: a muted person's lines reach their own
// terminal alone, a kicked one is told, a banned one stays out.
TEST(PeopleServer, TheHostMutesKicksAndBansPeople)
{
    QTemporaryDir dir;
    ChatRoom room{u"Ann Lee"_qs};
    PeopleServer server{room};
    RoomModeration mod(room);
    mod.addDoor({[&](const QString &n) { return server.member(n); },
                 [&](const QString &n, const QString &why) { server.remove(n, why); }});
    server.refusal = [&](const QString &n) { return mod.refusal(n); };
    ASSERT_TRUE(server.listen(dir.filePath(u"p"_qs)));
    Person bo(dir.filePath(u"p"_qs), "Bo"), cy(dir.filePath(u"p"_qs), "Cy");
    ASSERT_TRUE(bo.sees(u"in the room as Bo"_qs) && cy.sees(u"in the room as Cy"_qs));
    ASSERT_TRUE(mod.carryOut({ModAction::Mute, u"Bo"_qs, 5, {}}).done);
    bo.send("/esp psst\n/wave\n");
    EXPECT_TRUE(bo.sees(u"ESP to Ann Lee: psst\nBo: <wave>"_qs));
    EXPECT_FALSE(room.textSince(0).contains(u"Bo: "_qs) || room.textSince(0).contains(u"psst"_qs));
    EXPECT_TRUE(mod.carryOut({ModAction::Kick, u"cy"_qs, 0, {}}).done);
    EXPECT_TRUE(cy.sees(u"* Cy was removed from the room by the host.\n"_qs, true));
    EXPECT_TRUE(mod.carryOut({ModAction::Ban, u"Bo"_qs, 0, {}}).done);
    EXPECT_TRUE(Person(dir.filePath(u"p"_qs), "BO").sees(u"* The host has banned you"_qs, true));
}

// A person joins the room program from another terminal with the command it
// prints, run as printed, and sees each line once. The host's private
// message reaches the person it names and no other, whatever the names hold:
// a gesture's character, which the console shows as its tag, or ": ", which
// the console's line also holds after the name. Neither socket of the room
// takes a peer of another user, even when its file lets anyone in.
TEST(RoomExe, APersonJoinsFromAnotherTerminalAndPeersOfAnotherUserAreTurnedAway)
{
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFileDevice::Permissions::fromInt(0x7777));
    const QString people = dir.filePath(u"orvella-room.sock"_qs);
    RoomProcess room;
    ASSERT_TRUE(room.start(dir.filePath(u"w.sock"_qs), {u"--host"_qs, u"Ann Lee"_qs}));
    QString join;
    ASSERT_TRUE(room.waitForLine(u"People join from another terminal with: "_qs, 30000, &join));
    join = join.section(u": "_qs, 1);
    EXPECT_EQ(join, RoomProcess::program() + u" --join NAME --people "_qs + people);
    room.type(u"Ann Lee: hello"_qs);
    QProcess bo;
    bo.start(u"/bin/sh"_qs, {u"-c"_qs, join.replace(u"NAME"_qs, u"'Bo Reed'"_qs)});
    ASSERT_TRUE(room.waitForLine(u"Bo Reed has entered the room."_qs));
    bo.write("hi all\n/wave\n/me waves back\n/me bows\n");
    bo.waitForBytesWritten(5000);
    for (const QString &line : {u"Bo Reed: hi all"_qs, u"Bo Reed: <wave>"_qs,
                                u"Bo Reed: /me waves back"_qs, u"Bo Reed: <bow>"_qs})
        EXPECT_TRUE(room.waitForLine(line));
    bo.closeWriteChannel();
    EXPECT_TRUE(room.waitForLine(u"Bo Reed has left the room."_qs));
    EXPECT_TRUE(bo.waitForFinished(5000));
    const QByteArray seen = bo.readAll();
    EXPECT_FALSE(seen.contains("What is your name")) << "the name went with the command";
    EXPECT_FALSE(seen.contains("hi all")) << "the terminal showed it as typed";
    EXPECT_EQ(seen.count("Ann Lee: hello"), 1);
    EXPECT_TRUE(seen.contains("Bo Reed: <wave>"));

    Person degree(people, "\xC2\xB0");
    ASSERT_TRUE(room.waitForLine(u"\u00b0 has entered the room."_qs));
    RecordedCalls calls;
    SocketWadapi program(dir.filePath(u"w.sock"_qs));
    ASSERT_EQ(program.InitDDE(u"orvella"_qs, &calls), 0);
    program.DapiCommunicate(u"orvella"_qs, 2, "\xB0: x", "not yours");
    program.DapiCommunicate(u"orvella"_qs, 2, "\xB0", "You are registered: welcome");
    EXPECT_TRUE(degree.sees(u"ESP from Ann Lee: You are registered: welcome"_qs));
    EXPECT_FALSE(degree.got.contains(u"not yours"_qs)) << degree.got.toStdString();

    const QByteArray sockets[] = {QFile::encodeName(dir.filePath(u"w.sock"_qs)),
                                  QFile::encodeName(people)};
    for (const QByteArray &s : sockets)
        QFile::setPermissions(QFile::decodeName(s), QFileDevice::Permissions::fromInt(0x7777));
    QString why;
    const pid_t child = forkAsNobody(
        [&sockets] {
            for (const QByteArray &s : sockets) {
                const int fd = connectTo(s);
                QByteArray got;
                if (fd < 0 || !readToEnd(fd, &got) || got.contains("Welcome"))
                    return 2;
            }
            return 0;
        },
        &why);
    if (!child)
        GTEST_SKIP() << why.toStdString();
    EXPECT_TRUE(room.waitForLine(
        u"A program tried to connect; turned away: the other end runs as another user"_qs));
    EXPECT_TRUE(
        room.waitForLine(u"A client was turned away: the other end runs as another user"_qs));
    EXPECT_EQ(reapChild(child), 0) << "both hung up on it at once";
}
