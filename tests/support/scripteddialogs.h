#pragma once

#include "base/hostdialogs.h"

#include <QStringList>

#include <deque>

// Records every box and dialog and answers from a script; an unscripted
// question answers No/Cancel so a test never blocks.
class ScriptedDialogs final : public HostDialogs
{
public:
    struct Shown
    {
        QString text, title;
    };
    std::deque<Answer> answers;
    std::deque<std::optional<QString>> files;

    std::vector<Shown> messages, questions;
    QStringList presets;
    int busyDepth = 0;

    void message(const QString &text, const QString &title) override
    {
        messages.push_back({text, title});
    }
    Answer ask(const QString &text, const QString &title, bool withCancel) override
    {
        questions.push_back({text, title});
        if (answers.empty())
            return withCancel ? Answer::Cancel : Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<QString> openFile(const QString &) override
    {
        // Swapped out rather than copied: GCC's optimiser takes a copied
        // optional<QString> for uninitialised.
        std::optional<QString> f;
        if (!files.empty()) {
            f.swap(files.front());
            files.pop_front();
        }
        return f;
    }
    std::optional<QString> saveFile(const QString &filter, const QString &preset) override
    {
        presets << preset;
        return openFile(filter);
    }
    void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }
};
