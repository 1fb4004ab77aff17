#pragma once

#include <QString>

#include <optional>

// What the host is asked or told outside the main window's controls: modal
// message boxes, the file dialogs and the busy pointer. The windows use real
// dialogs; tests script the answers.
class HostDialogs
{
public:
    enum class Answer
    {
        Yes,
        No,
        Cancel
    };

    virtual ~HostDialogs() = default;

    // A modal box with an OK button.
    virtual void message(const QString &text, const QString &title) = 0;
    // Yes and No, plus Cancel when withCancel is set.
    virtual Answer ask(const QString &text, const QString &title, bool withCancel = false) = 0;
    // The filter lists "Caption|pattern" pairs joined by "|", the first
    // selected; no value when the host cancels.
    virtual std::optional<QString> openFile(const QString &filter) = 0;
    virtual std::optional<QString> saveFile(const QString &filter, const QString &preset) = 0;
    // The hourglass pointer while a file is read or written.
    virtual void setBusy(bool busy) = 0;
};
