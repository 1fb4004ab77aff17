#include "macros/macrobuttons.h"

#include "chat/chatlink.h"
#include "game/busystate.h"
#include "game/gamestate.h"
#include "game/maincontrols.h"
#include "macros/macroexpand.h"

void ExpandMacro(int index, GameState &gs, ChatLink &link, MainControls &controls)
{
    LockControls(controls);
    const QString crlf = QStringLiteral("\r\n");
    const QString &text = gs.Macros.at(index).Text;
    // An empty text must not continue the remainder of whatever block the
    // tokenizer was last given.
    QString line = text.isEmpty() ? QString() : link.GetNext(text, crlf);
    while (!line.isEmpty()) {
        const QString expanded = expandMacroLine(line, gs);
        if (!expanded.isEmpty()) {
            link.SendChat(0, QString(), expanded);
            link.My_Wait(gs.Delay);
        }
        line = link.GetNext(QString(), crlf);
    }
    RestoreControls(controls, gs);
}
