#include "room/scriptedplayers.h"

#include "chatclient/chatroom.h"
#include "room/personrules.h"
#include "room/playerclock.h"

#include <QRegularExpression>

namespace {

const QString Invitation = QStringLiteral("ESP a ");
const QString InvitationEnd = QStringLiteral(" to register.");
const QString GroupHeader = QStringLiteral("The following players have been selected to play:");
const QString Asking = QStringLiteral(", your word is ");
const QString TimeRanOut = QStringLiteral(", time ran out");
const QString BoxCall = QStringLiteral(" -- Select a box color -- ");
const QString NoBoxes = QStringLiteral(" -- No boxes left -- ");

const QStringList Chatter = {
    QStringLiteral("hi all!"),     QStringLiteral("good luck everyone"),
    QStringLiteral("this is fun"), QStringLiteral("lol"),
    QStringLiteral("brb, kettle"), QStringLiteral("ooh, I know this one... maybe"),
    QStringLiteral("nice one!"),   QStringLiteral("anyone else here from the Lounge?"),
    QString(QChar(0xB3)), // the grin gesture
    QString(QChar(0xB5)), // a wave
};

const QStringList Greetings = {QStringLiteral("hi all!"), QStringLiteral("hello :)"),
                               QStringLiteral("evening everyone"), QString(QChar(0xB5))};

double chance(std::mt19937 &rng)
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng);
}

// How a person types a word: mostly small letters, sometimes as shown.
QString typedLike(const QString &word, std::mt19937 &rng)
{
    switch (pick(rng, 5)) {
    case 0:
    case 1:
    case 2:
        return word.toLower();
    case 3:
        return word.left(1) + word.mid(1).toLower();
    default:
        return word;
    }
}

// Who a "N. NAME, come on down!" line calls down, or a null string. Every
// host line is asked; the pattern runs only on one it may match.
QString calledDownName(const QString &text)
{
    static const QString End = QStringLiteral(", come on down!");
    static const QRegularExpression calledDown(QStringLiteral("^\\d+\\. (.+)") + End + u'$');
    if (!text.endsWith(End))
        return {};
    const QRegularExpressionMatch m = calledDown.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

struct ScriptedPlayers::Player
{
    quint64 id;
    QString name;
    std::mt19937 rng;
    bool down = false;
    int turn = 0; // a new ask or a closed turn makes an older answer moot
};

ScriptedPlayers::ScriptedPlayers(ChatRoom &room, PlayerClock &clock, quint32 seed, Style style,
                                 QObject *parent)
    : QObject(parent), m_room(room), m_clock(clock), m_style(style), m_rng(seed)
{
    connect(&m_room, &ChatRoom::lineAdded, this, &ScriptedPlayers::hear);
}

ScriptedPlayers::~ScriptedPlayers() = default;

const QStringList &ScriptedPlayers::castNames()
{
    static const QStringList names = {
        QStringLiteral("Mira Voss"),
        QStringLiteral("tomasz"),
        QStringLiteral("Jo Ann Kettle"),
        QStringLiteral("Quillon"),
        QStringLiteral("Rafe Dunmore"),
        QStringLiteral("saffron"),
        QStringLiteral("Levi"),
        QStringLiteral("Odile Marchetti"),
        QStringLiteral("Pip Arkwright"),
        QStringLiteral("Hal Ostrow"),
        QStringLiteral("noor"),
        QStringLiteral("Kestrel"),
        QStringLiteral("Bea Tamsin"),
        QStringLiteral("DeeDee"),
        QStringLiteral("Philippa Ravensworth"),
        QStringLiteral("zeke"),
        QStringLiteral("Wren Cole"),
        QStringLiteral("Marisol"),
        QStringLiteral("Ike Banjo"),
        QStringLiteral("TallulahB"),
        QStringLiteral("ozzie"),
        QStringLiteral("Fen Hartley"),
        QStringLiteral("Gus"),
        QStringLiteral("Ottoline"),
    };
    return names;
}

QString ScriptedPlayers::add(const QString &wanted, QString *why)
{
    // A player's name keeps the rule a person's does: neither the host's
    // nor one in use, nor one that only looks like either.
    const auto refusal = [this](const QString &n) {
        return PersonRules::nameRefusal(
            n, m_room, [this](const QString &m) { return has(m) || (nameTaken && nameTaken(m)); });
    };
    QString name = wanted.trimmed();
    if (name.isEmpty()) {
        QStringList free;
        for (const QString &n : castNames()) {
            if (refusal(n).isEmpty())
                free << n;
        }
        if (free.isEmpty()) {
            if (why)
                *why = QStringLiteral("Every name of the cast is in the room already.");
            return {};
        }
        name = free.at(pick(m_rng, free.size()));
    } else if (const QString problem = refusal(name); !problem.isEmpty()) {
        if (why)
            *why = problem;
        return {};
    }
    auto player = std::make_unique<Player>(Player{m_nextId++, name, std::mt19937(m_rng())});
    Player &p = *player;
    m_players.push_back(std::move(player));
    m_room.notice(QStringLiteral("%1 has entered the room.").arg(name));
    later(p, 500, 3000, [this](Player &p) {
        m_room.say(p.name, Greetings.at(pick(p.rng, Greetings.size())));
        chatLater(p);
    });
    return name;
}

bool ScriptedPlayers::remove(const QString &name)
{
    for (auto it = m_players.begin(); it != m_players.end(); ++it) {
        if ((*it)->name == name) {
            m_players.erase(it);
            m_room.notice(QStringLiteral("%1 has left the room.").arg(name));
            return true;
        }
    }
    return false;
}

QStringList ScriptedPlayers::names() const
{
    QStringList out;
    for (const auto &p : m_players)
        out << p->name;
    return out;
}

bool ScriptedPlayers::has(const QString &name) const
{
    return PersonRules::hasName(names(), name);
}

ScriptedPlayers::Player *ScriptedPlayers::find(const QString &name) const
{
    for (const auto &p : m_players) {
        if (p->name == name)
            return p.get();
    }
    return nullptr;
}

void ScriptedPlayers::later(Player &p, int minMs, int maxMs, std::function<void(Player &)> fn)
{
    const int ms = std::uniform_int_distribution<int>(minMs, maxMs)(p.rng);
    m_clock.after(ms, [this, id = p.id, fn = std::move(fn)] {
        // The player may have left meanwhile.
        for (const auto &q : m_players) {
            if (q->id == id) {
                fn(*q);
                return;
            }
        }
    });
}

void ScriptedPlayers::chatLater(Player &p)
{
    if (!m_style.chatty)
        return;
    later(p, 40000, 120000, [this](Player &p) {
        // A player called down keeps quiet: the host reads its last line.
        if (!p.down)
            m_room.say(p.name, Chatter.at(pick(p.rng, Chatter.size())));
        chatLater(p);
    });
}

void ScriptedPlayers::hear(const QString &line)
{
    const QString &host = m_room.hostName();
    if (line.startsWith(host) && QStringView(line).sliced(host.size()).startsWith(u": "))
        hostSays(line.mid(host.size() + 2));
}

void ScriptedPlayers::hostSays(const QString &text)
{
    if (text.startsWith(Invitation) && text.endsWith(InvitationEnd) &&
        text.size() > Invitation.size()) {
        // An empty registration character leaves nothing to send.
        const QString reg = text.mid(Invitation.size(), 1);
        if (text.mid(Invitation.size()).startsWith(QStringLiteral(" to ")))
            return;
        for (const auto &p : m_players) {
            later(*p, 1000, 6000, [this, reg](Player &p) {
                m_room.espToHost(p.name, reg);
                // Some wave to the host in the room as they register.
                if (chance(p.rng) < 0.3)
                    m_room.say(p.name, QString(QChar(0xB5)));
            });
        }
    } else if (text == GroupHeader) {
        for (const auto &p : m_players)
            p->down = false;
    } else if (const QString down = calledDownName(text); !down.isNull()) {
        if (Player *p = find(down))
            p->down = true;
    } else if (const qsizetype at = text.indexOf(Asking); at > 0) {
        m_lastAsked = text.left(at);
        m_boxesCalled = false;
        // The pattern is read only for a player of ours.
        if (Player *p = find(m_lastAsked)) {
            if (const std::optional<QString> pattern =
                    Guesses::pattern(text.mid(at + Asking.size())))
                answer(*p, *pattern);
        }
    } else if (text.startsWith(QStringLiteral("Sorry ")) && text.endsWith(TimeRanOut)) {
        if (Player *p = find(text.mid(6).chopped(TimeRanOut.size())))
            ++p->turn;
    } else if (text == BoxCall) {
        // The word is won: whoever was called down may chat again, but for
        // the winner, who is about to pick.
        m_boxesCalled = true;
        for (const auto &p : m_players)
            p->down = p->name == m_lastAsked;
    } else if (m_boxesCalled && text != NoBoxes && text.startsWith(QStringLiteral(" -- ")) &&
               text.endsWith(QStringLiteral(" -- "))) {
        m_boxesCalled = false;
        pickBox(text.mid(4).chopped(4));
    }
}

void ScriptedPlayers::answer(Player &p, const QString &pattern)
{
    const int turn = ++p.turn;
    const bool late = chance(p.rng) < m_style.late;
    QString word = m_guesses.likely(pattern, p.rng);
    if (chance(p.rng) >= m_style.right)
        word = Guesses::nearMiss(word, p.rng);
    const QString said = typedLike(word, p.rng);
    const int from = late ? 30000 : 2000;
    later(p, from, from + (late ? 10000 : 5000), [this, turn, said](Player &p) {
        // A turn closed before the answer was typed: the player lets it go.
        if (p.turn == turn)
            m_room.say(p.name, said);
    });
}

void ScriptedPlayers::pickBox(const QString &colours)
{
    Player *winner = find(m_lastAsked);
    const QStringList offered = colours.split(QStringLiteral(", "), Qt::SkipEmptyParts);
    if (!winner || offered.isEmpty())
        return;
    const QString colour = offered.at(pick(winner->rng, offered.size()));
    static const QStringList shapes = {QStringLiteral("%1"), QStringLiteral("%1 please"),
                                       QStringLiteral("%1!"), QStringLiteral("I'll take %1")};
    const QString said = shapes.at(pick(winner->rng, shapes.size()))
                             .arg(chance(winner->rng) < 0.5 ? colour.toLower() : colour);
    later(*winner, 2000, 5000, [this, said](Player &p) {
        m_room.say(p.name, said);
        p.down = false;
    });
}
