#pragma once

#include "app/frmmain.h"
#include "chat/waits.h"
#include "files/ansi.h"
#include "files/recoveryreader.h"
#include "game/banner.h"
#include "game/gamestate.h"
#include "support/fakechat.h"
#include "support/scripteddialogs.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

// A chat client whose fetches each hand out the next scripted block of chat
// text; a ScriptedWadapi answers every request 0 and records the calls. A
// fetch with nothing left abandons the waits (unless whenDry says otherwise),
// so a step that fetches more often than scripted ends instead of hanging.
class ChatScript final : public Wadapi
{
public:
    struct Said
    {
        int mode;
        QString target, text;
    };
    ScriptedWadapi client;
    std::deque<QString> blocks;
    std::function<void()> onFetch;
    std::function<void()> whenDry = [] { Waits::abandonAll(); };
    std::vector<Said> said;
    int fetches = 0;

    ChatScript() { client.whenScriptEnds = status("0"); }
    QStringList room(int mode = 0) const
    {
        QStringList lines;
        for (const Said &s : said)
            if (s.mode == mode)
                lines << (mode == 0 ? s.text : s.target + u'|' + s.text);
        return lines;
    }

    qint16 InitDDE(const QString &app, WadapiCallbacks *cb) override
    {
        m_callbacks = cb;
        return client.InitDDE(app, cb);
    }
    void DapiRegister(const QString &app) override { client.DapiRegister(app); }
    void DapiCommunicate(const QString &app, qint16 mode, const QByteArray &target,
                         const QByteArray &text) override
    {
        said.push_back({mode, Ansi::decode(target), Ansi::decode(text)});
        client.DapiCommunicate(app, mode, target, text);
    }
    void DapiGetAllText(const QString &app) override
    {
        ++fetches;
        if (onFetch)
            onFetch();
        if (!blocks.empty()) {
            m_callbacks->OnDapiText(Ansi::encode(blocks.front()));
            blocks.pop_front();
        } else if (whenDry) {
            whenDry();
        }
        client.DapiGetAllText(app);
    }
    void DapiUnregister(const QString &app) override { client.DapiUnregister(app); }
    void KillDDE() override { client.KillDDE(); }
    bool connected() const override { return client.connected(); }

private:
    WadapiCallbacks *m_callbacks = nullptr;
};

// The real main window, offscreen, over the scripted chat client and dialogs,
// instant ticks and a seeded generator, in a folder of its own.
class RoundTest : public ::testing::Test
{
protected:
    static inline const QString CrLf = QStringLiteral("\r\n");
    // More than the 40 characters that must stand in front of the echo.
    static inline const QString Greeting =
        QStringLiteral("Lounge: Welcome to the Lounge! Please be nice to each other.");

    ~RoundTest() override
    {
        m_window.reset();
        Waits::resetAbandoned();
    }

    frmMain &window()
    {
        if (!m_window) {
            m_window = std::make_unique<frmMain>(
                gs, chat, ticks, ticks2, dialogs, rng,
                frmMain::Environment{dir.path(), [] { return QStringLiteral("orvella"); }});
            EXPECT_TRUE(m_window->Form_Load());
        }
        return *m_window;
    }

    QString writeWords(const QByteArray &bytes, const QString &name = QStringLiteral("words.txt"))
    {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    void loadWords(const QByteArray &bytes)
    {
        dialogs.files.push_back(writeWords(bytes));
        window().cmdAsk->click();
    }
    static QString echo(const QString &host) { return host + QStringLiteral(": ") + titleLine(); }
    static QString esp(const QString &name, const QString &text)
    {
        return QStringLiteral("ESP from ") + name + QStringLiteral(": ") + text;
    }

    // Loaded, opened under Ann Lee with RegChar "$", and the room's ears cleared.
    void openGame()
    {
        window();
        gs.RegChar = QStringLiteral("$");
        loadWords("tiger\r\nlion\r\n");
        chat.blocks.push_back(Greeting + CrLf + echo(QStringLiteral("Ann Lee")));
        window().cmdAsk->click();
        ASSERT_EQ(gs.GamePhase, 2);
        chat.said.clear();
    }
    void getRegs(const QStringList &lines)
    {
        chat.blocks.push_back(lines.join(CrLf));
        window().cmdGetRegs->click();
    }
    void registerPlayers(const QStringList &names)
    {
        QStringList lines;
        for (const QString &n : names)
            lines << esp(n, gs.RegChar);
        getRegs(lines);
        chat.said.clear();
    }

    static QStringList listed(QListWidget *list)
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    template <std::size_t N>
    static QStringList names(const std::array<PlayerRec, N> &players, int count)
    {
        QStringList out;
        for (int i = 1; i <= count; ++i)
            out << players[i].Name;
        return out;
    }
    QStringList playerNames() const { return names(gs.Players, gs.PlayerCount); }
    QStringList downNames() const
    {
        QStringList out;
        for (int i = 1; i <= gs.DownCount; ++i)
            out << gs.Down[i].Name;
        return out;
    }

    QByteArray logBytes() const
    {
        QFile f(gs.LogFile);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The game as a resumption would read it back from the log.
    GameState logged() const
    {
        GameState back;
        QByteArray bytes = logBytes();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        RecoveryReader reader(buffer);
        reader.readHeader(back);
        reader.readBody(back);
        return back;
    }

    QTemporaryDir dir;
    GameState gs;
    ChatScript chat;
    FakeTicks ticks, ticks2;
    ScriptedDialogs dialogs;
    std::mt19937 rng{2024};
    std::unique_ptr<frmMain> m_window;
};
