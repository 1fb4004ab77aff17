#include "boxes/frmbox.h"

#include "game/gamestate.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

const std::array<frmBox::Colour, BoxCount> frmBox::Colours = {{
    {0x000000, true},  // Black
    {0xFF0000, false}, // Red
    {0xFF8000, false}, // Orange
    {0xFFFF00, false}, // Yellow
    {0x00FF00, false}, // Green
    {0x0000FF, true},  // Blue
    {0xC000C0, true},  // Purple
    {0xFFC0C0, false}, // Pink
    {0x00FFFF, false}, // Aqua
    {0xFFFFFF, false}, // White
}};

frmBox::frmBox(const ChildContext &context, BoxPick *pick, QWidget *parent)
    : SavesOnClose(parent), m_gs(context.gs), m_writeSettings(context.writeSettings),
      m_mainObject(context.main), m_pick(pick)
{
    setObjectName(QStringLiteral("frmBox"));
    setWindowTitle(QStringLiteral("Box Caller"));

    mnuOptions = menuBar()->addMenu(QStringLiteral("Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    mnuReset = mnuOptions->addAction(QStringLiteral("Reset Boxes"));
    mnuReset->setObjectName(QStringLiteral("mnuReset"));
    connect(mnuReset, &QAction::triggered, this, [this] { mnuReset_Click(); });

    auto *central = new QWidget;
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(3);

    // The dummy button lies under cmdCall: it only takes the focus.
    auto *top = new QWidget;
    auto *stack = new QStackedLayout(top);
    stack->setStackingMode(QStackedLayout::StackAll);
    Command2 = newFocusSink(QStringLiteral("Command2"));
    cmdCall = new QPushButton(QStringLiteral("Call Boxes"));
    cmdCall->setObjectName(QStringLiteral("cmdCall"));
    stack->addWidget(Command2);
    stack->addWidget(cmdCall);
    stack->setCurrentWidget(cmdCall);
    cmdCall->raise();
    v->addWidget(top);
    connect(cmdCall, &QPushButton::clicked, this, [this] { cmdCall_Click(); });

    for (int i = 0; i < BoxCount; ++i) {
        const Colour &c = Colours[i];
        const QString caption = boxCaption(i);
        const QColor background = QColor::fromRgb(c.rgb);
        const QColor text = c.whiteText ? Qt::white : Qt::black;

        auto *check = new QCheckBox;
        check->setObjectName(QStringLiteral("chkBox%1").arg(i));
        check->setAccessibleName(caption); // its label is a control apart
        auto *label = new QLabel(caption);
        label->setObjectName(QStringLiteral("lblBox%1").arg(i));
        label->setTextFormat(Qt::PlainText);
        label->setMinimumWidth(110);
        label->setMinimumHeight(22);
        label->setContentsMargins(6, 0, 6, 0);
        label->installEventFilter(this);
        for (QWidget *w : {static_cast<QWidget *>(check), static_cast<QWidget *>(label)}) {
            QPalette p = w->palette();
            p.setColor(QPalette::Window, background);
            p.setColor(QPalette::Button, background);
            p.setColor(QPalette::WindowText, text);
            w->setPalette(p);
            w->setAutoFillBackground(true);
        }

        // The host's own toggle goes into the pick; a drawing emits nothing.
        connect(check, &QCheckBox::clicked, this, [this, i](bool checked) {
            if (m_pick)
                m_pick->setChecked(i, checked);
        });

        auto *row = new QHBoxLayout;
        row->setSpacing(0);
        row->addWidget(check);
        row->addWidget(label, 1);
        v->addLayout(row);
        chkBox[i] = check;
        lblBox[i] = label;
    }
    setCentralWidget(central);

    // The main window may close while a winner's box is being called.
    if (context.main)
        context.main->installEventFilter(this);
    Form_Load();
}

frmBox::~frmBox()
{
    leavePick();
}

void frmBox::Form_Load()
{
    if (m_gs.BoxLeft != 0)
        moveToTwips(*this, m_gs.BoxLeft, m_gs.BoxTop);
    if (!m_pick) {
        m_ownPick = std::make_unique<BoxPick>();
        m_pick = m_ownPick.get();
        openBoxes(m_gs, *m_pick, BoxMode::EditDefaults);
    }
    m_mode = m_pick->state().mode;
    m_observer = m_pick->subscribe([this] { draw(); });
    draw();
}

void frmBox::draw()
{
    const BoxPickState &shown = m_pick->state();
    if (shown.ended) {
        leavePick();
        if (!unloaded())
            close();
        return;
    }
    cmdCall->setText(shown.callCaption());
    cmdCall->setEnabled(!shown.calling);
    for (int i = 0; i < BoxCount; ++i)
        chkBox[i]->setChecked(shown.checked[i]);
    if (!shown.calling)
        m_callPointer.reset();
    else if (!m_callPointer)
        m_callPointer.emplace();
}

void frmBox::leavePick()
{
    if (m_pick)
        m_pick->unsubscribe(m_observer);
    m_pick = nullptr;
}

void frmBox::Form_Activate()
{
    // An activation queued before the window closed may arrive after it.
    if (unloaded())
        return;
    Command2->setFocus();
    // The main window's busy state shows the hourglass over every window;
    // the host works here, so the normal pointer shows until this one closes.
    if (!m_normalPointer && !m_callPointer && BusyPointer::hourglass())
        m_normalPointer.emplace();
}

bool frmBox::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) {
        const bool handled = QMainWindow::event(event);
        Form_Activate();
        return handled;
    }
    return QMainWindow::event(event);
}

bool frmBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_mainObject && event->type() == QEvent::Close) {
        close();
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < BoxCount; ++i) {
            if (watched == lblBox[i] &&
                lblBox[i]->rect().contains(
                    static_cast<QMouseEvent *>(event)->position().toPoint())) {
                lblBox_Click(i);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmBox::hand(BoxPick::Request request)
{
    if (!m_pick)
        return;
    // A winner's pick is the match's to run; editing runs here, saying nothing.
    if (m_mode == BoxMode::CallWinner)
        m_pick->ask(request);
    else
        runBoxRequest(m_gs, nullptr, *m_pick, request);
}

void frmBox::cmdCall_Click()
{
    Command2->setFocus();
    hand({BoxPick::Ask::Call});
}

void frmBox::lblBox_Click(int index)
{
    if (index < 0 || index >= BoxCount)
        return;
    Command2->setFocus();
    hand({BoxPick::Ask::Pick, index});
}

void frmBox::mnuReset_Click()
{
    hand({BoxPick::Ask::Reset});
}

void frmBox::keepPosition()
{
    const QPointF place = positionInTwips(*this);
    m_gs.BoxLeft = twipsToInteger(place.x());
    m_gs.BoxTop = twipsToInteger(place.y());
}

void frmBox::closeEvent(QCloseEvent *event)
{
    // A winner's pick closes when the match has run what was asked before;
    // the place is kept now, for the settings the main window may write
    // as it closes.
    if (m_pick && m_mode == BoxMode::CallWinner) {
        keepPosition();
        m_pick->ask({BoxPick::Ask::Close});
        event->ignore();
        return;
    }
    SavesOnClose::closeEvent(event);
}

void frmBox::Form_Unload()
{
    keepPosition();
    if (m_mode == BoxMode::EditDefaults && m_pick) {
        closeBoxes(m_gs, *m_pick);
        if (m_writeSettings)
            m_writeSettings();
    }
    leavePick();
    m_normalPointer.reset();
    m_callPointer.reset();
    // The main window is shown again by whoever opened this one: when editing
    // it was hidden by the menu, when calling it stayed visible.
}

QWidget *createBoxWindow(const ChildContext &context, BoxPick *pick)
{
    return new frmBox(context, pick);
}
