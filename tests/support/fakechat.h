#pragma once

#include "chat/ticksource.h"
#include "chat/wadapi.h"

#include <QCoreApplication>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <utility>

// Answers each request from a script and records the calls.
class ScriptedWadapi : public Wadapi
{
public:
    struct Reply
    {
        QByteArray status;
        QByteArray text; // handed over before the status, as the client may do
        bool hangUp = false;
    };
    std::deque<std::optional<Reply>> replies; // nullopt: no status at all
    std::optional<Reply> whenScriptEnds;      // likewise, for every later request

    bool up = false;
    // As the link comes up, the live copy and the game status, as today's clients offer them.
    bool offers = false;
    qint16 initResult = 0;
    WadapiCallbacks *callbacks = nullptr;
    QStringList log; // the first calls only: a silent client is asked very often
    QList<QByteArray> sent;
    QList<QByteArray> statuses; // the game statuses, apart from the log
    int requests = 0;
    std::function<void()> onRequest; // runs ahead of each answer

    qint16 InitDDE(const QString &app, WadapiCallbacks *cb) override
    {
        note(QStringLiteral("I ") + app);
        callbacks = cb;
        up = initResult == 0;
        if (offers) { // ahead of the status
            cb->OnDapiEvent("live", 0, {});
            cb->OnDapiEvent("status", 0, {});
        }
        return initResult;
    }
    void DapiRegister(const QString &app) override { note(QStringLiteral("R ") + app); }
    void DapiCommunicate(const QString &app, qint16 mode, const QByteArray &target,
                         const QByteArray &text) override
    {
        note(QStringLiteral("C %1 %2 %3").arg(app).arg(mode).arg(QString::fromLatin1(target)));
        sent << text;
        answer();
    }
    void DapiGetAllText(const QString &app) override
    {
        note(QStringLiteral("G ") + app);
        answer();
    }
    void DapiUnregister(const QString &app) override { note(QStringLiteral("U ") + app); }
    void DapiNotice(const QByteArray &key, const QByteArray &value) override
    {
        note(u"N "_qs + QString::fromLatin1(key + ' ' + value));
    }
    void DapiGameStatus(const QByteArray &text) override { statuses << text; }
    void DapiModerate(const QByteArray &a, const QByteArray &n, qint16 m,
                      const QByteArray &r) override
    {
        note(u"M "_qs + QString::fromLatin1(a + ' ' + n + ' ' + QByteArray::number(m) + ' ' + r));
    }
    void KillDDE() override
    {
        note(QStringLiteral("K"));
        up = false;
    }
    bool connected() const override { return up; }
    QString lastError() const override { return up ? QString() : u"no chat client answers"_qs; }

private:
    void note(const QString &call)
    {
        if (log.size() < 100)
            log << call;
    }
    void answer()
    {
        ++requests;
        if (onRequest)
            onRequest();
        const std::optional<Reply> r = replies.empty() ? whenScriptEnds : replies.front();
        if (!replies.empty())
            replies.pop_front();
        if (!r)
            return;
        if (!r->text.isNull())
            callbacks->OnDapiText(r->text);
        if (r->hangUp)
            up = false;
        else
            callbacks->OnDapiStatus(r->status);
    }
};

// Records the callbacks in order: "S:code", "T:text", "E:text1|number|text2",
// "L:live copy"; counts the notices that the client went away.
struct RecordedCalls final : WadapiCallbacks
{
    QByteArrayList all;
    int gone = 0;
    std::function<void()> onEvent;
    void OnDapiStatus(const QByteArray &code) override { all << "S:" + code; }
    void OnDapiText(const QByteArray &text) override { all << "T:" + text; }
    void OnDapiEvent(const QByteArray &text1, qint16 number, const QByteArray &text2) override
    {
        all << "E:" + text1 + '|' + QByteArray::number(number) + '|' + text2;
        if (onEvent)
            onEvent();
    }
    void OnDapiLive(const QByteArray &text) override { all << "L:" + text; }
    void OnDapiGone() override { ++gone; }
};

inline std::optional<ScriptedWadapi::Reply> status(const char *code, QByteArray text = {})
{
    return ScriptedWadapi::Reply{QByteArray(code), std::move(text)};
}

// Timer1 without real time: while enabled, one tick per pass of the event loop.
class FakeTicks final : public QObject, public TickSource
{
public:
    int delivered = 0;
    std::function<void(int)> afterTick;

    void setEnabled(bool on) override
    {
        m_on = on;
        if (on && !std::exchange(m_pending, true))
            QMetaObject::invokeMethod(this, &FakeTicks::tick, Qt::QueuedConnection);
    }
    bool enabled() const override { return m_on; }

private:
    void tick()
    {
        m_pending = false;
        if (!m_on)
            return;
        setEnabled(true);
        ++delivered;
        if (onTick)
            onTick();
        if (afterTick)
            afterTick(delivered);
    }
    bool m_on = false;
    bool m_pending = false;
};
