#pragma once

#include "base/ansi.h"
#include "chat/waits.h"
#include "support/fakechat.h"

// A room behind the chat client. What the host says is heard (an ESP as
// "ESP to name: text") and, with echo on, shown back under the host's name;
// what players say waits for the next fetch, which hands out everything
// waiting. A fetch with nothing waiting brings chatter, or without chatter
// abandons the waits, so no step can hang. Statuses and the record of calls
// come from the scripted client it builds on.
class ScriptedRoom final : public ScriptedWadapi
{
public:
    QString host = u"Ann Lee"_qs;
    bool echo = true;
    QString chatter;
    QStringList heard, pending;
    int fetches = 0;
    std::function<void(int)> onFetch;             // before fetch n is answered
    std::function<bool(const QString &)> breakOn; // the link breaks on such a line

    ScriptedRoom() { whenScriptEnds = status("0"); }
    void say(const QString &name, const QString &text) { pending << name + u": "_qs + text; }

    void DapiCommunicate(const QString &app, qint16 mode, const QByteArray &target,
                         const QByteArray &text) override
    {
        const QString line = Ansi::decode(text);
        if (breakOn && breakOn(line)) {
            up = false;
            return;
        }
        heard << (mode == 2 ? u"ESP to "_qs + Ansi::decode(target) + u": "_qs + line : line);
        if (echo && mode == 0)
            say(host, line);
        ScriptedWadapi::DapiCommunicate(app, mode, target, text);
    }
    void DapiGetAllText(const QString &app) override
    {
        ++fetches;
        if (onFetch)
            onFetch(fetches);
        if (pending.isEmpty() && !chatter.isEmpty())
            pending << chatter;
        if (!pending.isEmpty())
            callbacks->OnDapiText(Ansi::encode(pending.join(u"\r\n"_qs)));
        else
            Waits::abandonAll();
        pending.clear();
        ScriptedWadapi::DapiGetAllText(app);
    }
};
