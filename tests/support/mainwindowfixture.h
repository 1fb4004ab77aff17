#pragma once

#include "app/frmmain.h"
#include "chat/waits.h"
#include "files/ansi.h"
#include "game/gamestate.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// A room behind the chat client. What the host says is heard (an ESP as
// "ESP to name: text") and, with echo on, shown back under the host's name;
// what players say waits for the next fetch, which hands out everything
// waiting. A fetch with nothing waiting brings chatter, or without chatter
// abandons the waits, so no step can hang. Statuses and the record of calls
// come from the scripted client behind it.
class ScriptedRoom final : public Wadapi
{
public:
    ScriptedWadapi client;
    QString host = u"Ann Lee"_qs;
    bool echo = true;
    QString chatter;
    QStringList heard, pending;
    int fetches = 0;
    std::function<void(int)> onFetch;             // before fetch n is answered
    std::function<bool(const QString &)> breakOn; // the link breaks on such a line

    ScriptedRoom() { client.whenScriptEnds = status("0"); }
    void say(const QString &name, const QString &text) { pending << name + u": "_qs + text; }

    qint16 InitDDE(const QString &app, WadapiCallbacks *cb) override
    {
        m_cb = cb;
        return client.InitDDE(app, cb);
    }
    void DapiRegister(const QString &app) override { client.DapiRegister(app); }
    void DapiCommunicate(const QString &app, qint16 mode, const QByteArray &target,
                         const QByteArray &text) override
    {
        const QString line = Ansi::decode(text);
        if (breakOn && breakOn(line)) {
            client.up = false;
            return;
        }
        if (mode == 2)
            heard << u"ESP to "_qs + Ansi::decode(target) + u": "_qs + line;
        else
            heard << line;
        if (echo && mode == 0)
            say(host, line);
        client.DapiCommunicate(app, mode, target, text);
    }
    void DapiGetAllText(const QString &app) override
    {
        ++fetches;
        if (onFetch)
            onFetch(fetches);
        if (pending.isEmpty() && !chatter.isEmpty())
            pending << chatter;
        if (!pending.isEmpty())
            m_cb->OnDapiText(Ansi::encode(pending.join(u"\r\n"_qs)));
        else
            Waits::abandonAll();
        pending.clear();
        client.DapiGetAllText(app);
    }
    void DapiUnregister(const QString &app) override { client.DapiUnregister(app); }
    void KillDDE() override { client.KillDDE(); }
    bool connected() const override { return client.connected(); }

private:
    WadapiCallbacks *m_cb = nullptr;
};

// The real main window, offscreen in a folder of its own, over the room (or
// whatever chat points at when it is built), scripted dialogs, both timers
// ticking from the event loop and a seeded generator.
struct MainWindowRig
{
    QTemporaryDir dir;
    GameState gs;
    ScriptedRoom room;
    Wadapi *chat = &room;
    FakeTicks ticks, ticks2;
    ScriptedDialogs dialogs;
    std::mt19937 rng{7};
    std::unique_ptr<frmMain> w;
    bool started = false;

    ~MainWindowRig()
    {
        w.reset();
        Waits::resetAbandoned();
    }
    frmMain::Environment env() const
    {
        return {dir.path(), [] { return u"orvella"_qs; }};
    }
    frmMain &build()
    {
        if (!w)
            w = std::make_unique<frmMain>(gs, *chat, ticks, ticks2, dialogs, rng, env());
        return *w;
    }
    // Built and started once.
    frmMain &window()
    {
        if (!started) {
            started = build().Form_Load();
            EXPECT_TRUE(started);
        }
        return *w;
    }
    // The program ends; window() starts it again in the same folder.
    void restart()
    {
        w->close();
        w.reset();
        Waits::resetAbandoned();
        gs = GameState();
        started = false;
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString ini() const { return path(u"orvella.ini"_qs); }
    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    static QByteArray readFile(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray log() const { return readFile(gs.LogFile); }

    // The window of this type that shows, if any.
    template <typename T> static T *shown()
    {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *t = qobject_cast<T *>(top); t && t->isVisible())
                return t;
        return nullptr;
    }
    static void deleteClosed()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// A game in the main window: "$" to register and the usual messages, over a
// room that shows the host's lines back and brings chatter when nobody speaks.
struct GameRig : MainWindowRig
{
    static inline const QString Greeting =
        u"Lounge: Welcome to the Lounge! Please be nice to each other."_qs;
    FakeTicks &timer1 = ticks; // the pacing timer, under the program's name

    GameRig() { room.chatter = u"Zed: nice weather today"_qs; }
    frmMain &window()
    {
        if (!started) {
            MainWindowRig::window();
            gs.RegChar = u"$"_qs;
            gs.WTG = u"WTG %player%! %word% is a match"_qs;
            gs.Sorry = u"Sorry %player%.  %word% is not a match"_qs;
        }
        return *w;
    }
    void restart()
    {
        MainWindowRig::restart();
        window();
    }
};
