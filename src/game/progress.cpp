#include "game/progress.h"

#include "files/recoverylog.h"
#include "game/gamecontext.h"
#include "game/gamelog.h"
#include "game/reportwrite.h"
#include "game/resultsrecorder.h"

#include <QBuffer>
#include <QCryptographicHash>

void saveProgress(GameContext &ctx)
{
    if (ctx.results)
        ctx.results->commit(logPrint(logBodyOf(ctx.gs)));
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
    try {
        writeLog(out, LogHeader{}, body);
    } catch (...) {
        return QByteArray();
    }
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}
