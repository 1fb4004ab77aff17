#include "irc/ircclient.h"

#include "base/ansi.h"
#include "irc/irctext.h"
#include "chatclient/chatroom.h"

#include <QSslSocket>

namespace {

const QByteArray MarkPrefix = "orvella-";

// Answers that tell a message of ours was not taken; each concerns the
// oldest line still waiting, since the server answers in order.
bool sendFailure(int n)
{
    switch (n) {
    case 401: // no such nick
    case 402:
    case 403: // no such channel
    case 404: // cannot send to channel
    case 406:
    case 407:
    case 411:
    case 412:
    case 413:
    case 414:
    case 492:
    case 531:
        return true;
    default:
        return false;
    }
}

QByteArray utf8(const QString &s)
{
    return s.toUtf8();
}

} // namespace

IrcClient::IrcClient(IrcSettings settings, ChatRoom &room, QObject *parent)
    : QObject(parent), m_s(std::move(settings)), m_room(room), m_bucket(m_s.burst, m_s.intervalMs)
{
    m_clock.start();
    m_wanted = IrcNick::fromName(m_s.name, FirstNickLength);
    for (QTimer *t : {&m_pace, &m_idle, &m_answer, &m_retry})
        t->setSingleShot(true);
    m_reclaim.setInterval(30000);
    connect(&m_pace, &QTimer::timeout, this, &IrcClient::pump);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        send("PING", {MarkPrefix + "alive"});
        m_answer.start(m_s.answerMs);
    });
    connect(&m_answer, &QTimer::timeout, this,
            [this] { lost(QStringLiteral("The IRC server stopped answering.")); });
    connect(&m_retry, &QTimer::timeout, this, &IrcClient::connectNow);
    connect(&m_reclaim, &QTimer::timeout, this, [this] { send("NICK", {utf8(m_wanted)}); });
}

IrcClient::~IrcClient()
{
    if (m_socket)
        m_socket->disconnect(this);
}

void IrcClient::start()
{
    if (m_wanted.isEmpty()) {
        fail(QStringLiteral("The host's name gives no IRC nick."));
        return;
    }
    if (m_s.tls && !QSslSocket::supportsSsl()) {
        fail(QStringLiteral("TLS is not available on this system; use --no-tls only for a "
                            "server you trust on the way."));
        return;
    }
    connectNow();
}

void IrcClient::connectNow()
{
    if (m_stopping)
        return;
    auto *socket = new QSslSocket(this);
    m_socket = socket;
    m_lines.reset();
    connect(socket, m_s.tls ? &QSslSocket::encrypted : &QSslSocket::connected, this,
            &IrcClient::onConnected);
    connect(socket, &QSslSocket::readyRead, this, &IrcClient::onRead);
    connect(socket, &QSslSocket::disconnected, this,
            [this] { lost(QStringLiteral("The IRC server closed the connection.")); });
    connect(socket, &QSslSocket::errorOccurred, this, [this, socket] {
        if (socket == m_socket)
            lost(socket->errorString());
    });
    connect(socket, &QSslSocket::sslErrors, this, [this](const QList<QSslError> &errors) {
        for (const QSslError &e : errors)
            emit report(QStringLiteral("TLS: ") + e.errorString());
    });
    emit report(QStringLiteral("Connecting to %1 port %2%3 ...")
                    .arg(m_s.host)
                    .arg(m_s.port)
                    .arg(m_s.tls ? QStringLiteral(" with TLS") : QString()));
    m_answer.start(m_s.answerMs);
    if (m_s.tls)
        socket->connectToHostEncrypted(m_s.host, m_s.port);
    else
        socket->connectToHost(m_s.host, m_s.port);
}

void IrcClient::onConnected()
{
    m_registered = m_joined = m_echoMessage = m_saslDone = false;
    m_offered.clear();
    m_nickTries = 0;
    m_nickLength = FirstNickLength;
    m_prefixLength = 0;
    emit report(QStringLiteral("Connected; logging in."));
    send("CAP", {"LS", "302"});
    if (!m_s.password.isEmpty())
        send("PASS", {m_s.password});
    tryNick(m_wanted);
    send("USER", {"orvella", "0", "*", "Orvella host"});
}

void IrcClient::onRead()
{
    QSslSocket *socket = m_socket;
    if (!socket)
        return;
    m_answer.stop();
    m_idle.start(m_s.idleMs);
    m_lines.feed(socket->readAll());
    while (m_socket == socket) {
        const std::optional<QByteArray> line = m_lines.next();
        if (!line)
            break;
        if (const std::optional<IrcMessage> m = IrcMessage::parse(*line))
            handle(*m);
    }
}

void IrcClient::lost(const QString &why)
{
    QSslSocket *socket = m_socket;
    if (!socket)
        return;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    for (QTimer *t : {&m_pace, &m_idle, &m_answer, &m_reclaim})
        t->stop();
    const bool wasUp = m_joined;
    m_joined = m_registered = false;
    const qsizetype unsaid = qsizetype(m_queue.size() + m_pending.size());
    m_queue.clear();
    m_pending.clear();
    updateWaiting();
    emit report(why);
    if (m_stopping)
        return;
    if (wasUp) {
        m_broken = true;
        notice(QStringLiteral("The connection to the IRC server was lost; reconnecting."));
    }
    if (unsaid > 0)
        notice(QStringLiteral("%1 of the host's lines may not have been said.").arg(unsaid));
    const int wait = static_cast<int>(
        std::min<qint64>(m_s.retryMaxMs, qint64(m_s.retryMinMs) << std::min(m_retries, 16)));
    ++m_retries;
    emit report(QStringLiteral("Trying again in %1 s.").arg(wait / 1000.0));
    m_retry.start(wait);
}

void IrcClient::fail(const QString &why)
{
    m_stopping = true;
    if (m_socket)
        lost(why);
    emit fatal(why);
}

void IrcClient::send(const QByteArray &command, const QList<QByteArray> &params)
{
    if (!m_socket)
        return;
    const QByteArray line = IrcMessage::encode(command, params);
    // Every caller builds its parameters from checked text, so an empty line
    // here is a fault of ours; dropping it beats sending half of it.
    if (line.isEmpty()) {
        emit report(QStringLiteral("Refused to send a malformed %1 command.")
                        .arg(QString::fromLatin1(command)));
        return;
    }
    m_socket->write(line);
}

void IrcClient::handle(const IrcMessage &m)
{
    const QByteArray &c = m.command;
    const int n = m.numeric();
    if (c == "PING") {
        send("PONG", m.params);
    } else if (c == "PONG") {
        const QByteArray mark = m.params.isEmpty() ? QByteArray() : m.trailing();
        bool ok = false;
        const quint64 id =
            mark.startsWith(MarkPrefix) ? mark.mid(MarkPrefix.size()).toULongLong(&ok) : 0;
        while (ok && !m_pending.empty() && m_pending.front().id <= id) {
            const Line line = m_pending.front();
            m_pending.pop_front();
            accepted(line, IrcText::fromWire(line.text).value_or(QString()));
        }
        updateWaiting();
    } else if (c == "CAP") {
        handleCap(m);
    } else if (c == "AUTHENTICATE" && m.param(0) == "+") {
        const QByteArray auth =
            (m_s.saslUser + '\0' + m_s.saslUser + '\0' + m_s.saslPassword).toBase64();
        for (qsizetype i = 0; i < auth.size(); i += 400)
            send("AUTHENTICATE", {auth.mid(i, 400)});
        if (auth.size() % 400 == 0)
            send("AUTHENTICATE", {"+"});
    } else if (n == 903) {
        m_saslDone = true;
        send("CAP", {"END"});
    } else if (n == 902 || n == 904 || n == 905 || n == 906 || n == 908) {
        fail(QStringLiteral("The SASL login was refused: %1").arg(IrcText::decode(m.trailing())));
    } else if (n == 1) {
        if (!m_s.saslUser.isEmpty() && !m_saslDone) {
            fail(QStringLiteral("The server let us in without the SASL login; not staying."));
            return;
        }
        m_registered = true;
        m_nick = IrcText::decode(m.param(0));
        emit report(QStringLiteral("Logged in as %1.").arg(m_nick));
        enterChannel();
    } else if (n == 5) {
        for (const QByteArray &p : m.params)
            if (p.startsWith("NICKLEN="))
                m_nickLength = std::max(1, p.mid(8).toInt());
    } else if (n == 433 || n == 436 || n == 432) {
        if (!m_registered)
            nickRefused(n);
    } else if (n == 353) {
        for (QByteArray name : m.trailing().split(' ')) {
            // Without the marks of channel operators and voices.
            while (!name.isEmpty() && QByteArrayView("~&@%+").contains(name[0]))
                name.remove(0, 1);
            if (!name.isEmpty())
                m_names << shownNick(name);
        }
    } else if (n == 366 && !m_names.isEmpty()) {
        notice(QStringLiteral("In %1 now - %2.").arg(m_s.channel, m_names.join(u", ")));
        m_names.clear();
    } else if (n == 471 || n == 473 || n == 474 || n == 475 || n == 405 || n == 477) {
        notice(
            QStringLiteral("Cannot join %1 (%2).").arg(m_s.channel, IrcText::decode(m.trailing())));
    } else if (sendFailure(n)) {
        refused(IrcText::decode(m.trailing()));
    } else if (c == "PRIVMSG" || c == "NOTICE") {
        handleMessage(m);
    } else if (c == "JOIN" && isChannel(m.param(0))) {
        if (isSelf(m.nick())) {
            // Our own prefix as others see it, for the length of our lines.
            m_prefixLength = m.prefix.size() + 2;
            m_joined = true;
            m_refusedTold = false;
            m_retries = 0;
            notice(QStringLiteral("%1 %2 as %3.")
                       .arg(m_broken ? QStringLiteral("Back in") : QStringLiteral("Joined"),
                            m_s.channel, m_nick));
            m_broken = false;
            if (m_nick != m_wanted)
                m_reclaim.start();
            emit joined();
            pump();
        } else {
            notice(QStringLiteral("%1 has joined %2.").arg(shownNick(m.nick()), m_s.channel));
        }
    } else if (c == "PART" && isChannel(m.param(0))) {
        notice(QStringLiteral("%1 has left %2.").arg(shownNick(m.nick()), m_s.channel));
    } else if (c == "QUIT") {
        notice(QStringLiteral("%1 has quit.").arg(shownNick(m.nick())));
        reclaimFrom(m.nick());
    } else if (c == "NICK") {
        const QString to = shownNick(m.param(0));
        if (isSelf(m.nick())) {
            m_nick = IrcText::decode(m.param(0));
            notice(QStringLiteral("You are now known as %1.").arg(to));
            if (m_nick == m_wanted)
                m_reclaim.stop();
        } else {
            notice(QStringLiteral("%1 is now known as %2.").arg(shownNick(m.nick()), to));
            reclaimFrom(m.nick());
        }
    } else if (c == "KICK" && isChannel(m.param(0))) {
        if (isSelf(m.param(1))) {
            m_joined = false;
            notice(QStringLiteral("You were kicked from %1 by %2; joining again.")
                       .arg(m_s.channel, shownNick(m.nick())));
            QTimer::singleShot(m_s.retryMinMs, this, [this] {
                if (m_registered && !m_joined)
                    enterChannel();
            });
        } else {
            notice(QStringLiteral("%1 was kicked by %2.")
                       .arg(shownNick(m.param(1)), shownNick(m.nick())));
        }
    } else if (c == "ERROR") {
        emit report(QStringLiteral("The server says ") + IrcText::decode(m.trailing()));
    }
}

void IrcClient::handleCap(const IrcMessage &m)
{
    const QByteArray sub = m.param(1);
    if (sub == "LS") {
        const bool more = m.params.size() > 3 && m.param(2) == "*";
        for (const QByteArray &cap : m.trailing().split(' '))
            if (!cap.isEmpty())
                m_offered << cap;
        if (more)
            return;
        QList<QByteArray> want;
        bool sasl = false;
        for (const QByteArray &cap : m_offered) {
            const qsizetype eq = cap.indexOf('=');
            const QByteArray name = cap.left(eq < 0 ? cap.size() : eq);
            if (name == "echo-message")
                want << name;
            if (name == "sasl" && (eq < 0 || cap.mid(eq + 1).split(',').contains("PLAIN")))
                sasl = true;
        }
        if (!m_s.saslUser.isEmpty()) {
            if (!sasl) {
                fail(QStringLiteral("The server offers no SASL PLAIN login."));
                return;
            }
            want << "sasl";
        }
        if (want.isEmpty())
            send("CAP", {"END"});
        else
            send("CAP", {"REQ", want.join(' ')});
    } else if (sub == "ACK") {
        const QList<QByteArray> caps = m.trailing().trimmed().split(' ');
        m_echoMessage = caps.contains("echo-message");
        if (caps.contains("sasl"))
            send("AUTHENTICATE", {"PLAIN"});
        else
            send("CAP", {"END"});
    } else if (sub == "NAK") {
        if (!m_s.saslUser.isEmpty())
            fail(QStringLiteral("The server refused the SASL login capability."));
        else
            send("CAP", {"END"});
    }
}

void IrcClient::handleMessage(const IrcMessage &m)
{
    const bool privmsg = m.command == "PRIVMSG";
    const std::optional<QString> text = IrcText::fromWire(m.param(1));
    if (isSelf(m.nick()) && m_echoMessage && privmsg) {
        if (!m_pending.empty()) {
            const Line line = m_pending.front();
            m_pending.pop_front();
            accepted(line, text.value_or(QString()));
            updateWaiting();
        }
        return;
    }
    if (!text)
        return; // CTCP requests other than actions are not part of the room
    const QString from = shownNick(m.nick());
    if (isChannel(m.param(0)))
        m_room.say(from, *text);
    else if (!isSelf(m.param(0)))
        return;
    else if (privmsg && m.prefix.contains('!'))
        m_room.espToHost(from, *text);
    else
        emit report(QStringLiteral("Notice from %1: %2").arg(from, *text));
}

void IrcClient::tryNick(const QString &nick)
{
    m_tried = nick;
    send("NICK", {utf8(nick)});
}

void IrcClient::nickRefused(int numeric)
{
    QString next;
    if (numeric == 432 && m_tried.size() > 9)
        next = m_tried.left(9); // every server takes nine
    else if (numeric != 432 && m_nickTries < 99)
        next = IrcNick::numbered(m_wanted, ++m_nickTries + 1, m_nickLength);
    if (next.isEmpty()) {
        fail(QStringLiteral("The server refuses the nick %1.").arg(m_tried));
        return;
    }
    emit report(QStringLiteral("The nick %1 is %2; trying %3.")
                    .arg(m_tried,
                         numeric == 432 ? QStringLiteral("refused") : QStringLiteral("in use"),
                         next));
    if (numeric == 432)
        m_wanted = next;
    tryNick(next);
}

void IrcClient::reclaimFrom(const QByteArray &leaving)
{
    if (m_nick != m_wanted && IrcNick::folded(leaving) == IrcNick::folded(utf8(m_wanted)))
        send("NICK", {utf8(m_wanted)});
}

void IrcClient::enterChannel()
{
    send("JOIN", {utf8(m_s.channel)});
}

QByteArray IrcClient::communicate(qint16 mode, const QString &target, const QString &text)
{
    if (mode != 0 && mode != 2) {
        emit report(QStringLiteral("Refused a message with mode %1 (status -1).").arg(mode));
        return "-1";
    }
    if (!m_joined) {
        // Once until the client is back: the game may say many lines meanwhile.
        if (!m_refusedTold)
            noticeLater(QStringLiteral("Not connected to the IRC server; the host's lines are "
                                       "not said until it is back."));
        m_refusedTold = true;
        return "-1";
    }
    const QByteArray to = mode == 0 ? utf8(m_s.channel) : targetNick(target);
    if (to.isEmpty()) {
        emit report(QStringLiteral("No nick for %1 (status -1).").arg(target));
        return "-1";
    }
    for (const QByteArray &piece : IrcText::toWire(text, textBudget(to)))
        if (!piece.isEmpty())
            m_queue.push_back({to, piece, mode == 0, 0});
    updateWaiting();
    pump();
    return "0";
}

void IrcClient::pump()
{
    while (!m_queue.empty() && m_joined) {
        const qint64 now = m_clock.elapsed();
        if (!m_bucket.take(now)) {
            m_pace.start(static_cast<int>(m_bucket.wait(now)));
            return;
        }
        Line line = m_queue.front();
        m_queue.pop_front();
        line.id = m_nextId++;
        send("PRIVMSG", {line.target, line.text});
        m_pending.push_back(line);
        // Without echo-message the server's answer to this PING, which
        // comes after any error about the line, tells that it took it.
        if (!m_echoMessage)
            send("PING", {MarkPrefix + QByteArray::number(line.id)});
    }
}

void IrcClient::accepted(const Line &line, const QString &text)
{
    if (line.channel)
        m_room.say(m_nick, text);
    else
        emit report(QStringLiteral("ESP to %1: %2").arg(shownNick(line.target), text));
}

void IrcClient::refused(const QString &reason)
{
    if (m_pending.empty()) {
        emit report(reason);
        return;
    }
    const Line line = m_pending.front();
    m_pending.pop_front();
    notice(QStringLiteral("Not delivered to %1 (%2).").arg(shownNick(line.target), reason));
    updateWaiting();
}

void IrcClient::updateWaiting()
{
    const bool waiting = !m_queue.empty() || !m_pending.empty();
    if (waiting != m_waiting) {
        m_waiting = waiting;
        emit hostLinesWaiting(waiting);
    }
}

void IrcClient::notice(QString text)
{
    emit report(text);
    // No colon: the game finds a player's answer by the name and a colon
    // anywhere in the text, so a notice must never hold one.
    text.replace(u':', u' ');
    m_room.notice(QStringLiteral("*** ") + text);
}

void IrcClient::noticeLater(const QString &text)
{
    // The status goes to the program first, then the room's text.
    QMetaObject::invokeMethod(
        this, [this, text] { notice(text); }, Qt::QueuedConnection);
}

bool IrcClient::isSelf(QByteArrayView nick) const
{
    return !m_nick.isEmpty() && IrcNick::folded(nick) == IrcNick::folded(utf8(m_nick));
}

bool IrcClient::isChannel(QByteArrayView name) const
{
    return IrcNick::folded(name) == IrcNick::folded(utf8(m_s.channel));
}

QString IrcClient::shownNick(const QByteArray &nick)
{
    const QString name = IrcText::decode(nick);
    // The program reads names in Windows-1252; an ESP back must still find
    // the nick the name came from.
    const QString seen = Ansi::decode(Ansi::encode(name));
    if (seen != name) {
        if (m_seen.size() > 10000)
            m_seen.clear();
        m_seen.insert(seen, nick);
    }
    return name;
}

QByteArray IrcClient::targetNick(const QString &name) const
{
    const auto it = m_seen.constFind(name);
    return it != m_seen.cend() ? *it : utf8(IrcNick::fromName(name, m_nickLength));
}

qsizetype IrcClient::textBudget(const QByteArray &target) const
{
    // Others receive ":prefix PRIVMSG target :text" in 510 bytes; before our
    // JOIN shows our prefix, allow for the longest user and host names.
    const qsizetype prefix = m_prefixLength > 0 ? m_prefixLength : m_nick.size() + 80;
    return 510 - prefix - qsizetype(sizeof("PRIVMSG ") - 1) - target.size() - 2;
}
