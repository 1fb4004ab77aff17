// The stand-in chat client: holds a chat room on the chat client's socket and
// lets the program's host speak in it; players come from stdin, from the
// scripted cast and from people joining over a local socket or the web page.
#include "chat/wadapi.h"
#include "chatclient/chatroom.h"
#include "chatclient/wadapiserver.h"
#include "room/fdlinereader.h"
#include "room/joinclient.h"
#include "room/moderation.h"
#include "room/peopleserver.h"
#include "room/playerclock.h"
#include "room/playercommands.h"
#include "room/roomconsole.h"
#include "room/roomtext.h"
#include "room/scriptedplayers.h"
#include "room/webroom.h"
#include "transport/frame.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>
#include <random>

namespace {

QString peoplePathBeside(const QString &socketPath)
{
    return QFileInfo(socketPath).dir().filePath(QStringLiteral("orvella-room.sock"));
}

// An argument as a POSIX shell takes it back whole.
QString shellWord(const QString &word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=@%+,-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

// The command that joins this room from another terminal, as this program
// was started: by its path when it was not found on the PATH.
QString joinCommand(const QString &peoplePath)
{
    const bool byPath = QCoreApplication::arguments().value(0).contains(u'/');
    const QString program = byPath ? shellWord(QCoreApplication::applicationFilePath())
                                   : QStringLiteral("orvella-room");
    return program + QStringLiteral(" --join NAME --people ") + shellWord(peoplePath);
}

// The word lists installed with the program, found from its own folder as
// the menu entry's start finds its material, so any prefix and an unpacked
// package work; the build tree links the source's lists into the same place.
QString installedWords()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' +
                           QStringLiteral(ORVELLA_WORDS_FROM_BIN));
}

// A number from the command line within [low, high], or none.
std::optional<double> numberIn(const QString &text, double low, double high)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return v;
}

} // namespace

int main(int argc, char *argv[])
{
    // The room waits on sockets and a terminal only, and every line the
    // program says wakes it: Qt's own event dispatcher does that with less
    // work than GLib's.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvella-room"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVELLA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Holds a chat room for Orvella. Lines typed on standard input play the "
                       "players; /help lists what can be typed. Scripted players fill the room "
                       "with --players; others join from a terminal with --join NAME, or from a "
                       "browser with --web PORT."));
    parser.addHelpOption();
    parser.addVersionOption();
    const auto opt = [](const char *name, const char *help, const char *value = nullptr,
                        const char *def = nullptr) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help),
                                  QString::fromLatin1(value), QString::fromLatin1(def));
    };
    const QCommandLineOption hostOption =
        opt("host", "The host's avatar name (default Host).", "name", "Host");
    const QCommandLineOption socketOption(
        QStringLiteral("socket"),
        QStringLiteral("Listen here instead of at %1.").arg(defaultWadapiSocketPath()),
        QStringLiteral("path"), defaultWadapiSocketPath());
    const QCommandLineOption peopleOption =
        opt("people", "Where people join (default: orvella-room.sock beside the socket).", "path");
    const QCommandLineOption joinOption =
        opt("join", "Join the running room as this person instead of holding one.", "name");
    const QCommandLineOption playersOption = opt("players", "Scripted players (0).", "N", "0");
    const QCommandLineOption seedOption = opt("seed", "Seed of the players' choices.", "N");
    const QCommandLineOption wordsOption(
        QStringLiteral("words"),
        QStringLiteral("A word file or folder whose words the players know (repeatable; "
                       "default the installed word lists, %1).")
            .arg(installedWords()),
        QStringLiteral("path"));
    const QCommandLineOption rightOption =
        opt("right", "How often an answer is the likeliest word, 0 to 1 (0.6).", "P", "0.6");
    const QCommandLineOption lateOption =
        opt("late", "How often an answer comes too late, 0 to 1 (0.15).", "P", "0.15");
    const QCommandLineOption speedOption =
        opt("speed", "How many times faster than people the players are (1).", "F", "1");
    const QCommandLineOption quietOption = opt("quiet-players", "Players do not chat idly.");
    const QCommandLineOption stayOption = opt("stay", "Stay open after the end of standard input.");
    const QCommandLineOption verboseOption = opt("verbose", "Show every frame.");
    const QCommandLineOption webOption = opt(
        "web", "People also join from a browser at [ADDRESS:]PORT (address 127.0.0.1).", "port");
    const QCommandLineOption codeOption =
        opt("code", "The web room's code (5 letters; a new one at each start).", "code");
    const QCommandLineOption certOption =
        opt("cert", "Serve the web page over TLS: PEM certificate.", "file");
    const QCommandLineOption keyOption = opt("key", "The certificate's PEM key.", "file");
    const QCommandLineOption trustProxyOption =
        opt("trust-proxy",
            "A reverse proxy at this address names each web client in its X-Forwarded-For or "
            "Forwarded header, and the per-address limits hold for that client (repeatable).",
            "address");
    const QCommandLineOption originOption =
        opt("origin",
            "A proxy serves the web page at this address too, such as "
            "https://quiz.example.org; its pages may join (repeatable).",
            "url");
    const QCommandLineOption bansOption =
        opt("bans", "Keep the host's bans in this file, so they hold after a restart.", "file");
    parser.addOptions({hostOption,  socketOption, peopleOption,     joinOption,   playersOption,
                       seedOption,  wordsOption,  rightOption,      lateOption,   speedOption,
                       quietOption, stayOption,   verboseOption,    webOption,    codeOption,
                       certOption,  keyOption,    trustProxyOption, originOption, bansOption});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    // A name the shell split ("--host Ann Lee") must not pass unnoticed.
    if (!parser.positionalArguments().isEmpty()) {
        err << "Unexpected argument: " << parser.positionalArguments().first()
            << "\nSee orvella-room --help." << Qt::endl;
        return 2;
    }
    const QString path = parser.value(socketOption);
    const QString peoplePath =
        parser.isSet(peopleOption) ? parser.value(peopleOption) : peoplePathBeside(path);
    if (parser.isSet(joinOption))
        return runJoinClient(peoplePath, parser.value(joinOption));

    const QString host = parser.value(hostOption).trimmed();
    if (host.isEmpty()) {
        err << "The host's name must not be empty." << Qt::endl;
        return 2;
    }
    const std::optional<double> count = numberIn(parser.value(playersOption), 0, 24);
    const std::optional<double> right = numberIn(parser.value(rightOption), 0, 1);
    const std::optional<double> late = numberIn(parser.value(lateOption), 0, 1);
    const std::optional<double> speed = numberIn(parser.value(speedOption), 0.1, 1000);
    const std::optional<double> seed = parser.isSet(seedOption)
                                           ? numberIn(parser.value(seedOption), 0, 4294967295.0)
                                           : std::optional<double>(std::random_device{}());
    if (!count || !right || !late || !speed || !seed) {
        err << "Bad number: --players takes 0 to 24, --right and --late 0 to 1, --speed 0.1 to "
               "1000, --seed 0 to 4294967295."
            << Qt::endl;
        return 2;
    }

    ChatRoom room(host);
    WadapiServer server(room);
    server.setVerbose(parser.isSet(verboseOption));
    RoomConsole console(room, server);
    QObject::connect(&console, &RoomConsole::output, [](const QString &line) {
        // Each chat line passes here; a stream's encoder
        // costs more than the line's own handling.
        const QByteArray bytes = line.toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    });
    QObject::connect(&console, &RoomConsole::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    RoomModeration moderation(room);
    if (parser.isSet(bansOption)) {
        QString error;
        if (!moderation.useBansFile(parser.value(bansOption), &error)) {
            err << error << Qt::endl;
            return 2;
        }
    }

    TimerPlayerClock clock(*speed);
    ScriptedPlayers players(room, clock, static_cast<quint32>(*seed),
                            {*right, *late, !parser.isSet(quietOption)});
    PeopleServer people(room);
    std::unique_ptr<WebRoom> web;
    if (parser.isSet(webOption)) {
        QString error;
        web = openWebRoom(room,
                          {parser.value(webOption), parser.value(codeOption),
                           parser.value(certOption), parser.value(keyOption),
                           parser.values(trustProxyOption), parser.values(originOption)},
                          &error);
        if (!web) {
            err << error << Qt::endl;
            return 2;
        }
        QObject::connect(&web->people, &WebPeople::report, &console, &RoomConsole::output);
        QObject::connect(&web->front, &WebFront::report, &console, &RoomConsole::output);
        web->follow(server);
        web->people.nameTaken = [&](const QString &n) { return players.has(n) || people.has(n); };
    }
    const auto webHas = [&web](const QString &n) { return web && web->people.has(n); };
    // A banned name is taken for good, even by a scripted player.
    players.nameTaken = [&people, webHas, &moderation](const QString &n) {
        return people.has(n) || webHas(n) || !moderation.refusal(n).isEmpty();
    };
    people.nameTaken = [&players, webHas](const QString &n) { return players.has(n) || webHas(n); };
    people.others = [&players, &web] {
        return players.names() + (web ? web->people.names() : QStringList());
    };
    QObject::connect(&people, &PeopleServer::report, &console, &RoomConsole::output);
    // The host's private messages reach the person they are for.
    QObject::connect(&server, &WadapiServer::privateMessage, &people, &PeopleServer::espFromHost);
    addPlayerCommands(console, players, [&people, &web] {
        return people.names() + (web ? web->people.names() : QStringList());
    });

    // The host keeps order through every way into the room, from the
    // program and from this console alike.
    moderation.addDoor({[&players](const QString &n) -> std::optional<RoomMember> {
                            for (const QString &name : players.names()) {
                                if (RoomText::sameName(name, n))
                                    return RoomMember{name, {}, {}};
                            }
                            return std::nullopt;
                        },
                        [&players](const QString &n, const QString &) { players.remove(n); }});
    moderation.addDoor(
        {[&people](const QString &n) { return people.member(n); },
         [&people](const QString &n, const QString &why) { people.remove(n, why); }});
    people.refusal = [&moderation](const QString &n) { return moderation.refusal(n); };
    if (web) {
        WebPeople &pages = web->people;
        moderation.addDoor(
            {[&pages](const QString &n) { return pages.member(n); },
             [&pages](const QString &n, const QString &why) { pages.remove(n, why); }});
        pages.refusal = [&moderation](const QString &n, const QString &t, const QString &a) {
            return moderation.refusal(n, t, a);
        };
    }
    server.setModerator([&moderation](const ModRequest &r, const WadapiServer::ModAnswer &answer) {
        answer(moderation.carryOut(r));
    });
    addModerationCommands(console, moderation, [&server] { return server.hostName(); });

    // Without --words the players know whatever list the host may load.
    QStringList wordLists = parser.values(wordsOption);
    if (wordLists.isEmpty() && QFileInfo(installedWords()).isDir())
        wordLists << installedWords();
    for (const QString &words : wordLists) {
        QString error;
        if (!players.guesses().learn(words, &error)) {
            err << error << Qt::endl;
            return 2;
        }
    }

    if (!server.listen(path)) {
        err << server.errorString() << Qt::endl;
        return 1;
    }
    out << "Room open at " << path << "; the host is " << room.hostName()
        << ". Type /help for commands." << Qt::endl;
    if (wordLists.isEmpty())
        out << "The scripted players know no words: " << installedWords()
            << " holds none; give them word lists with --words." << Qt::endl;
    else
        out << "The scripted players know the words of " << wordLists.join(QStringLiteral(", "))
            << "." << Qt::endl;
    if (people.listen(peoplePath))
        out << "People join from another terminal with: " << joinCommand(peoplePath) << Qt::endl;
    else
        out << "Nobody can join: " << people.errorString() << Qt::endl;
    if (web) {
        for (const QString &line : web->banner())
            out << line << Qt::endl;
    }
    for (int i = 0; i < int(*count); ++i)
        players.add();

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
