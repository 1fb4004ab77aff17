#pragma once

#include "chat/wadapi.h"

#include <QByteArrayList>

#include <functional>

// Records the callbacks in order: "S:code", "T:text", "E:text1|number|text2".
class RecordingCallbacks final : public WadapiCallbacks
{
public:
    QByteArrayList calls;
    std::function<void()> afterText;

    void OnDapiStatus(const QByteArray &code) override { calls << "S:" + code; }
    void OnDapiEvent(const QByteArray &text1, qint16 number, const QByteArray &text2) override
    {
        calls << "E:" + text1 + '|' + QByteArray::number(number) + '|' + text2;
    }
    void OnDapiText(const QByteArray &text) override
    {
        calls << "T:" + text;
        if (afterText)
            afterText();
    }

    // The entries of one kind, without their prefix: 'S' or 'T'.
    QByteArrayList of(char kind) const
    {
        QByteArrayList out;
        for (const QByteArray &c : calls) {
            if (c.startsWith(kind))
                out << c.mid(2);
        }
        return out;
    }
};
