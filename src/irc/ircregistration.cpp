#include "irc/ircregistration.h"

#include "irc/irctext.h"
#include "irc/replycodes.h"

namespace {

QByteArray utf8(const QString &s)
{
    return s.toUtf8();
}

bool saslRefused(int n)
{
    using namespace Reply;
    return n == NickLocked || n == SaslFail || n == SaslTooLong || n == SaslAborted ||
           n == SaslMechs;
}

} // namespace

IrcRegistration::IrcRegistration(const IrcSettings &settings, IrcClock &clock, IrcSend send,
                                 QObject *parent)
    : QObject(parent), m_s(settings), m_send(std::move(send)), m_reclaim(clock.timer([this] {
          if (!m_keepNick())
              m_send("NICK", {utf8(m_wanted)});
          m_reclaim->start(ReclaimMs);
      })),
      m_deadline(clock.timer([this] {
          emit broken(QStringLiteral("The server did not let us in within %1 s.")
                          .arg(m_s.loginMs / 1000.0));
      })),
      m_wanted(IrcNick::fromName(m_s.name, FirstNickLength))
{}

bool IrcRegistration::isSelf(QByteArrayView nick) const
{
    return !m_nick.isEmpty() && same(nick, utf8(m_nick));
}

bool IrcRegistration::same(QByteArrayView a, QByteArrayView b) const
{
    return IrcNick::folded(a, m_caseMapping) == IrcNick::folded(b, m_caseMapping);
}

std::optional<IrcRegistration::Quiet> IrcRegistration::quiet() const
{
    if (m_listModes.contains('q'))
        return Quiet{'q', {}};
    if (!m_extBan)
        return std::nullopt;
    const qsizetype comma = m_extBan->indexOf(',');
    const QByteArray prefix = comma < 0 ? QByteArray() : m_extBan->left(comma);
    const QByteArray types = m_extBan->mid(comma + 1);
    if (types.contains('q'))
        return Quiet{'b', prefix + "q:"};
    // Elsewhere 'm' is no mute: only InspIRCd's bare letters make it one.
    if (types.contains('m') && prefix.isEmpty())
        return Quiet{'b', "m:"};
    return std::nullopt;
}

void IrcRegistration::begin()
{
    m_registered = m_echoMessage = m_saslDone = false;
    m_offered.clear();
    m_nickTries = 0;
    m_nickLength = FirstNickLength;
    m_topicLength = FirstTopicLength;
    m_caseMapping = IrcNick::CaseMapping::Rfc1459;
    m_listModes.clear();
    m_extBan.reset();
    m_deadline->start(m_s.loginMs);
    emit report(QStringLiteral("Connected; logging in."));
    m_send("CAP", {"LS", "302"});
    if (!m_s.password.isEmpty())
        m_send("PASS", {m_s.password});
    tryNick(!m_nick.isEmpty() && m_keepNick() ? m_nick : m_wanted);
    m_send("USER", {"orvella", "0", "*", "Orvella host"});
}

void IrcRegistration::end()
{
    m_registered = false;
    m_reclaim->stop();
    m_deadline->stop();
}

void IrcRegistration::inChannel()
{
    if (m_nick != m_wanted)
        m_reclaim->start(ReclaimMs);
}

bool IrcRegistration::handle(const IrcMessage &m)
{
    const int n = m.numeric();
    if (m.command == "CAP") {
        handleCap(m);
    } else if (m.command == "AUTHENTICATE") {
        if (m.param(0) == "+")
            authenticate();
    } else if (n == Reply::SaslSuccess) {
        m_saslDone = true;
        m_send("CAP", {"END"});
    } else if (saslRefused(n)) {
        emit failed(
            QStringLiteral("The SASL login was refused: %1").arg(IrcText::decode(m.trailing())));
    } else if (n == Reply::Welcome) {
        // Once a link: a second welcome would rename us and join again.
        if (!m_registered)
            welcome(m);
    } else if (n == Reply::ISupport) {
        takeISupport(m);
    } else if (n == Reply::ErroneousNickname || n == Reply::NicknameInUse ||
               n == Reply::NickCollision) {
        if (!m_registered)
            nickRefused(n);
    } else if (m.command == "NICK") {
        if (isSelf(m.nick())) {
            m_nick = IrcText::decode(m.param(0));
            if (m_nick == m_wanted)
                m_reclaim->stop();
        } else {
            reclaimFrom(m.nick());
        }
        return false;
    } else if (m.command == "QUIT") {
        reclaimFrom(m.nick());
        return false;
    } else {
        return false;
    }
    return true;
}

void IrcRegistration::takeISupport(const IrcMessage &m)
{
    for (const QByteArray &p : m.params) {
        if (p.startsWith("NICKLEN=")) {
            m_nickLength = std::max(1, p.mid(8).toInt());
        } else if (p.startsWith("TOPICLEN=")) {
            m_topicLength = std::max(1, p.mid(9).toInt());
        } else if (p.startsWith("CHANMODES=")) {
            m_listModes = p.mid(10).split(',').value(0);
        } else if (p.startsWith("EXTBAN=")) {
            m_extBan = p.mid(7);
        } else if (p.startsWith("CASEMAPPING=")) {
            const QByteArray value = p.mid(12);
            const std::optional<IrcNick::CaseMapping> mapping = IrcNick::caseMappingNamed(value);
            // Folding fewer characters than the server does at worst shows one
            // person under two spellings; folding more would merge two people.
            m_caseMapping = mapping.value_or(IrcNick::CaseMapping::Ascii);
            if (!mapping && std::exchange(m_unknownMapping, value) != value)
                emit report(QStringLiteral("The server compares nicks by %1, unknown here; "
                                           "comparing them by ascii.")
                                .arg(IrcText::decode(value.left(64))));
        }
    }
}

void IrcRegistration::handleCap(const IrcMessage &m)
{
    const QByteArray sub = m.param(1);
    if (sub == "LS") {
        const bool more = m.params.size() > 3 && m.param(2) == "*";
        for (const QByteArray &cap : m.trailing().split(' '))
            if (!cap.isEmpty() && cap.size() <= 512) // no name or value we want is longer
                m_offered << cap;
        if (m_offered.size() > MaxOffered) {
            m_offered.clear();
            emit broken(
                QStringLiteral("The server offers more than %1 capabilities.").arg(MaxOffered));
            return;
        }
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
                emit failed(QStringLiteral("The server offers no SASL PLAIN login."));
                return;
            }
            want << "sasl";
        }
        if (want.isEmpty())
            m_send("CAP", {"END"});
        else
            m_send("CAP", {"REQ", want.join(' ')});
    } else if (sub == "ACK") {
        const QList<QByteArray> caps = m.trailing().trimmed().split(' ');
        m_echoMessage = caps.contains("echo-message");
        if (caps.contains("sasl"))
            m_send("AUTHENTICATE", {"PLAIN"});
        else
            m_send("CAP", {"END"});
    } else if (sub == "NAK") {
        if (!m_s.saslUser.isEmpty())
            emit failed(QStringLiteral("The server refused the SASL login capability."));
        else
            m_send("CAP", {"END"});
    }
}

void IrcRegistration::authenticate()
{
    const QByteArray auth =
        (m_s.saslUser + '\0' + m_s.saslUser + '\0' + m_s.saslPassword).toBase64();
    for (qsizetype i = 0; i < auth.size(); i += 400)
        m_send("AUTHENTICATE", {auth.mid(i, 400)});
    if (auth.size() % 400 == 0)
        m_send("AUTHENTICATE", {"+"});
}

void IrcRegistration::welcome(const IrcMessage &m)
{
    if (!m_s.saslUser.isEmpty() && !m_saslDone) {
        emit failed(QStringLiteral("The server let us in without the SASL login; not staying."));
        return;
    }
    m_registered = true;
    m_deadline->stop();
    m_offered.clear();
    m_nick = IrcText::decode(m.param(0));
    emit report(QStringLiteral("Logged in as %1.").arg(m_nick));
    emit registered();
}

void IrcRegistration::tryNick(const QString &nick)
{
    m_tried = nick;
    m_send("NICK", {utf8(nick)});
}

void IrcRegistration::nickRefused(int numeric)
{
    QString next;
    const bool refused = numeric == Reply::ErroneousNickname;
    if (refused && m_tried.size() > 9)
        next = m_tried.left(9); // every server takes nine
    else if (!refused)
        // The nick kept from the last link may be one of the numbered ones.
        while (m_nickTries < 99 && (next.isEmpty() || next == m_tried))
            next = IrcNick::numbered(m_wanted, ++m_nickTries + 1, m_nickLength);
    if (next.isEmpty()) {
        emit failed(QStringLiteral("The server refuses the nick %1.").arg(m_tried));
        return;
    }
    emit report(
        QStringLiteral("The nick %1 is %2; trying %3.")
            .arg(m_tried, refused ? QStringLiteral("refused") : QStringLiteral("in use"), next));
    if (refused)
        m_wanted = next;
    tryNick(next);
}

void IrcRegistration::reclaimFrom(const QByteArray &leaving)
{
    if (m_nick != m_wanted && same(leaving, utf8(m_wanted)) && !m_keepNick())
        m_send("NICK", {utf8(m_wanted)});
}
