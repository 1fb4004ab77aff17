#include "room/playercommands.h"

#include "room/roomconsole.h"
#include "room/scriptedplayers.h"

void addPlayerCommands(RoomConsole &console, ScriptedPlayers &players,
                       std::function<QStringList()> people)
{
    const QStringList help = {
        QStringLiteral("/add [N | name]     add N scripted players (1), or one of this name"),
        QStringLiteral("/remove name        a scripted player leaves the room"),
        QStringLiteral("/players            who is in the room"),
        QStringLiteral("/words PATH         the players learn the words of a word file or folder"),
    };
    console.addCommands(help, [&console, &players, people = std::move(people)](
                                  const QString &name, const QString &args) {
        const auto say = [&console](const QString &line) { emit console.output(line); };
        if (name == u"add") {
            bool isCount = false;
            const int n = args.isEmpty() ? 1 : args.toInt(&isCount);
            if (!args.isEmpty() && !isCount) {
                QString why;
                if (players.add(RoomConsole::unescaped(args), &why).isEmpty())
                    say(why);
                return true;
            }
            for (int i = 0; i < std::clamp(n, 0, 100); ++i) {
                QString why;
                if (players.add({}, &why).isEmpty()) {
                    say(why);
                    break;
                }
            }
        } else if (name == u"remove") {
            if (!players.remove(RoomConsole::unescaped(args)))
                say(QStringLiteral("No scripted player is called %1.").arg(args));
        } else if (name == u"players") {
            say(QStringLiteral("Scripted: %1").arg(players.names().join(QStringLiteral(", "))));
            say(QStringLiteral("People: %1").arg(people().join(QStringLiteral(", "))));
        } else if (name == u"words") {
            QString error;
            if (players.guesses().learn(args, &error))
                say(QStringLiteral("The players know %1 words.")
                        .arg(players.guesses().known().size()));
            else
                say(error);
        } else {
            return false;
        }
        return true;
    });
}
