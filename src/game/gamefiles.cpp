#include "game/gamefiles.h"

#include "base/ansi.h"
#include "base/failure.h"
#include "base/hostdialogs.h"
#include "files/macrofile.h"
#include "files/settingsfile.h"
#include "files/wordfile.h"
#include "game/gamestate.h"

#include <QIODevice>

static_assert(WordFileMaxWords == MaxWords);
static_assert(SettingsRecord::BoxCount == BoxCount);
static_assert(MacroFileRecord::SubCount == SubCount && MacroFileRecord::MacroCount == MacroCount);

namespace {

const QString CrLf = QStringLiteral("\r\n");

SettingsRecord settingsOf(const GameState &gs)
{
    SettingsRecord s;
    s.Delay = gs.Delay;
    s.Auto = gs.Auto;
    s.Left = gs.MainLeft;
    s.Top = gs.MainTop;
    s.OnTop = gs.OnTop;
    s.BoxLeft = gs.BoxLeft;
    s.BoxTop = gs.BoxTop;
    s.RegChar = gs.RegChar;
    s.Confirm = gs.Confirm;
    s.Sorry = gs.Sorry;
    s.WTG = gs.WTG;
    s.CalldownMSG = gs.CalldownMSG;
    s.Calldown = gs.Calldown;
    s.MacroFile = gs.MacroFile;
    s.RoomLeft = gs.RoomLeft;
    s.RoomTop = gs.RoomTop;
    s.RoomWidth = gs.RoomWidth;
    s.RoomHeight = gs.RoomHeight;
    for (int i = 0; i < BoxCount; ++i)
        s.Boxes[i] = gs.Boxes[i].InDefault;
    return s;
}

// A box the file names is in the default set and available, or neither.
void takeSettings(const SettingsRecord &s, GameState &gs)
{
    gs.Delay = s.Delay;
    gs.Auto = s.Auto;
    gs.MainLeft = s.Left;
    gs.MainTop = s.Top;
    gs.OnTop = s.OnTop;
    gs.BoxLeft = s.BoxLeft;
    gs.BoxTop = s.BoxTop;
    gs.RegChar = s.RegChar;
    gs.Confirm = s.Confirm;
    gs.Sorry = s.Sorry;
    gs.WTG = s.WTG;
    gs.CalldownMSG = s.CalldownMSG;
    gs.Calldown = s.Calldown;
    gs.MacroFile = s.MacroFile;
    gs.RoomLeft = s.RoomLeft;
    gs.RoomTop = s.RoomTop;
    gs.RoomWidth = s.RoomWidth;
    gs.RoomHeight = s.RoomHeight;
    for (int i = 0; i < BoxCount; ++i) {
        if (s.Boxes[i]) {
            gs.Boxes[i].InDefault = *s.Boxes[i];
            gs.Boxes[i].Available = *s.Boxes[i];
        }
    }
}

void takeMacros(const MacroFileRecord &file, GameState &gs)
{
    for (int n = 0; n < SubCount; ++n)
        gs.Subs[n] = file.subs[n];
    for (int i = 0; i <= MacroCount; ++i)
        gs.Macros[i] = {file.macros[i].name, file.macros[i].text};
}

// The pointer must come back on every path, a failure's message box included.
class BusyPointer
{
public:
    explicit BusyPointer(HostDialogs &dialogs) : m_dialogs(dialogs) { m_dialogs.setBusy(true); }
    ~BusyPointer() { release(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

    void release()
    {
        if (m_busy)
            m_dialogs.setBusy(false);
        m_busy = false;
    }

private:
    HostDialogs &m_dialogs;
    bool m_busy = true;
};

} // namespace

int readWordFile(const QString &path, GameState &gs)
{
    QStringList words;
    // Words read before a failure are kept, as the caller expects.
    auto take = [&] {
        for (int i = 0; i < words.size(); ++i) {
            gs.Words[i + 1] = words[i];
            gs.Asked[i + 1] = false;
        }
    };
    try {
        readWordFile(path, words);
    } catch (const Failure &) {
        take();
        throw;
    }
    take();
    return int(words.size());
}

QString wordFileFailureText(const Failure &failure)
{
    return failure.numberedReport(QStringLiteral("Problem with Orvella file."));
}

QString wordFileFailureTitle()
{
    return QStringLiteral("Problem with File");
}

QString unresumablePathText(const QString &path)
{
    if (Ansi::canEncode(path))
        return QString();
    return QStringLiteral("The recovery log cannot hold the name of this word file:\r\n") + path +
           QStringLiteral("\r\nThe game can be played, but if it breaks off it cannot be "
                          "resumed.\r\nTo keep it resumable, rename the file and its folders "
                          "with Western European letters only, and load it again.");
}

bool SettingsReader(GameState &gs, HostDialogs &dialogs, const QString &folder)
{
    SettingsRecord settings = settingsOf(gs);
    // Only the boxes the file names change.
    settings.Boxes.fill(std::nullopt);
    bool opened = false;
    try {
        FileIO::readFile(settingsPath(folder), [&](QIODevice &in) {
            opened = true;
            readSettings(in, settings, [&] {
                takeSettings(settings, gs);
                MacroReader(gs, dialogs);
            });
        });
    } catch (const Failure &f) {
        takeSettings(settings, gs);
        if (!opened && f.number() == ErrFileNotFound)
            return true;
        dialogs.message(f.report(QStringLiteral("Error with file orvella.ini")),
                        QStringLiteral("Program Exiting"));
        return false;
    }
    takeSettings(settings, gs);
    return true;
}

WriteResult SettingsWriter(const GameState &gs, const QString &folder, double left, double top)
{
    return saveSettings(folder, settingsOf(gs), left, top);
}

void MacroReader(GameState &gs, HostDialogs &dialogs)
{
    if (gs.MacroFile.isEmpty())
        return;
    BusyPointer busy(dialogs);
    MacroFileRecord file = macrosOf(gs);
    try {
        FileIO::readFile(gs.MacroFile, [&](QIODevice &in) { readMacros(in, file); });
    } catch (const Failure &f) {
        takeMacros(file, gs);
        busy.release();
        dialogs.message(
            f.numberedReport(QStringLiteral("Problem with Macro file.") + CrLf + gs.MacroFile),
            QStringLiteral("Problem with Macro File"));
        return;
    }
    takeMacros(file, gs);
}

WriteResult MacroWriter(const GameState &gs)
{
    if (gs.MacroFile.isEmpty())
        return std::nullopt;
    return FileIO::save(gs.MacroFile, [&](QIODevice &out) { writeMacros(out, macrosOf(gs)); });
}

MacroFileRecord macrosOf(const GameState &gs)
{
    MacroFileRecord file;
    for (int n = 0; n < SubCount; ++n)
        file.subs[n] = gs.Subs[n];
    for (int i = 0; i <= MacroCount; ++i)
        file.macros[i] = {gs.Macros[i].Name, gs.Macros[i].Text};
    return file;
}
