#include "session/session.h"

#include "base/failure.h"
#include "base/hostdialogs.h"
#include "chat/chatlink.h"
#include "chat/moderation.h"
#include "chat/ticksource.h"
#include "chat/wadapi.h"
#include "chat/waits.h"
#include "files/fileio.h"
#include "files/instancelock.h"
#include "files/programfolder.h"
#include "game/asking.h"
#include "game/busystate.h"
#include "game/cmdask.h"
#include "game/countdown.h"
#include "game/draw.h"
#include "game/gamefiles.h"
#include "game/gamestate.h"
#include "game/hostline.h"
#include "game/loadwords.h"
#include "game/recovergame.h"
#include "game/registration.h"
#include "game/reportwrite.h"
#include "macros/macrobuttons.h"
#include "scores/scorestore.h"
#include "session/clientcommand.h"
#include "session/steprunner.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// How soon a countdown tick held back by a request is tried again.
constexpr std::chrono::milliseconds TickRetry{20};

using Step = void (*)(GameContext &);

Step stepOf(ConsoleState::Ctl control)
{
    using Ctl = ConsoleState::Ctl;
    switch (control) {
    case Ctl::cmdAsk:
        return cmdAsk_Click;
    case Ctl::cmdGet:
        return cmdGet_Click;
    case Ctl::cmdCheck:
        return cmdCheck_Click;
    case Ctl::cmdCountdown:
        return cmdCountdown_Click;
    case Ctl::cmdGetRegs:
        return GetRegs;
    case Ctl::cmdList:
        return ListPlayers;
    case Ctl::cmdDraw:
        return cmdDraw_Click;
    default:
        return nullptr;
    }
}

Step stepOf(Session::Entry entry)
{
    switch (entry) {
    case Session::Entry::Load:
        return LoadWords;
    case Session::Entry::Recover:
        return RecoverGame;
    case Session::Entry::DeletePlayer:
        return DeletePlayer;
    case Session::Entry::DrawAnotherPlayer:
        return DrawAnotherPlayer;
    }
    return nullptr;
}

template <std::size_t N> bool offered(const std::array<int, N> &values, int value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

} // namespace

Session::Session(Outside outside, Environment env)
    : m_gs(outside.gs), m_wadapi(outside.wadapi), m_dialogs(outside.dialogs), m_env(std::move(env))
{
    m_link = std::make_unique<ChatLink>(m_wadapi, outside.timer1, m_dialogs, m_env.appName);
    m_console.restore(firstConsole());
    m_game.reset(new GameContext{
        m_gs, *m_link, m_console, m_controls, m_dialogs, outside.timer2, outside.random, {}});
    const auto leaders = [this] {
        return m_scores ? m_scores->topWinners(int(GameStatusCap::Leaders))
                        : QList<GameStatus::Leader>();
    };
    m_runner = std::make_unique<StepRunner>(
        *m_game, StepRunner::Window{.beforeStep = [this] { openScores(); },
                                    .showBusy =
                                        [this](bool busy) {
                                            if (m_window.showBusy)
                                                m_window.showBusy(busy);
                                        },
                                    .leaders = leaders});
    wireCountdown();
}

Session::~Session()
{
    // The countdown timer is not the session's own: it must not call into
    // one that has gone.
    m_game->timer2.setEnabled(false);
    m_game->timer2.onTick = nullptr;
}

void Session::setWindow(Window window)
{
    m_window = std::move(window);
    m_controls.window = m_window.controls;
}

bool Session::start()
{
    if (m_started || !takeInstanceLock() || !openChatLink() || !applySettings())
        return false;
    m_started = true;
    return true;
}

bool Session::takeInstanceLock()
{
    // A folder or lock file that cannot be made is told as what it is, not
    // as another copy running.
    std::optional<FileFailure> failed = FileIO::makeFolder(m_env.folder);
    if (!failed) {
        m_instanceLock =
            std::make_unique<InstanceLock>(m_env.folder + QStringLiteral("/orvella.lock"));
        if (m_instanceLock->state() == InstanceLock::State::HeldByAnother) {
            m_instanceLock.reset();
            m_dialogs.message(QStringLiteral("Quantrel is already running!"),
                              QStringLiteral("Quantrel Ending"));
            m_exitCode = 0;
            return false;
        }
        failed = m_instanceLock->failure();
    }
    if (failed) {
        m_instanceLock.reset();
        m_dialogs.message(failed->report(), QStringLiteral("Program Exiting"));
        m_exitCode = 1;
        return false;
    }
    // Only now: a second copy must not take the first one's writes for leftovers.
    FileIO::removeStrayTemporaries(m_env.folder);
    return true;
}

bool Session::openChatLink()
{
    if (m_link->InitDDE() == 0)
        return true;
    QString why = m_wadapi.lastError();
    const QString here = QCoreApplication::applicationDirPath();
    if (!why.isEmpty())
        why = QStringLiteral("\r\n\r\nThe chat client: ") + why + u'.';
    m_dialogs.message(Failure(ErrDdeInit).runTimeReport() + why +
                          QStringLiteral("\r\n\r\nStart a chat client in this session "
                                         "first, then Orvella: the stand-in room (%1 "
                                         "--players 6) or the IRC client (%2 --server "
                                         "NETWORK --channel '#CHANNEL' --nick NAME).")
                              .arg(clientCommand(here, QStringLiteral("orvella-room")),
                                   clientCommand(here, QStringLiteral("orvella-irc"))),
                      QStringLiteral("Orvella"));
    m_exitCode = 1;
    return false;
}

bool Session::applySettings()
{
    GlobalsInit(m_gs);
    m_wadapi.DapiRegister(m_env.appName());
    if (!::SettingsReader(m_gs, m_dialogs, m_env.folder)) {
        m_exitCode = 1;
        return false;
    }
    m_gs.LogFile = m_env.folder + QStringLiteral("/Orvella.log");
    // The room offers registering to whoever joins, at any time.
    m_link->SendNotice(NoticeKey::RegChar, m_gs.RegChar);
    // A value no menu entry has is taken for the usual one.
    if (!offered(Speeds, m_gs.Delay))
        m_gs.Delay = 1;
    if (!offered(Autos, m_gs.Auto))
        m_gs.Auto = 0;
    showAuto();
    takeDrawCount(m_gs, m_console);
    return true;
}

void Session::shutdown()
{
    if (!m_started || std::exchange(m_ended, true))
        return;
    m_link->Shutdown();
    saveSettings();
    // A step waiting for chat text or ticks must not outlive the program.
    Waits::abandonAll();
}

void Session::saveSettings()
{
    const QPointF place = m_window.place ? m_window.place() : QPointF(m_gs.MainLeft, m_gs.MainTop);
    reportWrite(m_dialogs, SettingsWriter(m_gs, m_env.folder, place.x(), place.y()));
}

void Session::setSpeed(int delay)
{
    m_gs.Delay = static_cast<Integer>(delay);
    saveSettings();
}

void Session::setAuto(int seconds)
{
    // A countdown already running keeps its schedule; the new value applies
    // from the next ask.
    m_gs.Auto = static_cast<Integer>(seconds);
    showAuto();
    saveSettings();
}

void Session::showAuto()
{
    m_console.setCaption(Ctl::cmdCountdown, countdownCaption(m_gs.Auto).value_or(
                                                m_console.caption(Ctl::cmdCountdown)));
}

void Session::setOnTop(bool onTop)
{
    m_gs.OnTop = onTop;
    saveSettings();
}

void Session::drawCountChanged()
{
    m_controls.focusDummy();
    takeDrawCount(m_gs, m_console);
}

void Session::runStep(const std::function<void()> &step)
{
    m_runner->runStep(step);
}

void Session::press(Ctl control)
{
    const Step step = stepOf(control);
    if (!step)
        return;
    m_runner->onHostAction(false, [this, control, step] {
        // A blocked window would have dropped a click on a button disabled
        // meanwhile.
        if (m_console.controlEnabled(control))
            runStep([&] { step(*m_game); });
    });
}

void Session::pressMacro(int index)
{
    m_runner->onHostAction(false, [this, index] {
        if (m_console.state().macrosEnabled)
            runStep([&] { ExpandMacro(index, *m_game, m_scores.get()); });
    });
}

bool Session::reachable(Entry entry) const
{
    // The File menu's entries follow the record; a shortcut still reaches an
    // entry whose menu the busy state disabled, and takes nothing then.
    const auto inFileMenu = [this](Ctl c) {
        return m_console.controlEnabled(c) && m_console.state().menusEnabled;
    };
    switch (entry) {
    case Entry::Load:
        return inFileMenu(Ctl::mnuLoad);
    case Entry::Recover:
        return inFileMenu(Ctl::mnuRecover);
    case Entry::DeletePlayer:
    case Entry::DrawAnotherPlayer:
        return true;
    }
    return false;
}

void Session::choose(Entry entry)
{
    if (!reachable(entry))
        return;
    m_runner->onHostAction(true, [this, entry] {
        if (reachable(entry))
            runStep([&] { stepOf(entry)(*m_game); });
    });
}

void Session::say(const HostLine &line)
{
    m_runner->onHostAction(true, [this, line] { runStep([&] { HostSays(*m_game, line); }); });
}

void Session::moderate(const ModRequest &request, std::function<void(const QString &)> refused)
{
    m_runner->onHostAction(true, [this, request, refused = std::move(refused)] {
        const QString why = m_link->Moderate(request);
        if (!why.isEmpty() && refused)
            refused(why);
    });
}

void Session::openScores()
{
    if (std::exchange(m_scoresOpened, true))
        return;
    const QString path = m_env.folder + u'/' + ScoreStore::fileName();
    ScoreStore::Opened opened = ScoreStore::open(path, [this](const QString &why) {
        m_scoresProblem = why;
        m_dialogs.message(why, programErrorTitle());
    });
    m_scores = std::move(opened.store);
    m_game->results = m_scores.get();
    if (!opened.movedAside.isEmpty())
        m_dialogs.message(QStringLiteral("The scores file ") + path +
                              QStringLiteral(" could not be read and was moved to ") +
                              opened.movedAside + QStringLiteral(". A new one was started."),
                          programErrorTitle());
    if (!opened.problem.isEmpty()) {
        m_scoresProblem = opened.problem;
        m_dialogs.message(opened.problem, programErrorTitle());
    }
}

void Session::wireCountdown()
{
    m_game->timer2.onTick = [this] {
        GameContext &ctx = *m_game;
        if (Waits::abandoned()) {
            ctx.timer2.setEnabled(false);
            return;
        }
        // A second of the countdown that falls into the link's wait for a
        // status is counted once that request is over, as it always was.
        if (m_link->requesting()) {
            QTimer::singleShot(TickRetry, &m_context, [this] {
                if (m_game->timer2.enabled() && m_game->timer2.onTick)
                    m_game->timer2.onTick();
            });
            return;
        }
        countdownSecond(ctx, [this](const std::function<void()> &step) { runStep(step); });
    };
}
