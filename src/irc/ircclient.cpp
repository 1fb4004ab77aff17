#include "irc/ircclient.h"

#include "base/ansi.h"
#include "chatclient/chatroom.h"
#include "irc/irctext.h"
#include "irc/replycodes.h"

#include <QSslSocket>

#include <limits>

namespace {

QString minutes(int n)
{
    return n == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(n);
}

QByteArray utf8(const QString &s)
{
    return s.toUtf8();
}

// "Word N of M: PATTERN", the pattern as the ask line shows it ("A -- --");
// nothing before the first word.
QString topicOf(const GameStatus &s)
{
    if (s.phase == GameStatus::Phase::Idle || s.word < 1)
        return {};
    // Nothing that could end the command or colour the text; the pattern
    // comes as the ask line said it.
    QString pattern = s.pattern;
    pattern.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    QString topic = QStringLiteral("Word %1 of %2").arg(s.word).arg(s.words);
    if (!pattern.isEmpty())
        topic += QStringLiteral(": ") + pattern;
    return topic;
}

} // namespace

IrcClient::IrcClient(IrcSettings settings, ChatRoom &room, IrcClock &clock, QObject *parent)
    : QObject(parent), m_s(std::move(settings)), m_room(room), m_clock(clock), m_link(m_s, clock),
      m_login(m_s, clock,
              [this](const QByteArray &c, const QList<QByteArray> &p) { m_link.send(c, p); }),
      m_outbox(m_s.burst, m_s.intervalMs, m_s.confirmMs, clock,
               [this](const QByteArray &c, const QList<QByteArray> &p) { m_link.send(c, p); }),
      m_rejoin(clock.timer([this] {
          if (m_login.isRegistered() && m_channel != Channel::In)
              m_outbox.join(utf8(m_s.channel), m_s.channelKey);
      })),
      m_hold(clock.timer([this] {
          m_holdOver = true;
          m_refusedTold = false;
          if (m_outbox.queued() > 0)
              giveUpHeld(QStringLiteral("Still not in %1 after %2 s")
                             .arg(m_s.channel)
                             .arg(m_s.holdMs / 1000.0));
      })),
      m_topicPause(clock.timer([this] { sendTopic(); }))
{
    connect(&m_link, &IrcConnection::report, this, &IrcClient::report);
    connect(&m_link, &IrcConnection::opened, this, [this] {
        m_userHostLength = -1;
        m_login.begin();
    });
    connect(&m_link, &IrcConnection::received, this, &IrcClient::received);
    connect(&m_link, &IrcConnection::lost, this, &IrcClient::lost);
    connect(&m_link, &IrcConnection::gaveUp, this, [this](const QString &why) {
        m_gaveUp = why;
        m_refusedTold = false;
        notice(QStringLiteral("Cannot reach the IRC server safely (%1); stopped trying.").arg(why));
        emit fatal(why);
    });

    connect(&m_login, &IrcRegistration::report, this, &IrcClient::report);
    connect(&m_login, &IrcRegistration::failed, this, &IrcClient::fail);
    connect(&m_login, &IrcRegistration::broken, &m_link, &IrcConnection::abandon);
    connect(&m_login, &IrcRegistration::registered, this, [this] {
        m_outbox.setEchoes(m_login.echoesMessages());
        m_outbox.join(utf8(m_s.channel), m_s.channelKey);
    });

    connect(&m_outbox, &IrcOutbox::waitingChanged, this, &IrcClient::hostLinesWaiting);
    connect(&m_outbox, &IrcOutbox::taken, this,
            [this](const QByteArray &target, bool channel, const QString &text) {
                if (channel) {
                    m_room.say(m_login.nick(), text);
                } else {
                    emit report(QStringLiteral("ESP to %1: %2").arg(shownNick(target), text));
                    m_room.espFromHost(shownNick(target), text);
                }
            });
    connect(&m_outbox, &IrcOutbox::refused, this,
            [this](const QByteArray &target, const QString &reason) {
                notice(QStringLiteral("Not delivered to %1 (%2).").arg(shownNick(target), reason));
            });
    connect(&m_outbox, &IrcOutbox::unconfirmed, this, [this](const QByteArray &target) {
        emit report(QStringLiteral("The server has not said whether a line to %1 was delivered; "
                                   "going on.")
                        .arg(shownNick(target)));
    });
    connect(&m_outbox, &IrcOutbox::joinRefused, this, &IrcClient::joinRefused);
    connect(&m_outbox, &IrcOutbox::stray, this, &IrcClient::report);
    connect(&m_outbox, &IrcOutbox::commandAnswered, this, &IrcClient::commandAnswered);
    m_muteEnds = clock.timer([this] { endMutes(); });
}

void IrcClient::start()
{
    if (m_login.wanted().isEmpty()) {
        fail(QStringLiteral("The host's name gives no IRC nick."));
        return;
    }
    if (m_s.tls && !QSslSocket::supportsSsl()) {
        fail(QStringLiteral("TLS is not available on this system; use --no-tls only for a "
                            "server you trust on the way."));
        return;
    }
    leftChannel();
    m_link.open();
}

void IrcClient::leftChannel()
{
    m_holdOver = false;
    m_hold->start(m_s.holdMs);
}

void IrcClient::giveUpHeld(const QString &why, qsizetype extra)
{
    const qsizetype lines = m_outbox.queued() + extra;
    // Told before the held text goes to the program, so that its wait for
    // text ends with the step rather than with text that follows no line.
    emit unsaid(int(std::min<qsizetype>(lines, std::numeric_limits<qint16>::max())));
    notice(why.isEmpty()
               ? QStringLiteral("%1 of the host's lines may not have been said.").arg(lines)
               : why + QStringLiteral("; %1 of the host's lines were not said.").arg(lines));
    m_outbox.clear();
}

void IrcClient::lost()
{
    m_login.end();
    m_rejoin->stop();
    m_joinRefusal.clear();
    m_names.clear();
    m_moreNames = m_nameLines = 0;
    const bool wasIn = m_channel == Channel::In;
    const qsizetype unanswered = m_outbox.lose();
    if (m_link.state() == IrcConnection::State::Closed) {
        m_channel = Channel::Out;
        if (unanswered + m_outbox.queued() > 0)
            giveUpHeld(QStringLiteral("Disconnected"), unanswered);
        return;
    }
    if (wasIn) {
        m_channel = Channel::LinkLost;
        notice(QStringLiteral("The connection to the IRC server was lost; reconnecting."));
        leftChannel();
    }
    // Whether the room heard the lines in flight nobody can say; those
    // behind them would follow out of place, so the step's lines go too.
    if (unanswered > 0)
        giveUpHeld({}, unanswered);
}

void IrcClient::fail(const QString &why)
{
    m_link.close(why);
    emit fatal(why);
}

void IrcClient::received(const IrcMessage &m)
{
    // Before the login follows a change of our own nick.
    const bool fromUs = m_login.isSelf(m.nick());
    if (m_outbox.handle(m) || m_login.handle(m))
        return;
    const QByteArray &c = m.command;
    if (c == "PRIVMSG" || c == "NOTICE") {
        message(m, fromUs);
    } else if (c == "JOIN" && isChannel(m.param(0))) {
        joinSeen(m, fromUs);
    } else if (c == "PART" && isChannel(m.param(0))) {
        noticeInOrder(QStringLiteral("%1 has left %2.").arg(shownNick(m.nick()), m_s.channel));
    } else if (c == "QUIT") {
        noticeInOrder(QStringLiteral("%1 has quit.").arg(shownNick(m.nick())));
        m_spelling.remove(IrcNick::folded(m.nick(), m_login.caseMapping()));
    } else if (c == "NICK") {
        nickSeen(m, fromUs);
    } else if (c == "KICK" && isChannel(m.param(0))) {
        kickSeen(m);
    } else if (m.numeric() == Reply::NamReply) {
        namesSeen(m);
    } else if (m.numeric() == Reply::EndOfNames && m_nameLines > 0) {
        QString names = m_names.join(u", ");
        if (m_moreNames > 0)
            names += QStringLiteral(" and %1 more").arg(m_moreNames);
        notice(QStringLiteral("In %1 now - %2.").arg(m_s.channel, names));
        m_names.clear();
        m_moreNames = m_nameLines = 0;
    }
}

void IrcClient::namesSeen(const IrcMessage &m)
{
    if (++m_nameLines > MaxNameLines) {
        m_names.clear();
        m_moreNames = m_nameLines = 0;
        m_link.abandon(QStringLiteral("The server's list of names has no end."));
        return;
    }
    for (QByteArray name : m.trailing().split(' ')) {
        // Without the marks of channel operators and voices.
        while (!name.isEmpty() && QByteArrayView("~&@%+").contains(name[0]))
            name.remove(0, 1);
        if (name.isEmpty())
            continue;
        if (m_names.size() < ShownNames)
            m_names << shownNick(name);
        else
            ++m_moreNames;
    }
}

void IrcClient::message(const IrcMessage &m, bool fromUs)
{
    const bool privmsg = m.command == "PRIVMSG";
    if (fromUs && privmsg && m_login.echoesMessages()) {
        m_outbox.echoed(m.param(1));
        return;
    }
    rememberHost(m);
    if (isHidden(m.nick()))
        return; // muted, on a server without a quiet
    const std::optional<QString> text = IrcText::fromWire(m.param(1));
    if (!text)
        return; // CTCP requests other than actions are not part of the room
    const QString from = shownNick(m.nick());
    if (isChannel(m.param(0)))
        m_outbox.inOrder([this, from, text = *text] { m_room.say(from, text); });
    else if (!m_login.isSelf(m.param(0)))
        return;
    else if (privmsg && m.prefix.contains('!'))
        m_outbox.inOrder([this, from, text = *text] { m_room.espToHost(from, text); });
    else
        emit report(QStringLiteral("Notice from %1: %2").arg(from, *text));
}

void IrcClient::joinSeen(const IrcMessage &m, bool fromUs)
{
    if (!fromUs) {
        rememberHost(m);
        noticeInOrder(QStringLiteral("%1 has joined %2.").arg(shownNick(m.nick()), m_s.channel));
        return;
    }
    // Our own prefix as others see it, for the length of our lines.
    m_userHostLength = m.prefix.size() - m.nick().size();
    const bool back = m_channel == Channel::LinkLost;
    m_channel = Channel::In;
    m_refusedTold = false;
    m_joinRefusal.clear();
    m_joinTries = m_keyRefusals = 0;
    m_rejoin->stop();
    m_link.resetRetryWait();
    m_hold->stop();
    m_holdOver = false;
    notice(QStringLiteral("%1 %2 as %3.")
               .arg(back ? QStringLiteral("Back in") : QStringLiteral("Joined"), m_s.channel,
                    m_login.nick()));
    m_login.inChannel();
    emit joined();
    emit shownAs(nick());
    m_outbox.open();
    if (!m_topicPause->isActive())
        sendTopic();
}

void IrcClient::nickSeen(const IrcMessage &m, bool fromUs)
{
    const QByteArray from = m.nick(), to = m.param(0);
    if (fromUs) {
        notice(QStringLiteral("You are now known as %1.").arg(shownNick(to)));
        emit shownAs(shownNick(to));
        return;
    }
    const QString was = shownNick(from);
    const QByteArray key = IrcNick::folded(to, m_login.caseMapping());
    if (m_login.same(from, to)) {
        // The same nick to the server, so nobody else can hold it: the room
        // keeps the name the game may know the player by.
        if (m_spelling.size() > 10000)
            m_spelling.clear();
        m_spelling.insert(key, utf8(was));
        emit report(QStringLiteral("%1 now writes the nick as %2.").arg(was, IrcText::decode(to)));
        return;
    }
    m_spelling.remove(IrcNick::folded(from, m_login.caseMapping()));
    m_spelling.remove(key);
    // A host and a mute follow the person to the new nick.
    if (const QByteArray host = m_hosts.take(IrcNick::folded(from, m_login.caseMapping()));
        !host.isEmpty())
        m_hosts.insert(key, host);
    for (Mute &mute : m_mutes)
        if (m_login.same(mute.nick, from))
            mute.nick = to;
    noticeInOrder(QStringLiteral("%1 is now known as %2.").arg(was, shownNick(to)));
}

void IrcClient::kickSeen(const IrcMessage &m)
{
    if (!m_login.isSelf(m.param(1))) {
        noticeInOrder(
            QStringLiteral("%1 was kicked by %2.").arg(shownNick(m.param(1)), shownNick(m.nick())));
        return;
    }
    m_channel = Channel::Out;
    m_outbox.pause();
    leftChannel();
    notice(QStringLiteral("You were kicked from %1 by %2; joining again.")
               .arg(m_s.channel, shownNick(m.nick())));
    rejoinLater();
}

void IrcClient::joinRefused(const QString &reason, int numeric)
{
    m_joinRefusal = reason;
    m_refusedTold = false;
    // A key is said to be missing or wrong once, as the client stops.
    if (numeric == Reply::BadChannelKey) {
        if (++m_keyRefusals < KeyTries)
            return rejoinLater();
        fail(QStringLiteral("Cannot join %1 (%2): %3; stopped trying.")
                 .arg(m_s.channel, reason,
                      m_s.channelKey.isEmpty()
                          ? QStringLiteral("the channel has a key, give it with --key")
                          : QStringLiteral("the key given with --key is not the channel's")));
        return;
    }
    notice(QStringLiteral("Cannot join %1 (%2); trying again in %3 s.")
               .arg(m_s.channel, reason)
               .arg(rejoinWait() / 1000.0));
    rejoinLater();
}

void IrcClient::rejoinLater()
{
    m_rejoin->start(rejoinWait());
    ++m_joinTries;
}

QByteArray IrcClient::communicate(qint16 mode, const QString &target, const QString &text)
{
    if (mode != 0 && mode != 2) {
        emit report(QStringLiteral("Refused a message with mode %1 (status -1).").arg(mode));
        return "-1";
    }
    const QByteArray to = mode == 0 ? utf8(m_s.channel) : targetNick(target);
    if (to.isEmpty()) {
        emit report(QStringLiteral("No nick for %1 (status -1).").arg(target));
        return "-1";
    }
    QList<QByteArray> pieces = IrcText::toWire(text, textBudget(to));
    pieces.removeAll(QByteArray());
    if (m_channel != Channel::In) {
        if (m_holdOver || !m_gaveUp.isEmpty()) {
            // Once until the client is back: the game may say many lines meanwhile.
            if (!std::exchange(m_refusedTold, true) && m_gaveUp.isEmpty())
                noticeLater(QStringLiteral("Not in %1; the host's lines are not said until the "
                                           "client is back.")
                                .arg(m_s.channel));
            emit unsaid(1);
            return "-1";
        }
        if (m_outbox.queued() + pieces.size() > MaxHeld) {
            giveUpHeld(QStringLiteral("Too many lines waiting for %1").arg(m_s.channel),
                       pieces.size());
            return "-1";
        }
        if (!std::exchange(m_refusedTold, true))
            noticeLater(m_joinRefusal.isEmpty() || !m_login.isRegistered()
                            ? QStringLiteral("Not connected to the IRC server; the host's lines "
                                             "wait up to %1 s for it.")
                                  .arg(m_s.holdMs / 1000.0)
                            : QStringLiteral("Cannot join %1 (%2); the host's lines wait up to "
                                             "%3 s for the client to be in.")
                                  .arg(m_s.channel, m_joinRefusal)
                                  .arg(m_s.holdMs / 1000.0));
    }
    for (const QByteArray &piece : pieces)
        m_outbox.say(to, piece, mode == 0);
    return "0";
}

void IrcClient::showStatus(const GameStatus &status)
{
    if (!m_s.topic || m_topicRefused)
        return;
    const QString topic = topicOf(status);
    if (topic.isEmpty() || topic == m_topicWanted)
        return;
    m_topicWanted = topic;
    // A change within the pause waits for its end; only the newest is set.
    if (!m_topicPause->isActive())
        sendTopic();
}

void IrcClient::sendTopic()
{
    if (m_topicRefused || m_channel != Channel::In || m_topicWanted == m_topicSent)
        return;
    const QByteArray channel = utf8(m_s.channel);
    const qsizetype budget = std::min<qsizetype>(
        m_login.topicLength(),
        IrcMessage::LineLimit - qsizetype(sizeof("TOPIC  :") - 1) - channel.size());
    m_topicTicket = m_outbox.command(
        "TOPIC", {channel, IrcText::splitAtSpaces(utf8(m_topicWanted), budget).value(0)});
    m_topicSent = m_topicWanted;
    m_topicPause->start(m_s.intervalMs);
}

void IrcClient::notice(QString text)
{
    emit report(text);
    // No colon: the game finds a player's answer by the name and a colon
    // anywhere in the text, so a notice must never hold one.
    text.replace(u':', u' ');
    m_room.notice(QStringLiteral("*** ") + text);
}

void IrcClient::noticeInOrder(const QString &text)
{
    m_outbox.inOrder([this, text] { notice(text); });
}

void IrcClient::noticeLater(const QString &text)
{
    // The status goes to the program first, then the room's text.
    QMetaObject::invokeMethod(
        this, [this, text] { notice(text); }, Qt::QueuedConnection);
}

bool IrcClient::isChannel(QByteArrayView name) const
{
    return m_login.same(name, utf8(m_s.channel));
}

QString IrcClient::shownNick(QByteArray nick)
{
    const auto known = m_spelling.constFind(IrcNick::folded(nick, m_login.caseMapping()));
    if (known != m_spelling.cend())
        nick = *known;
    const QString name = IrcText::decode(nick);
    // The program reads names in Windows-1252 and no nick can be rebuilt
    // from one: an ESP back goes to the exact nick the name came from.
    const QString seen = Ansi::decode(Ansi::encode(name));
    if (const auto was = m_seen.find(seen); was != m_seen.end()) {
        *was = nick;
    } else {
        if (m_seenOrder.size() >= MaxSeen) {
            m_seen.remove(m_seenOrder.front());
            m_seenOrder.pop_front();
        }
        m_seen.insert(seen, nick);
        m_seenOrder.push_back(seen);
    }
    return name;
}

QByteArray IrcClient::targetNick(const QString &name) const
{
    return m_seen.value(name);
}

int IrcClient::rejoinWait() const
{
    return static_cast<int>(
        std::min<qint64>(m_s.retryMaxMs, qint64(m_s.retryMinMs) << std::min(m_joinTries, 16)));
}

qsizetype IrcClient::textBudget(const QByteArray &target) const
{
    // Others receive ":nick!user@host PRIVMSG target :text" in LineLimit bytes.
    // Servers cut user names to about ten bytes and host names to 63, so a
    // longer "!user@host" in our JOIN's echo is not what they add; the
    // same bound stands in until that echo.
    constexpr qsizetype UserHost = 76;
    const qsizetype userHost =
        m_userHostLength >= 0 ? std::min(m_userHostLength, UserHost) : UserHost;
    const qsizetype prefix = 1 + m_login.nick().toUtf8().size() + userHost + 1;
    const qsizetype budget =
        IrcMessage::LineLimit - prefix - qsizetype(sizeof("PRIVMSG ") - 1) - target.size() - 2;
    // A floor, so that no server's prefix cuts a line into crumbs.
    return std::max<qsizetype>(budget, 200);
}

void IrcClient::moderate(const ModRequest &r, ModAnswer answer)
{
    const auto refuse = [&answer](const QString &words) { answer({false, words}); };
    const auto named = [&r](const auto &kept) {
        return std::ranges::find_if(
            kept, [&r](const auto &k) { return k.name.compare(r.name, Qt::CaseInsensitive) == 0; });
    };
    if (r.action == ModAction::Bans) {
        QStringList bans;
        qsizetype length = 0;
        for (const Mask &ban : m_bans) {
            // Within what the program takes of one outcome.
            if ((length += ban.name.size() + ban.mask.size() + 5) > ModLimits::MaxWords - 100) {
                bans << QStringLiteral("and %1 more").arg(m_bans.size() - bans.size());
                break;
            }
            bans << QStringLiteral("%1 (%2)").arg(ban.name, IrcText::decode(ban.mask));
        }
        return answer(
            {true, bans.isEmpty()
                       ? QStringLiteral("No bans were set from here.")
                       : QStringLiteral("Bans set from here: %1.").arg(bans.join(u", "))});
    }
    if (r.action == ModAction::Unmute) {
        const auto mute = named(m_mutes);
        if (mute == m_mutes.end())
            return refuse(QStringLiteral("%1 is not muted.").arg(r.name));
        if (mute->mask.isEmpty()) {
            m_mutes.erase(mute);
            return answer({true, QStringLiteral("%1 is no longer muted.").arg(r.name)});
        }
    }
    if (m_channel != Channel::In)
        return refuse(
            QStringLiteral("Not in %1 now; try again once the client is back.").arg(m_s.channel));
    if (qsizetype(m_modWork.size()) >= MaxModWaiting)
        return refuse(QStringLiteral("Too many requests wait for the IRC server's answer."));
    const QByteArray channel = utf8(m_s.channel);
    ModWork work{r, std::move(answer), {}, {}, {}};
    const auto mode = [&](const QByteArray &change, const QByteArray &mask) {
        work.tickets << m_outbox.command("MODE", {channel, change, mask});
    };
    if (r.action == ModAction::Unban) {
        const auto ban = named(m_bans);
        if (ban == m_bans.end())
            return work.answer(
                {false, QStringLiteral("No ban on %1 was set from here.").arg(r.name)});
        mode("-b", work.mask = ban->mask);
    } else if (r.action == ModAction::Unmute) {
        const auto mute = named(m_mutes);
        const std::optional<IrcRegistration::Quiet> quiet = m_login.quiet();
        mode(QByteArray("-") + quiet.value_or(IrcRegistration::Quiet{}).mode,
             work.mask = mute->mask);
    } else {
        const QByteArray nick = targetNick(r.name);
        if (nick.isEmpty())
            return work.answer(
                {false, QStringLiteral("No one called %1 is in the room.").arg(r.name)});
        if (r.action == ModAction::Ban && named(m_bans) != m_bans.end())
            return work.answer({false, QStringLiteral("%1 is banned already.").arg(r.name)});
        if (r.action == ModAction::Mute && named(m_mutes) != m_mutes.end())
            return work.answer({false, QStringLiteral("%1 is muted already.").arg(r.name)});
        const bool keeps = r.action == ModAction::Ban || r.action == ModAction::Mute;
        if (keeps && (r.action == ModAction::Ban ? m_bans.size() : m_mutes.size()) >= MaxModKept)
            return work.answer(
                {false, QStringLiteral("Too many are %1 from here already.")
                            .arg(r.action == ModAction::Ban ? u"banned" : u"muted")});
        work.mask = maskOf(nick);
        const std::optional<IrcRegistration::Quiet> quiet = m_login.quiet();
        if (r.action == ModAction::Mute && !quiet) {
            m_mutes.append({r.name, nick, {}, m_clock.now() + r.minutes * 60000LL});
            endMutes();
            return work.answer(
                {true, QStringLiteral("%1 is muted for %2, but this IRC server has no "
                                      "quiet: only the host no longer sees %1's lines.")
                           .arg(r.name, minutes(r.minutes))});
        }
        if (r.action == ModAction::Mute)
            mode(QByteArray("+") + quiet->mode, work.mask = quiet->maskPrefix + work.mask);
        if (r.action == ModAction::Ban)
            mode("+b", work.mask);
        if (r.action == ModAction::Ban || r.action == ModAction::Kick)
            work.tickets << m_outbox.command(
                "KICK", r.reason.isEmpty() ? QList<QByteArray>{channel, nick}
                                           : QList<QByteArray>{channel, nick, utf8(r.reason)});
    }
    m_modWork.push_back(std::move(work));
}

void IrcClient::commandAnswered(quint64 ticket, int numeric, const QString &words)
{
    if (ticket == m_topicTicket && numeric == Reply::ChanOpPrivsNeeded &&
        !std::exchange(m_topicRefused, true))
        emit report(QStringLiteral("Not allowed to set the topic of %1 (%2); the game is not "
                                   "shown there.")
                        .arg(m_s.channel, words));
    for (auto it = m_modWork.begin(); it != m_modWork.end(); ++it) {
        if (!it->tickets.contains(ticket) || it->answers.size() == it->tickets.size())
            continue;
        it->answers.append({numeric, words});
        if (it->answers.size() == it->tickets.size()) {
            ModWork work = std::move(*it);
            m_modWork.erase(it);
            finish(work);
        }
        return;
    }
}

void IrcClient::finish(ModWork &w)
{
    const QString &name = w.request.name;
    const auto failed = [](const std::pair<int, QString> &a) -> QString {
        if (a.first == 0)
            return {};
        if (a.first == IrcOutbox::NoAnswer)
            return QStringLiteral("The IRC server did not answer (%1).").arg(a.second);
        return QStringLiteral("The IRC server refused: %1").arg(a.second);
    };
    if (const QString why = failed(w.answers.value(0)); !why.isEmpty())
        return w.answer({false, why});
    QString words;
    switch (w.request.action) {
    case ModAction::Kick:
        words = QStringLiteral("%1 was kicked.").arg(name);
        break;
    case ModAction::Ban:
        m_bans.append({name, w.mask});
        words = QStringLiteral("%1 is banned (%2).").arg(name, IrcText::decode(w.mask));
        if (const QString why = failed(w.answers.value(1)); !why.isEmpty())
            words += QStringLiteral(" Not kicked: ") + why;
        break;
    case ModAction::Unban:
        m_bans.removeIf([&w](const Mask &b) { return b.mask == w.mask; });
        words = QStringLiteral("%1 is no longer banned.").arg(name);
        break;
    case ModAction::Mute:
        m_mutes.append(
            {name, targetNick(name), w.mask, m_clock.now() + w.request.minutes * 60000LL});
        endMutes();
        words = QStringLiteral("%1 is muted for %2.").arg(name, minutes(w.request.minutes));
        break;
    case ModAction::Unmute:
        m_mutes.removeIf([&w](const Mute &m) { return m.mask == w.mask; });
        words = QStringLiteral("%1 is no longer muted.").arg(name);
        break;
    case ModAction::Bans:
        break;
    }
    w.answer({true, words});
}

QByteArray IrcClient::maskOf(const QByteArray &nick) const
{
    const QByteArray host = m_hosts.value(IrcNick::folded(nick, m_login.caseMapping()));
    return host.isEmpty() ? nick + "!*@*" : "*!*@" + host;
}

void IrcClient::rememberHost(const IrcMessage &m)
{
    const qsizetype at = m.prefix.indexOf('@');
    // A host name is at most 63 bytes on any server we know; a longer one is no host.
    if (at < 0 || m.prefix.size() - at - 1 > 255 || m.prefix.indexOf('!') < 0)
        return;
    if (m_hosts.size() >= MaxHosts)
        m_hosts.clear();
    m_hosts.insert(IrcNick::folded(m.nick(), m_login.caseMapping()), m.prefix.mid(at + 1));
}

bool IrcClient::isHidden(QByteArrayView nick) const
{
    return std::ranges::any_of(
        m_mutes, [&](const Mute &m) { return m.mask.isEmpty() && m_login.same(m.nick, nick); });
}

void IrcClient::endMutes()
{
    const qint64 now = m_clock.now();
    qint64 next = -1;
    for (qsizetype i = 0; i < m_mutes.size();) {
        const Mute &m = m_mutes[i];
        if (m.until > now) {
            next = next < 0 ? m.until : std::min(next, m.until);
            ++i;
            continue;
        }
        // The server's quiet is taken back; out of the channel it stays,
        // as a ban would.
        if (!m.mask.isEmpty() && m_channel == Channel::In)
            m_outbox.command(
                "MODE", {utf8(m_s.channel),
                         QByteArray("-") + m_login.quiet().value_or(IrcRegistration::Quiet{}).mode,
                         m.mask});
        m_mutes.removeAt(i);
    }
    if (next < 0)
        m_muteEnds->stop();
    else
        m_muteEnds->start(int(std::min<qint64>(next - now, std::numeric_limits<int>::max())));
}
