#pragma once

#include "chat/gamestatus.h"
#include "chat/moderation.h"
#include "chatclient/livecopy.h"
#include "transport/frame.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

class ChatRoom;
class LocalConnection;
class QLocalServer;

// The chat client's side of the socket: takes one program at a time, says
// its lines in the room under the host's name, and gives it the room's text.
// Faults queued here replace the normal answer to the coming requests (I, C
// and G), one request each, in the order queued; a request answered with a
// fault is not carried out.
class WadapiServer final : public QObject
{
    Q_OBJECT

public:
    explicit WadapiServer(ChatRoom &room, QObject *parent = nullptr);
    ~WadapiServer() override;

    // Listens at path. A socket file left behind by a client that is gone is
    // replaced; a client still listening there, or a path that is not a
    // socket, is left alone and the call fails (see errorString()).
    bool listen(const QString &path);
    QString errorString() const { return m_error; }
    bool hasProgram() const;
    // Reports every frame as well.
    void setVerbose(bool verbose) { m_verbose = verbose; }

    void queueStatus(const QByteArray &code, int count);
    void queueSilence(int count);
    void clearFaults();
    // The next text frame gets four characters, a NUL and junk behind the text.
    void addNulTrailerToNextText();
    bool sendEvent(const QByteArray &text1, qint16 number, const QByteArray &text2);
    bool dropProgram();
    // The name the host's lines show under, told to the program as an "E"
    // frame "host" when it connects and whenever it changes; the room's host
    // until set.
    QString hostName() const;
    void setHostName(const QString &name);

    // Takes the program's messages (C requests) elsewhere than into this
    // room and gives the status to answer with; queued faults still come first.
    using Communicator =
        std::function<QByteArray(qint16 mode, const QString &target, const QString &text)>;
    void setCommunicator(Communicator communicator) { m_communicator = std::move(communicator); }
    // Carries out the program's moderation requests, well-formed and not
    // aimed at the host, and answers each once, at once or later (an IRC
    // server's answer); the outcomes reach the program in the order the
    // requests came. A client with one offers moderation as the link comes
    // up (ModKey::Offer); one without never does, and refuses a request that
    // comes anyway.
    using ModAnswer = std::function<void(const ModOutcome &)>;
    using Moderator = std::function<void(const ModRequest &, ModAnswer answer)>;
    void setModerator(Moderator moderator) { m_moderator = std::move(moderator); }
    // While held, text owed to the program waits; it goes out once released.
    void holdText(bool hold);
    // Whether the program asked for the live copy of the room's view, and
    // the bytes of it that the program has yet to get: the lines waiting
    // here and whatever the socket still holds for it.
    bool liveCopy() const { return m_liveOn; }
    qsizetype liveBacklog() const;

signals:
    // What happened, for the person at the console: one line each.
    void report(const QString &line);
    // The host sent target a private message, and this server said it (no
    // communicator is set): target as the program named it, text as the
    // room shows it.
    void privateMessage(const QString &target, const QString &text);
    // The program told the client something about the game (keys in
    // chat/wadapi.h): only keys this client knows, with values in bounds.
    void notice(const QString &key, const QString &value);
    // The program's newest game status, as sent.
    void gameStatus(const GameStatus &status);
    // The program is gone, closed or crashed: the game it showed is on hold.
    void programLeft();

private:
    struct Fault
    {
        bool silent = false;
        QByteArray code;
        int count = 0;
    };

    void accept(int fd);
    void readProgram();
    void programGone();
    void handle(const Frame &frame);
    bool answeredByFault(const Frame &frame);
    void communicate(const Frame &frame);
    void sendTextIfWanted();
    void liveLine(const QString &line);
    void queueLive();
    void sendLive();
    void stopLive();
    void takeGameStatus(const Frame &frame);
    void moderate(const Frame &frame);
    void answerModeration(quint64 id, const ModOutcome &outcome);
    void forgetProgram();
    void write(const Frame &frame);
    void closeProgram(const QString &why);

    ChatRoom &m_room;
    QLocalServer *m_server;
    QPointer<LocalConnection> m_program;
    FrameDecoder m_decoder;
    std::deque<Fault> m_faults;
    qint64 m_readPos = 0;
    bool m_textWanted = false;
    bool m_nulTrailer = false;
    bool m_verbose = false;
    QString m_error;
    Communicator m_communicator;
    Moderator m_moderator;
    // Moderation requests of this program not yet answered to it, oldest
    // first, each with its outcome once the moderator gave it. The program
    // keeps fewer waiting (ChatLink::MaxModPending).
    struct ModWaiting
    {
        quint64 id = 0;
        ModRequest request;
        std::optional<ModOutcome> outcome;
    };
    static constexpr qsizetype MaxModWaiting = 64;
    std::deque<ModWaiting> m_modWaiting;
    quint64 m_nextModId = 1;
    bool m_textHeld = false;
    QString m_hostName;
    LiveCopy m_live;
    bool m_liveOn = false;
    bool m_liveQueued = false;
};
