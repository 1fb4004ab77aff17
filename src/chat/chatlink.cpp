#include "chat/chatlink.h"

#include "base/ansi.h"
#include "base/failure.h"
#include "base/hostdialogs.h"
#include "chat/protocol.h"
#include "chat/ticksource.h"
#include "chat/waits.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

const QString LinkTitle = QStringLiteral("Chat Client");

// The status is first read as a number, so Busy in any numeric spelling
// repeats; the other codes are then compared as text.
bool readsAsBusy(const QString &status)
{
    // A single digit is its own value; most statuses are one, and a full
    // number parse of each would cost more than the rest of a request.
    if (status.size() == 1 && status[0] >= u'0' && status[0] <= u'9')
        return status[0].unicode() - u'0' == int(ClientStatus::Busy);
    bool ok = false;
    const double value = status.toDouble(&ok);
    return ok && value == int(ClientStatus::Busy);
}

bool spells(const QString &status, ClientStatus code)
{
    return status == QLatin1String(statusCode(code));
}

Integer clampTicks(qint64 ticks)
{
    return static_cast<Integer>(std::min<qint64>(ticks, std::numeric_limits<Integer>::max()));
}

ChatLink::RepeatClock realClock()
{
    return {[] {
                return std::chrono::duration_cast<std::chrono::microseconds>(
                    std::chrono::steady_clock::now().time_since_epoch());
            },
            [](std::chrono::milliseconds pause) { Waits::pauseFor(pause); }};
}

} // namespace

ChatLink::ChatLink(Wadapi &wadapi, TickSource &timer1, HostDialogs &dialogs,
                   std::function<QString()> appName)
    : m_wadapi(wadapi), m_timer1(timer1), m_dialogs(dialogs), m_appName(std::move(appName)),
      m_clock(realClock())
{
    m_timer1.onTick = [this] { Timer1_Timer(); };
}

ChatLink::~ChatLink()
{
    m_timer1.setEnabled(false);
    m_timer1.onTick = nullptr;
}

qint16 ChatLink::InitDDE()
{
    m_liveOffered = false;
    m_statusOffered = false;
    m_statusSent.clear();
    // What the old link owed dies with it.
    m_modOffered = false;
    m_modPending.clear();
    m_unsaid = 0;
    m_linking = true;
    const qint16 result = m_wadapi.InitDDE(m_appName(), this);
    m_linking = false;
    if (result == 0) {
        m_goneReported = false;
        m_shutDown = false;
        if (m_liveOffered && m_liveWanted)
            SendNotice(NoticeKey::Live, QStringLiteral("1"));
        sendStatusText();
    }
    if (result == 0 && m_liveOfferHook)
        m_liveOfferHook(m_liveOffered);
    return result;
}

void ChatLink::sendGameStatus(const GameStatus &status)
{
    m_statusText = encodeGameStatus(status);
    sendStatusText();
}

void ChatLink::sendStatusText()
{
    if (m_statusOffered && !m_statusText.isEmpty() && m_statusText != m_statusSent && !m_shutDown &&
        m_wadapi.connected()) {
        m_wadapi.DapiGameStatus(m_statusText);
        m_statusSent = m_statusText;
    }
}

void ChatLink::setLiveCopy(bool on)
{
    if (std::exchange(m_liveWanted, on) != on && m_liveOffered)
        SendNotice(NoticeKey::Live, on ? QStringLiteral("1") : QStringLiteral("0"));
}

QString ChatLink::Moderate(const ModRequest &request)
{
    if (m_shutDown || !m_wadapi.connected())
        return QStringLiteral("The chat client is not linked.");
    if (!m_modOffered)
        return QStringLiteral("This chat client cannot moderate.");
    if (m_modPending.size() >= MaxModPending)
        return QStringLiteral("The chat client has not answered the earlier requests yet.");
    m_modPending.push_back(request);
    m_wadapi.DapiModerate(Ansi::encode(modActionWord(request.action)), Ansi::encode(request.name),
                          qint16(request.minutes), Ansi::encode(request.reason));
    return {};
}

void ChatLink::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    // A client that has gone away has nothing left to unregister.
    if (m_wadapi.connected())
        m_wadapi.DapiUnregister(m_appName());
    m_wadapi.KillDDE();
}

void ChatLink::SendChat(int mode, const QString &target, const QString &text)
{
    if (mode < std::numeric_limits<qint16>::min() || mode > std::numeric_limits<qint16>::max())
        throw Failure(ErrOverflow);
    const QByteArray targetBytes = Ansi::encode(target);
    const QByteArray textBytes = Ansi::encode(text);
    request([&] {
        m_wadapi.DapiCommunicate(m_appName(), static_cast<qint16>(mode), targetBytes, textBytes);
    });
}

void ChatLink::SendNotice(const char *key, const QString &value)
{
    if (!m_shutDown && m_wadapi.connected())
        m_wadapi.DapiNotice(QByteArray(key), Ansi::encode(value));
}

void ChatLink::FetchChat()
{
    request([&] { m_wadapi.DapiGetAllText(m_appName()); });
}

std::chrono::milliseconds ChatLink::repeatPause(int n)
{
    if (n <= 1)
        return std::chrono::milliseconds(0);
    return std::chrono::milliseconds(std::min(1 << std::min(n - 2, 7), 100));
}

void ChatLink::request(const std::function<void()> &call)
{
    ensureUp();
    endIfUnsaid();
    ++m_requesting;
    const auto leave = qScopeGuard([this] {
        if (--m_requesting == 0 && m_requestsOver)
            m_requestsOver();
    });
    // Window events flow while the call waits for its status and between
    // repeats, so the window repaints and closes even when the client keeps
    // answering 6 or 10 or nothing; the growing pause spares both programs a
    // busy loop. The limit still ends the request as before.
    const std::chrono::microseconds deadline = m_clock.now() + m_answerLimit;
    for (int repeat = 1;; ++repeat) {
        // A call that returns without a status must not pass for the ending
        // status of an earlier request.
        m_state.DapiStatus.clear();
        call();
        const QString status = m_state.DapiStatus;
        const bool busy = readsAsBusy(status);
        if (!busy &&
            (spells(status, ClientStatus::Done) || spells(status, ClientStatus::Refused))) {
            // The client tells of lost lines ahead of the status that refuses
            // the next one: that request fails with the step.
            endIfUnsaid();
            return;
        }
        if (Waits::abandoned())
            throw WaitAbandoned();
        if (m_shutDown)
            throw LinkDown();
        if (!m_wadapi.connected())
            linkGone();
        const std::chrono::microseconds left = deadline - m_clock.now();
        if (left.count() <= 0)
            notAnswering();
        if (!busy && spells(status, ClientStatus::Unregistered))
            m_wadapi.DapiRegister(m_appName());
        // Never past the limit: the last repeat comes as it runs out.
        m_clock.pause(
            std::min(repeatPause(repeat), std::chrono::ceil<std::chrono::milliseconds>(left)));
    }
}

void ChatLink::ensureUp()
{
    if (m_shutDown)
        throw LinkDown();
    if (!m_wadapi.connected())
        linkGone();
    // Up again after a break: the next break is news to the host.
    m_goneReported = false;
}

void ChatLink::linkGone()
{
    reportGone();
    throw LinkDown();
}

void ChatLink::reportGone()
{
    if (!m_goneReported) {
        m_goneReported = true;
        m_dialogs.message(QStringLiteral("The chat client has gone away."), LinkTitle);
    }
}

void ChatLink::OnDapiGone()
{
    // A request under way reports the break when its call returns.
    if (m_requesting > 0)
        return;
    // The host hears of it now rather than at the next click, but not from
    // inside the client library's own notice.
    QTimer::singleShot(0, &m_context, [this] {
        if (!m_shutDown && !m_wadapi.connected())
            reportGone();
    });
}

void ChatLink::notAnswering()
{
    m_dialogs.message(QStringLiteral("The chat client is not answering."), LinkTitle);
    throw LinkDown();
}

void ChatLink::endIfUnsaid()
{
    if (m_unsaid > 0) {
        tellUnsaid();
        throw LinkDown();
    }
}

void ChatLink::tellUnsaid()
{
    const int lines = std::exchange(m_unsaid, 0);
    m_dialogs.message(
        lines == 1 ? QStringLiteral("1 of your lines may not have reached the room.")
                   : QStringLiteral("%1 of your lines may not have reached the room.").arg(lines),
        LinkTitle);
}

void ChatLink::WaitForChat()
{
    const QString before = m_state.ChatText;
    m_state.ChatText.clear();
    try {
        FetchChat();
        ++m_chatWaits;
        const auto leave = qScopeGuard([this] { --m_chatWaits; });
        Waits::pumpUntil([this] {
            return !m_state.ChatText.isEmpty() || m_unsaid > 0 || m_shutDown ||
                   !m_wadapi.connected();
        });
        // Text held back for the host's lines is no answer to them.
        endIfUnsaid();
        if (m_state.ChatText.isEmpty()) {
            if (m_shutDown)
                throw LinkDown();
            linkGone();
        }
    } catch (...) {
        m_state.ChatText = before;
        throw;
    }
}

void ChatLink::FetchChatBriefly()
{
    constexpr int Pauses = 4;
    m_state.ChatText.clear();
    FetchChat();
    for (int pause = 0; pause < Pauses && m_state.ChatText.isEmpty(); ++pause)
        My_Wait(2);
}

void ChatLink::My_Wait(Integer delay)
{
    const Integer limit = checkedAdd(checkedAdd(delay, delay), 1);

    const qint64 start = m_ticks;
    m_waitStarts.push_back(start);
    m_state.WaitTicks = 0;
    m_timer1.setEnabled(true);
    // The timer runs while any wait is in progress; an outer wait shows its
    // own count again once the inner one is over.
    struct Leave
    {
        ChatLink &link;
        ~Leave()
        {
            link.m_waitStarts.pop_back();
            if (link.m_waitStarts.empty())
                link.m_timer1.setEnabled(false);
            else
                link.showWaitTicks();
        }
    } leave{*this};

    QCoreApplication::processEvents();
    Waits::pumpUntil([&] { return m_ticks - start >= limit || m_unsaid > 0; });
    endIfUnsaid();
}

void ChatLink::Timer1_Timer()
{
    ++m_ticks;
    if (m_waitStarts.empty())
        m_state.WaitTicks = clampTicks(qint64(m_state.WaitTicks) + 1);
    else
        showWaitTicks();
}

void ChatLink::showWaitTicks()
{
    // A wait ends at 32767 ticks at the latest, so clamping hides nothing.
    m_state.WaitTicks = clampTicks(m_ticks - m_waitStarts.back());
}

QString ChatLink::GetNext(const QString &strBuf, const QString &strToken)
{
    if (!strBuf.isEmpty()) {
        m_block = strBuf;
        m_blockPos = 0;
    }
    // The block stays whole and only the position moves, so cutting a block
    // into lines takes time in proportion to its length.
    const qsizetype at = m_block.indexOf(strToken, m_blockPos);
    QString piece;
    if (at < 0) {
        piece = m_block.mid(m_blockPos);
        m_blockPos = m_block.size();
    } else {
        piece = m_block.mid(m_blockPos, at - m_blockPos);
        m_blockPos = at + strToken.size();
    }
    if (m_blockPos >= m_block.size()) {
        m_block.clear();
        m_blockPos = 0;
    }
    return piece;
}

void ChatLink::OnDapiStatus(const QByteArray &code)
{
    m_state.DapiStatus = Ansi::decode(code);
}

void ChatLink::OnDapiEvent(const QByteArray &text1, qint16 number, const QByteArray &text2)
{
    // An avatar name is short; a longer one is no name at all.
    constexpr qsizetype MaxName = 256;
    if (text1 == ClientEvent::Host && text2.size() <= MaxName)
        m_clientHostName = Ansi::decode(text2);
    if (text1 == ClientEvent::Unsaid && number > 0) {
        m_unsaid =
            int(std::min<qint64>(qint64(m_unsaid) + number, std::numeric_limits<int>::max()));
        // A request or wait under way ends its step; between steps the host
        // is told once the client's frames are handled.
        if (!waiting())
            QTimer::singleShot(0, &m_context, [this] {
                if (m_unsaid > 0 && !waiting())
                    tellUnsaid();
            });
    }
    if (text1 == NoticeKey::Status && !std::exchange(m_statusOffered, true) && !m_linking)
        sendStatusText();
    if (text1 == ModKey::Offer)
        m_modOffered = true;
    // An outcome nothing asked for is the client's mistake, not news.
    if (text1 == ModKey::Outcome && !m_modPending.empty()) {
        const ModRequest request = m_modPending.front();
        m_modPending.pop_front();
        if (m_modHook)
            m_modHook(request, number == qint16(ClientStatus::Done),
                      Ansi::decode(text2.left(ModLimits::MaxWords)));
    }
    // Offered as the link comes up, InitDDE asks once it is up; an offer
    // made later is taken at once.
    if (text1 != NoticeKey::Live || std::exchange(m_liveOffered, true) || m_linking)
        return;
    if (m_liveWanted)
        SendNotice(NoticeKey::Live, QStringLiteral("1"));
    if (m_liveOfferHook)
        m_liveOfferHook(true);
}

void ChatLink::OnDapiLive(const QByteArray &text)
{
    // A piece already on its way when the copy was stopped is not wanted.
    if (m_liveWanted && m_liveReceiver)
        m_liveReceiver(Ansi::decode(text));
}

void ChatLink::OnDapiText(const QByteArray &text)
{
    // The client ends some blocks with four characters of its own and a NUL;
    // a NUL within the first five characters is not such a trailer. Every
    // byte is one character, so the bytes are searched and cut, which is
    // quicker than searching the decoded text.
    const qsizetype nul = text.indexOf('\0');
    QString chat = Ansi::decode(nul >= 5 ? text.left(nul - 4) : text);
    while (chat.endsWith(u"\r\n"))
        chat.chop(2);
    m_state.ChatText = std::move(chat);
}
