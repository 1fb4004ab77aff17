#pragma once

#include "game/consolestate.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QStringList>

#include <functional>
#include <memory>
#include <random>

class DemoDialogs;
class QPushButton;
class QTimer;
class QTimerTickSource;
class Session;
class SocketWadapi;
class frmBox;
class frmMain;
struct GameState;

// Plays whole games without a person: starts the stand-in room with
// scripted players as a child process, opens the real main window over it
// and clicks its buttons in the order a host would, at a pace to watch.
// Each game after the first opens a new main window against the same room,
// as the host starts Orvella again: a game once opened keeps Load disabled
// for the rest of the run.
class DemoDriver final : public QObject
{
    Q_OBJECT

public:
    using Ctl = ConsoleState::Ctl;
    struct Options
    {
        QString roomExe;
        QString wordFile;
        QString folder; // the program's folder and the room's socket
        QString host = QStringLiteral("Ann Lee");
        int players = 4;
        quint32 seed = 5;
        double speed = 1.0; // 1: a person's pace
        int games = 1;
    };
    static constexpr int MaxGames = 1000;

    explicit DemoDriver(Options options, QObject *parent = nullptr);
    ~DemoDriver() override;

    // Starts the room; the games follow in the event loop, which is told to
    // exit with 0 once the last is over (1 when one could not be played).
    bool start();

private:
    // Runs act once ready() holds, a pause of the pace later.
    void when(std::function<bool()> ready, std::function<void()> act, int patienceMs = -1,
              std::function<void()> onTimeout = {});
    // A turn button pressed where the host sees it, and its click taken by
    // the session, as the window forwards it; another button clicked itself.
    void press(Ctl control, const QString &what);
    void press(QPushButton *button, const QString &what, const std::function<void()> &click = {});
    bool enabled(Ctl control) const;
    int ms(int personMs) const;

    void readRoom();
    void openWindow();
    void collectRegistrations(int tries);
    void draw();
    void ask();
    void awaitAnswer();
    void countdown();
    void check();
    void handleBox(QPointer<frmBox> box);
    void afterTurn();
    void showScores();
    void gameOver();
    void closeWindow();
    void tellHeard();
    void finish(int code, const QString &why = {});

    bool answeredSinceAsk(const QString &name) const;
    QStringList roomLinesSince(qsizetype from) const;
    void narrate(const QString &line);

    Options m_opt;
    QProcess m_room;
    QByteArray m_roomPending;
    QStringList m_heard;
    std::unique_ptr<GameState> m_gs;
    std::unique_ptr<SocketWadapi> m_wadapi;
    std::unique_ptr<QTimerTickSource> m_timer1, m_timer2;
    std::unique_ptr<DemoDialogs> m_dialogs;
    std::mt19937 m_rng;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<frmMain> m_window;
    QString m_asked;
    qsizetype m_askedAt = 0;
    int m_turns = 0;
    int m_game = 0;
    QTimer *m_gameLimit = nullptr;
    bool m_finished = false;
    QElapsedTimer m_clock;
};
