#include "app/frmmain.h"

#include "app/frmabout.h"
#include "base/hostdialogs.h"
#include "boxes/frmbox.h"
#include "chat/chatlink.h"
#include "game/draw.h"
#include "game/gamestate.h"
#include "macroeditor/frmmacro.h"
#include "macroeditor/frmsubs.h"
#include "roomwindow/frmroom.h"
#include "scoreswindow/frmscores.h"
#include "settings/frmset.h"
#include "windows/gamefont.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <utility>

namespace {

const QColor LightBlue(128, 128, 255);

void paint(QWidget *w, const QColor &background, const QColor &text = Qt::black)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, text);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// Captions and tips of the controls in the console's record come from it.
QPushButton *button(const char *name)
{
    return named(new QPushButton, name);
}

} // namespace

frmMain::frmMain(Session &session, QWidget *parent)
    : QMainWindow(parent), m_session(session), m_gs(session.gs()), m_console(session.console())
{
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_QuitOnClose, true);
    m_session.setWindow({.controls = this,
                         .showBusy =
                             [this](bool busy) {
                                 if (busy)
                                     m_busyPointer.emplace();
                                 else
                                     m_busyPointer.reset();
                             },
                         .place = [this] { return positionInTwips(*this); }});
    popupMenu = [](QMenu *menu) { menu->exec(QCursor::pos()); };
    buildControls();
    buildMenus();
    followConsole();
    wireRoundSteps();
    wireTurnSteps();
}

frmMain::~frmMain()
{
    // The Room window's end still reaches the link.
    delete m_roomWindow.data();
    // The session outlives the window: nothing of it may call back here.
    m_session.game().showBoxWindow = nullptr;
    m_session.link().setModerationHook({});
    m_session.setWindow({});
    // The widgets go after the record: they must not write into it then.
    m_console.unsubscribe(m_drawer);
    for (QObject *w : {static_cast<QObject *>(lstDown), static_cast<QObject *>(lstPlayers),
                       static_cast<QObject *>(vsDrawCnt)})
        disconnect(w, nullptr, this, nullptr);
}

void frmMain::buildControls()
{
    auto *central = new QWidget;
    paint(central, LightBlue);
    central->setFont(gameFont());
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(4);

    lblWordOf = named(new QLabel, "lblWordOf");
    lblWord = named(new QLabel, "lblWord");
    for (QLabel *l : {lblWordOf, lblWord}) {
        l->setFont(gameFont(12));
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumHeight(24);
        l->setTextFormat(Qt::PlainText);
        v->addWidget(l);
    }
    paint(lblWordOf, Qt::blue, Qt::yellow);
    paint(lblWord, Qt::white, Qt::black);

    auto *row = new QHBoxLayout;
    cmdAsk = button("cmdAsk");
    cmdGet = button("cmdGet");
    cmdCheck = button("cmdCheck");
    row->addWidget(cmdAsk);
    row->addWidget(cmdGet);
    row->addWidget(cmdCheck);
    v->addLayout(row);
    cmdCountdown = button("cmdCountdown");
    v->addWidget(cmdCountdown);

    // The dummy button takes the focus while the window is busy; it lies
    // under the list so the host never sees it.
    auto *downArea = new QWidget;
    auto *stack = new QStackedLayout(downArea);
    stack->setStackingMode(QStackedLayout::StackAll);
    Command2 = newFocusSink(QStringLiteral("Command2"));
    lstDown = named(new QListWidget, "lstDown");
    lstDown->setToolTip(QStringLiteral("Right click on Player to call another"));
    lstDown->setMinimumHeight(110);
    stack->addWidget(Command2);
    stack->addWidget(lstDown);
    stack->setCurrentWidget(lstDown);
    lstDown->raise();
    // Opaque, so the button under it is never painted (nor its bevel cached).
    lstDown->setAutoFillBackground(true);
    v->addWidget(downArea);

    MacroFrame = named(new QFrame, "MacroFrame");
    MacroFrame->setFrameShape(QFrame::Box);
    MacroFrame->setMouseTracking(true);
    MacroFrame->installEventFilter(this);
    paint(MacroFrame, LightBlue);
    auto *macroLayout = new QVBoxLayout(MacroFrame);
    macroLayout->setContentsMargins(4, 4, 4, 4);
    lblMacro = named(new QLabel, "lblMacro");
    lblMacro->setTextFormat(Qt::PlainText);
    lblMacro->setMinimumHeight(18);
    macroLayout->addWidget(lblMacro);
    auto *grid = new QGridLayout;
    grid->setSpacing(2);
    QFont macroFont(QStringLiteral("Arial"));
    macroFont.setPointSizeF(8.25);
    macroFont.setBold(true);
    for (int i = 1; i <= MacroCount; ++i) {
        auto *b = new QPushButton(QString::number(i));
        b->setObjectName(QStringLiteral("Macro%1").arg(i));
        b->setFont(macroFont);
        b->setFixedSize(26, 26);
        b->setMouseTracking(true);
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, [this, i] { m_session.pressMacro(i); });
        grid->addWidget(b, (i - 1) / 10, (i - 1) % 10);
        Macro[i] = b;
    }
    macroLayout->addLayout(grid);
    v->addWidget(MacroFrame);

    auto *drawRow = new QHBoxLayout;
    cmdGetRegs = button("cmdGetRegs");
    cmdDraw = button("cmdDraw");
    fraDraw = named(new QFrame, "fraDraw");
    paint(fraDraw, LightBlue);
    auto *drawCount = new QHBoxLayout(fraDraw);
    drawCount->setContentsMargins(0, 0, 0, 0);
    drawCount->setSpacing(1);
    fraDraw->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    txtDrawCnt = named(new QLineEdit, "txtDrawCnt");
    txtDrawCnt->setReadOnly(true);
    txtDrawCnt->setFixedWidth(30);
    vsDrawCnt = named(new QScrollBar(Qt::Vertical), "vsDrawCnt");
    vsDrawCnt->setRange(drawCountScroll(MaxDown), drawCountScroll(2)); // 2 to 10 players
    vsDrawCnt->setValue(m_console.state().scrollValue);
    vsDrawCnt->setFixedHeight(26);
    drawCount->addWidget(txtDrawCnt);
    drawCount->addWidget(vsDrawCnt);
    drawRow->addWidget(cmdGetRegs);
    drawRow->addWidget(cmdDraw);
    drawRow->addWidget(fraDraw);
    v->addLayout(drawRow);

    fraPlayers = named(new QFrame, "fraPlayers");
    fraPlayers->setFrameShape(QFrame::Box);
    paint(fraPlayers, LightBlue);
    auto *players = new QVBoxLayout(fraPlayers);
    players->setContentsMargins(4, 4, 4, 4);
    auto *listRow = new QHBoxLayout;
    cmdList = button("cmdList");
    lblPlayercnt = named(new QLabel, "lblPlayercnt");
    listRow->addWidget(cmdList);
    listRow->addWidget(lblPlayercnt);
    players->addLayout(listRow);
    lstPlayers = named(new QListWidget, "lstPlayers");
    lstPlayers->setToolTip(QStringLiteral("Right click on Player to Delete"));
    lstPlayers->setMinimumHeight(160);
    players->addWidget(lstPlayers);
    v->addWidget(fraPlayers, 1);

    for (QListWidget *list : {lstDown, lstPlayers})
        list->viewport()->installEventFilter(this);

    // Keys for the turn's buttons, beside the menus' own: each clicks its
    // button as the mouse would, so a disabled one takes none.
    const std::pair<QPushButton *, QKeyCombination> turnKeys[] = {
        {cmdAsk, Qt::ALT | Qt::Key_S},
        {cmdGet, Qt::ALT | Qt::Key_G},
        {cmdCheck, Qt::ALT | Qt::Key_C},
        {cmdDraw, Qt::ALT | Qt::Key_D},
        {cmdCountdown, Qt::ALT | Qt::Key_T}};
    for (const auto &[target, key] : turnKeys) {
        auto *press = new QAction(this);
        press->setShortcut(key);
        connect(press, &QAction::triggered, target, &QPushButton::click);
        addAction(press);
    }

    setCentralWidget(central);
    resize(300, 640);
}

void frmMain::buildMenus()
{
    auto *bar = menuBar();
    auto action = [this](QMenu *menu, const char *name, const char *caption,
                         const QKeySequence &shortcut = {}) {
        QAction *a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(shortcut);
        return a;
    };
    auto menu = [](QMenu *m, const char *name) {
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    mnuFile = menu(bar->addMenu(QStringLiteral("&File")), "mnuFile");
    mnuLoad = action(mnuFile, "mnuLoad", "", QKeySequence(Qt::CTRL | Qt::Key_L));
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuSep1"));
    mnuRecover = action(mnuFile, "mnuRecover", "", QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuScores = action(mnuFile, "mnuScores", "&Scores");
    connect(mnuScores, &QAction::triggered, this, [this] { showScores(); });
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuSep3"));
    mnuExit = action(mnuFile, "mnuExit", "E&xit", QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    mnuEdit = menu(bar->addMenu(QStringLiteral("&Edit")), "mnuEdit");
    mnuMacro = action(mnuEdit, "mnuMacro", "Edit Macros");
    mnuSubs = action(mnuEdit, "mnuSubs", "Edit Macro Subs");
    mnuEdit->addSeparator()->setObjectName(QStringLiteral("mnuSep4"));
    mnuBoxes = action(mnuEdit, "mnuBoxes", "Edit Boxes");
    connect(mnuMacro, &QAction::triggered, this,
            [this] { openWindow(createMacroEditor(childContext())); });
    connect(mnuSubs, &QAction::triggered, this,
            [this] { openWindow(createSubsEditor(m_gs, m_session.dialogs())); });
    connect(mnuBoxes, &QAction::triggered, this, [this] {
        m_gs.BoxMode = BoxMode::EditDefaults;
        openWindow(createBoxWindow(childContext()));
    });

    mnuOptions = menu(bar->addMenu(QStringLiteral("&Options")), "mnuOptions");
    mnuCount = menu(mnuOptions->addMenu(QStringLiteral("Auto Countdown")), "mnuCount");
    mnuAutoOff = action(mnuCount, "mnuAutoOff", "Off");
    mnuFifteen = action(mnuCount, "mnuFifteen", "15 Seconds");
    mnuThirty = action(mnuCount, "mnuThirty", "30 Seconds");
    mnuSixty = action(mnuCount, "mnuSixty", "60 Seconds");
    mnuSpeed = menu(mnuOptions->addMenu(QStringLiteral("Speed")), "mnuSpeed");
    mnuVeryFast = action(mnuSpeed, "mnuVeryFast", "Very Fast");
    mnuFast = action(mnuSpeed, "mnuFast", "Fast");
    mnuMedium = action(mnuSpeed, "mnuMedium", "Medium");
    mnuSlow = action(mnuSpeed, "mnuSlow", "Slow");
    mnuTop = action(mnuOptions, "mnuTop", "Stay on Top");
    mnuSet = action(mnuOptions, "mnuSet", "Settings");
    connect(mnuSet, &QAction::triggered, this,
            [this] { openWindow(createSettingsDialog(childContext())); });

    // In the order of the values the session offers.
    const std::array<QAction *, 4> autos{mnuAutoOff, mnuFifteen, mnuThirty, mnuSixty};
    const std::array<QAction *, 4> speeds{mnuVeryFast, mnuFast, mnuMedium, mnuSlow};
    for (std::size_t i = 0; i < 4; ++i) {
        m_autos[i] = {autos[i], Session::Autos[i]};
        m_speeds[i] = {speeds[i], Session::Speeds[i]};
    }
    auto *autoGroup = new QActionGroup(this);
    for (auto [a, seconds] : m_autos) {
        a->setCheckable(true);
        autoGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, seconds] {
            m_session.setAuto(seconds);
            tickAuto();
        });
    }
    auto *speedGroup = new QActionGroup(this);
    for (auto [a, delay] : m_speeds) {
        a->setCheckable(true);
        speedGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, delay] {
            m_session.setSpeed(delay);
            tickSpeed();
        });
    }
    mnuTop->setCheckable(true);
    connect(mnuTop, &QAction::triggered, this, [this] { mnuTop_Click(); });

    mnuAbout = bar->addAction(QStringLiteral("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout, &QAction::triggered, this, [this] { openWindow(createAboutWindow()); });

    // The two pop-up menus, not in the menu bar.
    mnuDPlayer = new QMenu(QStringLiteral("Down Player"), this);
    mnuDPlayer->setObjectName(QStringLiteral("mnuDPlayer"));
    mnuDPDraw = action(mnuDPlayer, "mnuDPDraw", "Draw Another Player");
    mnuPlayer = new QMenu(QStringLiteral("Player"), this);
    mnuPlayer->setObjectName(QStringLiteral("mnuPlayer"));
    mnuPDelete = action(mnuPlayer, "mnuPDelete", "Delete Player");
    buildRoomEntries();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        if (watched == MacroFrame && event->type() == QEvent::MouseMove) {
            // A move over a button also reaches the frame, which must not
            // clear the name the button has just shown.
            const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
            if (!qobject_cast<QPushButton *>(MacroFrame->childAt(at)))
                lblMacro->clear();
        } else {
            for (int i = 1; i <= MacroCount; ++i) {
                if (watched == Macro[i]) {
                    showMacroName(i);
                    break;
                }
            }
        }
    } else if (event->type() == QEvent::MouseButtonPress ||
               event->type() == QEvent::MouseButtonDblClick ||
               event->type() == QEvent::MouseButtonRelease) {
        const bool onDown = watched == lstDown->viewport();
        if (static_cast<QMouseEvent *>(event)->button() == Qt::RightButton &&
            (onDown || watched == lstPlayers->viewport())) {
            if (event->type() != QEvent::MouseButtonRelease)
                popupMenu(onDown ? mnuDPlayer : mnuPlayer);
            // The menus act on the marked row: the press must not move the
            // mark to the row under the pointer.
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::showMacroName(int index)
{
    lblMacro->setText(m_gs.Macros[index].Name);
}

void frmMain::vsDrawCnt_Change()
{
    m_session.drawCountChanged();
}

// Beside the main window, which stays usable, as the boxes window does.
void frmMain::showScores()
{
    if (m_scoresWindow) {
        m_scoresWindow->raise();
        m_scoresWindow->activateWindow();
        return;
    }
    m_session.openScores();
    const QString &problem = m_session.scoresProblem();
    const QString why =
        problem.isEmpty()
            ? QString()
            : QStringLiteral("No results are being recorded until the next start:\n") + problem;
    m_scoresWindow = createScoresWindow(m_session.scores(), m_session.dialogs(), why);
    m_scoresWindow->setParent(this, Qt::Window);
    m_scoresWindow->setAttribute(Qt::WA_DeleteOnClose);
    m_scoresWindow->setAttribute(Qt::WA_QuitOnClose, false);
    m_scoresWindow->show();
}

void frmMain::openWindow(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setAttribute(Qt::WA_QuitOnClose, false);
    connect(window, &QObject::destroyed, this, [this] {
        if (!m_unloaded)
            show();
    });
    window->show();
    hide();
}

void frmMain::onClick(Ctl control)
{
    const auto *button = static_cast<QPushButton *>(widgetFor(control));
    connect(button, &QPushButton::clicked, this, [this, control] { m_session.press(control); });
}

void frmMain::onTrigger(QAction *action, Session::Entry entry)
{
    connect(action, &QAction::triggered, this, [this, entry] { m_session.choose(entry); });
}
