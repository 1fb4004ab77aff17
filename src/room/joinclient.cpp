#include "room/joinclient.h"

#include "room/fdlinereader.h"
#include "room/peopleserver.h"
#include "transport/socketwadapi.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTextStream>

int runJoinClient(const QString &peoplePath, const QString &name)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QLocalSocket socket;
    socket.connectToServer(peoplePath);
    if (!socket.waitForConnected(3000)) {
        err << "No room to join at " << peoplePath << " (" << socket.errorString()
            << "). Is orvella-room running?" << Qt::endl;
        return 1;
    }
    if (const QString foreign = foreignPeer(socket.socketDescriptor()); !foreign.isEmpty()) {
        err << "Not joining at " << peoplePath << ": " << foreign << "; it is not this user's room."
            << Qt::endl;
        return 1;
    }
    socket.write(name.toUtf8() + '\n');

    QByteArray pending;
    QObject::connect(&socket, &QLocalSocket::readyRead, [&] {
        pending += socket.readAll();
        for (qsizetype lf; (lf = pending.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(pending.left(lf));
            pending.remove(0, lf + 1);
            // The name went with the connection.
            if (line != PeopleServer::NamePrompt)
                out << line << Qt::endl;
        }
    });
    QObject::connect(&socket, &QLocalSocket::disconnected, [&] {
        out << "* The room closed the connection." << Qt::endl;
        QCoreApplication::quit();
    });

    FdLineReader input(0);
    QObject::connect(&input, &FdLineReader::lineRead, [&](const QString &line) {
        socket.write(line.toUtf8() + '\n');
        socket.flush();
    });
    QObject::connect(&input, &FdLineReader::finished, [&] {
        socket.write("/quit\n");
        socket.flush();
    });
    return QCoreApplication::exec();
}
