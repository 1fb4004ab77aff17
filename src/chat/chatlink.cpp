#include "chat/chatlink.h"

#include "chat/ticksource.h"
#include "chat/waits.h"
#include "files/ansi.h"
#include "game/failure.h"
#include "game/hostdialogs.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>
#include <limits>

namespace {

const QString LinkTitle = QStringLiteral("Chat Client");

// The status is first read as a number, so "6" in any numeric spelling
// repeats; the ending codes are then compared as text.
bool readsAsSix(const QString &status)
{
    bool ok = false;
    const double value = status.toDouble(&ok);
    return ok && value == 6;
}

Integer clampTicks(qint64 ticks)
{
    return static_cast<Integer>(std::min<qint64>(ticks, std::numeric_limits<Integer>::max()));
}

} // namespace

ChatLink::ChatLink(GameState &game, Wadapi &wadapi, TickSource &timer1, HostDialogs &dialogs,
                   std::function<QString()> appName)
    : m_game(game), m_wadapi(wadapi), m_timer1(timer1), m_dialogs(dialogs),
      m_appName(std::move(appName))
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
    const qint16 result = m_wadapi.InitDDE(m_appName(), this);
    if (result == 0) {
        m_goneReported = false;
        m_shutDown = false;
    }
    return result;
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

void ChatLink::FetchChat()
{
    request([&] { m_wadapi.DapiGetAllText(m_appName()); });
}

void ChatLink::request(const std::function<void()> &call)
{
    ensureUp();
    // The client library blocks inside each call, so no window events run
    // between repetitions; the deadline alone bounds a client that keeps
    // answering 6, 10 or nothing at all.
    const QDeadlineTimer deadline(m_answerLimit, Qt::PreciseTimer);
    for (;;) {
        // A call that returns without a status must not pass for the ending
        // status of an earlier request.
        m_game.DapiStatus.clear();
        call();
        const QString status = m_game.DapiStatus;
        const bool six = readsAsSix(status);
        if (!six && (status == u"0" || status == u"-1"))
            return;
        if (!m_wadapi.connected())
            linkGone();
        if (deadline.hasExpired())
            notAnswering();
        if (!six && status == u"10")
            m_wadapi.DapiRegister(m_appName());
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
    if (!m_goneReported) {
        m_goneReported = true;
        m_dialogs.message(QStringLiteral("The chat client has gone away."), LinkTitle);
    }
    throw LinkDown();
}

void ChatLink::notAnswering()
{
    m_dialogs.message(QStringLiteral("The chat client is not answering."), LinkTitle);
    throw LinkDown();
}

void ChatLink::WaitForChat()
{
    const QString before = m_game.ChatText;
    m_game.ChatText.clear();
    try {
        FetchChat();
        Waits::pumpUntil(
            [this] { return !m_game.ChatText.isEmpty() || m_shutDown || !m_wadapi.connected(); });
        if (m_game.ChatText.isEmpty()) {
            if (m_shutDown)
                throw LinkDown();
            linkGone();
        }
    } catch (...) {
        m_game.ChatText = before;
        throw;
    }
}

void ChatLink::My_Wait(Integer delay)
{
    const Integer limit = checkedAdd(checkedAdd(delay, delay), 1);

    const qint64 start = m_ticks;
    m_waitStarts.push_back(start);
    m_game.WaitTicks = 0;
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
    Waits::pumpUntil([&] { return m_ticks - start >= limit; });
}

void ChatLink::Timer1_Timer()
{
    ++m_ticks;
    if (m_waitStarts.empty())
        m_game.WaitTicks = clampTicks(qint64(m_game.WaitTicks) + 1);
    else
        showWaitTicks();
}

void ChatLink::showWaitTicks()
{
    // A wait ends at 32767 ticks at the latest, so clamping hides nothing.
    m_game.WaitTicks = clampTicks(m_ticks - m_waitStarts.back());
}

QString ChatLink::GetNext(const QString &strBuf, const QString &strToken)
{
    if (!strBuf.isEmpty())
        TokenRest = strBuf;
    const qsizetype at = TokenRest.indexOf(strToken);
    QString piece;
    if (at < 0) {
        piece = TokenRest;
        TokenRest.clear();
    } else {
        piece = TokenRest.left(at);
        TokenRest = TokenRest.mid(at + strToken.size());
    }
    return piece;
}

void ChatLink::OnDapiStatus(const QByteArray &code)
{
    m_game.DapiStatus = Ansi::decode(code);
}

void ChatLink::OnDapiEvent(const QByteArray &, qint16, const QByteArray &) {}

void ChatLink::OnDapiText(const QByteArray &text)
{
    QString chat = Ansi::decode(text);
    // The client ends some blocks with four characters of its own and a NUL;
    // a NUL within the first five characters is not such a trailer.
    const qsizetype nul = chat.indexOf(QChar(0));
    if (nul >= 5)
        chat.truncate(nul - 4);
    while (chat.endsWith(u"\r\n"))
        chat.chop(2);
    m_game.ChatText = chat;
}
