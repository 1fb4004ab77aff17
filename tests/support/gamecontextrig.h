#pragma once

#include "chat/chatlink.h"
#include "files/settingsfile.h"
#include "game/consolestate.h"
#include "game/gamecontext.h"
#include "game/gamestate.h"
#include "game/maincontrols.h"
#include "support/bytesio.h"
#include "support/scripteddialogs.h"
#include "support/scriptedroom.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using Ctl = ConsoleState::Ctl;
using List = ConsoleState::List;

// What the game meets, in a folder of its own: the scripted room and
// dialogs, both timers ticking from the event loop, a seeded generator.
struct RigBase
{
    QTemporaryDir dir;
    GameState gs;
    ScriptedRoom room;
    FakeTicks ticks, ticks2;
    ScriptedDialogs dialogs;
    std::mt19937 rng{7};

    ~RigBase() { Waits::resetAbandoned(); }
    QString path(const QString &name) const { return dir.filePath(name); }
    QByteArray log() const { return bytesOf(gs.LogFile); }
    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }

    // A game as the host plays it: the settings' defaults ("$" to register
    // and the usual messages, the calldown one only once switched on).
    static inline const QString Greeting =
        u"Lounge: Welcome to the Lounge! Please be nice to each other."_qs;
    void useGameSettings()
    {
        const SettingsRecord defaults = defaultSettings();
        gs.RegChar = defaults.RegChar;
        gs.WTG = defaults.WTG;
        gs.Sorry = defaults.Sorry;
        gs.CalldownMSG = defaults.CalldownMSG;
    }
    static QString esp(const QString &name, const QString &text)
    {
        return u"ESP from "_qs + name + u": "_qs + text;
    }
    template <typename Recs> static QStringList names(const Recs &recs, int count)
    {
        QStringList out;
        for (int i = 1; i <= count; ++i)
            out << recs[i].Name;
        return out;
    }
    QStringList playerNames() const { return names(gs.Players, gs.PlayerCount); }
    QStringList downNames() const { return names(gs.Down, gs.DownCount); }
};

// A GameContext over them, without a window: what the steps show is read
// from the console's record. The link is up.
struct GameContextRig : RigBase
{
    Console console;
    MainControls window;
    ChatLink link{room, ticks, dialogs, [] { return QStringLiteral("orvella"); }};
    GameContext ctx{gs, link, console, window, dialogs, ticks2, rng, {}};

    GameContextRig()
    {
        link.InitDDE();
        gs.LogFile = path(QStringLiteral("Orvella.log"));
    }
};
