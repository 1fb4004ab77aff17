#pragma once

#include "base/hostdialogs.h"
#include "windows/busypointer.h"

#include <memory>
#include <vector>

class QWidget;

// The window the host is working in, over which a box or dialog opens.
QWidget *askingWindow();

// Real message boxes and file dialogs, each over the window that asked and
// with the normal pointer, whatever hourglass shows behind them.
class QtDialogs final : public HostDialogs
{
public:
    void message(const QString &text, const QString &title) override;
    Answer ask(const QString &text, const QString &title, bool withCancel) override;
    std::optional<QString> openFile(const QString &filter) override;
    std::optional<QString> saveFile(const QString &filter, const QString &preset) override;
    void setBusy(bool busy) override;

private:
    // One per setBusy(true) not yet ended; a stray setBusy(false) ends none.
    std::vector<std::unique_ptr<BusyPointer::Wait>> m_busy;
};
