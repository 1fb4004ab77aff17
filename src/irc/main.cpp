// Orvella's chat client for IRC: holds the chat client's socket for the
// program and speaks for its host in one channel of an IRC network.
#include "chat/protocol.h"
#include "chatclient/chatroom.h"
#include "chatclient/wadapiserver.h"
#include "irc/ircclient.h"
#include "irc/ircoptions.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QTextStream>

#include <csignal>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvella-irc"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVELLA_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QHash<QString, QString> environment;
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &key : env.keys())
        environment.insert(key, env.value(key));
    QString error, help;
    const std::optional<IrcOptions> options =
        IrcOptions::parse(app.arguments(), environment, &error, &help);
    IrcOptions::blankSecrets(argc, argv);
    if (!options) {
        (help.isEmpty() ? err : out) << (help.isEmpty() ? error : help) << Qt::endl;
        return help.isEmpty() ? 2 : 0;
    }

    ChatRoom room(options->settings.name);
    WadapiServer server(room);
    server.setVerbose(options->verbose);
    IrcClient client(options->settings, room, IrcClock::system());
    client.setProgramLinked([&server] { return server.hasProgram(); });
    server.setCommunicator([&client](qint16 mode, const QString &target, const QString &text) {
        return client.communicate(mode, target, text);
    });
    server.setModerator([&client](const ModRequest &request, WadapiServer::ModAnswer answer) {
        client.moderate(request, std::move(answer));
    });
    QObject::connect(&client, &IrcClient::hostLinesWaiting, &server, &WadapiServer::holdText);
    QObject::connect(&client, &IrcClient::unsaid, &server, [&server](int lines) {
        server.sendEvent(ClientEvent::Unsaid, qint16(lines), {});
    });
    QObject::connect(&client, &IrcClient::shownAs, &server, &WadapiServer::setHostName);
    QObject::connect(&server, &WadapiServer::gameStatus, &client, &IrcClient::showStatus);
    auto print = [&out](const QString &line) { out << line << Qt::endl; };
    QObject::connect(&server, &WadapiServer::report, print);
    QObject::connect(&client, &IrcClient::report, print);
    // The host sees the room as the program reads it.
    QObject::connect(&room, &ChatRoom::lineAdded,
                     [&out](const QString &line) { out << "| " << line << Qt::endl; });
    QObject::connect(&client, &IrcClient::fatal, [&](const QString &why) {
        err << why << Qt::endl;
        QCoreApplication::exit(1);
    });

    if (!server.listen(options->socketPath)) {
        err << server.errorString() << Qt::endl;
        return 1;
    }
    out << "Listening for Orvella at " << options->socketPath << "." << Qt::endl;
    // From the event loop, so that a fault at the start can end it.
    QMetaObject::invokeMethod(&client, &IrcClient::start, Qt::QueuedConnection);
    return app.exec();
}
