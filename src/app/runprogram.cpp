#include "app/runprogram.h"

#include "app/accessibility.h"
#include "app/frmmain.h"
#include "base/ansi.h"
#include "chat/ticksource.h"
#include "files/fileio.h"
#include "files/programfolder.h"
#include "files/settingsfile.h"
#include "game/gamestate.h"
#include "transport/socketwadapi.h"
#include "windows/programstyle.h"
#include "windows/qtdialogs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QPixmapCache>
#include <QTextStream>

#include <cstring>
#include <random>

namespace {

// The style draws a button's face once for each size, state and palette and
// keeps it in Qt's pixmap cache. Every new window brings palettes of its own
// (a boxes window for each word won, the windows of each new game), so the
// faces of closed windows stay until the cache is full: 10 MB by default,
// more than a quarter of the program's memory. All the windows of a whole
// game drew about 0.7 MB of faces.
constexpr int PixmapCacheKb = 2048;

// The starter settings in file, naming macroFile as an absolute path, since
// the program starts in another folder than the one that gave the name.
int writeStarterSettings(const QString &file, const QString &macroFile, QTextStream &err)
{
    const QString macros = QFileInfo(macroFile).absoluteFilePath();
    // A name the file's code page cannot spell would name a file that is not there.
    if (!Ansi::canEncode(macros)) {
        err << "The macro file's path cannot be written in Windows-1252: " << macros << Qt::endl;
        return 1;
    }
    const WriteResult failed = FileIO::save(
        file, [&](QIODevice &out) { writeSettings(out, starterSettings(macros), 0, 0); });
    if (failed) {
        err << failed->report() << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

void setUpApplication()
{
    installWindowAccessibility();
    QApplication::setStyle(new ProgramStyle);
    QPixmapCache::setCacheLimit(PixmapCacheKb);
}

std::optional<int> answerWithoutWindow(int argc, char *argv[])
{
    // Only a look at the words: Qt's own options (-platform, -display ...)
    // are for the application object, which takes them away later.
    bool help = false, version = false, settings = false;
    for (int i = 1; i < argc; ++i) {
        help = help || !std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help");
        version = version || !std::strcmp(argv[i], "-v") || !std::strcmp(argv[i], "--version");
        settings = settings || !std::strcmp(argv[i], "--write-settings");
    }
    if (!help && !version && !settings)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvella"));
    QTextStream out(stdout), err(stderr);
    if (version) {
        out << "orvella " << versionText() << Qt::endl;
        return 0;
    }
    if (!help) {
        // Only in the one form the first-run step uses.
        if (argc != 4 || std::strcmp(argv[1], "--write-settings")) {
            err << "usage: orvella --write-settings FILE MACRO-FILE" << Qt::endl;
            return 2;
        }
        const QStringList args = QCoreApplication::arguments();
        return writeStarterSettings(args[2], args[3], err);
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The host's console for a word-guessing game in a chat room.\n"
                       "Start a chat client first, in the same session: the stand-in room\n"
                       "orvella-room or the IRC client orvella-irc. Everything else is set\n"
                       "in Orvella's windows."));
    parser.addOptions(
        {{{QStringLiteral("h"), QStringLiteral("help")},
          QStringLiteral("Shows this help and ends.")},
         {{QStringLiteral("v"), QStringLiteral("version")},
          QStringLiteral("Shows the version and ends.")},
         {QStringLiteral("write-settings"),
          QStringLiteral("Writes the starter settings to <file>, naming the macro file "
                         "given after it, and ends: what a first start gets."),
          QStringLiteral("file")}});
    out << parser.helpText();
    return 0;
}

int runProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("orvella"));
    setUpApplication();
    QtDialogs dialogs;
    SocketWadapi wadapi;
    QTimerTickSource timer1;
    QTimerTickSource timer2(1000);
    // One generator for the life of the process, seeded once: draws stay
    // independent however close together they come.
    std::mt19937 random(std::random_device{}());
    Session session({theGame(), wadapi, timer1, timer2, dialogs, random},
                    {programFolder(), appName});
    frmMain window(session);
    if (!window.Form_Load())
        return session.exitCode();
    window.show();
    return QApplication::exec();
}
