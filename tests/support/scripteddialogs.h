#pragma once

#include "game/hostdialogs.h"

#include <QStringList>

#include <deque>

// Records every box and dialog and answers from a script; an unscripted
// question answers No/Cancel so a test never blocks.
class ScriptedDialogs final : public HostDialogs
{
public:
    struct Shown
    {
        QString text;
        QString title;
    };

    void message(const QString &text, const QString &title) override;
    Answer ask(const QString &text, const QString &title, bool withCancel) override;
    std::optional<QString> openFile(const QString &filter) override;
    std::optional<QString> saveFile(const QString &filter, const QString &preset) override;
    void setBusy(bool busy) override;

    std::deque<Answer> answers;
    std::deque<std::optional<QString>> files;

    std::vector<Shown> messages;
    std::vector<Shown> questions;
    QStringList filters;
    QStringList presets;
    int busyDepth = 0;
};
