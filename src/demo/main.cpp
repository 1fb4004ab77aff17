// A whole demo game without a person: the real main window, clicked in a
// host's order, against the stand-in room with scripted players.
#include "app/runprogram.h"
#include "demo/demodriver.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays whole games of Orvella by itself: starts the room with scripted players and "
        "clicks the main window's buttons as a host would."));
    parser.addHelpOption();
    const auto opt = [](const char *name, const char *help, const char *value, const char *def) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help),
                                  QString::fromLatin1(value), QString::fromLatin1(def));
    };
    const QCommandLineOption wordsOption =
        opt("words", "The word file to play (default: a list of two words).", "file", "");
    const QCommandLineOption playersOption = opt("players", "Scripted players (4).", "N", "4");
    const QCommandLineOption seedOption = opt(
        "seed", "Seed of the draws and players (5: a game with a miss and a countdown).", "N", "5");
    const QCommandLineOption speedOption =
        opt("speed", "How many times faster than a person (1).", "F", "1");
    const QCommandLineOption gamesOption =
        opt("games",
            "Whole games to play one after the other (1 to 1000; 1). Each new game opens "
            "a new main window, as the host starts Orvella again, in this one process "
            "against the same room; each game's end tells the process's resident memory "
            "and open descriptors.",
            "N", "1");
    const QCommandLineOption roomOption =
        opt("room", "The stand-in room's executable (default: beside this one).", "path", "");
    parser.addOptions(
        {wordsOption, playersOption, seedOption, speedOption, gamesOption, roomOption});
    // Help, and a mistake in the options or their numbers, are told without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments) || parser.isSet(QStringLiteral("help")) ||
        parser.isSet(QStringLiteral("help-all"))) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("orvella-demo"));
        parser.process(app); // prints and ends
        return 1;
    }
    QTextStream err(stderr);
    bool okPlayers = false, okSeed = false, okSpeed = false, okGames = false;
    DemoDriver::Options o;
    o.players = parser.value(playersOption).toInt(&okPlayers);
    o.seed = parser.value(seedOption).toUInt(&okSeed);
    o.speed = parser.value(speedOption).toDouble(&okSpeed);
    o.games = parser.value(gamesOption).toInt(&okGames);
    if (!okPlayers || o.players < 2 || o.players > 24 || !okSeed || !okSpeed || o.speed < 0.1 ||
        o.speed > 1000 || !okGames || o.games < 1 || o.games > DemoDriver::MaxGames) {
        err << "Bad number: --players takes 2 to 24, --speed 0.1 to 1000, --games 1 to "
            << DemoDriver::MaxGames << '.' << Qt::endl;
        return 2;
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvella-demo"));
    parser.process(app);
    setUpApplication();
    // Between two games no window is open; the driver ends the run itself.
    QApplication::setQuitOnLastWindowClosed(false);

    o.roomExe = parser.value(roomOption);
    if (o.roomExe.isEmpty())
        o.roomExe = QCoreApplication::applicationDirPath() + QStringLiteral("/orvella-room");

    // Kept after the demo: the game's log is there to look at.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/orvella-demo-XXXXXX"));
    folder.setAutoRemove(false);
    if (!folder.isValid()) {
        err << "Cannot make a folder for the demo: " << folder.errorString() << Qt::endl;
        return 1;
    }
    o.folder = folder.path();
    o.wordFile = parser.value(wordsOption);
    if (o.wordFile.isEmpty()) {
        o.wordFile = folder.filePath(QStringLiteral("demo words.txt"));
        QFile f(o.wordFile);
        if (!f.open(QIODevice::WriteOnly) || f.write("lantern\r\nmaple syrup\r\n") < 0) {
            err << "Cannot write " << o.wordFile << Qt::endl;
            return 1;
        }
    } else {
        o.wordFile = QFileInfo(o.wordFile).absoluteFilePath();
    }

    DemoDriver driver(o);
    if (!driver.start())
        return 1;
    return QApplication::exec();
}
