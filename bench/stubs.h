#pragma once

#include "base/hostdialogs.h"
#include "chat/ticksource.h"
#include "chat/wadapi.h"

#include <QByteArray>

// Stand-ins for what the game steps reach outside: they do nothing, so only
// the step's own work is timed. The console's record needs none: nothing
// draws it.
class QuietDialogs final : public HostDialogs
{
public:
    void message(const QString &, const QString &) override {}
    Answer ask(const QString &, const QString &, bool) override { return Answer::No; }
    std::optional<QString> openFile(const QString &) override { return std::nullopt; }
    std::optional<QString> saveFile(const QString &, const QString &) override
    {
        return std::nullopt;
    }
    void setBusy(bool) override {}
};

class IdleTicks final : public TickSource
{
public:
    void setEnabled(bool on) override { m_on = on; }
    bool enabled() const override { return m_on; }

private:
    bool m_on = false;
};

// A client that answers every request at once and hands over `block` with
// every fetch.
class BlockClient final : public Wadapi
{
public:
    QByteArray block;

    qint16 InitDDE(const QString &, WadapiCallbacks *callbacks) override
    {
        m_callbacks = callbacks;
        return 0;
    }
    void DapiRegister(const QString &) override {}
    void DapiCommunicate(const QString &, qint16, const QByteArray &, const QByteArray &) override
    {
        m_callbacks->OnDapiStatus("0");
    }
    void DapiGetAllText(const QString &) override
    {
        m_callbacks->OnDapiText(block);
        m_callbacks->OnDapiStatus("0");
    }
    void DapiUnregister(const QString &) override {}
    void DapiNotice(const QByteArray &, const QByteArray &) override {}
    void DapiGameStatus(const QByteArray &) override {}
    void DapiModerate(const QByteArray &, const QByteArray &, qint16, const QByteArray &) override
    {}
    void KillDDE() override {}
    bool connected() const override { return true; }

private:
    WadapiCallbacks *m_callbacks = nullptr;
};
