#include "game/savewarnings.h"

#include "base/ansi.h"
#include "base/hostdialogs.h"
#include "files/linereader.h"
#include "files/macrofile.h"
#include "game/gamefiles.h"
#include "game/gamestate.h"

#include <QRegularExpression>

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString replaced(const QString &place)
{
    return place + QStringLiteral(": characters the file cannot hold are saved as \"?\".");
}

bool hasContent(const QString &text)
{
    for (QChar c : text) {
        if (c != u' ' && c != u'\r' && c != u'\n')
            return true;
    }
    return false;
}

// The reader takes the text's lines up to the first empty one; the lines
// after it are read as the file's structure.
bool losesLinesAfterEmptyLine(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.split(lineEnd);
    qsizetype firstEmpty = lines.indexOf(QString());
    if (firstEmpty < 0)
        return false;
    for (qsizetype i = firstEmpty + 1; i < lines.size(); ++i) {
        if (!lines[i].isEmpty())
            return true;
    }
    return false;
}

} // namespace

QStringList macroFileLosses(const GameState &gs)
{
    QStringList losses;
    for (int n = 0; n < SubCount; ++n) {
        if (!Ansi::canEncode(gs.Subs[n]))
            losses << replaced(QStringLiteral("%sub") + QString::number(n) + u'%');
    }
    for (int i = 1; i <= MacroCount; ++i) {
        const MacroRec &macro = gs.Macros[i];
        const QString place = QStringLiteral("Macro ") + QString::number(i);
        // The writer's own test for a text worth writing.
        if (QString::compare(macro.Text, u" ", Qt::CaseSensitive) <= 0) {
            if (hasContent(macro.Text))
                losses << place + QStringLiteral(": the text is not saved because its first "
                                                 "line is empty or starts with a control "
                                                 "character.");
            continue;
        }
        if (!Ansi::canEncode(macro.Name) || !Ansi::canEncode(macro.Text))
            losses << replaced(place);
        if (losesLinesAfterEmptyLine(macro.Text))
            losses << place + QStringLiteral(": the lines after an empty line are lost when the "
                                             "file is read again.");
    }
    return losses;
}

QStringList macroFileRefusals(const GameState &gs)
{
    const MacroFileExcess excess = macroFileExcess(macrosOf(gs));
    const QString longLine =
        QStringLiteral(": a line longer than %1 characters, which the file cannot take back.")
            .arg(LineReader::MaxLineBytes);
    QStringList refusals;
    for (int n : excess.longSubs)
        refusals << QStringLiteral("%sub") + QString::number(n) + u'%' + longLine;
    for (int i : excess.longMacros)
        refusals << QStringLiteral("Macro ") + QString::number(i) + longLine;
    if (excess.tooLargeBytes)
        refusals << QStringLiteral("The whole file: %1 bytes, more than the %2 it can take back.")
                        .arg(excess.tooLargeBytes)
                        .arg(LineReader::MaxFileBytes);
    return refusals;
}

bool warnMacroFileLosses(const GameState &gs, HostDialogs &dialogs)
{
    const QStringList refusals = macroFileRefusals(gs);
    const QStringList losses = macroFileLosses(gs);
    if (losses.isEmpty() && refusals.isEmpty())
        return true;
    dialogs.message(QStringLiteral("The macro file cannot hold everything as it stands:") + CrLf +
                        (refusals + losses).join(CrLf) + CrLf +
                        (refusals.isEmpty()
                             ? QStringLiteral("The file is saved anyway.")
                             : QStringLiteral("The file is not saved, so it keeps what it "
                                              "held: shorten what is named, then save again.")),
                    QStringLiteral("Macro File"));
    return refusals.isEmpty();
}

void warnSettingsLosses(const QList<std::pair<QString, QString>> &texts, HostDialogs &dialogs)
{
    QStringList losses;
    for (const auto &[caption, text] : texts) {
        if (!Ansi::canEncode(text))
            losses << replaced(caption);
    }
    if (losses.isEmpty())
        return;
    dialogs.message(QStringLiteral("The settings file cannot hold everything as it stands:") +
                        CrLf + losses.join(CrLf) + CrLf +
                        QStringLiteral("The file is saved anyway."),
                    QStringLiteral("Settings File"));
}
