#include "demo/demodriver.h"

#include "app/frmmain.h"
#include "boxes/frmbox.h"
#include "chat/ticksource.h"
#include "chat/waits.h"
#include "demo/demodialogs.h"
#include "files/settingsfile.h"
#include "game/gamestate.h"
#include "session/session.h"
#include "transport/socketwadapi.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>

namespace {

// A person's waits, before the speed divides them.
constexpr int Pace = 900;  // between two clicks
constexpr int Press = 250; // a button shown pressed
constexpr int AnswerPatience = 15000;
constexpr int RegistrationPatience = 10000;
constexpr int BoxPatience = 15000;
constexpr int GameLimit = 180000;
constexpr int GameLimitFloor = 60000;
constexpr int MaxTurns = 40;

QString wadapiSocket(const QString &folder)
{
    return folder + QStringLiteral("/wadapi.sock");
}

// The program's defaults, with every box in play, a gesture to register
// with and a pace between lines that can be followed.
bool writeSettingsFile(const QString &folder)
{
    SettingsRecord settings;
    QBuffer defaults;
    defaults.setData("[settings]\r\n\r\n");
    defaults.open(QIODevice::ReadOnly);
    readSettings(defaults, settings, [] {});
    settings.RegChar = QString(QChar(0xB0));
    settings.Delay = 1;
    settings.Boxes.fill(true);
    return !saveSettings(folder, settings, 0, 0);
}

// What the process holds, read where a benchmark reads another's.
QString usage()
{
    QByteArray resident = "?";
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                resident = line.mid(6).simplified().split(' ').value(0);
        }
    }
    // The listing's own descriptor is among them, alike each time.
    const qsizetype descriptors =
        QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
            .size();
    return QStringLiteral("%1 kB resident, %2 open descriptors")
        .arg(QString::fromLatin1(resident))
        .arg(descriptors);
}

} // namespace

DemoDriver::DemoDriver(Options options, QObject *parent)
    : QObject(parent), m_opt(std::move(options)), m_rng(m_opt.seed)
{
    m_room.setProcessChannelMode(QProcess::MergedChannels);
    connect(&m_room, &QProcess::readyRead, this, &DemoDriver::readRoom);
    m_gameLimit = new QTimer(this);
    m_gameLimit->setSingleShot(true);
    connect(m_gameLimit, &QTimer::timeout, this,
            [this] { finish(1, QStringLiteral("The game took too long.")); });
}

DemoDriver::~DemoDriver()
{
    m_window.reset();
    m_session.reset();
    m_room.kill();
    m_room.waitForFinished(3000);
}

bool DemoDriver::enabled(Ctl control) const
{
    return m_session->console().controlEnabled(control);
}

int DemoDriver::ms(int personMs) const
{
    return std::max(1, static_cast<int>(personMs / m_opt.speed));
}

bool DemoDriver::start()
{
    m_clock.start();
    if (!writeSettingsFile(m_opt.folder)) {
        QTextStream(stderr) << "Cannot write the settings file in " << m_opt.folder << Qt::endl;
        return false;
    }
    const QString people = m_opt.folder + QStringLiteral("/people.sock");
    m_room.start(m_opt.roomExe,
                 {QStringLiteral("--socket"), wadapiSocket(m_opt.folder),
                  QStringLiteral("--people"), people, QStringLiteral("--host"), m_opt.host,
                  QStringLiteral("--players"), QString::number(m_opt.players),
                  QStringLiteral("--seed"), QString::number(m_opt.seed), QStringLiteral("--words"),
                  m_opt.wordFile, QStringLiteral("--speed"), QString::number(m_opt.speed)});
    if (!m_room.waitForStarted(10000)) {
        QTextStream(stderr) << "Cannot start the room " << m_opt.roomExe << ": "
                            << m_room.errorString() << Qt::endl;
        return false;
    }
    narrate(QStringLiteral("The room is starting with %1 scripted players; join it from another "
                           "terminal with: orvella-room --join NAME --people %2")
                .arg(m_opt.players)
                .arg(people));
    when([this] { return m_heard.join(u'\n').contains(QStringLiteral("Room open at")); },
         [this] { openWindow(); }, 10000,
         [this] { finish(1, QStringLiteral("The room did not open.")); });
    return true;
}

void DemoDriver::readRoom()
{
    m_roomPending += m_room.readAll();
    for (qsizetype lf; (lf = m_roomPending.indexOf('\n')) >= 0;) {
        m_heard << QString::fromUtf8(m_roomPending.left(lf));
        m_roomPending.remove(0, lf + 1);
    }
}

void DemoDriver::narrate(const QString &line)
{
    QTextStream(stdout) << QStringLiteral("[%1 s] ").arg(m_clock.elapsed() / 1000.0, 5, 'f', 1)
                        << line << Qt::endl;
}

void DemoDriver::when(std::function<bool()> ready, std::function<void()> act, int patienceMs,
                      std::function<void()> onTimeout)
{
    // A timer of its own each time: the act may run a game step whose waits
    // must let this and the other timers fire.
    auto *poll = new QTimer(this);
    QElapsedTimer since;
    since.start();
    connect(poll, &QTimer::timeout, this, [=, this] {
        const bool ok = !m_finished && ready();
        const bool timedOut = !ok && patienceMs >= 0 && since.elapsed() > patienceMs;
        if (!ok && !timedOut && !m_finished)
            return;
        poll->stop();
        poll->deleteLater();
        if (m_finished)
            return;
        QTimer::singleShot(ok ? ms(Pace) : 0, this, [=, this] {
            if (!m_finished)
                (ok ? act : onTimeout)();
        });
    });
    poll->start(25);
}

void DemoDriver::press(Ctl control, const QString &what)
{
    press(m_window->turnButton(control), what, [this, control] { m_session->press(control); });
}

void DemoDriver::press(QPushButton *button, const QString &what, const std::function<void()> &click)
{
    narrate(what);
    button->setFocus();
    button->setDown(true);
    QEventLoop shown;
    QTimer::singleShot(ms(Press), &shown, &QEventLoop::quit);
    shown.exec();
    button->setDown(false);
    if (!m_finished)
        click ? click() : button->click();
}

void DemoDriver::openWindow()
{
    ++m_game;
    m_turns = 0;
    // Never under a minute: the driver looks every 25 ms whatever the speed.
    m_gameLimit->start(std::max(ms(GameLimit), GameLimitFloor));
    if (m_opt.games > 1)
        narrate(QStringLiteral("Game %1 of %2: Orvella's main window opens")
                    .arg(m_game)
                    .arg(m_opt.games));
    m_gs = std::make_unique<GameState>();
    m_wadapi = std::make_unique<SocketWadapi>(wadapiSocket(m_opt.folder));
    m_timer1 = std::make_unique<QTimerTickSource>(ms(QTimerTickSource::Timer1Interval));
    m_timer2 = std::make_unique<QTimerTickSource>(1000);
    m_dialogs = std::make_unique<DemoDialogs>(m_opt.wordFile);
    m_dialogs->answeredInTime = [this](const QString &name) { return answeredSinceAsk(name); };
    m_dialogs->tell = [this](const QString &line) { narrate(line); };
    m_session = std::make_unique<Session>(
        Session::Outside{*m_gs, *m_wadapi, *m_timer1, *m_timer2, *m_dialogs, m_rng},
        Session::Environment{m_opt.folder, [] { return QStringLiteral("orvella"); }});
    m_window = std::make_unique<frmMain>(*m_session);
    if (!m_window->Form_Load()) {
        finish(1, QStringLiteral("The program did not start."));
        return;
    }
    m_window->show();
    when([this] { return enabled(Ctl::cmdAsk); },
         [this] {
             press(Ctl::cmdAsk, QStringLiteral("Load: the word list is %1").arg(m_opt.wordFile));
             when(
                 [this] {
                     return enabled(Ctl::cmdAsk) &&
                            m_session->console().caption(Ctl::cmdAsk) == u"Start";
                 },
                 [this] {
                     press(Ctl::cmdAsk, QStringLiteral("Start: the room hears the opening and "
                                                       "the invitation to register"));
                     collectRegistrations(0);
                 });
         });
}

void DemoDriver::collectRegistrations(int tries)
{
    const qsizetype from = m_heard.size();
    const auto registered = [this, from, tries] {
        QStringList names;
        for (const QString &line : roomLinesSince(tries == 0 ? 0 : from)) {
            if (line.startsWith(QStringLiteral("ESP from ")))
                names << line.mid(9).section(QStringLiteral(": "), 0, 0);
        }
        names.removeDuplicates();
        return names.size() >= m_opt.players;
    };
    const auto getRegs = [this, tries] {
        press(Ctl::cmdGetRegs, QStringLiteral("Get Regs: collect the registrations"));
        if (m_gs->PlayerCount >= m_gs->DrawCount)
            draw();
        else if (tries < 5)
            collectRegistrations(tries + 1);
        else
            finish(1, QStringLiteral("Too few players registered."));
    };
    when(registered, getRegs, ms(RegistrationPatience), getRegs);
}

void DemoDriver::draw()
{
    when([this] { return enabled(Ctl::cmdDraw); },
         [this] {
             press(Ctl::cmdDraw, QStringLiteral("Draw: players are called down for word %1 "
                                                "of %2")
                                     .arg(m_gs->WordIndex)
                                     .arg(m_gs->WordCount));
             ask();
         });
}

void DemoDriver::ask()
{
    when([this] { return enabled(Ctl::cmdAsk) && m_gs->DownCount > 0; },
         [this] {
             if (++m_turns > MaxTurns) {
                 finish(1, QStringLiteral("Nobody found the word in %1 turns.").arg(MaxTurns));
                 return;
             }
             m_asked = m_gs->Down[m_gs->DownPointer].Name;
             m_askedAt = m_heard.size();
             press(Ctl::cmdAsk, QStringLiteral("Ask: %1 is shown the word's pattern").arg(m_asked));
             awaitAnswer();
         });
}

void DemoDriver::awaitAnswer()
{
    when([this] { return answeredSinceAsk(m_asked) && enabled(Ctl::cmdGet); },
         [this] {
             press(Ctl::cmdGet, QStringLiteral("Get: read %1's answer").arg(m_asked));
             if (enabled(Ctl::cmdCheck)) {
                 check();
             } else {
                 m_askedAt = m_heard.size();
                 awaitAnswer();
             }
         },
         ms(AnswerPatience), [this] { countdown(); });
}

void DemoDriver::countdown()
{
    when([this] { return enabled(Ctl::cmdCountdown); },
         [this] {
             press(Ctl::cmdCountdown,
                   QStringLiteral("Countdown: %1 has not answered").arg(m_asked));
             if (enabled(Ctl::cmdCheck))
                 check();
             else if (enabled(Ctl::cmdGet) && !enabled(Ctl::cmdAsk))
                 awaitAnswer();
             else
                 afterTurn();
         });
}

void DemoDriver::check()
{
    when([this] { return enabled(Ctl::cmdCheck); },
         [this] {
             // A match waits in the boxes window until it is closed.
             auto watching = std::make_shared<bool>(true);
             when(
                 [watching] {
                     if (!*watching)
                         return true;
                     for (QWidget *top : QApplication::topLevelWidgets()) {
                         if (auto *box = qobject_cast<frmBox *>(top); box && box->isVisible())
                             return true;
                     }
                     return false;
                 },
                 [this, watching] {
                     for (QWidget *top : QApplication::topLevelWidgets()) {
                         if (auto *box = qobject_cast<frmBox *>(top); box && box->isVisible())
                             handleBox(box);
                     }
                 });
             press(Ctl::cmdCheck, QStringLiteral("Check %1's answer").arg(m_asked));
             *watching = false;
             afterTurn();
         });
}

void DemoDriver::handleBox(QPointer<frmBox> box)
{
    press(box->cmdCall, QStringLiteral("Call Boxes: %1 is offered the colours").arg(m_asked));
    const qsizetype from = m_heard.size();
    const QString winner = m_asked + QStringLiteral(": ");
    const auto pickedIndex = [this, from, winner]() -> int {
        for (const QString &line : roomLinesSince(from)) {
            if (!line.startsWith(winner))
                continue;
            for (int i = 0; i < BoxCount; ++i) {
                const QRegularExpression colour(QStringLiteral("\\b%1\\b").arg(boxCaption(i)),
                                                QRegularExpression::CaseInsensitiveOption);
                if (colour.match(line.mid(winner.size())).hasMatch())
                    return i;
            }
        }
        return -1;
    };
    const auto close = [this, box] {
        if (!box)
            return;
        narrate(QStringLiteral("Close the boxes window: the game goes on"));
        box->close();
    };
    when([pickedIndex] { return pickedIndex() >= 0; },
         [this, box, pickedIndex, close] {
             if (!box)
                 return;
             const int i = pickedIndex();
             narrate(QStringLiteral("%1 picked %2: click it").arg(m_asked, boxCaption(i)));
             box->lblBox_Click(i);
             when([] { return true; }, close);
         },
         ms(BoxPatience), close);
}

void DemoDriver::afterTurn()
{
    if (m_gs->WordIndex > m_gs->WordCount)
        showScores();
    else if (m_gs->DownCount == 0)
        draw();
    else
        ask();
}

// The game ends on its results, as the host would look them up.
void DemoDriver::showScores()
{
    narrate(QStringLiteral("File > Scores: this game's results beside the games before"));
    m_window->showScores();
    const auto shown = [] {
        const QWidgetList tops = QApplication::topLevelWidgets();
        return std::any_of(tops.begin(), tops.end(), [](QWidget *w) {
            return w->isVisible() && w->windowTitle() == QStringLiteral("Scores");
        });
    };
    when(
        shown, [this] { gameOver(); }, ms(BoxPatience),
        [this] { finish(1, QStringLiteral("The Scores window did not open.")); });
}

void DemoDriver::gameOver()
{
    narrate(QStringLiteral("Game %1 of %2 is over: ").arg(m_game).arg(m_opt.games) + usage());
    if (m_game >= m_opt.games) {
        finish(0);
        return;
    }
    // Told and dropped: a long run holds one game's lines, and the next
    // game's registrations are counted from its own.
    tellHeard();
    m_heard.clear();
    closeWindow();
    openWindow();
}

// As the host closes Orvella: the window unloads and all it used goes.
void DemoDriver::closeWindow()
{
    if (m_window)
        m_window->close();
    m_window.reset();
    m_session.reset();
    m_dialogs.reset();
    m_timer1.reset();
    m_timer2.reset();
    m_wadapi.reset();
    m_gs.reset();
    // The closed window gave up every wait; the next one's steps wait anew.
    Waits::resetAbandoned();
}

void DemoDriver::tellHeard()
{
    QTextStream out(stdout);
    out << Qt::endl
        << (m_game > 0 ? QStringLiteral("What the room heard in game %1:").arg(m_game)
                       : QStringLiteral("What the room heard:"))
        << Qt::endl;
    for (const QString &line : std::as_const(m_heard))
        out << "  " << line << Qt::endl;
}

bool DemoDriver::answeredSinceAsk(const QString &name) const
{
    const QString key = name + QStringLiteral(": ");
    const QStringList lines = roomLinesSince(m_askedAt);
    return std::any_of(lines.begin(), lines.end(),
                       [&](const QString &l) { return l.startsWith(key); });
}

QStringList DemoDriver::roomLinesSince(qsizetype from) const
{
    return m_heard.mid(from);
}

void DemoDriver::finish(int code, const QString &why)
{
    if (m_finished)
        return;
    m_finished = true;
    m_gameLimit->stop();
    QTextStream out(stdout);
    if (!why.isEmpty())
        narrate(QStringLiteral("The demo stops: ") + why);
    m_room.write("/quit\n");
    m_room.waitForFinished(3000);
    readRoom();
    tellHeard();
    if (m_gs)
        out << Qt::endl << "The game's log: " << m_gs->LogFile << Qt::endl;
    out << "The program's folder: " << m_opt.folder << Qt::endl;
    if (m_window)
        m_window->close();
    QCoreApplication::exit(code);
}
