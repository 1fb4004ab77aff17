#include "app/runprogram.h"

#include "app/accessibility.h"
#include "app/frmmain.h"
#include "chat/socketwadapi.h"
#include "chat/ticksource.h"
#include "files/programfolder.h"
#include "game/gamestate.h"
#include "windows/programstyle.h"
#include "windows/qtdialogs.h"

#include <QApplication>

#include <random>

int runProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("orvella"));
    installWindowAccessibility();
    QApplication::setStyle(new ProgramStyle);
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
