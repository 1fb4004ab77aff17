#include "support/scripteddialogs.h"

void ScriptedDialogs::message(const QString &text, const QString &title)
{
    messages.push_back({text, title});
}

HostDialogs::Answer ScriptedDialogs::ask(const QString &text, const QString &title, bool withCancel)
{
    questions.push_back({text, title});
    if (answers.empty())
        return withCancel ? Answer::Cancel : Answer::No;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<QString> ScriptedDialogs::openFile(const QString &filter)
{
    filters << filter;
    if (files.empty())
        return std::nullopt;
    // Swapped out rather than copied: GCC's optimiser takes a copied
    // optional<QString> for uninitialised.
    std::optional<QString> f;
    f.swap(files.front());
    files.pop_front();
    return f;
}

std::optional<QString> ScriptedDialogs::saveFile(const QString &filter, const QString &preset)
{
    presets << preset;
    return openFile(filter);
}

void ScriptedDialogs::setBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
}
