#pragma once

#include "room/guesses.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <random>
#include <vector>

class ChatRoom;
class PlayerClock;

// Scripted players in the room. They react only to the lines the room
// shows: they chat now and then, register by ESP when the host invites,
// answer when asked (right, a near miss or too late), and the winner picks
// a box when the colours are called. All choices come from one seed, so
// the same seed and the same room lines give the same game.
class ScriptedPlayers final : public QObject
{
    Q_OBJECT

public:
    struct Style
    {
        double right = 0.6; // an answer is the likeliest known word
        double late = 0.15; // an answer comes after a countdown would end
        bool chatty = true; // idle lines now and then
    };

    ScriptedPlayers(ChatRoom &room, PlayerClock &clock, quint32 seed, Style style,
                    QObject *parent = nullptr);
    ~ScriptedPlayers() override;

    Guesses &guesses() { return m_guesses; }
    // Whether a name is in use outside the players (people who joined).
    std::function<bool(const QString &)> nameTaken;

    // Adds a player under name, or under a free name of the cast when name
    // is empty; the player's name, or an empty one with *why said.
    QString add(const QString &name = {}, QString *why = nullptr);
    bool remove(const QString &name);
    QStringList names() const;
    bool has(const QString &name) const;

    // The names the cast draws from: mixed case, some with a space, one as
    // long as a name may be, none the end of another (the program finds a
    // player's line by the name in front of the colon).
    static const QStringList &castNames();

private:
    struct Player;

    void hear(const QString &line);
    void hostSays(const QString &text);
    void answer(Player &p, const QString &pattern);
    void pickBox(const QString &colours);
    void later(Player &p, int minMs, int maxMs, std::function<void(Player &)> fn);
    void chatLater(Player &p);
    Player *find(const QString &name) const;

    ChatRoom &m_room;
    PlayerClock &m_clock;
    Style m_style;
    std::mt19937 m_rng;
    Guesses m_guesses;
    std::vector<std::unique_ptr<Player>> m_players;
    quint64 m_nextId = 1;
    QString m_lastAsked;
    bool m_boxesCalled = false;
};
