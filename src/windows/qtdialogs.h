#pragma once

#include "base/hostdialogs.h"

class QWidget;

// The window the host is working in, over which a box or dialog opens.
QWidget *askingWindow();

// Real message boxes and file dialogs, each over the window that asked.
class QtDialogs final : public HostDialogs
{
public:
    void message(const QString &text, const QString &title) override;
    Answer ask(const QString &text, const QString &title, bool withCancel) override;
    std::optional<QString> openFile(const QString &filter) override;
    std::optional<QString> saveFile(const QString &filter, const QString &preset) override;
    void setBusy(bool busy) override;
};
