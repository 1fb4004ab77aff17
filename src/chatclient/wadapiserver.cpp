#include "chatclient/wadapiserver.h"

#include "base/ansi.h"
#include "chat/protocol.h"
#include "chatclient/chatroom.h"
#include "chatclient/listenat.h"
#include "transport/localconnection.h"
#include "transport/socketwadapi.h"

#include <QLocalServer>
#include <QTimer>

#include <algorithm>

#include <unistd.h>

namespace {

// Hands each connection over as its descriptor, before Qt wraps it in a
// socket of its own.
class DescriptorServer final : public QLocalServer
{
public:
    std::function<void(int)> onConnection;

protected:
    void incomingConnection(quintptr descriptor) override { onConnection(int(descriptor)); }
};

QString opName(FrameOp op)
{
    return QString(QLatin1Char(static_cast<char>(op)));
}

QString quoted(const QByteArray &bytes)
{
    QString s = Ansi::decode(bytes);
    s.replace(QChar(0), QStringLiteral("\\0"));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\\r\\n"));
    return u'"' + s + u'"';
}

QString describe(const Frame &f)
{
    switch (f.op) {
    case FrameOp::Communicate:
        return QStringLiteral("C %1 mode %2 target %3 text %4")
            .arg(quoted(f.app))
            .arg(f.number)
            .arg(quoted(f.target), quoted(f.text));
    case FrameOp::Status:
    case FrameOp::Text:
        return opName(f.op) + u' ' + quoted(f.text);
    case FrameOp::Event:
        return QStringLiteral("E %1 %2 %3").arg(quoted(f.text)).arg(f.number).arg(quoted(f.text2));
    case FrameOp::Notice:
        return QStringLiteral("N %1 %2").arg(quoted(f.text), quoted(f.text2));
    case FrameOp::Live:
        return QStringLiteral("L (%1 bytes)").arg(f.text.size());
    case FrameOp::GameStatus:
        return QStringLiteral("P (%1 bytes)").arg(f.text.size());
    case FrameOp::Moderate:
        return QStringLiteral("M %1 %2 %3 %4")
            .arg(quoted(f.text), quoted(f.target))
            .arg(f.number)
            .arg(quoted(f.text2));
    default:
        return opName(f.op) + u' ' + quoted(f.app);
    }
}

QString requests(int n)
{
    return n == 1 ? QStringLiteral("request") : QStringLiteral("requests");
}

} // namespace

WadapiServer::WadapiServer(ChatRoom &room, QObject *parent) : QObject(parent), m_room(room)
{
    auto *server = new DescriptorServer;
    server->setParent(this);
    server->onConnection = [this](int fd) { accept(fd); };
    m_server = server;
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_room, &ChatRoom::lineAdded, this, &WadapiServer::sendTextIfWanted);
    connect(&m_room, &ChatRoom::viewLine, this, &WadapiServer::liveLine);
}

WadapiServer::~WadapiServer()
{
    if (m_program)
        m_program->disconnect(this);
}

bool WadapiServer::listen(const QString &path)
{
    m_error.clear();
    return listenAt(*m_server, path, &m_error);
}

bool WadapiServer::hasProgram() const
{
    return m_program && m_program->isOpen();
}

void WadapiServer::queueStatus(const QByteArray &code, int count)
{
    m_faults.push_back({false, code, count});
}

void WadapiServer::queueSilence(int count)
{
    m_faults.push_back({true, {}, count});
}

void WadapiServer::clearFaults()
{
    m_faults.clear();
}

void WadapiServer::addNulTrailerToNextText()
{
    m_nulTrailer = true;
}

bool WadapiServer::sendEvent(const QByteArray &text1, qint16 number, const QByteArray &text2)
{
    if (!hasProgram())
        return false;
    write(Frame::event(text1, number, text2));
    return true;
}

QString WadapiServer::hostName() const
{
    return m_hostName.isEmpty() ? m_room.hostName() : m_hostName;
}

void WadapiServer::setHostName(const QString &name)
{
    m_hostName = name;
    if (hasProgram())
        write(Frame::event(ClientEvent::Host, 0, Ansi::encode(hostName())));
}

bool WadapiServer::dropProgram()
{
    if (!hasProgram())
        return false;
    closeProgram(QStringLiteral("Connection to the program closed."));
    return true;
}

void WadapiServer::holdText(bool hold)
{
    m_textHeld = hold;
    sendTextIfWanted();
}

void WadapiServer::accept(int fd)
{
    // A program that has just closed its old connection may be back before
    // we have read the end of it: read on until the end shows, or nothing
    // more is there. The bound keeps a chatty program from holding us here.
    for (int i = 0; i < 64 && m_program && m_program->waitForReadable(0); ++i) {
    }
    if (const QString foreign = foreignPeer(fd); !foreign.isEmpty()) {
        emit report(QStringLiteral("A program tried to connect; turned away: %1.").arg(foreign));
        ::close(fd);
        return;
    }
    if (hasProgram()) {
        emit report(QStringLiteral("A second program tried to connect; turned away."));
        ::close(fd);
        return;
    }
    if (m_program)
        m_program->deleteLater();
    m_program = new LocalConnection(this);
    m_program->adopt(fd);
    m_decoder.reset();
    forgetProgram();
    // A program that has just come sees the recent lines first, as a chat
    // window that opens shows them.
    m_readPos = m_room.recentStart();
    connect(m_program, &LocalConnection::readyRead, this, &WadapiServer::readProgram);
    connect(m_program, &LocalConnection::disconnected, this, &WadapiServer::programGone);
    connect(m_program, &LocalConnection::drained, this, &WadapiServer::queueLive);
    emit report(QStringLiteral("Program connected."));
    readProgram();
}

void WadapiServer::readProgram()
{
    LocalConnection *program = m_program;
    if (!program)
        return;
    m_decoder.feed(program->takeReceived());
    while (m_program == program) {
        const std::optional<Frame> frame = m_decoder.next();
        if (!frame)
            break;
        handle(*frame);
    }
    if (m_program == program && m_decoder.failed())
        closeProgram(QStringLiteral("The program broke the protocol (%1); connection closed.")
                         .arg(m_decoder.errorString()));
}

void WadapiServer::programGone()
{
    auto *program = qobject_cast<LocalConnection *>(sender());
    if (!program || program != m_program)
        return;
    m_program = nullptr;
    forgetProgram();
    program->deleteLater();
    emit report(QStringLiteral("Program disconnected."));
    emit programLeft();
}

void WadapiServer::handle(const Frame &frame)
{
    if (m_verbose)
        emit report(QStringLiteral("<- ") + describe(frame));
    if (!sentByProgram(frame.op)) {
        closeProgram(QStringLiteral("The program sent a '%1' frame; connection closed.")
                         .arg(opName(frame.op)));
        return;
    }
    // Named only in the reports of a few frames, not in every line's.
    const auto app = [&frame] { return Ansi::decode(frame.app); };
    switch (frame.op) {
    case FrameOp::Init:
        if (answeredByFault(frame))
            return;
        // The program tells the host's own lines from a stranger's copy by
        // this name; it comes ahead of the status so it is there at once.
        write(Frame::event(ClientEvent::Host, 0, Ansi::encode(hostName())));
        write(Frame::event(NoticeKey::Live, 0, {}));
        write(Frame::event(NoticeKey::Status, 0, {}));
        if (m_moderator)
            write(Frame::event(ModKey::Offer, 0, {}));
        write(Frame::status(statusCode(ClientStatus::Done)));
        emit report(QStringLiteral("Link up for %1.").arg(app()));
        return;
    case FrameOp::Register:
        emit report(QStringLiteral("%1 registered.").arg(app()));
        return;
    case FrameOp::Unregister:
        emit report(QStringLiteral("%1 unregistered.").arg(app()));
        return;
    case FrameOp::Communicate:
        if (!answeredByFault(frame))
            communicate(frame);
        return;
    case FrameOp::Notice:
        if (frame.text == NoticeKey::Live) {
            // Asked again, the copy goes on where it is.
            if (frame.text2 == "1" && !m_liveOn) {
                m_liveOn = true;
                emit report(QStringLiteral("The program follows the room."));
            } else if (frame.text2 == "0" && m_liveOn) {
                stopLive();
                emit report(QStringLiteral("The program no longer follows the room."));
            }
            return;
        }
        // A key this client does not know is a newer program's; it goes unheeded.
        if (frame.text != NoticeKey::RegChar)
            return;
        if (frame.text2.size() > NoticeKey::MaxRegChar) {
            emit report(QStringLiteral("The program sent a registration character of %1 bytes; "
                                       "ignored.")
                            .arg(frame.text2.size()));
            return;
        }
        emit report(frame.text2.isEmpty()
                        ? QStringLiteral("The host takes no registrations.")
                        : QStringLiteral("The host's registration character is %1.")
                              .arg(ChatRoom::shown(Ansi::decode(frame.text2))));
        emit notice(QString::fromLatin1(frame.text), Ansi::decode(frame.text2));
        return;
    case FrameOp::GameStatus:
        takeGameStatus(frame);
        return;
    case FrameOp::Moderate:
        moderate(frame);
        return;
    case FrameOp::GetAllText:
        if (answeredByFault(frame))
            return;
        write(Frame::status(statusCode(ClientStatus::Done)));
        m_textWanted = true;
        sendTextIfWanted();
        return;
    default:
        return;
    }
}

bool WadapiServer::answeredByFault(const Frame &frame)
{
    if (m_faults.empty())
        return false;
    Fault &f = m_faults.front();
    const Fault fault = f;
    const int left = --f.count;
    if (left <= 0)
        m_faults.pop_front();
    const QString more = QStringLiteral(" (%1 more %2 like this)").arg(left).arg(requests(left));
    if (fault.silent) {
        emit report(QStringLiteral("No answer to %1%2.").arg(opName(frame.op), more));
    } else {
        write(Frame::status(fault.code));
        emit report(
            QStringLiteral("Status %1 for %2%3.").arg(quoted(fault.code), opName(frame.op), more));
    }
    return true;
}

void WadapiServer::communicate(const Frame &frame)
{
    const QString text = Ansi::decode(frame.text);
    if (m_communicator) {
        write(Frame::status(m_communicator(frame.number, Ansi::decode(frame.target), text)));
        return;
    }
    const QString target = Ansi::decode(frame.target);
    if (frame.number == qint16(SendMode::Room)) {
        // The status first: text that a pending fetch is owed follows it.
        write(Frame::status(statusCode(ClientStatus::Done)));
        m_room.say(m_room.hostName(), text);
    } else if (frame.number == qint16(SendMode::Private) &&
               !ChatRoom::shown(target).trimmed().isEmpty()) {
        write(Frame::status(statusCode(ClientStatus::Done)));
        const QString shown = ChatRoom::shown(text);
        emit report(QStringLiteral("ESP to %1: %2").arg(ChatRoom::shown(target), shown));
        emit privateMessage(target, shown);
        m_room.espFromHost(ChatRoom::shown(target), text);
    } else {
        write(Frame::status(statusCode(ClientStatus::Refused)));
        emit report(QStringLiteral("Refused a message with mode %1 to %2 (status -1).")
                        .arg(frame.number)
                        .arg(quoted(frame.target)));
    }
}

void WadapiServer::sendTextIfWanted()
{
    if (!m_textWanted || m_textHeld || !hasProgram())
        return;
    const QString text = m_room.textSince(m_readPos);
    if (text.isEmpty())
        return;
    m_readPos = m_room.end();
    m_textWanted = false;
    QByteArray bytes = Ansi::encode(text);
    if (m_nulTrailer) {
        m_nulTrailer = false;
        bytes += QByteArrayView("~~~~\0trailing junk", 18);
        emit report(QStringLiteral("The text went out with a NUL trailer."));
    }
    write(Frame::chatText(bytes));
}

qsizetype WadapiServer::liveBacklog() const
{
    return m_live.bytes() + (hasProgram() ? m_program->bytesToWrite() : 0);
}

void WadapiServer::liveLine(const QString &line)
{
    if (!m_liveOn || !hasProgram())
        return;
    m_live.add(line);
    queueLive();
}

void WadapiServer::queueLive()
{
    // The lines of one turn of the event loop go out together, in one frame.
    if (!m_liveOn || m_live.isEmpty() || std::exchange(m_liveQueued, true))
        return;
    QTimer::singleShot(0, this, &WadapiServer::sendLive);
}

void WadapiServer::sendLive()
{
    m_liveQueued = false;
    if (!m_liveOn || !hasProgram() || m_live.isEmpty())
        return;
    // A program that does not read leaves the rest here, where it is
    // bounded; the socket's drained() brings us back.
    if (m_program->bytesToWrite() > 0)
        return;
    write(Frame::live(m_live.take()));
    queueLive();
}

void WadapiServer::stopLive()
{
    m_liveOn = false;
    m_live.clear();
}

void WadapiServer::takeGameStatus(const Frame &frame)
{
    std::optional<GameStatus> status = decodeGameStatus(frame.text);
    if (!status) {
        // Nothing on the players' screens is worth the link.
        emit report(QStringLiteral("The program sent a malformed game status of %1 bytes; "
                                   "ignored.")
                        .arg(frame.text.size()));
        return;
    }
    emit gameStatus(*status);
}

void WadapiServer::moderate(const Frame &frame)
{
    const std::optional<ModAction> action = modActionOf(Ansi::decode(frame.text));
    const ModRequest request{action.value_or(ModAction::Bans), Ansi::decode(frame.target),
                             frame.number, Ansi::decode(frame.text2)};
    if (qsizetype(m_modWaiting.size()) >= MaxModWaiting) {
        closeProgram(QStringLiteral("The program sent more moderation requests than wait for "
                                    "an answer; connection closed."));
        return;
    }
    const quint64 id = m_nextModId++;
    m_modWaiting.push_back({id, request, std::nullopt});
    ModOutcome outcome;
    if (!m_moderator)
        outcome.words = QStringLiteral("This chat client cannot moderate.");
    else if (!action)
        outcome.words = QStringLiteral("This chat client does not know how to %1.")
                            .arg(ChatRoom::shown(Ansi::decode(frame.text.left(32))));
    else if (QString why = modRefusal(request, hostName()); !why.isEmpty())
        outcome.words = why;
    else
        return m_moderator(request, [self = QPointer(this), id](const ModOutcome &outcome) {
            if (self)
                self->answerModeration(id, outcome);
        });
    answerModeration(id, outcome);
}

void WadapiServer::answerModeration(quint64 id, const ModOutcome &outcome)
{
    // An answer for a program that has gone finds nothing here.
    const auto it =
        std::ranges::find_if(m_modWaiting, [id](const ModWaiting &w) { return w.id == id; });
    if (it == m_modWaiting.end() || it->outcome)
        return;
    it->outcome = outcome;
    while (!m_modWaiting.empty() && m_modWaiting.front().outcome) {
        const ModWaiting done = std::move(m_modWaiting.front());
        m_modWaiting.pop_front();
        emit report(QStringLiteral("The host: %1 %2: %3")
                        .arg(modActionWord(done.request.action), ChatRoom::shown(done.request.name),
                             done.outcome->words));
        write(Frame::event(ModKey::Outcome,
                           qint16(done.outcome->done ? ClientStatus::Done : ClientStatus::Refused),
                           Ansi::encode(done.outcome->words)));
    }
}

void WadapiServer::forgetProgram()
{
    m_textWanted = false;
    m_modWaiting.clear();
    stopLive();
}

void WadapiServer::write(const Frame &frame)
{
    if (!hasProgram())
        return;
    if (m_verbose)
        emit report(QStringLiteral("-> ") + describe(frame));
    m_program->write(encodeFrame(frame));
}

void WadapiServer::closeProgram(const QString &why)
{
    LocalConnection *program = m_program;
    if (!program)
        return;
    m_program = nullptr;
    forgetProgram();
    program->disconnect(this);
    // What the system has taken still reaches the program.
    program->close();
    program->deleteLater();
    emit report(why);
    emit programLeft();
}
