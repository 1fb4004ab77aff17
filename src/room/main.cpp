// The stand-in chat client: holds a chat room on the chat client's socket and
// lets the program's host speak in it; players and faults come from stdin.
#include "chat/frame.h"
#include "room/chatroom.h"
#include "room/fdlinereader.h"
#include "room/roomconsole.h"
#include "room/wadapiserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvella-room"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Holds a chat room for Orvella. Lines typed on standard input play the "
                       "players; /help lists what can be typed."));
    parser.addHelpOption();
    const QCommandLineOption hostOption(QStringLiteral("host"),
                                        QStringLiteral("The host's avatar name (default Host)."),
                                        QStringLiteral("name"), QStringLiteral("Host"));
    const QCommandLineOption socketOption(
        QStringLiteral("socket"),
        QStringLiteral("Listen here instead of at %1.").arg(defaultWadapiSocketPath()),
        QStringLiteral("path"), defaultWadapiSocketPath());
    const QCommandLineOption stayOption(
        QStringLiteral("stay"), QStringLiteral("Stay open after the end of standard input."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Show every frame."));
    parser.addOptions({hostOption, socketOption, stayOption, verboseOption});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString host = parser.value(hostOption).trimmed();
    if (host.isEmpty()) {
        err << "The host's name must not be empty." << Qt::endl;
        return 2;
    }

    ChatRoom room(host);
    WadapiServer server(room);
    server.setVerbose(parser.isSet(verboseOption));
    RoomConsole console(room, server);
    QObject::connect(&console, &RoomConsole::output,
                     [&out](const QString &line) { out << line << Qt::endl; });
    QObject::connect(&console, &RoomConsole::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    const QString path = parser.value(socketOption);
    if (!server.listen(path)) {
        err << server.errorString() << Qt::endl;
        return 1;
    }
    out << "Room open at " << path << "; the host is " << room.hostName()
        << ". Type /help for commands." << Qt::endl;

    FdLineReader input(0);
    QObject::connect(&input, &FdLineReader::lineRead, &console, &RoomConsole::handleLine);
    const bool stay = parser.isSet(stayOption);
    QObject::connect(&input, &FdLineReader::finished, [&] {
        if (stay) {
            out << "End of input; the room stays open." << Qt::endl;
        } else {
            out << "End of input; closing the room." << Qt::endl;
            QCoreApplication::quit();
        }
    });

    return app.exec();
}
