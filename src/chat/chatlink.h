#pragma once

#include "base/integer.h"
#include "chat/gamestatus.h"
#include "chat/moderation.h"
#include "chat/protocol.h"
#include "chat/wadapi.h"

#include <QObject>
#include <QString>
#include <QStringView>

#include <chrono>
#include <deque>
#include <functional>
#include <vector>

class HostDialogs;
class TickSource;

// The program's only road to the room: requests to the chat client, the
// client's callbacks, the pacing wait and the line cutter. It keeps its own
// state: the last chat text, the last status, the wait's tick count and the
// cutter's block.
//
// A request that fails ends the step under way with LinkDown after telling
// the host: a client that gives no ending status within the answer limit is
// reported for that request; a client that has gone away is reported once
// per break, as soon as it goes. A client that says some of the host's
// lines never reached the room (ClientEvent::Unsaid) ends the step under way
// the same way, at its request or wait then running or its next one; with
// no step under way the host is only told. Waits throw WaitAbandoned once
// Waits::abandonAll() was called.
class ChatLink final : public WadapiCallbacks
{
public:
    static constexpr std::chrono::milliseconds DefaultAnswerLimit{5000};

    // appName gives AppName at the moment of each call. The link takes over
    // timer1's onTick.
    ChatLink(Wadapi &wadapi, TickSource &timer1, HostDialogs &dialogs,
             std::function<QString()> appName);
    ~ChatLink() override;

    ChatLink(const ChatLink &) = delete;
    ChatLink &operator=(const ChatLink &) = delete;

    // How long one request may go without an ending status (0 or -1).
    void setAnswerLimit(std::chrono::milliseconds limit) { m_answerLimit = limit; }

    // The clock of the answer limit (steady) and the pause between repeats
    // of a request, during which events flow; tests replace both. The
    // default pause throws WaitAbandoned.
    struct RepeatClock
    {
        std::function<std::chrono::microseconds()> now;
        std::function<void(std::chrono::milliseconds)> pause;
    };
    void setRepeatClock(RepeatClock clock) { m_clock = std::move(clock); }
    // The pause before the n-th repeat of a request (n from 1): none at
    // first, then growing to a ceiling, so a busy client is asked again soon
    // and an endless one only a few times a second.
    static std::chrono::milliseconds repeatPause(int n);

    // True while a request waits for the client's status or repeats; a click
    // handled then must not start another step.
    bool requesting() const { return m_requesting > 0; }
    // Called when the last request under way has ended, however it ended.
    void setRequestsOver(std::function<void()> hook) { m_requestsOver = std::move(hook); }

    // Opens the link under AppName with this object as the callbacks; 0 means up.
    qint16 InitDDE();
    // DapiUnregister, then KillDDE. Requests made afterwards throw LinkDown
    // without telling the host; a second call does nothing.
    void Shutdown();

    // Says text in the room (SendMode::Room) or sends it as an ESP to target
    // (SendMode::Private), repeating until the client answers Done or
    // Refused. A mode outside 16 bits is error 6. Throws LinkDown, or
    // WaitAbandoned when the window closes.
    void SendChat(int mode, const QString &target, const QString &text);
    void SendChat(SendMode mode, const QString &target, const QString &text)
    {
        SendChat(int(mode), target, text);
    }
    // Tells the client something about the game (keys in chat/wadapi.h).
    // Not a request: nothing is awaited, and a link that is down or shut
    // simply does not send it.
    void SendNotice(const char *key, const QString &value);
    // Asks for all new chat text, which arrives through OnDapiText. Throws
    // LinkDown, or WaitAbandoned when the window closes.
    void FetchChat();
    // Empties ChatText, fetches and keeps events flowing until text has come.
    // Throws LinkDown (ChatText is then as before the call) or WaitAbandoned.
    void WaitForChat();
    // Empties ChatText and fetches, then gives a quiet room a few short
    // pauses to answer; ChatText stays empty when none came.
    void FetchChatBriefly();
    // Waits 2 × delay + 1 ticks of Timer1 while events flow; processes events
    // at least once. Nested waits each end after their own ticks. Error 6
    // when the tick count leaves the Integer range. Throws WaitAbandoned, or
    // LinkDown when the client lost lines of the host's.
    void My_Wait(Integer delay);
    // Hands out a block piece by piece: a non-empty strBuf starts a new block,
    // an empty one continues with TokenRest. Each piece costs its own length,
    // however long the block.
    QString GetNext(const QString &strBuf, const QString &strToken);
    // What GetNext has not yet handed out of its last block; valid until the
    // next GetNext.
    QStringView TokenRest() const { return QStringView(m_block).mid(m_blockPos); }
    void Timer1_Timer();

    // The chat text of the last fetch, without the client's trailer and
    // final line ends. A step may cut it down to what it has not read yet.
    const QString &ChatText() const { return m_state.ChatText; }
    void setChatText(const QString &text) { m_state.ChatText = text; }
    // The status of the last call to the client, as text.
    const QString &DapiStatus() const { return m_state.DapiStatus; }
    // The host's avatar name as the chat client gave it (an "E" frame
    // "host"), so the host's own lines can be told from a stranger's that
    // copy them; empty when the client gives none.
    const QString &clientHostName() const { return m_clientHostName; }
    // Whether the client of this link can send a live copy of the room's
    // text (it said so as the link came up); false on a new link until it does.
    bool liveOffered() const { return m_liveOffered; }
    // Asks the client to start (true) or stop the live copy. The wish is
    // kept: a link that comes up later with a client that offers the copy
    // is asked again. A client that does not offer it is never asked.
    void setLiveCopy(bool on);
    bool liveCopy() const { return m_liveWanted; }
    // Gets each piece of the live copy, decoded: whole lines, each ended by
    // CR LF, while the copy is wanted. The game's chat text never holds them.
    void setLiveReceiver(std::function<void(const QString &)> receiver)
    {
        m_liveReceiver = std::move(receiver);
    }
    // Whether the client of this link shows the game status (it said so as
    // the link came up); false on a new link until it does.
    bool statusOffered() const { return m_statusOffered; }
    // Sends the status to a client that offered it, unless it is what this
    // link last sent; a link that comes up later is sent the newest at once.
    void sendGameStatus(const GameStatus &status);
    // Told whether the client offers the live copy each time a link comes
    // up, and when its client offers it later.
    void setLiveOfferHook(std::function<void(bool)> hook) { m_liveOfferHook = std::move(hook); }
    // Whether the client of this link takes moderation requests (it said so
    // as the link came up); false on a new link until it does.
    bool moderationOffered() const { return m_modOffered; }
    // Sends a moderation request to a client that offered it, not a request
    // that waits: its outcome comes later, to the hook, in order. Why it was
    // not sent, or empty.
    QString Moderate(const ModRequest &request);
    static constexpr std::size_t MaxModPending = 32;
    using ModerationHook = std::function<void(const ModRequest &, bool done, const QString &words)>;
    void setModerationHook(ModerationHook hook) { m_modHook = std::move(hook); }
    // Ticks of Timer1 since the innermost running wait began.
    Integer WaitTicks() const { return m_state.WaitTicks; }
    // Ticks of Timer1 since the link was made; they come only while a wait
    // runs, so they measure the time waited.
    qint64 tickCount() const { return m_ticks; }

    // What a step can change here, so a step that fails can be undone.
    struct State
    {
        QString ChatText;
        QString DapiStatus;
        Integer WaitTicks = 0;
    };
    const State &state() const { return m_state; }
    void restore(const State &state) { m_state = state; }

    void OnDapiStatus(const QByteArray &code) override;
    void OnDapiEvent(const QByteArray &text1, qint16 number, const QByteArray &text2) override;
    void OnDapiText(const QByteArray &text) override;
    void OnDapiGone() override;
    void OnDapiLive(const QByteArray &text) override;

private:
    void request(const std::function<void()> &call);
    void ensureUp();
    [[noreturn]] void linkGone();
    [[noreturn]] void notAnswering();
    // Tells the host of lines the client lost and throws LinkDown, when it did.
    void endIfUnsaid();
    void tellUnsaid();
    bool waiting() const { return m_requesting > 0 || !m_waitStarts.empty() || m_chatWaits > 0; }
    void showWaitTicks();
    void reportGone();
    void sendStatusText();

    State m_state;
    Wadapi &m_wadapi;
    TickSource &m_timer1;
    HostDialogs &m_dialogs;
    std::function<QString()> m_appName;
    std::chrono::milliseconds m_answerLimit = DefaultAnswerLimit;
    RepeatClock m_clock;
    int m_requesting = 0;
    std::function<void()> m_requestsOver;
    QString m_clientHostName;
    bool m_liveOffered = false;
    bool m_liveWanted = false;
    bool m_linking = false;
    bool m_statusOffered = false;
    // The newest status as sent, and what this link last sent; empty: none.
    QByteArray m_statusText;
    QByteArray m_statusSent;
    std::function<void(const QString &)> m_liveReceiver;
    std::function<void(bool)> m_liveOfferHook;
    // Moderation requests sent and not yet answered, oldest first.
    bool m_modOffered = false;
    std::deque<ModRequest> m_modPending;
    ModerationHook m_modHook;
    // Queued reports of a vanished client die with the link.
    QObject m_context;

    // Lines the client said it lost, until the host is told.
    int m_unsaid = 0;
    int m_chatWaits = 0; // WaitForChat's pumps running

    bool m_goneReported = false;
    bool m_shutDown = false;
    // Ticks since the link was made, and where each running My_Wait began,
    // innermost last; 64 bits so no count of a long nested wait can overflow.
    qint64 m_ticks = 0;
    std::vector<qint64> m_waitStarts;

    // The block GetNext hands out, and where its unhanded rest begins.
    QString m_block;
    qsizetype m_blockPos = 0;
};
