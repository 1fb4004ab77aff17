#pragma once

#include "base/integer.h"

#include <QCloseEvent>
#include <QPoint>
#include <QPointer>
#include <QSizeF>
#include <QString>

#include <functional>

class ChatLink;
class HostDialogs;
class QObject;
class QPushButton;
class QWidget;
class Session;
struct GameState;

// What a window opened from the main window works with, so it never needs
// the main window itself.
struct ChildContext
{
    GameState &gs;
    HostDialogs &dialogs;
    QString folder; // holds orvella.ini
    // Writes the settings file with the main window's position of the moment.
    std::function<void()> writeSettings;
    // The road to the room, for the windows that speak there; null once the
    // program has shut down.
    std::function<ChatLink *()> link;
    // The main window: the boxes window closes when it closes.
    QPointer<QObject> main;
};

// The context of a window opened beside main, over the session: its link
// is null once the session has ended.
ChildContext childContextOf(Session &session, QObject *main);

// Window positions in twips, as the settings file keeps them.
QPointF positionInTwips(const QWidget &window);
void moveToTwips(QWidget &window, double left, double top);
QSizeF sizeInTwips(const QWidget &window);
void resizeToTwips(QWidget &window, double width, double height);
// Twips rounded into the settings file's range, so a place far out on a wide
// desktop still reads back.
Integer twipsToInteger(double twips);

// The dummy button a busy window gives the keyboard focus, so a key pressed
// meanwhile reaches no control; it lies under another control and is never
// seen. Screen readers are not told of it (installWindowAccessibility).
QPushButton *newFocusSink(const QString &objectName);
bool isFocusSink(const QObject *object);

// A window that takes its controls' values over and saves them when it
// closes, once however often it is closed.
template <class Window> class SavesOnClose : public Window
{
public:
    using Window::Window;

protected:
    virtual void Form_Unload() = 0;

    void closeEvent(QCloseEvent *event) override
    {
        if (!m_unloaded) {
            m_unloaded = true;
            Form_Unload();
        }
        event->accept();
    }

    bool unloaded() const { return m_unloaded; }

private:
    bool m_unloaded = false;
};
