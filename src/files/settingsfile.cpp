#include "files/settingsfile.h"

#include "files/fileio.h"
#include "files/linereader.h"
#include "files/values.h"
#include "base/failure.h"
#include "game/gamestate.h"
#include "base/hostdialogs.h"
#include "macros/macrofile.h"

#include <QIODevice>

#include <algorithm>
#include <cmath>

namespace {

const QString CrLf = QStringLiteral("\r\n");

struct Key
{
    QStringView name;
    void (*apply)(GameState &gs, const QString &value);
};

// Tried in this order and matched by prefix: the first that fits decides, which
// is why calldownmsg must come before calldown.
constexpr Key Keys[] = {
    {u"delay", [](GameState &gs, const QString &v) { gs.Delay = Values::readInteger(v); }},
    {u"auto", [](GameState &gs, const QString &v) { gs.Auto = Values::readInteger(v); }},
    {u"left", [](GameState &gs, const QString &v) { gs.MainLeft = Values::readInteger(v); }},
    {u"top", [](GameState &gs, const QString &v) { gs.MainTop = Values::readInteger(v); }},
    {u"ontop", [](GameState &gs, const QString &v) { gs.OnTop = Values::readBoolean(v); }},
    {u"boxleft", [](GameState &gs, const QString &v) { gs.BoxLeft = Values::readInteger(v); }},
    {u"boxtop", [](GameState &gs, const QString &v) { gs.BoxTop = Values::readInteger(v); }},
    {u"regchar", [](GameState &gs, const QString &v) { gs.RegChar = v.left(1); }},
    {u"confirm", [](GameState &gs, const QString &v) { gs.Confirm = Values::readBoolean(v); }},
    {u"sorry", [](GameState &gs, const QString &v) { gs.Sorry = v; }},
    {u"wtg", [](GameState &gs, const QString &v) { gs.WTG = v; }},
    {u"calldownmsg", [](GameState &gs, const QString &v) { gs.CalldownMSG = v; }},
    {u"calldown", [](GameState &gs, const QString &v) { gs.Calldown = Values::readBoolean(v); }},
    {u"macrofile", [](GameState &gs, const QString &v) { gs.MacroFile = v; }},
};

void setDefaults(GameState &gs)
{
    gs.Delay = 0;
    gs.Auto = 0;
    gs.MainLeft = 0;
    gs.MainTop = 0;
    gs.OnTop = false;
    gs.BoxLeft = 0;
    gs.BoxTop = 0;
    gs.RegChar = QStringLiteral("$");
    gs.Confirm = true;
    gs.Sorry = QStringLiteral("Sorry %player%.  %word% is not a match");
    gs.WTG = QStringLiteral("WTG %player%! %word% is a match");
    gs.CalldownMSG = QStringLiteral("It's your turn to play");
    gs.Calldown = false;
    gs.MacroFile.clear();
}

void applySetting(const QString &line, GameState &gs, const std::function<void()> &readMacroFile)
{
    for (const Key &key : Keys) {
        if (!line.startsWith(key.name, Qt::CaseInsensitive))
            continue;
        // One separator character is skipped whatever it is.
        key.apply(gs, line.mid(key.name.size() + 1));
        if (key.name == u"macrofile")
            readMacroFile();
        return;
    }
}

void applyBox(const QString &line, GameState &gs)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return;
    const Integer index = Values::readInteger(line.left(equals));
    if (index < 0 || index >= BoxCount)
        throw Failure(ErrSubscript);
    const bool value = Values::readBoolean(line.mid(equals + 1));
    gs.Boxes[index].InDefault = value;
    gs.Boxes[index].Available = value;
}

// A window dragged far off a wide desktop must not make a file that the reader
// rejects at the next start.
double clampEdge(double edge)
{
    if (std::isnan(edge))
        return 0;
    return std::clamp(edge, -32768.0, 32767.0);
}

QString fileFailureText(const Failure &f)
{
    return f.report(QStringLiteral("Error with file orvella.ini"));
}

} // namespace

void readSettings(QIODevice &in, GameState &gs, const std::function<void()> &readMacroFile)
{
    LineReader reader(in, LineReader::MaxFileBytes);
    while (!reader.atEnd()) {
        const QString line = reader.readLine();
        // A section that runs to the end of the file fails in readLine.
        if (line.startsWith(u"[settings]", Qt::CaseInsensitive)) {
            setDefaults(gs);
            for (QString l = reader.readLine(); !l.isEmpty(); l = reader.readLine())
                applySetting(l, gs, readMacroFile);
        } else if (line.startsWith(u"[boxes]", Qt::CaseInsensitive)) {
            for (QString l = reader.readLine(); !l.isEmpty(); l = reader.readLine())
                applyBox(l, gs);
        }
    }
}

void writeSettings(QIODevice &out, const GameState &gs, double left, double top)
{
    using Values::writeBoolean;
    using Values::writeNumber;
    QString text;
    text += QStringLiteral("[Settings]") + CrLf;
    text += QStringLiteral("Delay=") + writeNumber(gs.Delay) + CrLf;
    text += QStringLiteral("Auto=") + writeNumber(gs.Auto) + CrLf;
    text += QStringLiteral("Left=") + writeNumber(clampEdge(left)) + CrLf;
    text += QStringLiteral("Top=") + writeNumber(clampEdge(top)) + CrLf;
    text += QStringLiteral("OnTop=") + writeBoolean(gs.OnTop) + CrLf;
    text += QStringLiteral("BoxLeft=") + writeNumber(gs.BoxLeft) + CrLf;
    text += QStringLiteral("BoxTop=") + writeNumber(gs.BoxTop) + CrLf;
    text += QStringLiteral("RegChar=") + gs.RegChar + CrLf;
    text += QStringLiteral("Confirm=") + writeBoolean(gs.Confirm) + CrLf;
    text += QStringLiteral("Sorry=") + gs.Sorry + CrLf;
    text += QStringLiteral("WTG=") + gs.WTG + CrLf;
    text += QStringLiteral("CalldownMSG=") + gs.CalldownMSG + CrLf;
    text += QStringLiteral("Calldown=") + writeBoolean(gs.Calldown) + CrLf;
    text += QStringLiteral("MacroFile=") + gs.MacroFile + CrLf;
    text += CrLf;
    text += QStringLiteral("[Boxes]") + CrLf;
    for (int i = 0; i < BoxCount; ++i)
        text += writeNumber(i) + u'=' + writeBoolean(gs.Boxes[i].InDefault) + CrLf;
    text += CrLf;
    FileIO::writeText(out, text);
}

QString settingsPath(const QString &folder)
{
    return folder + QStringLiteral("/orvella.ini");
}

bool SettingsReader(GameState &gs, HostDialogs &dialogs, const QString &folder)
{
    bool opened = false;
    try {
        FileIO::readFile(settingsPath(folder), [&](QIODevice &in) {
            opened = true;
            readSettings(in, gs, [&] { MacroReader(gs, dialogs); });
        });
    } catch (const Failure &f) {
        if (!opened && f.number() == ErrFileNotFound)
            return true;
        dialogs.message(fileFailureText(f), QStringLiteral("Program Exiting"));
        return false;
    }
    return true;
}

WriteResult SettingsWriter(const GameState &gs, const QString &folder, double left, double top)
{
    WriteResult result = FileIO::save(settingsPath(folder),
                                      [&](QIODevice &out) { writeSettings(out, gs, left, top); });
    // Named as at start-up.
    if (result)
        result->file = QStringLiteral("orvella.ini");
    return result;
}
