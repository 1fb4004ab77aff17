#pragma once

#include "chat/moderation.h"
#include "game/hostline.h"
#include "windows/childwindows.h"

#include <QString>
#include <QWidget>

#include <deque>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;

// What the Room window works with beside the child windows' context.
struct RoomContext
{
    ChildContext child;
    // Sends what the host typed once no game step is under way, in order.
    std::function<void(const HostLine &)> send;
    // The name the host's own lines show under in the room.
    std::function<QString()> hostName;
    // Sends a moderation request once no game step is under way, in order
    // with the typed lines; its outcome comes back through addOutcome.
    std::function<void(const ModRequest &)> moderate;
};

// The room's text as it arrives, newest at the bottom, and a line to speak in
// the room. It shows what the chat client copies to it and never fetches, so
// the game reads the room exactly as without it.
class frmRoom final : public SavesOnClose<QWidget>
{
    Q_OBJECT

public:
    // Asks the context's link for the live copy until the window closes.
    explicit frmRoom(RoomContext context, QWidget *parent = nullptr);
    ~frmRoom() override;

    // Lines joined or ended by CR LF, shown from the next event-loop turn.
    void addText(const QString &text);
    // Whether the chat client copies the room's text to the program at all.
    void setOffered(bool offered);
    // Starts an ESP to name in the line under the text.
    void startEsp(const QString &name);
    // A line of the program's own (a moderation outcome), marked apart
    // from the room's text, after what has arrived so far.
    void addOutcome(const QString &line);
    // Asks for request unless it is bad input, which is refused here.
    void moderate(const ModRequest &request);
    // The block state of an outcome line: the room's text cannot take it.
    static constexpr int OutcomeState = 1;

    // The window keeps the newest lines only, like a chat window's scrollback.
    static constexpr int MaxLines = 3000;
    static constexpr qsizetype MaxLineLength = 2000;

protected:
    void Form_Unload() override;

private:
    void leaveLink();
    void flush();
    void sendTyped();
    void showTextMenu(const QPoint &at);

    RoomContext m_context;
    QPlainTextEdit *m_text = nullptr;
    QLineEdit *m_say = nullptr;
    QLabel *m_note = nullptr;
    QTimer *m_flushTimer = nullptr;
    std::deque<QString> m_pending;
};

// Opens on the main window's side; null context parts are not allowed.
frmRoom *createRoomWindow(RoomContext context);
