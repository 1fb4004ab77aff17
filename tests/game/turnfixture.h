#pragma once

#include "app/frmmain.h"
#include "boxes/frmbox.h"
#include "chat/wadapi.h"
#include "chat/waits.h"
#include "files/ansi.h"
#include "game/gamestate.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

// A room behind a chat client: what the host says is heard and shown back
// under the host's name, what players say waits for the next fetch. A fetch
// with nothing new brings chatter, so a wait for chat text always ends.
class TurnRoom final : public Wadapi
{
public:
    QString host = u"Ann Lee"_qs;
    bool echo = true;
    QString chatter = u"Zed: nice weather today"_qs;
    QStringList heard, esps, pending;
    int fetches = 0;
    std::function<void(int)> onFetch;             // before fetch n is answered
    std::function<bool(const QString &)> breakOn; // the link breaks on such a line

    void say(const QString &name, const QString &text) { pending << name + u": "_qs + text; }

    qint16 InitDDE(const QString &, WadapiCallbacks *cb) override
    {
        m_cb = cb;
        m_up = true;
        return 0;
    }
    void DapiRegister(const QString &) override {}
    void DapiCommunicate(const QString &, qint16 mode, const QByteArray &target,
                         const QByteArray &text) override
    {
        const QString line = Ansi::decode(text);
        if (breakOn && breakOn(line)) {
            m_up = false;
            return;
        }
        if (mode == 2) {
            esps << Ansi::decode(target) + u": "_qs + line;
        } else {
            heard << line;
            if (echo)
                say(host, line);
        }
        m_cb->OnDapiStatus("0");
    }
    void DapiGetAllText(const QString &) override
    {
        ++fetches;
        if (onFetch)
            onFetch(fetches);
        const QStringList lines =
            pending.isEmpty() && !chatter.isEmpty() ? QStringList(chatter) : pending;
        pending.clear();
        if (!lines.isEmpty())
            m_cb->OnDapiText(Ansi::encode(lines.join(u"\r\n"_qs)));
        m_cb->OnDapiStatus("0");
    }
    void DapiUnregister(const QString &) override {}
    void KillDDE() override { m_up = false; }
    bool connected() const override { return m_up; }

private:
    WadapiCallbacks *m_cb = nullptr;
    bool m_up = false;
};

// One run of the program: the real main window offscreen in a folder of its
// own, over the room, scripted dialogs and both timers ticking from the
// event loop instead of the clock.
struct TurnSession
{
    QTemporaryDir dir;
    GameState gs;
    TurnRoom room;
    FakeTicks timer1, timer2;
    ScriptedDialogs dialogs;
    std::mt19937 rng{11};
    std::unique_ptr<frmMain> w;

    ~TurnSession()
    {
        w.reset();
        Waits::resetAbandoned();
    }
    frmMain &window()
    {
        if (!w) {
            w = std::make_unique<frmMain>(
                gs, room, timer1, timer2, dialogs, rng,
                frmMain::Environment{dir.path(), [] { return u"orvella"_qs; }});
            EXPECT_TRUE(w->Form_Load());
            gs.RegChar = u"$"_qs;
            gs.WTG = u"WTG %player%! %word% is a match"_qs;
            gs.Sorry = u"Sorry %player%.  %word% is not a match"_qs;
        }
        return *w;
    }
    // The program ends and starts again in the same folder.
    void restart()
    {
        window().close();
        w.reset();
        Waits::resetAbandoned();
        gs = GameState();
        window();
    }
    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QByteArray log() const
    {
        QFile f(gs.LogFile);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The state a draw leaves: an opened game on words, players registered
    // (those called down at level 1), the group down in this order.
    void setUpTurn(const QStringList &words, const QStringList &players, const QStringList &down)
    {
        frmMain &m = window();
        gs.WordFile = writeFile(u"words.txt"_qs, Ansi::encode(words.join(u"\r\n"_qs)));
        gs.WordCount = Integer(words.size());
        for (int i = 1; i <= words.size(); ++i)
            gs.Words[i] = words[i - 1];
        gs.WordIndex = 1;
        gs.GamePhase = 2;
        gs.HostName = room.host;
        gs.PlayerCount = Integer(players.size());
        for (int i = 1; i <= players.size(); ++i)
            gs.Players[i] =
                PlayerRec{players[i - 1], {}, down.contains(players[i - 1]) ? 1.f : 0.f, 0};
        gs.DownCount = Integer(down.size());
        gs.DownPointer = 1;
        m.lstDown->clear();
        for (int i = 1; i <= down.size(); ++i) {
            gs.Down[i] = PlayerRec{down[i - 1], {}, 0, 0};
            m.lstDown->addItem(down[i - 1]);
        }
        m.lstDown->setCurrentRow(0);
        gs.Guess = words[0].left(1) + QString(words[0].size() - 1, u' ');
        m.lblWord->setText(words[0]);
        m.cmdAsk->setText(u"Ask"_qs);
        m.cmdAsk->setEnabled(true);
        m.mnuLoad->setEnabled(false);
        m.mnuRecover->setEnabled(false);
        m.RestoreControls();
    }

    // Ask, the player's answer in the room, Get.
    void askAndAnswer(const QString &answer)
    {
        window().cmdAsk->click();
        room.say(gs.Down[gs.DownPointer].Name, answer);
        window().cmdGet->click();
    }
    PlayerRec &player(const QString &name)
    {
        int i = gs.PlayerCount;
        while (i > 0 && gs.Players[i].Name != name)
            --i;
        return gs.Players[i];
    }
    QStringList turnButtons()
    {
        QStringList on;
        for (QPushButton *b : {w->cmdAsk, w->cmdGet, w->cmdCheck, w->cmdCountdown})
            if (b->isEnabled())
                on << b->objectName().mid(3);
        return on;
    }
};

inline frmBox *shownBoxWindow()
{
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<frmBox *>(top); box && box->isVisible())
            return box;
    return nullptr;
}

// Runs act from the event loop once the boxes window shows, as the host
// would while a match waits for it.
inline void whenBoxWindowShows(const std::function<void(frmBox &)> &act)
{
    auto *poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (frmBox *box = shownBoxWindow()) {
            poll->stop();
            poll->deleteLater();
            act(*box);
        }
    });
    poll->start();
}

// The host calls the boxes, gives the winner colour index and closes.
inline void pickBoxAndClose(int index)
{
    whenBoxWindowShows([index](frmBox &box) {
        box.cmdCall_Click();
        box.lblBox_Click(index);
        box.close();
    });
}
