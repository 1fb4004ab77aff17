#include "files/settingsfile.h"

#include "base/failure.h"
#include "files/fileio.h"
#include "files/linereader.h"
#include "files/values.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace {

const QString CrLf = QStringLiteral("\r\n");

struct Key
{
    QStringView name;
    void (*apply)(SettingsRecord &s, const QString &value);
};

// Tried in this order and matched by prefix: the first that fits decides, which
// is why calldownmsg must come before calldown.
constexpr Key Keys[] = {
    {u"delay", [](SettingsRecord &s, const QString &v) { s.Delay = Values::readInteger(v); }},
    {u"auto", [](SettingsRecord &s, const QString &v) { s.Auto = Values::readInteger(v); }},
    {u"left", [](SettingsRecord &s, const QString &v) { s.Left = Values::readInteger(v); }},
    {u"top", [](SettingsRecord &s, const QString &v) { s.Top = Values::readInteger(v); }},
    {u"ontop", [](SettingsRecord &s, const QString &v) { s.OnTop = Values::readBoolean(v); }},
    {u"boxleft", [](SettingsRecord &s, const QString &v) { s.BoxLeft = Values::readInteger(v); }},
    {u"boxtop", [](SettingsRecord &s, const QString &v) { s.BoxTop = Values::readInteger(v); }},
    {u"regchar", [](SettingsRecord &s, const QString &v) { s.RegChar = v.left(1); }},
    {u"confirm", [](SettingsRecord &s, const QString &v) { s.Confirm = Values::readBoolean(v); }},
    {u"sorry", [](SettingsRecord &s, const QString &v) { s.Sorry = v; }},
    {u"wtg", [](SettingsRecord &s, const QString &v) { s.WTG = v; }},
    {u"calldownmsg", [](SettingsRecord &s, const QString &v) { s.CalldownMSG = v; }},
    {u"calldown", [](SettingsRecord &s, const QString &v) { s.Calldown = Values::readBoolean(v); }},
    {u"macrofile", [](SettingsRecord &s, const QString &v) { s.MacroFile = v; }},
};

// The Room window's place is ours alone: a value the reader cannot take puts
// the window at its default place instead of ending the start.
struct RoomKey
{
    QStringView name;
    Integer SettingsRecord::*field;
};

constexpr RoomKey RoomKeys[] = {
    {u"roomleft", &SettingsRecord::RoomLeft},
    {u"roomtop", &SettingsRecord::RoomTop},
    {u"roomwidth", &SettingsRecord::RoomWidth},
    {u"roomheight", &SettingsRecord::RoomHeight},
};

// Which Room keys of the section hold a value that cannot be taken; a later
// good line of the same key wins, as for every key.
using RoomBad = std::array<bool, std::size(RoomKeys)>;

void setDefaults(SettingsRecord &s)
{
    // The boxes have a section of their own, which keeps them.
    const auto boxes = s.Boxes;
    s = defaultSettings();
    s.Boxes = boxes;
}

void applySetting(const QString &line, SettingsRecord &s, RoomBad &roomBad,
                  const std::function<void()> &macroFileRead)
{
    for (const Key &key : Keys) {
        if (!line.startsWith(key.name, Qt::CaseInsensitive))
            continue;
        // One separator character is skipped whatever it is.
        key.apply(s, line.mid(key.name.size() + 1));
        if (key.name == u"macrofile")
            macroFileRead();
        return;
    }
    for (size_t i = 0; i < std::size(RoomKeys); ++i) {
        if (!line.startsWith(RoomKeys[i].name, Qt::CaseInsensitive))
            continue;
        try {
            s.*RoomKeys[i].field = Values::readInteger(line.mid(RoomKeys[i].name.size() + 1));
            roomBad[i] = false;
        } catch (const Failure &) {
            roomBad[i] = true;
        }
        return;
    }
}

void settleRoomPlace(SettingsRecord &s, const RoomBad &roomBad)
{
    const bool bad = std::find(roomBad.begin(), roomBad.end(), true) != roomBad.end();
    if (bad || s.RoomWidth <= 0 || s.RoomHeight <= 0)
        s.RoomLeft = s.RoomTop = s.RoomWidth = s.RoomHeight = 0;
}

void applyBox(const QString &line, SettingsRecord &s)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return;
    const Integer index = Values::readInteger(line.left(equals));
    if (index < 0 || index >= SettingsRecord::BoxCount)
        throw Failure(ErrSubscript);
    s.Boxes[index] = Values::readBoolean(line.mid(equals + 1));
}

// A window dragged far off a wide desktop must not make a file that the reader
// rejects at the next start.
double clampEdge(double edge)
{
    if (std::isnan(edge))
        return 0;
    return std::clamp(edge, -32768.0, 32767.0);
}

} // namespace

SettingsRecord defaultSettings()
{
    SettingsRecord s;
    s.RegChar = QStringLiteral("$");
    s.Confirm = true;
    s.Sorry = QStringLiteral("Sorry %player%.  %word% is not a match");
    s.WTG = QStringLiteral("WTG %player%! %word% is a match");
    s.CalldownMSG = QStringLiteral("It's your turn to play");
    return s;
}

SettingsRecord starterSettings(const QString &macroFile)
{
    SettingsRecord s = defaultSettings();
    s.Delay = 1; // the Speed menu's Fast
    s.Boxes.fill(true);
    s.MacroFile = macroFile;
    return s;
}

void readSettings(QIODevice &in, SettingsRecord &settings,
                  const std::function<void()> &macroFileRead)
{
    LineReader reader(in, LineReader::MaxFileBytes);
    while (!reader.atEnd()) {
        const QString line = reader.readLine();
        // A section that runs to the end of the file fails in readLine.
        if (line.startsWith(u"[settings]", Qt::CaseInsensitive)) {
            setDefaults(settings);
            RoomBad roomBad{};
            for (QString l = reader.readLine(); !l.isEmpty(); l = reader.readLine())
                applySetting(l, settings, roomBad, macroFileRead);
            settleRoomPlace(settings, roomBad);
        } else if (line.startsWith(u"[boxes]", Qt::CaseInsensitive)) {
            for (QString l = reader.readLine(); !l.isEmpty(); l = reader.readLine())
                applyBox(l, settings);
        }
    }
}

void writeSettings(QIODevice &out, const SettingsRecord &s, double left, double top)
{
    using Values::writeBoolean;
    using Values::writeNumber;
    QString text;
    text += QStringLiteral("[Settings]") + CrLf;
    text += QStringLiteral("Delay=") + writeNumber(s.Delay) + CrLf;
    text += QStringLiteral("Auto=") + writeNumber(s.Auto) + CrLf;
    text += QStringLiteral("Left=") + writeNumber(clampEdge(left)) + CrLf;
    text += QStringLiteral("Top=") + writeNumber(clampEdge(top)) + CrLf;
    text += QStringLiteral("OnTop=") + writeBoolean(s.OnTop) + CrLf;
    text += QStringLiteral("BoxLeft=") + writeNumber(s.BoxLeft) + CrLf;
    text += QStringLiteral("BoxTop=") + writeNumber(s.BoxTop) + CrLf;
    text += QStringLiteral("RegChar=") + s.RegChar + CrLf;
    text += QStringLiteral("Confirm=") + writeBoolean(s.Confirm) + CrLf;
    text += QStringLiteral("Sorry=") + s.Sorry + CrLf;
    text += QStringLiteral("WTG=") + s.WTG + CrLf;
    text += QStringLiteral("CalldownMSG=") + s.CalldownMSG + CrLf;
    text += QStringLiteral("Calldown=") + writeBoolean(s.Calldown) + CrLf;
    text += QStringLiteral("MacroFile=") + s.MacroFile + CrLf;
    // A host who never opened the Room window keeps the file as it was.
    if (s.RoomWidth > 0) {
        text += QStringLiteral("RoomLeft=") + writeNumber(s.RoomLeft) + CrLf;
        text += QStringLiteral("RoomTop=") + writeNumber(s.RoomTop) + CrLf;
        text += QStringLiteral("RoomWidth=") + writeNumber(s.RoomWidth) + CrLf;
        text += QStringLiteral("RoomHeight=") + writeNumber(s.RoomHeight) + CrLf;
    }
    text += CrLf;
    text += QStringLiteral("[Boxes]") + CrLf;
    for (int i = 0; i < SettingsRecord::BoxCount; ++i)
        text += writeNumber(i) + u'=' + writeBoolean(s.Boxes[i].value_or(false)) + CrLf;
    text += CrLf;
    FileIO::writeText(out, text);
}

QString settingsPath(const QString &folder)
{
    return folder + QStringLiteral("/orvella.ini");
}

WriteResult saveSettings(const QString &folder, const SettingsRecord &settings, double left,
                         double top)
{
    WriteResult result = FileIO::save(
        settingsPath(folder), [&](QIODevice &out) { writeSettings(out, settings, left, top); });
    // Named as at start-up.
    if (result)
        result->file = QStringLiteral("orvella.ini");
    return result;
}
