#include "app/runprogram.h"

#include "app/accessibility.h"
#include "app/frmmain.h"
#include "chat/ticksource.h"
#include "files/programfolder.h"
#include "game/gamestate.h"
#include "transport/socketwadapi.h"
#include "windows/programstyle.h"
#include "windows/qtdialogs.h"

#include <QApplication>
#include <QCommandLineParser>
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
    bool help = false, version = false;
    for (int i = 1; i < argc; ++i) {
        help = help || !std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help");
        version = version || !std::strcmp(argv[i], "-v") || !std::strcmp(argv[i], "--version");
    }
    if (!help && !version)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvella"));
    QTextStream out(stdout);
    if (version) {
        out << "orvella " << versionText() << Qt::endl;
        return 0;
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The host's console for a word-guessing game in a chat room.\n"
                       "Start a chat client first, in the same session: the stand-in room\n"
                       "orvella-room or the IRC client orvella-irc. Everything else is set\n"
                       "in Orvella's windows."));
    parser.addOptions({{{QStringLiteral("h"), QStringLiteral("help")},
                        QStringLiteral("Shows this help and ends.")},
                       {{QStringLiteral("v"), QStringLiteral("version")},
                        QStringLiteral("Shows the version and ends.")}});
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
    frmMain window(theGame(), wadapi, timer1, timer2, dialogs, random, {programFolder(), appName});
    if (!window.Form_Load())
        return window.exitCode();
    window.show();
    return QApplication::exec();
}
