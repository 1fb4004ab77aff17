#include "game/progress.h"

#include "base/failure.h"
#include "files/recoverylog.h"
#include "game/gamecontext.h"
#include "game/gamelog.h"
#include "game/gamestate.h"
#include "game/reportwrite.h"
#include "game/resultsrecorder.h"

#include <QBuffer>
#include <QCryptographicHash>

void saveProgress(GameContext &ctx)
{
    QByteArray print;
    try {
        print = logPrint(logBodyOf(ctx.gs));
    } catch (const Failure &failure) {
        // The log's writer refuses the same body: told as its failure, the old
        // log kept, and the results wait for a log that holds them rather than
        // be marked with a print no log has.
        reportWrite(ctx.dialogs, FileFailure{failure, ctx.gs.LogFile});
        if (ctx.results)
            ctx.results->logWritten(false);
        return;
    }
    if (ctx.results)
        ctx.results->commit(print);
    const bool written = reportWrite(ctx.dialogs, LogWriter(ctx.gs));
    if (ctx.results)
        ctx.results->logWritten(written);
}

QByteArray logPrint(const LogBody &body)
{
    // The body's text as the writer makes it: what a reader restores writes
    // back the same, whatever rounding the numbers went through.
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    writeLog(out, LogHeader{}, body);
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}
