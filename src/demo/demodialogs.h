#pragma once

#include "base/hostdialogs.h"

#include <QTextStream>

#include <functional>

// The host's dialogs in a demo game: the word file is chosen at once, the
// countdown's question is answered from what the room showed, and every box
// is told on the console instead of waiting for a click.
class DemoDialogs final : public HostDialogs
{
public:
    explicit DemoDialogs(QString wordFile) : m_wordFile(std::move(wordFile)) {}

    // Whether the named player answered since the ask.
    std::function<bool(const QString &name)> answeredInTime;
    std::function<void(const QString &line)> tell;

    void message(const QString &text, const QString &title) override;
    Answer ask(const QString &text, const QString &title, bool withCancel) override;
    std::optional<QString> openFile(const QString &) override { return m_wordFile; }
    std::optional<QString> saveFile(const QString &, const QString &) override
    {
        return std::nullopt;
    }
    void setBusy(bool) override {}

private:
    QString m_wordFile;
};
