#pragma once

#include "irc/ircclock.h"
#include "irc/ircmessage.h"
#include "irc/ircsettings.h"
#include "irc/irctext.h"

#include <QObject>

#include <optional>

// Logs in on each new connection: the capabilities (echo-message, and the
// SASL PLAIN login when an account is given), the password, the nick and
// the user, another nick while the server refuses the one asked for, until
// the server's welcome. Then it follows our nick and takes the wanted one
// back once whoever holds it lets it go.
class IrcRegistration final : public QObject
{
    Q_OBJECT

public:
    IrcRegistration(const IrcSettings &settings, IrcClock &clock, IrcSend send,
                    QObject *parent = nullptr);

    // The nick the host's name maps to; empty when the name gives none.
    QString wanted() const { return m_wanted; }
    // The nick the server knows us by.
    QString nick() const { return m_nick; }
    bool isRegistered() const { return m_registered; }
    // Whether the server echoes our own messages back to us.
    bool echoesMessages() const { return m_echoMessage; }
    // The longest nick the server takes.
    qsizetype nickLength() const { return m_nickLength; }
    // The longest topic the server takes, in bytes.
    qsizetype topicLength() const { return m_topicLength; }
    // How the server quiets a person in a channel, from its ISUPPORT: a
    // list mode of its own (CHANMODES type A 'q', mask as is), or an extban
    // on 'b' ('q' with the EXTBAN prefix, as "~q:", or InspIRCd's "m:");
    // nothing when it offers none.
    struct Quiet
    {
        char mode = 'q';
        QByteArray maskPrefix;
    };
    std::optional<Quiet> quiet() const;
    bool isSelf(QByteArrayView nick) const;
    // Whether the server takes two nicks (or channel names) for one, by its
    // case mapping; rfc1459 until it says.
    bool same(QByteArrayView a, QByteArrayView b) const;
    IrcNick::CaseMapping caseMapping() const { return m_caseMapping; }
    // While keep() says so, the nick we have is kept: the wanted one is not
    // taken back, and a new link asks for ours first. Players may have been
    // told to write to it.
    void setKeepNick(std::function<bool()> keep) { m_keepNick = std::move(keep); }

    // A new connection: logs in.
    void begin();
    // The connection is gone.
    void end();
    // In the channel: from now on the wanted nick is asked for now and then
    // while another one is ours and need not be kept.
    void inChannel();
    // Takes what concerns the login or our nick. True when the message
    // concerns nothing else (a NICK or QUIT also concerns the channel).
    bool handle(const IrcMessage &m);

    static constexpr int FirstNickLength = 30;
    // Until the server says (TOPICLEN): what many servers take.
    static constexpr int FirstTopicLength = 307;
    // How often the wanted nick is asked for while another one is ours.
    static constexpr int ReclaimMs = 30000;
    // Capabilities offered in all the lines of one CAP LS reply.
    static constexpr qsizetype MaxOffered = 200;

signals:
    // The server's welcome: nick() is ours.
    void registered();
    // A fault that retrying cannot mend (refused login, no nick).
    void failed(const QString &why);
    // The server misbehaves (no welcome in time, a reply without end): this
    // link is no good, a new one may be.
    void broken(const QString &why);
    void report(const QString &line);

private:
    void handleCap(const IrcMessage &m);
    void authenticate();
    void welcome(const IrcMessage &m);
    void tryNick(const QString &nick);
    void nickRefused(int numeric);
    // Takes the wanted nick when the one holding it lets it go.
    void reclaimFrom(const QByteArray &leaving);
    void takeISupport(const IrcMessage &m);

    IrcSettings m_s;
    IrcSend m_send;
    std::unique_ptr<IrcClock::Timer> m_reclaim, m_deadline;
    QString m_wanted; // the nick the host's name maps to
    QString m_nick;   // the nick the server knows us by
    QString m_tried;
    int m_nickTries = 0;
    qsizetype m_nickLength = FirstNickLength;
    qsizetype m_topicLength = FirstTopicLength;
    IrcNick::CaseMapping m_caseMapping = IrcNick::CaseMapping::Rfc1459;
    QByteArray m_listModes;             // CHANMODES type A
    std::optional<QByteArray> m_extBan; // EXTBAN as given, "prefix,types"
    QByteArray m_unknownMapping;        // the last one told of on the console
    std::function<bool()> m_keepNick = [] { return false; };
    QList<QByteArray> m_offered;
    bool m_echoMessage = false;
    bool m_saslDone = false;
    bool m_registered = false;
};
