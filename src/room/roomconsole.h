#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class ChatRoom;
class WadapiServer;

// The console of the stand-in chat client: lines typed by the person who
// plays the players and the client's faults, and everything that happens,
// one line each, for that person (or a test) to follow.
//
//   Name: text          Name says text in the room
//   esp Name: text      Name sends the host a private message
//   /notice text        a line of the client's own
//   /status CODE [N]    answer the next N requests with status CODE ("" is empty)
//   /silent [N]         leave the next N requests unanswered
//   /clear              forget the queued statuses and silences
//   /nul                the next text goes out with a NUL trailer
//   /event [N] [text]   send the program an event
//   /drop               close the program's connection
//   /gestures, /help, /quit
//
// In names and texts \uXXXX stands for that character, so a gesture can be
// typed as \u00B0 as well as °.
class RoomConsole final : public QObject
{
    Q_OBJECT

public:
    RoomConsole(ChatRoom &room, WadapiServer &server, QObject *parent = nullptr);

    void handleLine(const QString &line);

    // Commands of the room's other parts: handler takes a command's name
    // (lower case, without the slash) and arguments, and says whether it
    // knew the command; help lines are listed by /help.
    using CommandHandler = std::function<bool(const QString &name, const QString &args)>;
    void addCommands(const QStringList &help, CommandHandler handler);

    static QString unescaped(const QString &text);
    static QStringList helpText();
    static QStringList testControlsHelp();

signals:
    void output(const QString &line);
    void quitRequested();

private:
    void command(const QString &name, const QString &args);
    bool message(const QString &line);

    ChatRoom &m_room;
    WadapiServer &m_server;
    QStringList m_extraHelp;
    std::vector<CommandHandler> m_extra;
};
